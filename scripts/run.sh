#!/usr/bin/env bash
# Installs what is needed, builds Scriblane for Linux and writes
# "Hello from Scriblane" on the current X display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DSCRIBLANE_TESTS=OFF >/dev/null
cmake --build build --target scriblane
exec build/scriblane "Hello from Scriblane"
