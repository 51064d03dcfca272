#!/usr/bin/env bash
# Set-up against a package mirror caught mid-sync: one index whose size and
# hash do not match its Release file, served from a folder of our own. apt
# works on lists of this test's own, so the machine's are left alone.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
install="$here/../../scripts/apt-install.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

repo="$work/repo"
mkdir -p "$repo/dists/stale/main/binary-amd64" "$work/lists/partial" "$work/cache/archives/partial" "$work/parts"
printf 'Package: scriblane-probe\nVersion: 1\nArchitecture: amd64\n\n' >"$repo/dists/stale/main/binary-amd64/Packages"
cat >"$repo/dists/stale/Release" <<RELEASE
Suite: stale
Codename: stale
Architectures: amd64
Components: main
Date: Thu, 01 Jan 2026 00:00:00 UTC
SHA256:
 0000000000000000000000000000000000000000000000000000000000000000 999 main/binary-amd64/Packages
RELEASE
echo "deb [trusted=yes] file:$repo stale main" >"$work/sources.list"
cat >"$work/apt.conf" <<CONF
Dir::Etc::sourcelist "$work/sources.list";
Dir::Etc::sourceparts "$work/parts";
Dir::State::lists "$work/lists";
Dir::Cache "$work/cache";
CONF
export APT_CONFIG="$work/apt.conf" SCRIBLANE_APT_RETRY_DELAY=0

failures=0
check() {  # check NAME EXPECTED-STATUS PATTERN... -- PACKAGES
  local name=$1 want=$2 status=0
  shift 2
  local patterns=()
  while [ "$1" != -- ]; do patterns+=("$1"); shift; done
  shift
  "$install" "$@" >"$work/out" 2>&1 || status=$?
  local ok=1
  [ "$status" = "$want" ] || ok=0
  for p in "${patterns[@]}"; do grep -qF -- "$p" "$work/out" || ok=0; done
  if [ "$ok" = 1 ]; then
    echo "PASS $name"
  else
    echo "FAIL $name (status $status, wanted $want; output:)"
    sed 's/^/    /' "$work/out"
    failures=$((failures + 1))
  fi
}

stale="file:$repo/dists/stale/main/binary-amd64/Packages"
# An installed package needs nothing from the stale index: set-up goes on
# and says which index failed.
check "goes on past a stale index" 0 "could not be fetched after 3 tries" "$stale" -- bash
# A package only the stale index could give: stop, naming the index and what to do.
check "names the stale index when the install fails" 1 "$stale" "own versions" "run this again in a while" \
  -- scriblane-no-such-package
echo "$((2 - failures)) passed, $failures failed"
[ "$failures" = 0 ]
