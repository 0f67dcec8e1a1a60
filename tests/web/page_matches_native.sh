#!/usr/bin/env bash
# The web build against the native one, on the demo and its scripted input, with a screenshot as
# each wait begins:
#   - the command-line program under node gives the same trace, screenshots and game folder as the
#     native headless run;
#   - the page, in headless Chromium with the web backend (the SDL window, the page's clock and
#     synthesiser), shows the same pictures at the same waits, and its music is not silent.
# Usage: page_matches_native.sh NATIVE_ADVPLAY WEB_DIR DEMO_DIR DEMO_INPUT NPM_MODULES
set -euo pipefail
native=$1 web=$2 demo=$3 input=$4 modules=$5
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill "$server"; rm -rf "$work"' EXIT
args=(--seed 7 --date "2026-12-08 09:30:00")

# shots DIR: the demo's input with a screenshot into DIR as each wait begins.
shots() {
  awk -v dir="$1" '{ print } /^wait / { n++; printf "after 0 shot %s/%02d.png\n", dir, n }' "$input"
}

mkdir -p "$work/native/shots" "$work/node/shots"
cp -r "$demo" "$work/native/game"
cp -r "$demo" "$work/node/game"
shots "$work/native/shots" > "$work/native/input.txt"
shots "$work/node/shots" > "$work/node/input.txt"
"$native" --headless --trace "${args[@]}" --input "$work/native/input.txt" "$work/native/game" \
  2> "$work/native/trace"
ADVPLAY_FONT_FILES="$web/node/fonts.txt" node --no-experimental-fetch "$web/node/advplay.js" --headless --trace \
  "${args[@]}" --input "$work/node/input.txt" "$work/node/game" 2> "$work/node/trace"
sed "s|$work/native/|$work/node/|g" "$work/native/trace" | diff -u - "$work/node/trace"
count=$(ls "$work/native/shots" | wc -l)
[ "$count" -gt 10 ]
for shot in "$work"/native/shots/*.png; do
  cmp "$shot" "$work/node/shots/${shot##*/}"
done
diff -r "$work/native/game" "$work/node/game"
echo "web: under node, the same trace, $count screenshots and game folder as the native run"

# The page, served from a copy of the build with the test's input beside it.
mkdir -p "$work/site"
cp -r "$web"/* "$work/site/"
shots /run > "$work/site/test-input.txt"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
(cd "$work/site" && exec python3 -m http.server "$port" --bind 127.0.0.1) >/dev/null 2>&1 &
server=$!
for _ in $(seq 50); do
  python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/')" 2>/dev/null && break
  sleep 0.1
done
query=$(python3 -c 'import json, sys, urllib.parse; print(urllib.parse.quote(json.dumps(sys.argv[1:])))' "${args[@]}")
result=$(NODE_PATH="$modules" node "$(dirname "$0")/run_page.cjs" \
  "http://127.0.0.1:$port/index.html?listen&input=test-input.txt&args=$query" "$work/page" /run)
echo "web: the page: $result"
for shot in "$work"/native/shots/*.png; do
  if ! cmp -s "$shot" "$work/page/${shot##*/}"; then
    echo "the page's screenshot ${shot##*/} differs from the native one"
    grep -v "ScriptProcessorNode\|GL Driver" "$work/page/console.txt" | tail -n 20
    exit 1
  fi
done
python3 - "$result" <<'CHECK'
import json, sys
result = json.loads(sys.argv[1])
if result["exit"] != 0:
    raise SystemExit(f"the page's game ended with status {result['exit']}")
if result["peak"] < 0.01:
    raise SystemExit(f"the page's music is silent (peak {result['peak']})")
CHECK
echo "web: the page shows the same $count screenshots as the native run, and its music sounds"
