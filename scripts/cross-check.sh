#!/usr/bin/env bash
# Checks that the portable core and the tests of its contracts build for Windows: every source
# outside platform/posix, and every test but the *_posix_test.cpp files, is compiled
# by the mingw-w64 cross compiler (syntax and types only, no linking) with the project's warnings
# as errors. Also refuses POSIX headers in those files, which mingw-w64 partly provides.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh g++-mingw-w64-x86-64-posix
compiler=x86_64-w64-mingw32-g++-posix

core=(platform/*.cpp model/*.cpp model/formats/*.cpp engine/*.cpp app/*.cpp)
tests=()
for f in tests/*.cpp; do
  [[ $f == *_posix_test.cpp ]] || tests+=("$f")
done
headers=(platform/*.h model/*.h model/formats/*.h engine/*.h app/*.h)
for f in tests/*.h; do
  [[ $f == tests/posix_support.h || $f == tests/save_counter.h || $f == tests/cli_fixture.h ]] ||
    headers+=("$f")
done

# tests/test_support.cpp alone may name the POSIX environment functions, behind #ifdef _WIN32.
posix_headers='#include <(unistd|fcntl|dirent|pwd|grp|signal|poll|pthread|spawn|termios|dlfcn|sys/|linux/)'
if grep -nE "$posix_headers" "${core[@]}" "${tests[@]}" "${headers[@]}"; then
  echo "cross-check: POSIX headers in portable code (above)" >&2
  exit 1
fi

# The test framework's headers alone, so that no header of the host's C library is reachable.
gtest=$(mktemp -d)
trap 'rm -rf "$gtest"' EXIT
ln -s /usr/include/gtest "$gtest/gtest"
ln -s /usr/include/gmock "$gtest/gmock"
# The XML parser's headers (portable C++) likewise.
ln -s /usr/include/pugixml.hpp "$gtest/pugixml.hpp"
ln -s /usr/include/pugiconfig.hpp "$gtest/pugiconfig.hpp"

# The warnings of vorlisk_warnings in CMakeLists.txt.
flags=(-std=c++20 -I. -Itests -isystem "$gtest" -Wall -Wextra -Wpedantic -Wshadow -Wconversion
       -Wno-sign-conversion -Wno-restrict -Werror
       -DVORLISK_SOURCE_DIR=\"$PWD\" -DVORLISK_CLI_PATH=\"vorlisk-cli.exe\")
# The test framework parsed once for every test source (a third of the time).
printf '#include <gmock/gmock.h>\n#include <gtest/gtest.h>\n' >"$gtest/framework.h"
"$compiler" "${flags[@]}" -x c++-header "$gtest/framework.h" -o "$gtest/framework.h.gch"

export compiler
check() {  # check FLAGS... -- FILES...: each file in turn, two at once
  local -a options=()
  while [ "$1" != -- ]; do options+=("$1"); shift; done
  shift
  printf '%s\n' "$@" |
    xargs -P2 -I{} sh -c '"$compiler" "$@" {} || { echo "cross-check failed: {}" >&2; exit 1; }' \
      sh -fsyntax-only "${options[@]}"
}
check "${flags[@]}" -- "${core[@]}"
check "${flags[@]}" -include "$gtest/framework.h" -- "${tests[@]}"
echo "cross-check: ${#core[@]} core and ${#tests[@]} test sources build for Windows"
