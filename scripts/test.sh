#!/usr/bin/env bash
# Installs what advplay needs, builds it with its tests (warnings are errors), and runs every test.
# Safe to run again: installed packages are skipped and the build is incremental.
set -euo pipefail
cd "$(dirname "$0")/.."

echo "== advplay test: installing dependencies"
./scripts/install-deps.sh
echo "== advplay test: configuring build/test"
cmake --preset test
echo "== advplay test: building"
cmake --build --preset test -j "$(nproc)"
echo "== advplay test: running the tests"
ctest --preset test
