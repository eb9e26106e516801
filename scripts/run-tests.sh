#!/usr/bin/env bash
# Sets up, builds and runs every test: the native unit tests (with the C interface, the installed
# tree and the Debian package), the tour-identity sweep, the Python module, then the Windows
# component (64-bit DLL tested under Wine, 32-bit DLL built only).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native windows python cut
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release --parallel 2

# The tour-identity sweep: the improved first bound, the Lagrangian tree bound and the arc
# elimination leave every returned tour as it is (exit status 1 on any difference).
cmake --build --preset release --target identity_sweep
(cd tests/data && ../../build/release/tests/identity_sweep 150 5 22 1 gr17.tsp gr24.tsp \
  bayg29.tsp dantzig42.tsp berlin52.tsp)

bash scripts/run-python-tests.sh

cmake --preset windows >/dev/null
cmake --build --preset windows
cmake --preset windows32 >/dev/null
cmake --build --preset windows32 --target Ringmarch
server/tests/run-wine-tests.sh build/windows build/release/tests/ringmarch_native_tour
