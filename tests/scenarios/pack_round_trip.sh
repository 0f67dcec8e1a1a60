#!/usr/bin/env bash
# A pack made from a folder runs exactly as the folder does, and unpacking it gives scripts that pack
# to the same bytes again. Usage: pack_round_trip.sh ADVPLAY GAME_DIR
set -eu
advplay=$1 game=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$advplay" pack "$game/data" "$work/game.scn" 2>/dev/null
cp -r "$game" "$work/folder"
mkdir "$work/packed"
printf '[Scenario]\r\nPath=game.scn\r\n' > "$work/packed/game.ini"
cp "$work/game.scn" "$work/packed/game.scn"

"$advplay" --headless --trace "$work/folder" 2>"$work/folder.trace" || true
"$advplay" --headless --trace "$work/packed" 2>"$work/packed.trace" || true
diff -u "$work/folder.trace" "$work/packed.trace"

"$advplay" unpack "$work/game.scn" "$work/unpacked" 2>/dev/null
"$advplay" pack "$work/unpacked" "$work/again.scn" 2>/dev/null
cmp "$work/game.scn" "$work/again.scn"
echo "pack round trip: identical runs and identical packs"
