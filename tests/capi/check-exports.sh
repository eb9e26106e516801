#!/usr/bin/env bash
# The shared library exports exactly the functions that ringmarch.h declares, nothing of the C++
# core or runtime, and carries a versioned SONAME.
# Usage: check-exports.sh LIBRARY HEADER SONAME
set -euo pipefail
library="$1" header="$2" soname="$3"

# A declaration may put its return type alone on the line before the name: joined first.
declared=$(sed -E -e ':join' -e '/^RINGMARCH_API [a-z0-9_ *]*$/{N;s/\n/ /;b join}' "$header" |
  grep -oE '^RINGMARCH_API [^(]*\bringmarch_[a-z0-9_]+\(' |
  sed -E 's/.*\b(ringmarch_[a-z0-9_]+)\($/\1/' | sort -u)
exported=$(nm -D --defined-only "$library" | awk '{print $NF}' | sort -u)

if [ "$declared" != "$exported" ]; then
  echo "check-exports: exported symbols differ from the header's functions:" >&2
  diff <(echo "$declared") <(echo "$exported") >&2 || true
  exit 1
fi
count=$(echo "$exported" | wc -l)
if [ "$count" -lt 50 ]; then
  echo "check-exports: only $count functions found" >&2
  exit 1
fi
actual_soname=$(readelf -d "$library" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
if [ "$actual_soname" != "$soname" ]; then
  echo "check-exports: SONAME is '$actual_soname', expected '$soname'" >&2
  exit 1
fi
echo "check-exports: $count C functions exported, SONAME $actual_soname"
