#!/usr/bin/env bash
# Sets up, builds and solves the built-in default instance.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native
cmake --preset release >/dev/null
cmake --build --preset release --target ringmarch
./build/release/cli/ringmarch solve "$@"
