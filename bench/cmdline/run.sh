#!/usr/bin/env bash
# Times `scriblane Hello` (command-line mode) against the floor: a minimal
# Xlib + Xft program that draws one string on the root window. Both run on
# one private Xvfb; the medians and their ratio are printed.
#
# Usage: bench/cmdline/run.sh [PATH_TO_SCRIBLANE] [RUNS]
# Default program: build/scriblane under the repository.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
program="${1:-$repo/build/scriblane}"
runs="${2:-30}"
[ -x "$program" ] || { echo "run.sh: no program at $program (build it first)" >&2; exit 1; }
(( runs >= 10 )) || { echo "run.sh: at least 10 runs" >&2; exit 1; }

work="$(mktemp -d /tmp/scriblane-bench-XXXXXX)"
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

cc -O2 -o "$work/floor" "$here/floor.c" $(pkg-config --cflags --libs xft x11)

# A free display number; -noreset so each client's exit does not reset it.
for n in $(seq 200 399); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset +extension RANDR >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && DISPLAY="$display" xdpyinfo >/dev/null 2>&1 && break
  sleep 0.05
done

export DISPLAY="$display" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
unset XDG_RUNTIME_DIR

# Both must work before they are timed.
"$work/floor" Hello
"$program" Hello

median() {  # median wall time in ms of a hyperfine JSON export, or of a list
  python3 -c 'import json,statistics,sys; print("%.2f" % (1000*statistics.median(json.load(open(sys.argv[1]))["results"][0]["times"])))' "$1"
}

if command -v hyperfine >/dev/null; then
  hyperfine -N --warmup 5 --runs "$runs" --export-json "$work/floor.json" "$work/floor Hello" >/dev/null
  hyperfine -N --warmup 5 --runs "$runs" --export-json "$work/scriblane.json" "$program Hello" >/dev/null
  floor_ms="$(median "$work/floor.json")"
  scriblane_ms="$(median "$work/scriblane.json")"
else
  loop() {  # prints the median of $runs wall times in ms
    python3 - "$runs" "$@" <<'PY'
import statistics, subprocess, sys, time
runs, cmd = int(sys.argv[1]), sys.argv[2:]
for _ in range(5):
    subprocess.run(cmd, check=True)
times = []
for _ in range(runs):
    t = time.perf_counter(); subprocess.run(cmd, check=True); times.append(time.perf_counter() - t)
print("%.2f" % (1000 * statistics.median(times)))
PY
  }
  floor_ms="$(loop "$work/floor" Hello)"
  scriblane_ms="$(loop "$program" Hello)"
fi

ratio="$(python3 -c "import sys; print('%.2f' % (float(sys.argv[2]) / float(sys.argv[1])))" "$floor_ms" "$scriblane_ms")"
echo "floor (Xlib+Xft, one string):   median ${floor_ms} ms over ${runs} runs"
echo "scriblane Hello:                median ${scriblane_ms} ms over ${runs} runs"
echo "ratio scriblane/floor:          ${ratio} (target <= 2)"
