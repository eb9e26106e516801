#!/usr/bin/env bash
# Runs every TSPLIB instance of 128 to 1,084 cities in FOLDER (TSPLIB files with their INDEX.tsv
# of published optima) through the command line and the Python module with the tour engine, and
# checks each answer (tests/tools/tsplib_sweep.py). Not part of CI: it takes minutes. Expects a
# built release tree; installs the module as scripts/run-python-tests.sh does.
# Usage: scripts/run-tsplib-sweep.sh FOLDER [SMALLEST LARGEST]
set -euo pipefail
if [ "$#" -ne 1 ] && [ "$#" -ne 3 ]; then
  echo "usage: scripts/run-tsplib-sweep.sh FOLDER [SMALLEST LARGEST]" >&2
  exit 2
fi
folder="$(cd "$1" && pwd)"
shift
cd "$(dirname "$0")/.."
source scripts/with-python-module.sh
run_with_module tests/tools/tsplib_sweep.py "$folder" "$@"
