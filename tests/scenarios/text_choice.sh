#!/usr/bin/env bash
# A text scene and a choice played to the end with scripted input: ten characters at the default
# speed take 1,000 ms of game time (read with .now systemtime), the second choice is taken (the
# branch is read back from the save file), and the screenshot shows the taken choice in the selected
# colour and the other in the not-selected one.
# Usage: text_choice.sh ADVPLAY GAME_DIR PNG_PROBE
set -eu
advplay=$1 game=$2 probe=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$game" "$work/game"
"$advplay" --headless --input "$game/input.txt" --screenshot "$work/shot.png" "$work/game" 2>"$work/stderr"
(cd "$work/game/save" && "$advplay" savedump result.sav) > "$work/dump.txt"
diff -u - "$work/dump.txt" <<'DUMP'
result.sav: 4 integer and 0 string variables
int branch = 2
int elapsed = 1000
int t0 = 0
int t1 = 1000
DUMP
test ! -s "$work/stderr"
read -r white grey <<<"$("$probe" --count "$work/shot.png" 20 364 400 396 FFFFFF 808080)"
if [ "$white" -ne 0 ] || [ "$grey" -lt 100 ]; then
  echo "the choice not taken has $white white and $grey grey pixels"
  exit 1
fi
read -r white grey <<<"$("$probe" --count "$work/shot.png" 20 396 400 428 FFFFFF 808080)"
if [ "$white" -lt 100 ] || [ "$grey" -ne 0 ]; then
  echo "the choice taken has $white white and $grey grey pixels"
  exit 1
fi
echo "text_choice: 10 characters in 1000 ms, the second choice taken and drawn selected"
