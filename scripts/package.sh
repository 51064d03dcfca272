#!/usr/bin/env bash
# Builds what users download: the Linux package (build/packages/scriblane_*.deb,
# made by CPack from the install rules) and the Windows zip
# (build-win32/scriblane-*-win32.zip), then has lintian judge the package.
set -euo pipefail
cd "$(dirname "$0")/.."
# As root it installs what is missing first, as run.sh and test.sh do.
if [ "$(id -u)" -eq 0 ]; then scripts/setup.sh; fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
(cd build && cpack -G DEB)
scripts/build-win32.sh
deb=$(ls build/packages/scriblane_*.deb)
if command -v lintian >/dev/null; then
  status=0
  report=$(lintian --fail-on error "$deb" 2>&1) || status=$?
  report=$(printf '%s\n' "$report" | grep -v '^running with root privileges' || true)
  echo "lintian $deb: ${report:-no remarks}"
  [ "$status" -eq 0 ] || { echo "package.sh: lintian found errors" >&2; exit 1; }
fi
ls -l "$deb" build-win32/scriblane-*-win32.zip
