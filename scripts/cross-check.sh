#!/usr/bin/env bash
# Refuses POSIX headers in the portable core and in the tests of its contracts (every source
# outside platform/posix, every test but the *_posix_test.cpp files): mingw-w64 partly provides
# them, so the Windows build (scripts/windows-test.sh) alone would not always notice.
set -euo pipefail
cd "$(dirname "$0")/.."

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

echo "cross-check: ${#core[@]} core and ${#tests[@]} test sources hold no POSIX header"
