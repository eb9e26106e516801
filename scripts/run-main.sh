#!/usr/bin/env bash
# Sets up, builds and solves the built-in default instance. Arguments go to `ringmarch solve`;
# everything the setup and the build print goes to standard error, so that standard output
# carries only the solve's result (one JSON object with --json).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native >&2
cmake --preset release >/dev/null
cmake --build --preset release --target ringmarch >&2
./build/release/cli/ringmarch solve "$@"
