#!/usr/bin/env bash
# A player who uses no comfort gets exactly what the original gave: the demo played through twice,
# once with nothing of advplay's own, once with a settings file of every default (as the menu writes
# it), a record that has every line read and the text hook on. The traces, the screenshots at every
# wait and the game folders afterwards (saves, the exported pack) are the same byte for byte.
# Usage: idle_comforts.sh ADVPLAY GAME_DIR DEMO_INPUT
set -eu
advplay=$1 game=$2 input=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# play NAME: the demo with its input, a screenshot as each wait begins, into $work/NAME.
play() {
  local name=$1
  mkdir -p "$work/$name/shots"
  cp -r "$game" "$work/$name/game"
  awk -v dir="$work/$name/shots" '{ print } /^wait / { n++; printf "after 0 shot %s/%02d.png\n", dir, n }' \
    "$input" > "$work/$name/input.txt"
  "$advplay" --headless --trace --seed 7 --date "2026-12-08 09:30:00" --input "$work/$name/input.txt" \
    ${TEXT_HOOK:+--text-hook "$TEXT_HOOK"} --screenshot "$work/$name/shots/end.png" "$work/$name/game" \
    2>"$work/$name/trace"
}

XDG_CONFIG_HOME="$work/none/config" XDG_DATA_HOME="$work/none/data" play plain

# The menu opened and a setting stepped there and back writes every default for the game.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$work/menu"
cp -r "$game" "$work/menu/game"
printf 'at 0 key f1\nafter 10 key right\nafter 10 key left\nafter 10 key f1\nafter 10 close\n' > "$work/menu.txt"
"$advplay" --headless --input "$work/menu.txt" "$work/menu/game" 2>/dev/null
grep -q '^text_speed = 100$' "$work/config/advplay/settings.ini"
# A first reading records the lines; the second run has read them all.
XDG_CONFIG_HOME="$work/none/config" play reading
test -s "$work/data/advplay/game/read.txt"
TEXT_HOOK="$work/hook.txt" play idle
test -s "$work/hook.txt"

diff -u "$work/plain/trace" "$work/idle/trace"
shots=$(ls "$work/plain/shots" | wc -l)
[ "$shots" -gt 10 ]
for shot in "$work"/plain/shots/*.png; do
  cmp "$shot" "$work/idle/shots/${shot##*/}"
done
diff -r "$work/plain/game" "$work/idle/game"
echo "idle_comforts: the same trace, $shots screenshots and game folder with the comforts idle"
