#!/usr/bin/env bash
# F9 writes what the window shows into $XDG_PICTURES_DIR/advplay (else ~/Pictures/advplay), named
# by the game and the time, a second one in the same second with "-2": the same picture as a
# scripted shot taken at that moment, and the game goes on as it would have.
# Usage: f9_screenshot.sh ADVPLAY GAME_DIR
set -eu
advplay=$1 game=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/input.txt" <<INPUT
wait TextClickWait
after 0 key f9
after 0 shot $work/ref.png
after 0 key f9
after 0 close
INPUT
cp -r "$game" "$work/game"
XDG_PICTURES_DIR="$work/pictures" "$advplay" --headless --date "2026-12-08 09:30:00" \
  --input "$work/input.txt" "$work/game" 2>"$work/stderr" || true
shots=("$work"/pictures/advplay/game-20261208-0930*.png)
if [ "${#shots[@]}" -ne 2 ] || [ ! -f "${shots[0]%-2.png}.png" ]; then
  echo "F9 twice did not give two pictures named by game and time:"
  ls -R "$work/pictures" || true
  cat "$work/stderr"
  exit 1
fi
cmp "${shots[0]}" "$work/ref.png"
cmp "${shots[1]}" "$work/ref.png"
if grep -q "cannot write" "$work/stderr"; then
  cat "$work/stderr"
  exit 1
fi

# Without XDG_PICTURES_DIR: the Pictures folder of the home.
rm -rf "$work/game"
cp -r "$game" "$work/game"
env -u XDG_PICTURES_DIR HOME="$work/home" "$advplay" --headless --date "2026-12-08 09:30:00" \
  --input "$work/input.txt" "$work/game" 2>/dev/null || true
test "$(ls "$work"/home/Pictures/advplay/game-20261208-0930*.png | wc -l)" -eq 2
echo "f9: two screenshots, the same as the scripted shot, in the pictures folder and in ~/Pictures"
