#!/usr/bin/env bash
# Installs what is needed, builds Scriblane for Linux and writes
# "Hello from Scriblane" on the current display (X or Wayland). With no display (a fresh
# server, CI) it draws on a virtual screen of its own instead and keeps a
# screenshot of it in build/run-screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DSCRIBLANE_TESTS=OFF >/dev/null
cmake --build build
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/scriblane "Hello from Scriblane"
fi

shot=build/run-screenshot.png
fifo=$(mktemp -u /tmp/scriblane-run-XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -f "$fifo"' EXIT
# Xvfb writes its display number once it accepts clients.
read -r -t 30 number <"$fifo" || { echo "run: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number"
echo "run: no DISPLAY set; drawing on a virtual screen of our own ($DISPLAY, 1024 x 768)"
status=0
build/scriblane "Hello from Scriblane" || status=$?
xwd -root -silent | convert xwd:- "$shot"
echo "run: scriblane exited with status $status; screenshot in $shot"
exit "$status"
