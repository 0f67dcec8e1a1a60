#!/usr/bin/env bash
# A windowed run (SDL's dummy video driver) tells the player in one line each what it decided for
# them: the ALSA library's own messages on a machine without a sound card go to
# --debug only, and a --scale that does not fit the desktop is brought down with one line saying so.
# Usage: quiet_start.sh ADVPLAY GAME_DIR
set -u
advplay=$1 game=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# SDL's dummy video driver has a 1024 x 768 desktop: scale 3 does not fit, scale 1 does.
SDL_VIDEODRIVER=dummy timeout 30 "$advplay" --scale 3 --max-time 300 "$game" 2>"$work/stderr" >/dev/null
status=$?
if [ "$status" -ne 3 ]; then
  echo "the run ended with status $status, not 3 (its time limit)"; cat "$work/stderr"; failed=1
fi
if grep -q '^ALSA lib' "$work/stderr"; then
  echo "the ALSA library's messages reached a player who did not ask for debug output:"
  grep '^ALSA lib' "$work/stderr" | head -3
  failed=1
fi
if ! grep -qx 'advplay: --scale 3 does not fit the desktop (1024 x 768 usable); the window is at scale 1' "$work/stderr"; then
  echo "no line said that --scale 3 was brought down:"; cat "$work/stderr"; failed=1
fi
[ "$failed" -eq 0 ] && echo "quiet_start: no ALSA messages without --debug, and one line for the scale brought down"
exit $failed
