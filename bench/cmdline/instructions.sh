#!/usr/bin/env bash
# Counts, under callgrind, the instructions `scriblane Hello` and `scriblane`
# with a line in several scripts run, against the minimal Xlib+Xft program
# (floor.c) drawing "Hello", all on one private Xvfb; prints the three
# counts and their ratios. Instruction counts do not move with other load on
# the machine, unlike wall time.
#
# Usage: bench/cmdline/instructions.sh [PATH_TO_SCRIBLANE]
# Default program: build/scriblane under the repository.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
program="${1:-$repo/build/scriblane}"
[ -x "$program" ] || { echo "instructions.sh: no program at $program (build it first)" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "instructions.sh: valgrind is needed" >&2; exit 1; }

work="$(mktemp -d /tmp/scriblane-instr-XXXXXX)"
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

. "$here/start_xvfb.sh"
unset WAYLAND_DISPLAY

mixed="Hello 日本語 ✓ مرحبا שלום 🙂"
# Each once outside callgrind first, so fontconfig's caches are warm for all.
"$work/floor" Hello
"$program" Hello
"$program" "$mixed"

# Without address-space randomisation where setarch can turn it off: hash
# tables keyed by addresses otherwise move the counts from run to run.
norandom=()
if setarch "$(uname -m)" -R true 2>/dev/null; then norandom=(setarch "$(uname -m)" -R); fi

count() {  # prints the instructions callgrind counted for the command given
  local out="$work/callgrind.out"
  "${norandom[@]}" valgrind --tool=callgrind --callgrind-out-file="$out" "$@" >/dev/null 2>&1
  sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$out"
  rm -f "$out"
}
floor="$(count "$work/floor" Hello)"
hello="$(count "$program" Hello)"
line="$(count "$program" "$mixed")"

python3 - "$floor" "$hello" "$line" "$mixed" <<'PY'
import sys
floor, hello, line = (int(v) for v in sys.argv[1:4])
mixed = sys.argv[4]
m = lambda v: "%6.2f million" % (v / 1e6)
print("floor (Xlib+Xft) Hello:      " + m(floor))
print("scriblane Hello:             " + m(hello) + "   %.3fx the floor" % (hello / floor))
print('scriblane "%s": ' % mixed + m(line) + "   %.3fx the floor drawing Hello" % (line / floor))
PY
