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

# Debian's own interpreter, whatever else is first on PATH.
venv=build/python-venv
if [ ! -x "$venv/bin/python" ]; then
  /usr/bin/python3 -m venv --system-site-packages "$venv"
fi
RINGMARCH_WHEEL_LIBRARY="$PWD/build/release/capi/libringmarch.so" \
  "$venv/bin/python" -m pip install --quiet --no-build-isolation --no-index --force-reinstall \
  --no-deps ./python
RINGMARCH_LIBRARY="$PWD/build/release/capi/libringmarch.so" \
  RINGMARCH_CLI="$PWD/build/release/cli/ringmarch" \
  "$venv/bin/python" -m pytest -q -rs -p no:cacheprovider tests/python "$@"
