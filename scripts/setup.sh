#!/usr/bin/env bash
# Installs everything Scriblane needs to build and test, from Debian's
# packages. Safe to run again: it does nothing when all is in place.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config libgtest-dev
  qt6-base-dev libx11-dev libxft-dev libfontconfig-dev libxrandr-dev libxext-dev
  # Present, to know when a compositor shows a window (loaded at run time)
  libxpresent-dev
  # the image painter composites glyphs as the X server does
  libpixman-1-dev
  # shaping and bidi order of text beyond simple scripts, and emoji properties
  libharfbuzz-dev libfribidi-dev libicu-dev
  # the compositor's overlay layer on Wayland: the client library, wayland-scanner, protocol XML
  libwayland-dev wayland-protocols
  # the Debian package and its manual page, and the tools that check them
  scdoc dpkg-dev file man-db lintian desktop-file-utils
  # Windows cross-build and Wine (32-bit needs the i386 architecture)
  g++-mingw-w64-i686 mingw-w64-tools wine wine32:i386 wine64 qemu-user-static
  # Wine's 32-bit X11 driver draws text through XRender; without it no glyph appears
  libxrender1:i386
  # a virtual X server and the tools the tests drive it with
  xvfb xauth x11-apps x11-utils x11-xserver-utils imagemagick xdotool openbox
  fonts-liberation fonts-dejavu-core python3 hyperfine zip
  # the window benchmark sees a window's first paint through DAMAGE
  libxdamage1
  # faces the fallback tests draw from (CJK, colour emoji) and HarfBuzz's
  # own shaper, their reference
  fonts-wqy-microhei fonts-noto-color-emoji libharfbuzz-bin
  # the desktop environment's background setting, as GNOME stores it
  libglib2.0-bin gsettings-desktop-schemas
  # a compositing X manager, and a headless Wayland desktop with XWayland and its screenshots
  picom sway xwayland grim
  # the window program on a Wayland desktop without XWayland, and keys typed
  # into it through the compositor
  qt6-wayland wtype
  # a Wayland-native window that reports the clicks it gets
  wev
  # useradd, for the unprivileged user sway runs as
  passwd
)

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: run as root (it installs packages with apt-get)" >&2
  exit 1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  "$(dirname "$0")/apt-install.sh" "${missing[@]}"
fi

# Faces the fallback tests put before the right one in fontconfig's sort:
# Symbola, of outline emoji (it claims the emoji language too), and Noto Sans
# Symbols2, which maps DEL and the C1 controls to blank glyphs. They are
# unpacked beside the system's fonts, not installed among them, so that no
# other program's fallback faces change.
test_fonts=/usr/local/share/scriblane-tests/fonts
for entry in fonts-symbola:truetype/ancient-scripts/Symbola_hint.ttf \
             fonts-noto-core:truetype/noto/NotoSansSymbols2-Regular.ttf; do
  package=${entry%%:*}
  file=${entry#*:}
  [ -f "$test_fonts/$(basename "$file")" ] && continue
  work=$(mktemp -d)
  chown _apt "$work" 2>/dev/null || true
  if ! (cd "$work" && apt-get download -qq "$package" 2>/dev/null); then
    apt-get update -qq || true
    (cd "$work" && apt-get download -qq "$package")
  fi
  dpkg-deb -x "$work/${package}"_*.deb "$work/root"
  install -D -m 644 "$work/root/usr/share/fonts/$file" "$test_fonts/$(basename "$file")"
  rm -rf "$work"
done

# sway refuses to run as root: the Wayland tests run it as this user.
if ! id -u scriblane-test >/dev/null 2>&1; then
  useradd --system --no-create-home --shell /usr/sbin/nologin scriblane-test
fi

"$(dirname "$0")/enable-i386.sh"
