#!/usr/bin/env bash
# Installs what is needed, builds both targets (Linux and the 32-bit Windows
# program) and runs every test. The tests start their own X servers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DSCRIBLANE_TESTS=ON >/dev/null
cmake --build build
scripts/build-win32.sh
ctest --test-dir build --output-on-failure --timeout 600 "$@"
