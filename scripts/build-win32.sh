#!/bin/sh
# Cross-builds the 32-bit Windows program into build-win32/ (stripped release
# build) and packs it with the README into a zip.
#   scripts/build-win32.sh            configure if needed, build, pack
#   BUILD_DIR=... ARCH=x86_64 scripts/build-win32.sh   a 64-bit variant
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
ARCH=${ARCH:-i686}
case "$ARCH" in
  i686) DEFAULT_DIR="$ROOT/build-win32" ;;
  x86_64) DEFAULT_DIR="$ROOT/build-win64" ;;
  *) echo "build-win32.sh: unknown ARCH '$ARCH' (i686 or x86_64)" >&2; exit 2 ;;
esac
BUILD_DIR=${BUILD_DIR:-$DEFAULT_DIR}

if ! command -v "$ARCH-w64-mingw32-g++" >/dev/null 2>&1; then
  echo "build-win32.sh: $ARCH-w64-mingw32-g++ not found (apt-get install g++-mingw-w64-$(echo "$ARCH" | tr _ -))" >&2
  exit 1
fi

# Ninja: a fresh machine has no make. A folder configured earlier keeps the
# generator it was made with (cmake refuses to switch it).
generator="-G Ninja"
[ -f "$BUILD_DIR/CMakeCache.txt" ] && generator=
cmake -S "$ROOT" -B "$BUILD_DIR" $generator \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$ARCH.cmake" \
  -DCMAKE_BUILD_TYPE=Release
cmake --build "$BUILD_DIR" -j2 --target scriblane scriblane_win32_checks scriblane_bench_minimal package_win32
ls -l "$BUILD_DIR/scriblane.exe"
