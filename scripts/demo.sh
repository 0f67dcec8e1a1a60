#!/usr/bin/env bash
# Installs what advplay needs, builds it, and plays the demo game (games/demo) in its window.
# Without a display (a server, a container) the demo runs headless and shows every line it runs.
# Safe to run again: installed packages are skipped and the build is incremental.
set -euo pipefail
cd "$(dirname "$0")/.."

echo "== advplay demo: installing dependencies"
./scripts/install-deps.sh
echo "== advplay demo: configuring build/release"
cmake --preset release
echo "== advplay demo: building"
cmake --build --preset release -j "$(nproc)"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "== advplay demo: playing games/demo in a window (Escape closes it)"
  exec ./build/release/src/advplay games/demo
fi
echo "== advplay demo: no display here; playing games/demo headless, with a trace of every line"
exec ./build/release/src/advplay --headless --trace --input tests/scenarios/demo_game/input.txt games/demo
