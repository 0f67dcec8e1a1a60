#!/usr/bin/env bash
# What a game waiting for the player costs in a real window, and whether presenting stretches game
# time, under Xvfb with SDL's software renderer (the slowest way a picture reaches a window).
#
# 1. CPU: a game waits 10 s in a click wait, a blinking-mark wait and a choice wait, at scales 1 and 2.
#    The figure is the share of one core the process used in that time (goal: under 1 %).
# 2. Game time: the demo's opening transitions at --scale 2 against the same lines headless (goal:
#    within 2 %), both read off --trace.
#
# Usage: bench/window_rest.sh ADVPLAY [SECONDS]   (needs xvfb-run and xdotool)
set -eu
advplay=$(realpath "$1")
seconds=${2:-10}
here=$(cd "$(dirname "$0")" && pwd)
demo="$here/../games/demo"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
fi
export SDL_RENDER_DRIVER=software SDL_AUDIODRIVER=dummy
work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

# make_game NAME: a game showing a line of text, then waiting as the lines on stdin say.
make_game() {
  mkdir -p "$work/$1/data"
  cp -r "$demo/data/pictures" "$work/$1/data/"
  printf '[Scenario]\nPath=data\n[Data]\nPath=data\n' > "$work/$1/game.ini"
  printf '.cap "advplay rest bench"\n.bgc #102040\n' | iconv -f utf-8 -t shift_jis > "$work/$1/data/config.txt"
  iconv -f utf-8 -t shift_jis > "$work/$1/data/start.txt"
}

make_game click <<'EOF'
.pic screen pictures¥room.png
.txt space pos 40 335
.txt space size 560 560 140
.tsw
クリックを待っています。¥c
.end
EOF
make_game blink <<'EOF'
.pic screen pictures¥room.png
.txt space pos 40 335
.txt space size 560 560 140
.mst pictures¥mark0 pictures¥mark1 2 4 2 400
.tsw
印が点滅しています。¥c
.end
EOF
make_game choice <<'EOF'
.pic screen pictures¥room.png
.txt space pos 40 335
.txt space size 560 560 140
.tsw
どちらへ行きますか。
.slt add 空を見上げる :a
.slt add 部屋に入る :a
.slt exec
:a
.end
EOF

# cpu_ns PID: the time its threads have run so far, in nanoseconds (the scheduler's own count, finer
# than the clock ticks of /proc/PID/stat).
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ sum += $1 } END { printf "%d", sum }'; }

echo "CPU while waiting, share of one core over ${seconds} s (software renderer):"
for scale in 1 2; do
  for wait in click blink choice; do
    "$advplay" --scale "$scale" "$work/$wait" 2>/dev/null &
    pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name "advplay rest bench" | head -n 1)
    # The pointer rests over the window, as a player's hand on the mouse would leave it.
    xdotool mousemove --window "$window" 300 200
    sleep 2
    before=$(cpu_ns "$pid")
    sleep "$seconds"
    after=$(cpu_ns "$pid")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    awk -v t=$((after - before)) -v s="$seconds" -v w="$wait" -v k="$scale" \
      'BEGIN { printf "  scale %d  %-6s  %5.2f %%\n", k, w, 100 * t / 1e9 / s }'
  done
done

# The demo's lines from its first picture to the message window, their span in game time.
span() {
  awk '/sky.png 1 20$/ && first == "" { first = $1 } / \.tsw$/ && first != "" { print $1 - first; exit }'
}
cp -r "$demo" "$work/demo"
headless=$("$advplay" --headless --trace --max-time 20000 "$work/demo" 2>&1 >/dev/null | span)
cp -r "$demo" "$work/demo2"
"$advplay" --scale 2 --trace --max-time 20000 "$work/demo2" 2>"$work/trace" >/dev/null || true
window=$(span <"$work/trace")
awk -v h="$headless" -v w="$window" \
  'BEGIN { printf "Opening transitions: headless %d ms, window at scale 2 %d ms, ratio %.3f\n", h, w, w / h }'
