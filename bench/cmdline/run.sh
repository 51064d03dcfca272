#!/usr/bin/env bash
# Times `scriblane Hello` (command-line mode) against the floor: a minimal
# Xlib + Xft program that draws one string on the root window. Both run on
# one private Xvfb; the medians and their ratio are printed. Then a line in
# several scripts (Latin, CJK, an emoji) against the same minimal program
# drawing that line (from its one face: boxes). Then `scriblane Hello` under
# a headless sway (run as the test user setup creates), where the program
# paints the drawing for sway's overlay layer and a fork of it keeps it: its
# median against plain X, with XWayland naming the output and with no
# DISPLAY at all, the three taken in turn.
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
sway_pid=""
sway_dir=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  if [ -n "$sway_pid" ]; then kill "$sway_pid" 2>/dev/null || true; wait "$sway_pid" 2>/dev/null || true; fi
  rm -rf "$work" ${sway_dir:+"$sway_dir"}
}
trap cleanup EXIT

. "$here/start_xvfb.sh"

# Both must work before they are timed.
"$work/floor" Hello
"$program" Hello
mixed="Hello 日本語 🙂"
"$work/floor" "$mixed"
"$program" "$mixed"

median() {  # median wall time in ms of a hyperfine JSON export (its Nth command, from 0)
  python3 -c 'import json,statistics,sys; print("%.2f" % (1000*statistics.median(json.load(open(sys.argv[1]))["results"][int(sys.argv[2])]["times"])))' "$1" "${2:-0}"
}

# A headless sway with XWayland, run as scriblane-test (sway refuses root);
# sets xwayland to its X display and wayland to its Wayland socket, or
# leaves them empty where it cannot run.
xwayland=""
wayland=""
start_sway() {
  command -v sway >/dev/null && [ "$(id -u)" -eq 0 ] && id -u scriblane-test >/dev/null 2>&1 || return 0
  # Its own runtime folder: the user cannot enter $work.
  local rt
  rt="$(mktemp -d /tmp/scriblane-bench-sway-XXXXXX)"
  sway_dir="$rt"
  chown scriblane-test "$rt" && chmod 700 "$rt"
  cat >"$rt/config" <<EOF
output HEADLESS-1 mode 1024x768
xwayland enable
exec sh -c 'xhost +si:localuser:root >/dev/null && env > $rt/session.new && mv $rt/session.new $rt/session'
EOF
  runuser -u scriblane-test -- env -i PATH="$PATH" HOME="$rt" XDG_RUNTIME_DIR="$rt" \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$rt/config" >"$work/sway.log" 2>&1 &
  sway_pid=$!
  for _ in $(seq 200); do [ -e "$rt/session" ] && break; sleep 0.05; done
  if [ -e "$rt/session" ]; then
    xwayland="$(sed -n 's/^DISPLAY=//p' "$rt/session")"
    wayland="$rt/$(sed -n 's/^WAYLAND_DISPLAY=//p' "$rt/session")"
  fi
}
if command -v hyperfine >/dev/null; then
  # Plain X first, before sway runs beside it on the same cores.
  hyperfine -N --warmup 5 --runs "$runs" --export-json "$work/hello.json" \
    "$work/floor Hello" "$program Hello" >/dev/null
  floor_ms="$(median "$work/hello.json" 0)"
  scriblane_ms="$(median "$work/hello.json" 1)"
  hyperfine -N --warmup 5 --runs "$runs" --export-json "$work/mixed.json" \
    "$work/floor '$mixed'" "$program '$mixed'" >/dev/null
  floor_mixed_ms="$(median "$work/mixed.json" 0)"
  mixed_ms="$(median "$work/mixed.json" 1)"
  start_sway
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
  floor_mixed_ms="$(loop "$work/floor" "$mixed")"
  mixed_ms="$(loop "$program" "$mixed")"
  start_sway
fi
if [ -n "$xwayland" ]; then
  # Plain X, sway with XWayland naming the output, and sway alone, taken in
  # turn drawing after drawing (the machine's drift moves all three alike),
  # each given a moment for the compositor's repaint on the same cores.
  DISPLAY="$xwayland" WAYLAND_DISPLAY="$wayland" "$program" Hello
  read -r plain_pair_ms xwayland_ms native_ms < <(python3 - "$runs" "$program" "$display" \
      "$xwayland" "$wayland" <<'PY'
import os, statistics, subprocess, sys, time
runs, program, display, xwayland, wayland = int(sys.argv[1]), *sys.argv[2:]
plain = {k: v for k, v in os.environ.items() if k != "WAYLAND_DISPLAY"} | {"DISPLAY": display}
both = dict(os.environ, DISPLAY=xwayland, WAYLAND_DISPLAY=wayland)
alone = {k: v for k, v in os.environ.items() if k != "DISPLAY"} | {"WAYLAND_DISPLAY": wayland}
envs = (plain, both, alone)
times = [[] for _ in envs]
for i in range(runs + 3):
    for env, kept in zip(envs, times):
        time.sleep(0.2)
        t = time.perf_counter()
        subprocess.run([program, "Hello"], env=env, check=True)
        if i >= 3:  # the first three warm the caches
            kept.append(time.perf_counter() - t)
print(" ".join("%.2f" % (1000 * statistics.median(t)) for t in times))
PY
  )
fi

ratio="$(python3 -c "import sys; print('%.2f' % (float(sys.argv[2]) / float(sys.argv[1])))" "$floor_ms" "$scriblane_ms")"
echo "floor (Xlib+Xft, one string):   median ${floor_ms} ms over ${runs} runs"
echo "scriblane Hello:                median ${scriblane_ms} ms over ${runs} runs"
echo "ratio scriblane/floor:          ${ratio} (target <= 1.3)"
mratio="$(python3 -c "import sys; print('%.2f' % (float(sys.argv[2]) / float(sys.argv[1])))" "$floor_mixed_ms" "$mixed_ms")"
echo "floor, \"$mixed\" (boxes):   median ${floor_mixed_ms} ms over ${runs} runs"
echo "scriblane \"$mixed\":         median ${mixed_ms} ms over ${runs} runs"
echo "ratio, that line:               ${mratio}"
if [ -n "${xwayland_ms:-}" ]; then
  xratio="$(python3 -c "import sys; print('%.2f' % (float(sys.argv[2]) / float(sys.argv[1])))" "$plain_pair_ms" "$xwayland_ms")"
  echo "in turn, plain X:               median ${plain_pair_ms} ms over ${runs} runs"
  nratio="$(python3 -c "import sys; print('%.2f' % (float(sys.argv[2]) / float(sys.argv[1])))" "$plain_pair_ms" "$native_ms")"
  echo "in turn, sway, XWayland too:    median ${xwayland_ms} ms over ${runs} runs"
  echo "in turn, sway, no DISPLAY:      median ${native_ms} ms over ${runs} runs"
  echo "ratio sway/plain X:             ${xratio} and ${nratio} (target <= 2)"
else
  echo "scriblane Hello on sway:        not measured (needs root, sway and the scriblane-test user)"
fi
