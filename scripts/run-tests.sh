#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release --parallel 2
