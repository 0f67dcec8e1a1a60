#!/usr/bin/env bash
# The gplp tool: a packed file unpacks to the same bytes, is smaller for text, is found under the
# name the engine looks for, and a damaged one is refused with a message.
# Usage: gplp_round_trip.sh ADVPLAY FILE
set -eu
advplay=$1 file=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$file" "$work/picture.bmp"
cd "$work"
"$advplay" gplp pack picture.bmp 2>/dev/null
test -s picture.dpa
test "$(stat -c %s picture.dpa)" -lt "$(stat -c %s picture.bmp)"
"$advplay" gplp unpack picture.dpa back.bmp 2>/dev/null
cmp picture.bmp back.bmp
head -c 100 picture.dpa > cut.dpa
if "$advplay" gplp unpack cut.dpa out.bmp 2>error.txt; then
  echo "a cut packed file was unpacked"
  exit 1
fi
grep -q "cannot read cut.dpa" error.txt
if "$advplay" gplp unpack picture.bmp out.bmp 2>error.txt; then
  echo "a plain file was unpacked"
  exit 1
fi
grep -q "not a packed data file" error.txt
echo "gplp: round trip exact, damage refused"
