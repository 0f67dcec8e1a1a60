#!/usr/bin/env bash
# A headless run that waits for a click, a choice or a repeating movie, with no scripted input left
# that could end the wait, ends at once with exit status 3 and says where it waits, instead of
# waiting for ever. Usage: stall.sh ADVPLAY GAME_DIR MOVIE
set -u
advplay=$1 game=$2 movie=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$game" "$work/game"
cp "$movie" "$work/game/data/movie.avi"
failed=0

# run NAME EXPECTED_STATUS EXPECTED_LAST_LINE [INPUT_LINES]: the run's exit status and the last line
# it wrote to stderr.
run() {
  local name=$1 status=$2 last=$3 input=${4-}
  local args=()
  if [ -n "$input" ]; then
    printf '%b' "$input" > "$work/$name.input"
    args=(--input "$work/$name.input")
  fi
  timeout 30 "$advplay" --headless "${args[@]}" "$work/game" 2>"$work/$name.stderr" >/dev/null
  local got=$?
  if [ "$got" -ne "$status" ]; then
    echo "$name: exit status $got, expected $status"
    failed=1
  fi
  if [ "$(tail -n 1 "$work/$name.stderr")" != "$last" ]; then
    echo "$name: stderr ends with:"
    tail -n 3 "$work/$name.stderr"
    echo "expected: $last"
    failed=1
  fi
}

run no_input 3 "advplay: waiting for input, and a headless run without --input gets none: ClickWait at start:4"
run after_click 3 "advplay: waiting for input that the --input file does not give: ChoiceWait at start:7" \
  "wait ClickWait\nafter 10 click left 5 5\n"
# The next step waits for a state the game is not in and cannot reach by itself.
run wrong_wait 3 "advplay: waiting for input that the --input file does not give: ClickWait at start:4" \
  "wait ChoiceWait\nafter 10 move 60 315\nafter 10 click left 60 315\n"
# A step still to come at a later time keeps the run going until it comes.
run later_step 3 "advplay: waiting for input that the --input file does not give: ChoiceWait at start:7" \
  "at 5000 click left 5 5\n"
run repeating_movie 3 "advplay: waiting for input that the --input file does not give: MoviePlaying at start:10" \
  "wait ClickWait\nafter 10 click left 5 5\nwait ChoiceWait\nafter 10 move 60 315\nafter 10 click left 60 315\n"
run to_the_end 0 "" \
  "wait ClickWait\nafter 10 click left 5 5\nwait ChoiceWait\nafter 10 move 60 315\nafter 10 click left 60 315\nwait MoviePlaying\nafter 500 click left 5 5\n"

# The headless backend named with --backend is the same run as --headless; a name that no backend
# of this build has is refused, with the names it has.
timeout 30 "$advplay" --backend headless "$work/game" 2>"$work/by_name.stderr" >/dev/null
got=$?
if [ "$got" -ne 3 ] || [ "$(tail -n 1 "$work/by_name.stderr")" != \
  "advplay: waiting for input, and a headless run without --input gets none: ClickWait at start:4" ]; then
  echo "by_name: exit status $got, stderr:"; cat "$work/by_name.stderr"; failed=1
fi
timeout 30 "$advplay" --backend nosuch "$work/game" 2>"$work/unknown.stderr" >/dev/null
got=$?
if [ "$got" -ne 1 ] || ! grep -q '^advplay: no backend called "nosuch"; this advplay has: headless' "$work/unknown.stderr"; then
  echo "unknown: exit status $got, stderr:"; cat "$work/unknown.stderr"; failed=1
fi
[ "$failed" -eq 0 ] && echo "stall: every wait that no input can end was reported at once"
exit $failed
