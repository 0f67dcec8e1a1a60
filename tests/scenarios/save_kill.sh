#!/usr/bin/env bash
# A game that saves a 4 MB save over and over is killed at random moments: the save is always a
# whole save (the old one or the new one), and the next save clears away a temporary file that a
# kill left. Usage: save_kill.sh ADVPLAY GAME_DIR
set -eu
advplay=$1 game=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$game" "$work/game"
seed=${SAVE_KILL_SEED:-$RANDOM}
echo "seed $seed"
RANDOM=$seed
left=0
for round in $(seq 1 12); do
  "$advplay" --headless "$work/game" 2>/dev/null &
  pid=$!
  sleep "0.$((RANDOM % 4))$((RANDOM % 10))"
  kill -9 "$pid"
  wait "$pid" 2>/dev/null || true
  if [ -e "$work/game/save/slot.sav" ]; then
    if ! "$advplay" savedump "$work/game/save/slot.sav" > "$work/dump.txt"; then
      echo "round $round: the save is damaged after a kill"
      exit 1
    fi
    grep -q '^int n = [1-9]' "$work/dump.txt"
  fi
  if [ -e "$work/game/save/slot.sav.advplay-new" ]; then
    left=$((left + 1))
  fi
done
echo "kills that left a temporary file: $left of 12"
# A run that saves a few times and stops.
status=0
"$advplay" --headless --max-passes 200 "$work/game" 2>/dev/null || status=$?
[ "$status" -eq 3 ]
"$advplay" savedump "$work/game/save/slot.sav" > /dev/null
if [ "$(ls "$work/game/save")" != "slot.sav" ]; then
  echo "the save folder holds more than the save:"
  ls -la "$work/game/save"
  exit 1
fi
echo "save_kill: every kill left a whole save, and the next save left nothing else"
