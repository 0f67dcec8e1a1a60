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

for scale in 1 2; do
  rm -rf "$work/game"
  cp -r "$game" "$work/game"
  SDL_AUDIODRIVER=dummy "$advplay" --scale "$scale" "$work/game" 2>"$work/stderr" &
  pid=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name "advplay window test" | head -n 1)
  sleep 1
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
  if ! timeout 20 tail --pid="$pid" -f /dev/null; then
    echo "scale $scale: the game did not end after the click"
    exit 1
  fi
  wait "$pid"
  (cd "$work/game/save" && "$advplay" savedump result.sav) > "$work/dump.txt"
  if ! grep -q "^int cx = 123$" "$work/dump.txt" || ! grep -q "^int cy = 45$" "$work/dump.txt"; then
    echo "scale $scale: the click arrived elsewhere:"
    cat "$work/dump.txt" "$work/stderr"
    exit 1
  fi
  echo "scale $scale: background shown, click at client (123, 45)"

  # Enter clicks where the pointer is: the pointer moved by a synthesised motion, with no click,
  # is known in client coordinates.
  rm -rf "$work/game"
  cp -r "$game" "$work/game"
  SDL_AUDIODRIVER=dummy "$advplay" --scale "$scale" "$work/game" 2>"$work/stderr" &
  pid=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name "advplay window test" | head -n 1)
  sleep 1
  # F4 with no window manager (xvfb-run starts none): the window covers the screen, and F4 again
  # gives the window back at its size.
  xdotool key --window "$window" F4
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$window")"
  if [ "$WIDTH" -ne 1600 ] || [ "$HEIGHT" -ne 1200 ]; then
    echo "scale $scale: full screen without a window manager left the window at ${WIDTH} x ${HEIGHT}"
    exit 1
  fi
  xdotool key --window "$window" F4
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$window")"
  if [ "$WIDTH" -ne $((640 * scale)) ] || [ "$HEIGHT" -ne $((480 * scale)) ]; then
    echo "scale $scale: leaving full screen gave a window of ${WIDTH} x ${HEIGHT}"
    exit 1
  fi
  xdotool mousemove --window "$window" $((301 * scale)) $((207 * scale))
  sleep 0.5
  xdotool key --window "$window" Return
  if ! timeout 20 tail --pid="$pid" -f /dev/null; then
    echo "scale $scale: the game did not end after Enter"
    exit 1
  fi
  wait "$pid"
  (cd "$work/game/save" && "$advplay" savedump result.sav) > "$work/dump.txt"
  if ! grep -q "^int cx = 301$" "$work/dump.txt" || ! grep -q "^int cy = 207$" "$work/dump.txt"; then
    echo "scale $scale: Enter clicked elsewhere than the pointer:"
    cat "$work/dump.txt" "$work/stderr"
    exit 1
  fi
  echo "scale $scale: Enter clicked at the pointer, client (301, 207)"
done
