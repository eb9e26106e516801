#!/usr/bin/env bash
# Sets up, builds and runs every test: the native unit tests (with the C interface, the installed
# tree and the Debian package), the tour-identity sweep, the Python module, then the Windows
# component (64-bit DLL tested under Wine, 32-bit DLL built only).
# Each step's output goes to build/test-logs/STEP.log; a passing suite prints one line of counts
# and the reason of each skipped test, a failing step prints its whole log (for test suites: the
# output of the failed tests). The last line is always "N passed, N failed, N skipped", and any
# failure makes the script exit non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
logs=build/test-logs
mkdir -p "$logs"
rm -f "$logs"/*.log "$logs"/*.xml "$logs"/*.counts

passed=0 failed=0 skipped=0

totals() { echo "$passed passed, $failed failed, $skipped skipped"; }

# Stops the run after a failed step: its log, then the totals so far.
give_up() {
  local step="$1"
  echo "run-tests: $step failed; its output ($logs/$step.log):" >&2
  cat "$logs/$step.log" >&2
  failed=$((failed + 1))
  totals
  exit 1
}

# step NAME COMMAND...: runs a step that is not a test suite (set-up and builds) quietly.
step() {
  local name="$1"
  shift
  "$@" >"$logs/$name.log" 2>&1 || give_up "$name"
}

# suite NAME REPORT COMMAND...: runs a test suite that writes a JUnit report, prints its summary
# and adds its counts; a failed suite ends the run after the failed tests' output.
suite() {
  local name="$1" report="$2" status=0 summary=0
  shift 2
  "$@" >"$logs/$name.log" 2>&1 || status=$?
  if [ ! -s "$report" ]; then
    give_up "$name"
  fi
  python3 scripts/test-summary.py "$name" "$report" "$logs/$name.counts" || summary=$?
  if [ -s "$logs/$name.counts" ]; then
    read -r p f s <"$logs/$name.counts"
    passed=$((passed + p)) failed=$((failed + f)) skipped=$((skipped + s))
  fi
  if [ "$status" -ne 0 ] || [ "$summary" -ne 0 ]; then
    # A suite can fail beyond its tests (a crash between them, a report it could not finish).
    if [ "$summary" -eq 0 ]; then
      echo "run-tests: $name exited with status $status; its output ($logs/$name.log):" >&2
      cat "$logs/$name.log" >&2
      failed=$((failed + 1))
    fi
    totals
    exit 1
  fi
}

step install-deps scripts/install-deps.sh native windows python cut
step configure cmake --preset release
step build cmake --build --preset release
suite native "$logs/native.xml" ctest --preset release --parallel 2 --output-junit "$PWD/$logs/native.xml"

# The tour-identity sweep: the improved first bound, the Lagrangian tree bound and the arc
# elimination leave every returned tour as it is (exit status 1 on any difference).
step build-identity-sweep cmake --build --preset release --target identity_sweep
if (cd tests/data && ../../build/release/tests/identity_sweep 150 5 22 1 gr17.tsp gr24.tsp \
  bayg29.tsp dantzig42.tsp berlin52.tsp) >"$logs/identity-sweep.log" 2>&1; then
  echo "identity-sweep: 1 passed, 0 failed, 0 skipped"
  passed=$((passed + 1))
else
  give_up identity-sweep
fi

suite python "$logs/python.xml" bash scripts/run-python-tests.sh -rs --junitxml="$PWD/$logs/python.xml"

step configure-windows cmake --preset windows
step build-windows cmake --build --preset windows
step configure-windows32 cmake --preset windows32
step build-windows32 cmake --build --preset windows32 --target Ringmarch
# The Wine tests print "wine-tests: WHAT: N passed, 0 failed" per client and one line per tour
# compared with the native build's, and end with their failure count.
wine_status=0
server/tests/run-wine-tests.sh build/windows build/release/tests/ringmarch_native_tour \
  >"$logs/wine.log" 2>&1 || wine_status=$?
wine_passed=$(sed -n 's/^wine-tests: .*: \([0-9][0-9]*\) passed, 0 failed$/\1/p' "$logs/wine.log" |
  awk '{ sum += $1 } END { print sum + 0 }')
wine_passed=$((wine_passed + $(grep -c "tour equals the native build's$" "$logs/wine.log" || true)))
wine_failed=$(grep -c "^wine-tests: FAILED" "$logs/wine.log" || true)
if [ "$wine_status" -ne 0 ] && [ "$wine_failed" -eq 0 ]; then wine_failed=1; fi
echo "wine: $wine_passed passed, $wine_failed failed, 0 skipped"
passed=$((passed + wine_passed)) failed=$((failed + wine_failed))
if [ "$wine_status" -ne 0 ]; then
  echo "run-tests: the Wine tests failed; their output ($logs/wine.log):" >&2
  cat "$logs/wine.log" >&2
  totals
  exit 1
fi
totals
