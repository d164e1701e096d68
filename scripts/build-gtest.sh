#!/usr/bin/env bash
# Cross-builds GoogleTest from Debian's googletest sources with the mingw-w64 compiler.
set -euo pipefail

cache=$1
host=x86_64-w64-mingw32
here=$(cd "$(dirname "$0")" && pwd)
version=$(dpkg-query -W -f='${Version}' googletest)
prefix="$cache/gtest-$version"

if [ -f "$prefix/.done" ]; then
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "build-gtest: building GoogleTest $version into $prefix"
cmake -S /usr/src/googletest -B "$work" -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=OFF \
  -DBUILD_GMOCK=OFF >"$work/../gtest-configure.log" 2>&1 || { cat "$work/../gtest-configure.log" >&2; exit 1; }
cmake --build "$work" -j2 >/dev/null
cmake --install "$work" >/dev/null
touch "$prefix/.done"
ln -sfn "$prefix" "$cache/gtest"
echo "build-gtest: done"
