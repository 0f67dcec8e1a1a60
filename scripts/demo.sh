#!/usr/bin/env bash
# Installs what advplay needs, builds it, and plays the demo game (games/demo).
# Safe to run again: installed packages are skipped and the build is incremental.
set -euo pipefail
cd "$(dirname "$0")/.."

echo "== advplay demo: installing dependencies"
./scripts/install-deps.sh
echo "== advplay demo: configuring build/release"
cmake --preset release
echo "== advplay demo: building"
cmake --build --preset release -j "$(nproc)"
# Until the game window exists, the demo runs headless and shows every executed line.
echo "== advplay demo: playing games/demo (headless, with a trace of every line)"
./build/release/src/advplay --headless --trace games/demo
