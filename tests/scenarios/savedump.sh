#!/usr/bin/env bash
# A game saves twice across two runs (the second run loads the first save); savedump shows what the
# file holds, and reports a damaged file. Usage: savedump.sh ADVPLAY GAME_DIR
set -eu
advplay=$1 game=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$game" "$work/game"
"$advplay" --headless "$work/game" 2>/dev/null
"$advplay" --headless "$work/game" 2>/dev/null
(cd "$work/game/save" && "$advplay" savedump slot1.sav) > "$work/dump.txt"
diff -u - "$work/dump.txt" <<'DUMP'
slot1.sav: 3 integer and 1 string variables
int round0 = 40
int round1 = 0
int score = 20
str hero = "勇者 一郎"
DUMP
head -c 20 "$work/game/save/slot1.sav" > "$work/cut.sav"
if "$advplay" savedump "$work/cut.sav" 2>"$work/error.txt"; then
  echo "a damaged save was accepted"
  exit 1
fi
grep -q "damaged or not a save file" "$work/error.txt"
echo "savedump: contents shown, damage reported"
