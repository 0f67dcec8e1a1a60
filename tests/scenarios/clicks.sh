#!/usr/bin/env bash
# Scripted input reaches the game through the same handlers as a player's: a right click that is
# not armed for this state does nothing, a left click jump fires and records where it was clicked.
# The screenshot shows the background colour of the config script.
# Usage: clicks.sh ADVPLAY GAME_DIR PNG_PROBE
set -eu
advplay=$1 game=$2 probe=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$game" "$work/game"
"$advplay" --headless --input "$game/input.txt" --screenshot "$work/shot.png" "$work/game" 2>"$work/stderr"
(cd "$work/game/save" && "$advplay" savedump result.sav) > "$work/dump.txt"
diff -u - "$work/dump.txt" <<'DUMP'
result.sav: 3 integer and 0 string variables
int cx = 123
int cy = 45
int t = 500
DUMP
# #204060 keeps the top five bits of each channel, widened again: 21 42 63.
test "$("$probe" "$work/shot.png" 0 0 320 240 639 479 | sort -u)" = "214263"
test ! -s "$work/stderr"
echo "clicks: the left click jumped at (123, 45) at 500 ms; the screenshot shows the background"
