#!/usr/bin/env bash
# Runs a copy of a game headless with --trace and compares what it wrote to stderr, and its exit
# status, with the checked-in expectation. The copy keeps saves out of the source tree and makes
# every run start from the same files.
# Usage: run_scenario.sh ADVPLAY GAME_DIR EXPECTED_STDERR STATUS [ARGS...]
set -u
advplay=$1 game=$2 expected=$3 status=$4
shift 4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$game" "$work/game"
(cd "$work" && "$advplay" --headless --trace "$@" game 2>"$work/stderr" >/dev/null)
got=$?
failed=0
if [ "$got" -ne "$status" ]; then
  echo "exit status $got, expected $status"
  failed=1
fi
if ! diff -u "$expected" "$work/stderr"; then
  echo "stderr differs from $expected (the first differing line names the virtual time)"
  if [ "${UPDATE_GOLDEN:-0}" = 1 ]; then
    cp "$work/stderr" "$expected"
    echo "UPDATE_GOLDEN=1: wrote $expected; review the diff before committing"
  fi
  failed=1
fi
exit $failed
