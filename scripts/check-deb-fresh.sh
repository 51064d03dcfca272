#!/usr/bin/env bash
# Installs a built scriblane .deb on a fresh Debian 12 root with apt-get alone
# and checks that it works there with no build tool around:
#   - every program and module of the package finds all its libraries;
#   - `scriblane Hello` draws its band on an Xvfb screen;
#   - `scriblane` without an argument shows its window (Qt's X platform plugin
#     is in place).
# Xvfb, xwd, xwininfo and python3 (to read the screenshot) are installed after
# the package, as the test harness only. Run it as root on a machine you can
# spoil, e.g. through a throw-away root:
#   scripts/check-deb-fresh.sh /path/to/scriblane_1.0.0_amd64.deb
set -euo pipefail

deb=${1:?usage: check-deb-fresh.sh PATH/TO/scriblane_VERSION_ARCH.deb}
[ -f "$deb" ] || { echo "check-deb-fresh: no such file: $deb" >&2; exit 2; }
fail() { echo "check-deb-fresh: FAIL: $*" >&2; exit 1; }
export DEBIAN_FRONTEND=noninteractive

echo "== installing $(basename "$deb") with apt-get alone"
apt-get update -qq
# apt-get wants a path, not a bare file name, to take it as a package file.
case "$deb" in /*|./*) ;; *) deb=./$deb ;; esac
apt-get install -y -qq "$deb" >/dev/null
dpkg-query -W -f='installed: ${Package} ${Version}\nDepends: ${Depends}\n' scriblane

for tool in cc gcc g++ c++ cmake make ninja pkg-config; do
  if command -v "$tool" >/dev/null; then fail "a build tool is installed: $tool"; fi
done
echo "no build tool installed"

for f in /usr/bin/scriblane /usr/libexec/scriblane/scriblane-window \
         /usr/libexec/scriblane/scriblane-settings.so /usr/libexec/scriblane/scriblane-overlay \
         /usr/libexec/scriblane/scriblane-shaping.so /usr/libexec/scriblane/scriblane-native.so; do
  [ -e "$f" ] || fail "$f is missing"
  missing=$(ldd "$f" | grep 'not found' || true)
  [ -z "$missing" ] || fail "$f lacks libraries: $missing"
done
echo "every binary finds its libraries"

echo "== installing the harness: Xvfb, xwd, xwininfo, python3"
apt-get install -y -qq --no-install-recommends xvfb x11-apps x11-utils python3-minimal >/dev/null

work=$(mktemp -d)
xvfb_pid=
window_pid=
cleanup() {
  [ -z "$window_pid" ] || kill "$window_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number once it accepts clients.
exec 3<> "$work/displayfd"
# -noreset: the server must keep what was drawn after the program disconnects.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset -br >/dev/null 2>&1 &
xvfb_pid=$!
number=
for _ in $(seq 100); do
  number=$(tr -dc 0-9 < "$work/displayfd")
  [ -n "$number" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start"
  sleep 0.1
done
[ -n "$number" ] || fail "Xvfb gave no display number"
export DISPLAY=:$number HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME"

echo "== scriblane Hello on $DISPLAY"
scriblane Hello || fail "scriblane Hello ended with status $?"
xwd -root -silent > "$work/screen.xwd"
# The band: the default background colour (254, 247, 235) from the top of the
# 400 x 400 box centred on the screen (y 184), centred on x 512.
python3 - "$work/screen.xwd" <<'EOF' || fail "the band is not drawn where expected"
import struct, sys
data = open(sys.argv[1], "rb").read()
h = struct.unpack(">25I", data[:100])
header, width, height, order, bpp, stride, ncolors = h[0], h[4], h[5], h[7], h[11], h[12], h[19]
masks = h[14:17]
if bpp != 32:
    sys.exit("unexpected screenshot depth %d" % bpp)
base = header + 12 * ncolors
endian = "<" if order == 0 else ">"
def rgb(x, y):
    v = struct.unpack_from(endian + "I", data, base + y * stride + 4 * x)[0]
    return tuple((v & m) >> ((m & -m).bit_length() - 1) for m in masks)
band = [(x, y) for y in range(height) for x in range(width) if rgb(x, y) == (254, 247, 235)]
if not band:
    sys.exit("no pixel of the background colour")
top, bottom = min(y for _, y in band), max(y for _, y in band)
left, right = min(x for x, _ in band), max(x for x, _ in band)
print("band: x %d-%d, y %d-%d, %d pixels" % (left, right, top, bottom, len(band)))
if top != 184 or bottom - top + 1 != 30 or abs((left + right) / 2 - 512) > 2:
    sys.exit("band should start at y 184, be 30 high and centred on x 512")
EOF

echo "== scriblane (the window)"
scriblane >"$work/window.log" 2>&1 &
window_pid=$!
shown=
for _ in $(seq 150); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Scriblane"'; then shown=1; break; fi
  kill -0 "$window_pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$shown" ] || fail "no window named Scriblane; output: $(cat "$work/window.log")"
echo "window shown"
echo "check-deb-fresh: PASS"
