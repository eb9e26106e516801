#!/usr/bin/env bash
# Tests the Windows component under Wine in a fresh prefix: registration with regsvr32 (from a
# folder whose name holds a single quote), the C++ client, the VBScript and JScript clients,
# a 50-city TSPLIB instance solved by a script against the native build's tour, and
# unregistration. The prefix lives in the build folder and is removed afterwards.
#
# Usage: server/tests/run-wine-tests.sh <windows-build-dir> <native-tour-program>
set -euo pipefail

if [ "$#" -ne 2 ]; then
  echo "usage: $0 <windows-build-dir> <native-tour-program>" >&2
  exit 2
fi
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
build_dir="$(cd "$1" && pwd)"
native_tour="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
export PATH="/usr/lib/wine:$PATH"

work="$build_dir/wine-tests"
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX="$work/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

cleanup() {
  local background
  background="$(jobs -p)"
  [ -z "$background" ] || kill $background 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

failures=0
fail() {
  echo "wine-tests: FAILED: $*"
  failures=$((failures + 1))
}

# Wine's helper processes inherit stdout and stderr and outlive the command: every wine run
# writes to a file, which is printed afterwards, so that no pipe waits on them.
# run_wine <log> <timeout-seconds> <program> <args...>; sets $status.
run_wine() {
  local log="$1" limit="$2"
  shift 2
  set +e
  timeout "$limit" wine64 "$@" >"$log" 2>&1 </dev/null
  status=$?
  set -e
}

winpath() {
  timeout 60 wine64 winepath -w "$1" 2>/dev/null </dev/null | tr -d '\r'
}

started=$(date +%s)
# The native reference tours are solved meanwhile, on the other core.
mkdir -p "$work/native"
for instance in eil51 gr17; do
  (
    code=0
    timeout 600 "$native_tour" "$source_dir/tests/data/$instance.tsp" \
      >"$work/native/$instance.txt" 2>"$work/native/$instance.log" || code=$?
    echo "$code" >"$work/native/$instance.status"
  ) &
done
run_wine "$work/wineboot.log" 120 wineboot -i
[ "$status" -eq 0 ] || { cat "$work/wineboot.log"; echo "wine-tests: wineboot failed"; exit 1; }

# The DLL is registered from a folder whose name holds a single quote and a space.
dll_dir="$work/ring'march dll"
mkdir -p "$dll_dir" "$work/files"
cp "$build_dir/server/Ringmarch.dll" "$dll_dir/"
cp "$build_dir/server/ringmarch_client_test.exe" "$work/"
for file in eil51.tsp gr17.tsp; do
  cp "$source_dir/tests/data/$file" "$work/files/"
done
dll_win="$(winpath "$dll_dir/Ringmarch.dll")"
files_win="$(winpath "$work/files")"
client="$work/ringmarch_client_test.exe"

# expect_summary <log> <what>: the program's last line must read "N passed, 0 failed".
expect_summary() {
  local log="$1" what="$2" last
  last="$(tr -d '\r' <"$log" | sed '/^$/d' | tail -n 1)"
  if ! [[ "$last" =~ ^[1-9][0-9]*\ passed,\ 0\ failed$ ]]; then
    sed 's/^/    /' "$log"
    fail "$what (last line: '$last')"
  else
    echo "wine-tests: $what: $last"
  fi
}

run_wine "$work/regsvr32.log" 60 regsvr32 /s "$dll_win"
[ "$status" -eq 0 ] || fail "regsvr32 exit code $status"
run_wine "$work/registered.log" 60 "$client" registered "$dll_win"
expect_summary "$work/registered.log" "registry entries"

run_wine "$work/regsvr32-again.log" 60 regsvr32 /s "$dll_win"
[ "$status" -eq 0 ] || fail "second regsvr32 exit code $status"
run_wine "$work/reregistered.log" 60 "$client" reregistered "$dll_win"
expect_summary "$work/reregistered.log" "registering twice"

run_wine "$work/objects.log" 120 "$client" objects "$dll_win" "$files_win"
expect_summary "$work/objects.log" "C++ client"

# Script clients: ASCII scripts; the error texts they saw go to UTF-16 files compared here.
expected_messages="$work/expected-messages.txt"
printf '\xff\xfe' >"$expected_messages"
sed 's/$/\r/' "$source_dir/server/tests/expected-messages.txt" |
  iconv -f UTF-8 -t UTF-16LE >>"$expected_messages"
# Each script also solves a TSPLIB instance and must find its published optimum and the very
# tour the native build finds: VBScript a 51-city Euclidean one, JScript an explicit matrix.
for run in "client_test.vbs eil51 426" "client_test.js gr17 2085"; do
  read -r script instance optimum <<<"$run"
  name="${script%.*}_${script##*.}"
  cp "$source_dir/server/tests/$script" "$work/"
  run_wine "$work/$name.log" 300 cscript //nologo "$(winpath "$work/$script")" "$files_win" \
    "$name" "$instance" "$optimum"
  expect_summary "$work/$name.log" "$script"
  if ! cmp -s "$expected_messages" "$work/files/$name-messages.txt"; then
    fail "$script: error descriptions differ from the expected texts"
  fi
  wait
  if [ "$(cat "$work/native/$instance.status" 2>/dev/null)" != 0 ]; then
    cat "$work/native/$instance.log"
    fail "the native build could not solve $instance"
  elif ! diff <(tr -d '\r' <"$work/files/$name-tour.txt" 2>/dev/null) \
    "$work/native/$instance.txt" >/dev/null; then
    fail "$script: $instance tour differs from the native build's"
  else
    echo "wine-tests: $script: $instance tour equals the native build's"
  fi
done

run_wine "$work/regsvr32-u.log" 60 regsvr32 /u /s "$dll_win"
[ "$status" -eq 0 ] || fail "regsvr32 /u exit code $status"
run_wine "$work/unregistered.log" 60 "$client" unregistered
expect_summary "$work/unregistered.log" "unregistration"

echo "wine-tests: finished in $(($(date +%s) - started)) s with $failures failure(s)"
[ "$failures" -eq 0 ]
