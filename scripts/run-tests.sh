#!/usr/bin/env bash
# Sets up, builds and runs every test: the native unit tests, then the Windows component
# (64-bit DLL tested under Wine, 32-bit DLL built only).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native windows
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release --parallel 2

cmake --preset windows >/dev/null
cmake --build --preset windows
cmake --preset windows32 >/dev/null
cmake --build --preset windows32 --target Ringmarch
server/tests/run-wine-tests.sh build/windows build/release/tests/ringmarch_native_tour
