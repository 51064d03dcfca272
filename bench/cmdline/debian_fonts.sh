#!/usr/bin/env bash
# Writes a fontconfig configuration that sees only the faces a fresh Debian 12
# root has after scripts/setup.sh: the font packages it names and the one its
# packages pull in (fonts-urw-base35, through Ghostscript), about 130 faces.
# Everything else is the system's configuration, rules included. A machine
# with desktop packages has thousands of faces, and fontconfig's costs grow
# with them; under this file the benchmarks count what a clean machine would.
#
# Usage: bench/cmdline/debian_fonts.sh [DIR]    (default: /tmp/scriblane-debian-fonts)
# then:  FONTCONFIG_FILE=DIR/fonts.conf bench/cmdline/instructions.sh build/scriblane
set -euo pipefail

dir="${1:-/tmp/scriblane-debian-fonts}"
packages=(fonts-dejavu-core fonts-liberation fonts-urw-base35 fonts-wqy-microhei
          fonts-noto-color-emoji)

rm -rf "$dir/fonts"
mkdir -p "$dir/fonts" "$dir/cache"
for package in "${packages[@]}"; do
  dpkg -L "$package" >/dev/null 2>&1 || { echo "debian_fonts.sh: $package is not installed" >&2; exit 1; }
  # The packages' own files, linked under one folder in their own layout
  # (so that a package's links, as the Type 1 folder's, stay faces of their own).
  while read -r file; do
    case "$file" in
      *.ttf|*.ttc|*.otf|*.otc|*.t1|*.pfb|*.pfa) ;;
      *) continue ;;
    esac
    [ -f "$file" ] || continue
    mkdir -p "$dir/fonts$(dirname "$file")"
    ln -sf "$file" "$dir/fonts$file"
  done < <(dpkg -L "$package")
done

# The system's configuration with only the font folders and the cache moved.
sed -e "s#<dir>/usr/share/fonts</dir>#<dir>$dir/fonts</dir>#" \
    -e '\#<dir>/usr/local/share/fonts</dir>#d' \
    -e '\#<dir prefix="xdg">fonts</dir>#d' \
    -e '\#<dir>~/.fonts</dir>#d' \
    -e "s#<cachedir>/var/cache/fontconfig</cachedir>#<cachedir>$dir/cache</cachedir>#" \
    -e '\#<cachedir prefix="xdg">fontconfig</cachedir>#d' \
    -e '\#<cachedir>~/.fontconfig</cachedir>#d' \
    -e 's#<include ignore_missing="yes">conf.d</include>#<include ignore_missing="yes">/etc/fonts/conf.d</include>#' \
    /etc/fonts/fonts.conf > "$dir/fonts.conf"
FONTCONFIG_FILE="$dir/fonts.conf" fc-cache "$dir/fonts" >/dev/null 2>&1 || true
echo "$dir/fonts.conf: $(FONTCONFIG_FILE="$dir/fonts.conf" fc-list | wc -l) faces" >&2
echo "$dir/fonts.conf"
