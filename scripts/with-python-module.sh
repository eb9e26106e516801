# Sourced by the scripts that run Python against this build: run_with_module ARGS... makes the
# virtual environment (Debian's own interpreter, whatever else is first on PATH, with the system's
# packages), installs the module over the release build's library and runs its python with ARGS,
# the library and the program named in the environment. Run from the checkout's root.
run_with_module() {
  local venv=build/python-venv
  if [ ! -x "$venv/bin/python" ]; then
    /usr/bin/python3 -m venv --system-site-packages "$venv"
  fi
  RINGMARCH_WHEEL_LIBRARY="$PWD/build/release/capi/libringmarch.so" \
    "$venv/bin/python" -m pip install --quiet --no-build-isolation --no-index --force-reinstall \
    --no-deps ./python
  RINGMARCH_LIBRARY="$PWD/build/release/capi/libringmarch.so" \
    RINGMARCH_CLI="$PWD/build/release/cli/ringmarch" \
    "$venv/bin/python" "$@"
}
