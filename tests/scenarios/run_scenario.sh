#!/usr/bin/env bash
# Runs a game headless with --trace and compares what it wrote to stderr, and its exit status, with
# the checked-in expectation. Usage: run_scenario.sh ADVPLAY GAME_DIR EXPECTED_STDERR STATUS [ARGS...]
set -u
advplay=$1 game=$2 expected=$3 status=$4
shift 4
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
"$advplay" --headless --trace "$@" "$game" 2>"$actual" >/dev/null
got=$?
failed=0
if [ "$got" -ne "$status" ]; then
  echo "exit status $got, expected $status"
  failed=1
fi
if ! diff -u "$expected" "$actual"; then
  echo "stderr differs from $expected (the first differing line names the virtual time)"
  failed=1
fi
exit $failed
