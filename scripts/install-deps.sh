#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Usage: scripts/install-deps.sh [native|windows|fuzz|bench|memcheck|python|cut ...]   (native is always included)
set -euo pipefail

# pkg-config, dpkg-dev (dpkg-shlibdeps for CPack) and file: the install and package tests.
packages=(g++ cmake ninja-build libgtest-dev libgmock-dev libbenchmark-dev pkg-config dpkg-dev file)
for group in "$@"; do
  case "$group" in
    native) ;;
    windows) packages+=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 wine64-tools) ;;
    fuzz) packages+=(clang libclang-rt-14-dev) ;;
    bench) packages+=(python3 time) ;;
    memcheck) packages+=(valgrind) ;;
    # The branch-and-cut engine's LP solver, found through pkg-config.
    cut) packages+=(coinor-libclp-dev) ;;
    # The Python module is installed offline into a virtual environment that sees these.
    python) packages+=(python3 python3-venv python3-pip python3-setuptools python3-wheel
                       python3-pytest python3-numpy) ;;
    *) echo "install-deps: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
