#!/usr/bin/env bash
# A game folder beside a folder of the player's files ("outside", with a save, a picture, a sound, a
# song and a cursor, also reached through links inside the game) runs a script that names them in
# every way it can: nothing outside changes, each command fails as for a missing file, --debug names
# each refused path, and the same commands with names inside the game still work. Then an ini file
# whose save folder lies outside: refused with a line on stderr, and used with --allow-outside-paths.
# Usage: escape.sh ADVPLAY GAME_DIR DEMO_DATA_DIR
set -eu
advplay=$1 game=$2 demo=$3
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
mkdir "$work/top"
cp -r "$game" "$work/top/game"
outside=$work/top/outside
mkdir "$outside"
cp "$demo/pictures/chara.bmp" "$outside/pic.bmp"
cp "$demo/pictures/chara.bmp" "$work/top/game/data/bg.bmp"
cp "$demo/se/chime.wav" "$outside/sound.wav"
cp "$demo/music/theme.mid" "$outside/song.mid"
printf 'not a cursor' > "$outside/arrow.cur"
"$advplay" --headless --ini maker.ini "$work/top/game" 2>/dev/null
mv "$work/top/game/save/secret.sav" "$outside/secret.sav"
ln -s "$outside" "$work/top/game/linked"
ln -s "$outside/pic.bmp" "$work/top/game/data/alias.bmp"
snapshot() { (cd "$outside" && find . -printf '%p %s %T@\n' | sort && sha256sum ./*); }
before=$(snapshot)

"$advplay" --headless --trace --debug --ini game.ini "$work/top/game" 2>"$work/stderr" >/dev/null || { echo "exit status $?"; cat "$work/stderr"; exit 1; }
failed=0
expect() { # count pattern
  local got
  got=$(grep -c -- "$2" "$work/stderr" || true)
  if [ "$got" -ne "$1" ]; then
    echo "expected $1 lines with \"$2\" on stderr, found $got"
    failed=1
  fi
}
expect 5 'セーブに失敗しました'
expect 3 'コピー元のファイルを開けません'
expect 1 'カーソルファイルが読み込めませんでした'
expect 0 'ロードに失敗しました'
# n is 1 after the loads from outside (whose save holds 99), and 1 again after the load from inside.
for save in after_escape after_inside; do
  "$advplay" savedump "$work/top/game/save/$save.sav" | grep -qx 'int n = 1' || { echo "n is not 1 in $save.sav"; failed=1; }
done
for refused in 'outside\\escaped.sav' 'outside/note.txt' 'OUTSIDE\\Secret.sav' 'linked\\secret.sav' \
    'outside\\pic.bmp' 'linked\\pic.bmp' 'alias.bmp' 'outside\\sound.wav' 'outside\\song.mid' \
    'outside\\arrow.cur' 'linked\\made.sav'; do
  expect 1 "refused a path that leads out of the game folder: .*$refused\$"
done
[ -e "$work/top/game/save/inside.sav" ] && [ -e "$work/top/game/save/again.sav" ] || { echo "the saves inside were not written"; failed=1; }

"$advplay" --headless --ini outside.ini "$work/top/game" 2>"$work/stderr" >/dev/null
expect 1 'the ini file.s \[Save\] Path "..\\outside" leads out of the game folder and is not used'
expect 9 'セーブに失敗しました'
after=$(snapshot)
if [ "$before" != "$after" ]; then
  echo "files outside the game folder changed:"
  diff <(echo "$before") <(echo "$after") || true
  failed=1
fi

"$advplay" --headless --ini outside.ini --allow-outside-paths "$work/top/game" 2>"$work/stderr" >/dev/null
[ -e "$outside/inside.sav" ] || { echo "--allow-outside-paths did not let the save folder lie outside"; failed=1; }
expect 0 'leads out of the game folder'
[ "$failed" -eq 0 ] && echo "escape: nothing outside the game folder changed"
exit $failed
