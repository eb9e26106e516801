#!/usr/bin/env bash
# Installs a build into a temporary prefix (or unpacks the Debian package there) and builds a
# consumer project against it, once with find_package(Ringmarch) and once with pkg-config; both
# consumers, C++ and C, must print the same length.
# Usage: run-consumer-test.sh install BUILD_DIR SOURCE_DIR VERSION
#        run-consumer-test.sh deb     BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
mode="$1" build="$2" source="$3" version="$4"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "consumer-test: $*" >&2; exit 1; }

if [ "$mode" = install ]; then
  prefix="$scratch/prefix"
  cmake --install "$build" --prefix "$prefix" >/dev/null
else
  deb="$build/packages/ringmarch_${version}_amd64.deb"
  rm -f "$deb"
  (cd "$build" && cpack -G DEB >/dev/null) || fail "cpack failed"
  [ -f "$deb" ] || fail "no package $deb"
  [ "$(dpkg-deb -f "$deb" Package)" = ringmarch ] || fail "package name"
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
  dpkg-deb -f "$deb" Depends | grep -q libstdc++6 || fail "package lacks its dependencies"
  dpkg-deb -x "$deb" "$scratch/root"
  prefix="$scratch/root/usr"
fi

libdir=$(dirname "$(find "$prefix" -name 'libringmarch.so.*.*' | head -n 1)")
for file in bin/ringmarch include/ringmarch/ringmarch.h include/ringmarch/object/ringmarch_object.h; do
  [ -e "$prefix/$file" ] || fail "$file is not installed"
done
for file in libringmarch_core.a libringmarch.so "libringmarch.so.${version%%.*}" \
  pkgconfig/ringmarch.pc pkgconfig/ringmarch-core.pc cmake/Ringmarch/RingmarchConfig.cmake; do
  [ -e "$libdir/$file" ] || fail "$libdir/$file is not installed"
done
[ "$("$prefix/bin/ringmarch" --version)" = "ringmarch $version" ] || fail "ringmarch --version"
# The licence terms travel with the files, in the place Debian reads them from.
copyright="$prefix/share/doc/ringmarch/copyright"
[ -f "$copyright" ] || fail "share/doc/ringmarch/copyright is not installed"
grep -q "^License: MIT$" "$copyright" || fail "the copyright file names no MIT licence"
grep -q "Ringmarch developers" "$copyright" || fail "the copyright file names no holder"

# find_package: a separate CMake project.
cmake -S "$source/tests/install/consumer" -B "$scratch/consumer" -G Ninja \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_RPATH="$libdir" >/dev/null
cmake --build "$scratch/consumer" >/dev/null
expected=$("$scratch/consumer/solve_cpp")
[ "$("$scratch/consumer/solve_c")" = "$expected" ] || fail "the C and C++ consumers differ"
case "$expected" in "length "[0-9]*) ;; *) fail "unexpected output '$expected'" ;; esac

# pkg-config: plain compiler lines.
export PKG_CONFIG_PATH="$libdir/pkgconfig"
[ "$(pkg-config --modversion ringmarch)" = "$version" ] || fail "pkg-config version"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Werror "$source/tests/install/consumer/solve.c" -o "$scratch/solve_c_pc" \
  $(pkg-config --cflags --libs ringmarch) -Wl,-rpath,"$libdir"
# shellcheck disable=SC2046
c++ -std=c++20 -Wall -Werror "$source/tests/install/consumer/solve.cpp" -o "$scratch/solve_cpp_pc" \
  $(pkg-config --cflags --libs ringmarch-core)
[ "$("$scratch/solve_c_pc")" = "$expected" ] || fail "pkg-config C consumer"
[ "$("$scratch/solve_cpp_pc")" = "$expected" ] || fail "pkg-config C++ consumer"
echo "consumer-test ($mode): $expected with find_package and pkg-config"
