#!/usr/bin/env bash
# Installs Debian packages with apt-get, riding out a package mirror that is
# part-way through a sync: one stale index must not stop a set-up.
#   scripts/apt-install.sh PACKAGE...
# SCRIBLANE_APT_RETRY_DELAY sets the seconds between index downloads (default 5).
set -euo pipefail

retry_delay=${SCRIBLANE_APT_RETRY_DELAY:-5}
export DEBIAN_FRONTEND=noninteractive

# The indexes the last `apt-get update` could not fetch, one URL a line.
failed_indexes=""

# A mirror caught mid-sync serves an index that does not match its Release
# file; a few tries later it usually does. After the last try apt keeps what
# it fetched (and the old lists of what it did not), so set-up goes on.
update_indexes() {
  local log attempt
  log=$(mktemp)
  for attempt in 1 2 3; do
    if apt-get update -q >"$log" 2>&1; then
      failed_indexes=""
      rm -f "$log"
      return 0
    fi
    failed_indexes=$(sed -n 's/^[EW]: Failed to fetch \([^ ]*\).*/\1/p' "$log")
    if [ "$attempt" -lt 3 ]; then sleep "$retry_delay"; fi
  done
  if [ -z "$failed_indexes" ]; then
    cat "$log" >&2
    rm -f "$log"
    echo "setup: apt-get update failed (output above)" >&2
    return 1
  fi
  rm -f "$log"
  echo "setup: these package indexes could not be fetched after 3 tries; going on with the rest:" >&2
  sed 's/^/setup:   /' <<<"$failed_indexes" >&2
}

install_packages() {
  local log codename
  log=$(mktemp)
  if apt-get install -y -q --no-install-recommends "$@" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  # A stale index of one architecture (i386, say) leaves its packages a
  # version behind the other's, and multi-arch packages must match. The
  # release's own versions exist for every architecture.
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -n "$failed_indexes" ] && [ -n "$codename" ]; then
    echo "setup: the install failed; trying again with $codename's own versions" >&2
    if apt-get install -y -q --no-install-recommends -t "$codename" "$@" >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
  fi
  grep -E '^(E:|  |The following packages have unmet)' "$log" >&2 || cat "$log" >&2
  rm -f "$log"
  if [ -n "$failed_indexes" ]; then
    echo "setup: the packages could not be installed, most likely because these indexes are stale:" >&2
    sed 's/^/setup:   /' <<<"$failed_indexes" >&2
    echo "setup: the mirror is probably part-way through a sync; run this again in a while," \
      "or point that source at another mirror in /etc/apt/sources.list(.d)" >&2
  else
    echo "setup: apt-get install failed (see above)" >&2
  fi
  return 1
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  [ $# -gt 0 ] || { echo "usage: $0 PACKAGE..." >&2; exit 2; }
  update_indexes
  install_packages "$@"
fi
