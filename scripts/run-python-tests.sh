#!/usr/bin/env bash
# Installs the Python module (pip install ./python, offline, into a virtual environment that
# sees Debian's pytest and numpy; the package carries a copy of the release build's library
# rather than building its own) and runs its tests against the release build's library and
# command-line program. Expects a built release tree (scripts/run-tests.sh builds it). Further
# arguments go to pytest (scripts/run-tests.sh asks for a JUnit report). Skipped tests are listed
# with their reasons (-rs).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh python

source scripts/with-python-module.sh
run_with_module -m pytest -q -rs -p no:cacheprovider tests/python "$@"
