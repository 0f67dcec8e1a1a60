#!/usr/bin/env bash
# The real window under Xvfb: at scale 1 and 2 the window shows the background colour, and a click
# synthesised with xdotool at a known spot of the window reaches the game in 640 x 480 client
# coordinates (read back from the save file the game writes).
# A second copy started meanwhile hands over to the first and ends by itself, saying so. Enter clicks
# where a synthesised pointer motion left the pointer. F4 goes full screen with no window manager.
# Usage: xvfb_click.sh ADVPLAY GAME_DIR XWD_PROBE
set -eu
advplay=$1 game=$2 probe=$3
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1600x1200x24" "$0" "$@"
fi
# In the sanitizer build, the libraries that SDL loads for the display (libX11's modules, libdbus for
# the screen saver) keep small buffers to the end, some of them in modules already unloaded and so
# beyond any suppression; their leaks are not ours. Memory errors are still caught, and the
# headless tests check our own code for leaks.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

# start_game SCALE: a fresh copy of the game in a window of that scale; sets pid and window.
start_game() {
  rm -rf "$work/game"
  cp -r "$game" "$work/game"
  SDL_AUDIODRIVER=dummy "$advplay" --scale "$1" "$work/game" 2>"$work/stderr" &
  pid=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name "advplay window test" | head -n 1)
  sleep 1
}

# expect_size W H WHAT: after WHAT, the window is W x H.
expect_size() {
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$window")"
  if [ "$WIDTH" -ne "$1" ] || [ "$HEIGHT" -ne "$2" ]; then
    echo "$3 left the window at ${WIDTH} x ${HEIGHT}, not $1 x $2"
    exit 1
  fi
}

# expect_click SCALE X Y WHAT: the game ends after WHAT and saved a click at client (X, Y).
expect_click() {
  if ! timeout 20 tail --pid="$pid" -f /dev/null; then
    echo "scale $1: the game did not end after $4"
    exit 1
  fi
  wait "$pid"
  (cd "$work/game/save" && "$advplay" savedump result.sav) > "$work/dump.txt"
  if ! grep -q "^int cx = $2$" "$work/dump.txt" || ! grep -q "^int cy = $3$" "$work/dump.txt"; then
    echo "scale $1: $4 clicked elsewhere than client ($2, $3):"
    cat "$work/dump.txt" "$work/stderr"
    exit 1
  fi
}

for scale in 1 2; do
  start_game "$scale"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  test "$WIDTH" -eq $((640 * scale)) && test "$HEIGHT" -eq $((480 * scale))

  xwd -root -silent > "$work/screen.xwd"
  # #204060 in RGB555, widened to 24 bits by the renderer: allow the low bits either way.
  for point in "$((X + 1)) $((Y + 1))" "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))" "$((X + WIDTH - 2)) $((Y + HEIGHT - 2))"; do
    colour=$("$probe" "$work/screen.xwd" $point)
    red=$((16#${colour:0:2})) green=$((16#${colour:2:2})) blue=$((16#${colour:4:2}))
    if [ $((red >> 3)) -ne 4 ] || [ $((green >> 3)) -ne 8 ] || [ $((blue >> 3)) -ne 12 ]; then
      echo "scale $scale: the window shows $colour at $point, not the background #204060"
      exit 1
    fi
  done

  if [ "$scale" -eq 1 ]; then
    if ! SDL_AUDIODRIVER=dummy timeout 20 "$advplay" "$work/game" 2>>"$work/stderr"; then
      echo "a second copy did not hand over to the first"
      exit 1
    fi
    kill -0 "$pid"
    if ! grep -qx 'advplay: this game is already running; its window was brought to the front' "$work/stderr"; then
      echo "the second copy did not say that it handed over to the first"
      exit 1
    fi
  fi

  xdotool mousemove --window "$window" $((123 * scale)) $((45 * scale)) click 1
  expect_click "$scale" 123 45 "the click"
  echo "scale $scale: background shown, click at client (123, 45)"

  # Enter clicks where the pointer is: the pointer moved by a synthesised motion, with no click,
  # is known in client coordinates.
  start_game "$scale"
  # F4 with no window manager (xvfb-run starts none): the window covers the screen, and F4 again
  # gives the window back at its size.
  xdotool key --window "$window" F4
  expect_size 1600 1200 "scale $scale: full screen without a window manager"
  xdotool key --window "$window" F4
  expect_size $((640 * scale)) $((480 * scale)) "scale $scale: leaving full screen"
  xdotool mousemove --window "$window" $((301 * scale)) $((207 * scale))
  sleep 0.5
  xdotool key --window "$window" Return
  expect_click "$scale" 301 207 "Enter"
  echo "scale $scale: Enter clicked at the pointer, client (301, 207)"
done
