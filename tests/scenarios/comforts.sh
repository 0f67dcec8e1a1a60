#!/usr/bin/env bash
# The comforts played headless through scripted input, on a game of three pages and a choice:
# a first reading records what was shown; read skipping runs through it and stops at the first new
# line; skipping all with Tab stops at the choice; auto mode waits by the page's length; the F1
# menu writes the settings file and the next run plays by it; the text hook hears every page.
# The backlog's screenshot shows the first page's two lines over the picture, not the second page
# now in the window.
# Usage: comforts.sh ADVPLAY GAME_DIR PNG_PROBE
set -eu
advplay=$1 game=$2 probe=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
cp -r "$game" "$work/game"
cd "$work"

# run NAME [ARGS...]: plays the game with the input file NAME.txt; the text hook goes to NAME.hook
# and the trace to NAME.trace.
run() {
  local name=$1
  shift
  "$advplay" --headless --trace --text-hook "$name.hook" --input "$name.txt" "$@" game 2>"$name.trace" || true
}
fail() {
  echo "$1"
  shift
  for file in "$@"; do
    echo "--- $file"
    cat "$file"
  done
  exit 1
}

# The first reading: two pages shown and clicked through.
cat > first.txt <<'INPUT'
wait TextClickWait
after 10 click left 5 5
wait ShowText
wait TextClearWait
after 10 click left 5 5
wait ShowText
wait TextClearWait
after 10 close
INPUT
run first
printf 'start:4\nstart:5\nstart:6\n' | diff -u - data/advplay/game/read.txt || fail "the record of read lines" first.trace
printf '一ページめの一行め\n\n一ページめの二行め\n\n二ページめ\n\n' | diff -u - first.hook || fail "the text hook" first.trace

# The backlog at the second page: the wheel turns back to the first, whose two lines (32 pixels
# each from y 300) are white over the black picture. The second page stands on the second line only
# (the line feed after the clearing wait begins it there), and the backlog shows it there too.
cat > backlog.txt <<INPUT
wait TextClickWait
after 10 click left 5 5
wait ShowText
wait TextClearWait
after 10 click left 5 5
wait ShowText
wait TextClearWait
after 10 shot $work/page.png
after 10 wheel up
after 10 shot $work/newest.png
after 10 wheel up
after 10 shot $work/oldest.png
after 10 close
INPUT
run backlog
first_line() { "$probe" --count "$1" 20 300 620 332 FFFFFF; }
second_line() { "$probe" --count "$1" 20 332 620 364 FFFFFF; }
[ "$(first_line page.png)" -eq 0 ] || fail "the second page has a first line"
[ "$(first_line newest.png)" -eq 0 ] || fail "the backlog's newest page is not the second page"
[ "$(second_line newest.png)" -gt 100 ] || fail "the backlog's newest page lacks its line"
[ "$(first_line oldest.png)" -gt 100 ] || fail "the backlog's first page lacks its first line"
[ "$(second_line oldest.png)" -gt 100 ] || fail "the backlog's first page lacks its second line"
cmp -s page.png newest.png && fail "the backlog did not open"

# Ctrl held: the three lines already read go by at once; the fourth is new and types out, so 300 ms
# later it has not reached its wait (the hook has not heard it).
printf 'at 0 key ctrl down\n' > ctrl.txt
run ctrl --max-time 300
grep -q '^0 start:7 ShowText' ctrl.trace || fail "read skipping did not reach the new line at once" ctrl.trace
printf '一ページめの一行め\n\n一ページめの二行め\n\n二ページめ\n\n' | diff -u - ctrl.hook || fail "read skipping skipped the new line" ctrl.trace

# Tab with --skip all: everything up to the choice, which waits for the player.
printf 'at 0 key tab\n' > tab.txt
run tab --skip all
grep -q '^0 start:10 ChoiceWait' tab.trace || fail "skipping all did not reach the choice at once" tab.trace
grep -q 'ChoiceWait at start:10' tab.trace || fail "skipping went past the choice" tab.trace

# Auto: each wait ends 1000 ms + 100 ms a character after the page is shown (nine characters take
# 900 ms to type, so the second line starts at 900 + 1900 ms).
rm -rf data
printf 'at 0 key a\n' > auto.txt
run auto --auto-delay 1000 --auto-char-delay 100
grep -q '^2800 start:5 ShowText' auto.trace || fail "auto mode's first wait" auto.trace
grep -q '^7600 start:7 ShowText' auto.trace || fail "auto mode's later waits" auto.trace

# The menu: text speed up three steps (to 300 %), closed; the settings file has the game's section.
cat > menu.txt <<'INPUT'
at 0 key f1
after 10 key right
after 10 key right
after 10 key right
after 10 key f1
after 10 close
INPUT
run menu
grep -qx '\[game game\]' config/advplay/settings.ini || fail "no section for the game" config/advplay/settings.ini
grep -qx 'text_speed = 300' config/advplay/settings.ini || fail "the menu's text speed" config/advplay/settings.ini
# Read back: at three times the speed the first line has reached its wait within 400 ms.
printf '' > fast.txt
run fast --max-time 400
printf '一ページめの一行め\n\n' | diff -u - fast.hook || fail "the stored text speed was not used" fast.trace
# And the command line comes before the file.
printf "" > slow.txt
run slow --max-time 400 --text-speed 100
test ! -s slow.hook || fail "--text-speed did not override the file" slow.hook
echo "comforts: backlog pages, read record, read and all skipping, auto delays, the menu's settings and the text hook"
