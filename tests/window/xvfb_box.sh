#!/usr/bin/env bash
# A script error in the real window under Xvfb, at scale 1 and 2: the box is drawn in the window
# (a dump of the window shows its face and its text over the game's picture), its text and the
# author's note are on stderr, and clicking OK lets the game go on (it saves afterwards).
# In full screen (no window manager: the window covers the 1600 x 1200 screen, the picture scaled by
# 2.5) the box is in the middle of the screen.
# Usage: xvfb_box.sh ADVPLAY GAME_DIR XWD_PROBE
set -eu
advplay=$1 game=$2 probe=$3
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1600x1200x24" "$0" "$@"
fi
# As in xvfb_click.sh: the display libraries' own leaks are not ours.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

# The box of a four-line text (the file, the line, an empty line, the message) is 166 pixels high,
# centred: its message line is at y 249..267 and its OK button at y 283..307, both centred on x 320.
# Scales are in tenths: 10 and 20 in a window, 25 in full screen.
for scale in 10 20 25; do
  rm -rf "$work/game"
  cp -r "$game" "$work/game"
  SDL_AUDIODRIVER=dummy "$advplay" --scale $((scale < 25 ? scale / 10 : 1)) "$work/game" 2>"$work/stderr" &
  pid=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name "advplay box test" | head -n 1)
  if [ "$scale" -eq 25 ]; then
    sleep 0.5
    xdotool key --window "$window" F4
  fi
  sleep 2
  xwd -id "$window" -silent > "$work/window.xwd"
  points=()
  for x in $(seq 200 3 440); do
    for y in 252 256 260; do
      points+=($((x * scale / 10)) $((y * scale / 10)))
    done
  done
  face=0 ink=0
  for colour in $("$probe" "$work/window.xwd" "${points[@]}"); do
    case $colour in
      c6c6c6 | C6C6C6) face=$((face + 1)) ;;
      000000) ink=$((ink + 1)) ;;
    esac
  done
  game_colour=$("$probe" "$work/window.xwd" $((20 * scale / 10)) $((20 * scale / 10)))
  if [ "$face" -lt 100 ] || [ "$ink" -lt 10 ] || [ "${game_colour,,}" != 428442 ]; then
    echo "scale $scale/10: the window does not show the box's text over the game (face $face, ink $ink, corner $game_colour)"
    exit 1
  fi
  xdotool mousemove --window "$window" $((320 * scale / 10)) $((295 * scale / 10)) click 1
  if ! timeout 20 tail --pid="$pid" -f /dev/null; then
    echo "scale $scale/10: the game did not go on after OK"
    exit 1
  fi
  wait "$pid"
  (cd "$work/game/save" && "$advplay" savedump after.sav) > "$work/dump.txt"
  if ! grep -qx 'int n = 7' "$work/dump.txt"; then
    echo "scale $scale/10: the game did not save after the box"
    cat "$work/dump.txt" "$work/stderr"
    exit 1
  fi
  if ! grep -qx '存在しない変数を指定しました' "$work/stderr" \
    || ! grep -qx 'advplay: start:7: no variable "missing"' "$work/stderr"; then
    echo "scale $scale/10: stderr lacks the box's text or the author's note:"
    cat "$work/stderr"
    exit 1
  fi
  echo "scale $scale/10: the box showed in the window, and OK let the game go on"
done
