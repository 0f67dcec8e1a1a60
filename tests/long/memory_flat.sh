#!/usr/bin/env bash
# A busy game (a looping song, and every second a save, a load and a sound effect) runs headless for
# one hour and for ten hours of game time: the longer run's peak memory is within 1 MB of the
# shorter one's. The song and the sound are the demo game's.
# Usage: memory_flat.sh ADVPLAY GAME_DIR DEMO_DATA_DIR [HOURS]
set -eu
advplay=$1 game=$2 demo=$3 hours=${4:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$game" "$work/game"
cp "$demo/music/theme.mid" "$work/game/data/theme.mid"
cp "$demo/se/chime.wav" "$work/game/data/chime.wav"
peak_kib() { # milliseconds of game time
  python3 - "$advplay" "$work/game" "$1" <<'PY'
import resource, subprocess, sys
advplay, game, ms = sys.argv[1:]
status = subprocess.run([advplay, "--headless", "--max-time", ms, game], stderr=subprocess.DEVNULL).returncode
if status != 3:
    sys.exit(f"the run ended with status {status} before its time limit")
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
PY
}
short=$(peak_kib 3600000)
long=$(peak_kib $((hours * 3600000)))
echo "peak memory: $short KiB after 1 hour, $long KiB after $hours hours"
if [ $((long - short)) -gt 1024 ]; then
  echo "the memory grew by $((long - short)) KiB"
  exit 1
fi
