#!/usr/bin/env bash
# Screenshots of the demo game at chosen moments, checked at probe points against colours computed
# from the pictures' own formulas (tools/make_demo_pictures.py), in RGB555.
# Usage: demo_screens.sh ADVPLAY GAME_DIR PNG_PROBE DEMO_INPUT
set -eu
advplay=$1 game=$2 probe=$3 input=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# Runs the demo for MS of game time and writes what the window shows to $work/NAME.png.
shot() {
  rm -rf "$work/game"
  cp -r "$game" "$work/game"
  "$advplay" --headless --seed 7 --max-time "$2" --screenshot "$work/$1.png" ${3:+--input "$3"} "$work/game" \
    2>"$work/stderr" || [ $? -eq 3 ]
}

# expect NAME X Y RRGGBB: the pixel's top five bits a channel are those of RRGGBB.
expect() {
  local got
  got=$("$probe" "$work/$1.png" "$2" "$3")
  if [ $(( (16#${got:0:2} >> 3) * 1024 + (16#${got:2:2} >> 3) * 32 + (16#${got:4:2} >> 3) )) -ne \
       $(( (16#${4:0:2} >> 3) * 1024 + (16#${4:2:2} >> 3) * 32 + (16#${4:4:2} >> 3) )) ]; then
    echo "$1 at ($2, $3): $got, expected $4 ($5)"
    failed=1
  fi
}

# 345 ms: the sky has come in by the blind, the sprite stands on it with its key colour left out,
# and the alpha PNG's opaque centre covers the sky.
shot pictures 345
expect pictures 10 10 2A5CC9 "sky, row 10"
expect pictures 242 202 5A90DD "sky through the sprite's key colour"
expect pictures 320 250 FADCBE "sprite's head, copied"
expect pictures 320 300 465FBE "sprite's body, copied"
expect pictures 500 140 FFF0A0 "the glow's opaque centre, method 6"

# 505 ms: the off-screen composition (room and sprite) has been brought in by transition 5.
shot offscreen 505
expect offscreen 10 10 B28059 "room, first tile"
expect offscreen 140 270 FADCBE "sprite's head on the room"

# In the choice: the choice under the cursor is drawn in the selected colour (white), the other
# one in the not-selected colour (grey), and neither in the other's.
sed -e 's|^after 300 move 120 375|after 300 move 120 375\nafter 100 shot '"$work"'/choice.png|' \
    -e '/^after 300 click left 120 375/,$d' "$input" > "$work/input.txt"
rm -rf "$work/game"
cp -r "$game" "$work/game"
"$advplay" --headless --seed 7 --max-time 60000 --input "$work/input.txt" "$work/game" 2>"$work/stderr" || true
read -r white grey <<<"$("$probe" --count "$work/choice.png" 40 363 300 391 FFFFFF 808080)"
if [ "$white" -lt 100 ] || [ "$grey" -ne 0 ]; then
  echo "the hovered choice has $white white and $grey grey pixels"
  failed=1
fi
read -r white grey <<<"$("$probe" --count "$work/choice.png" 40 391 300 419 FFFFFF 808080)"
if [ "$white" -ne 0 ] || [ "$grey" -lt 100 ]; then
  echo "the other choice has $white white and $grey grey pixels"
  failed=1
fi
exit $failed
