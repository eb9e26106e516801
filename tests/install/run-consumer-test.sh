#!/usr/bin/env bash
# Installs a build into a temporary prefix (or unpacks the Debian package there) and builds a
# consumer project against it, once with find_package(Ringmarch) and once with pkg-config. The
# public headers are include/ringmarch/*.hpp and ringmarch.h alone, each compiles by itself, and
# the consumers, C++ and C, solve the same instances through the object and the solve layer and
# must print the same lines: a 130-city file, beyond the object's 127 cities, is proven optimal by
# the engine auto (the cut engine where it is built).
# Usage: run-consumer-test.sh install BUILD_DIR SOURCE_DIR VERSION HAS_CUT
#        run-consumer-test.sh deb     BUILD_DIR SOURCE_DIR VERSION HAS_CUT
set -euo pipefail
mode="$1" build="$2" source="$3" version="$4" has_cut="$5"
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
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "$depends" | grep -q libstdc++6 || fail "package lacks its dependencies: $depends"
  if [ "$has_cut" = 1 ]; then
    # The program and libringmarch.so link the LP solver's shared libraries.
    echo "$depends" | grep -q coinor-libclp1 || fail "package does not depend on CLP: $depends"
    dpkg-deb -f "$deb" Suggests | grep -q coinor-libclp-dev ||
      fail "package does not suggest CLP's development files"
  fi
  dpkg-deb -x "$deb" "$scratch/root"
  prefix="$scratch/root/usr"
fi

libdir=$(dirname "$(find "$prefix" -name 'libringmarch.so.*.*' | head -n 1)")
headers="errors.hpp instance.hpp object.hpp problem.hpp progress.hpp solve.hpp tsplib.hpp
  version.hpp ringmarch.h"
for file in bin/ringmarch; do
  [ -e "$prefix/$file" ] || fail "$file is not installed"
done
# The public headers, and nothing else, under include/ringmarch/: no folder of the tree.
expected_headers=$(for header in $headers; do echo "include/ringmarch/$header"; done | sort)
installed_headers=$(cd "$prefix" && find include -mindepth 1 ! -path include/ringmarch | sort)
[ "$installed_headers" = "$expected_headers" ] ||
  fail "installed headers differ: $(diff <(echo "$expected_headers") <(echo "$installed_headers"))"
archives="libringmarch_core.a libringmarch_solve.a"
[ "$has_cut" = 1 ] && archives="$archives libringmarch_cut.a"
for file in $archives libringmarch.so "libringmarch.so.${version%%.*}" \
  pkgconfig/ringmarch.pc pkgconfig/ringmarch-core.pc cmake/Ringmarch/RingmarchConfig.cmake; do
  [ -e "$libdir/$file" ] || fail "$libdir/$file is not installed"
done
[ "$("$prefix/bin/ringmarch" --version)" = "ringmarch $version" ] || fail "ringmarch --version"
# The licence terms travel with the files, in the place Debian reads them from.
copyright="$prefix/share/doc/ringmarch/copyright"
[ -f "$copyright" ] || fail "share/doc/ringmarch/copyright is not installed"
grep -q "^License: MIT$" "$copyright" || fail "the copyright file names no MIT licence"
grep -q "Ringmarch developers" "$copyright" || fail "the copyright file names no holder"

# Each header by itself, with nothing but the installed include folder: it includes only
# <ringmarch/...> headers that are installed, and compiles without any other.
for header in $headers; do
  if grep -q '^#include "' "$prefix/include/ringmarch/$header"; then
    fail "$header includes a header of the tree"
  fi
  case "$header" in
    *.h) compile=(cc -std=c99 -x c) ;;
    *) compile=(c++ -std=c++20 -x c++) ;;
  esac
  echo "#include <ringmarch/$header>" |
    "${compile[@]}" -Wall -Wextra -Werror -fsyntax-only -I"$prefix/include" - ||
    fail "<ringmarch/$header> does not compile by itself"
done

# The README's C++ and C examples, each the body of a main function after its #include lines,
# compile against the installed headers as they are shown.
for language in cpp c; do
  blocks=$(awk -v fence="\`\`\`$language" '$0 == fence {n++; inside=1; next}
    /^```$/ {inside=0} inside {print n "\t" $0}' "$source/README.md")
  [ -n "$blocks" ] || fail "README.md shows no $language example"
  for block in $(echo "$blocks" | cut -f1 | sort -u); do
    example="$scratch/readme_example_$block.$language"
    body=$(echo "$blocks" | awk -F'\t' -v n="$block" '$1 == n {sub(/^[^\t]*\t/, ""); print}')
    {
      if [ "$language" = cpp ]; then
        printf '#include <cstdio>\n#include <memory>\n'
      else
        printf '#include <stdio.h>\n#include <ringmarch/ringmarch.h>\n'
      fi
      echo "$body" | grep '^#include' || true
      echo 'int main(void) {'
      echo "$body" | grep -v '^#include'
      echo 'return 0;'
      echo '}'
    } >"$example"
    if [ "$language" = cpp ]; then
      compile=(c++ -std=c++20)
    else
      compile=(cc -std=c99)
    fi
    "${compile[@]}" -Wall -Wextra -Werror -fsyntax-only -I"$prefix/include" "$example" ||
      fail "README.md's $language example $block does not compile: $(cat "$example")"
  done
done

file="$source/tests/data/ch130.tsp"
if [ "$has_cut" = 1 ]; then
  expected=$'object: length 36238\n130 cities: engine cut, optimal, length 6110'
else
  expected=$'object: length 36238\n130 cities: engine tour'
fi
check_output() {
  local what="$1" output="$2"
  case "$output" in
    "$expected"*) ;;
    *) fail "$what printed '$output', expected '$expected'" ;;
  esac
}

# find_package: a separate CMake project.
cmake -S "$source/tests/install/consumer" -B "$scratch/consumer" -G Ninja \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_RPATH="$libdir" -DRINGMARCH_EXPECT_CUT="$has_cut" \
  >/dev/null
cmake --build "$scratch/consumer" >/dev/null
cpp_output=$("$scratch/consumer/solve_cpp" "$file")
check_output "the C++ consumer" "$cpp_output"
[ "$("$scratch/consumer/solve_c" "$file")" = "$cpp_output" ] || fail "the C and C++ consumers differ"
[ "$("$scratch/consumer/object_cpp")" = "${cpp_output%%$'\n'*}" ] ||
  fail "the object alone differs"

# pkg-config: plain compiler lines. The C++ libraries are static: their LP solver comes with
# --static; the object alone needs no LP solver.
export PKG_CONFIG_PATH="$libdir/pkgconfig"
[ "$(pkg-config --modversion ringmarch)" = "$version" ] || fail "pkg-config version"
[ "$(pkg-config --modversion ringmarch-core)" = "$version" ] || fail "pkg-config version (C++)"
if [ "$has_cut" = 1 ]; then
  pkg-config --print-requires-private ringmarch-core | grep -q '^clp' ||
    fail "ringmarch-core.pc does not require CLP privately"
fi
consumer="$source/tests/install/consumer"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Werror "$consumer/solve.c" -o "$scratch/solve_c_pc" \
  $(pkg-config --cflags --libs ringmarch) -Wl,-rpath,"$libdir"
# shellcheck disable=SC2046
c++ -std=c++20 -Wall -Werror "$consumer/solve.cpp" -o "$scratch/solve_cpp_pc" \
  $(pkg-config --cflags --libs --static ringmarch-core)
# shellcheck disable=SC2046
c++ -std=c++20 -Wall -Werror "$consumer/object.cpp" -o "$scratch/object_cpp_pc" \
  $(pkg-config --cflags --libs ringmarch-core)
[ "$("$scratch/solve_c_pc" "$file")" = "$cpp_output" ] || fail "pkg-config C consumer"
[ "$("$scratch/solve_cpp_pc" "$file")" = "$cpp_output" ] || fail "pkg-config C++ consumer"
[ "$("$scratch/object_cpp_pc")" = "${cpp_output%%$'\n'*}" ] || fail "pkg-config object consumer"
echo "consumer-test ($mode): ${cpp_output//$'\n'/; } with find_package and pkg-config"
