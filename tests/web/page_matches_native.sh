#!/usr/bin/env bash
# The web build against the native one, on the demo and its scripted input, with a screenshot as
# each wait begins:
#   - the command-line program under node gives the same trace, screenshots and game folder as the
#     native headless run;
#     (and a frame of the movie, which only the virtual clock can time to the frame);
#   - the page, in headless Chromium with the web backend (the SDL window, the page's clock and
#     synthesiser), shows the same pictures at the same waits, and its music is not silent;
#   - the page plays the demo dropped on it as a zip, keeps its saves and plays on from them the next
#     time as the native build does, and gives them out and back as a zip (page_keeps_files.cjs).
# Usage: page_matches_native.sh NATIVE_ADVPLAY WEB_DIR DEMO_DIR DEMO_INPUT NPM_MODULES
set -euo pipefail
native=$1 web=$2 demo=$3 input=$4 modules=$5
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill "$server"; rm -rf "$work"' EXIT
args=(--seed 7 --date "2026-12-08 09:30:00")
# The runs keep their settings and records of read text to themselves.
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data

# shots DIR [movie]: the demo's input with a screenshot into DIR as each wait begins, and with
# "movie", one 400 ms into the movie.
shots() {
  awk -v dir="$1" -v movie="${2:-}" '
    /^wait ClickWait$/ && movie { print "wait MoviePlaying"; printf "after 400 shot %s/movie.png\n", dir }
    { print }
    /^wait / { n++; printf "after 0 shot %s/%02d.png\n", dir, n }' "$input"
}

mkdir -p "$work/native/shots" "$work/native/shots2" "$work/node/shots"
cp -r "$demo" "$work/native/game"
cp -r "$demo" "$work/node/game"
shots "$work/native/shots" movie > "$work/native/input.txt"
shots "$work/node/shots" movie > "$work/node/input.txt"
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
# The movie's frame is a picture of its own, none of those at the waits.
for shot in "$work"/native/shots/[0-9]*.png; do
  if cmp -s "$work/native/shots/movie.png" "$shot"; then
    echo "the screenshot in the movie shows no movie (it is ${shot##*/})"
    exit 1
  fi
done
diff -r "$work/native/game" "$work/node/game"
echo "web: under node, the same trace, $count screenshots (one in the movie) and game folder as the native run"
# A movie in a codec the page's FFmpeg leaves out (FFV1) is skipped with the engine's own message in
# its internal-error log (on stderr with --debug), and the game plays on to its end.
cp -r "$demo" "$work/no_codec"
ffmpeg -loglevel error -f lavfi -i testsrc=size=160x120:rate=15 -t 1 -c:v ffv1 -y "$work/no_codec/data/movie/intro.avi"
ADVPLAY_FONT_FILES="$web/node/fonts.txt" node --no-experimental-fetch "$web/node/advplay.js" --headless \
  --debug "${args[@]}" --input "$input" "$work/no_codec" 2> "$work/no_codec.stderr"
grep -q "CAVIOutput::AVIデバイスがオープンできない。" "$work/no_codec.stderr" \
  || { echo "no message for a movie whose codec is missing:"; cat "$work/no_codec.stderr"; exit 1; }
echo "web: a movie whose codec the page lacks is skipped with its message"
# The native run's second visit, from the first one's saves: what the page's second run must match.
shots "$work/native/shots2" > "$work/native/input2.txt"
"$native" --headless "${args[@]}" --input "$work/native/input2.txt" "$work/native/game" 2>/dev/null
rm "$work/native/shots/movie.png"
# The second visit shows what the first one saved (its count of visits), so a page that forgot the
# saves could not pass for one that kept them.
if diff -rq "$work/native/shots" "$work/native/shots2" >/dev/null; then
  echo "the native second run looks like the first: the test cannot tell kept saves from lost ones"
  exit 1
fi
count=$((count - 1))

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

# The demo as a player's zip of it: its folder named デモ and every name in capitals, in Shift-JIS
# without the zip's UTF-8 flag, as Japanese Windows writes them.
python3 - "$demo" "$work/game.zip" <<'ZIP'
import os, sys, zipfile
class ShiftJisName(zipfile.ZipInfo):
    def _encodeFilenameFlags(self):
        return self.filename.encode("cp932"), self.flag_bits & ~0x800
demo, target = sys.argv[1:]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as archive:
    for folder, _, names in os.walk(demo):
        for name in sorted(names):
            path = os.path.join(folder, name)
            info = ShiftJisName("デモ/" + os.path.relpath(path, demo).upper(), (2026, 12, 8, 9, 30, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as source:
                archive.writestr(info, source.read())
ZIP
cp -r "$demo" "$work/フォルダ"
NODE_PATH="$modules" node "$here/page_keeps_files.cjs" "http://127.0.0.1:$port" "$work/game.zip" "$work/フォルダ" "$work/kept" \
  "$(python3 -c 'import json, sys; print(json.dumps(sys.argv[1:]))' "${args[@]}")"
for run in 1 2; do
  from=$work/native/shots
  [ $run = 2 ] && from=$work/native/shots2
  for shot in "$from"/*.png; do
    cmp "$shot" "$work/kept/run$run/${shot##*/}" || { echo "the zip's run $run differs at ${shot##*/}"; exit 1; }
  done
done
diff -r "$work/native/game/save" "$work/kept/run2/save"
diff -r "$work/native/game/save" "$work/kept/run2/kept/save"
diff -r "$work/native/game/save" "$work/kept/restored/save"
echo "web: the zip's two runs show the native runs' $count screenshots each, from the same saves"
