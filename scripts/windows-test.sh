#!/usr/bin/env bash
# The Windows build: vorlisk-cli.exe and the test executable cross-built with mingw-w64, then run
# under Wine in a fresh prefix with a throwaway HOME: the portable test suite with the Win32
# backend's own tests, and a smoke test of the command line (tests/windows/cli_smoke.sh).
#   windows-test.sh [BUILD_FOLDER] [-- GTEST_ARGUMENTS...]
# Installs what it needs (mingw-w64, Wine, GoogleTest's sources, pugixml's Debian sources).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-win
if [ $# -gt 0 ] && [ "$1" != -- ]; then build=$1; shift; fi
[ "${1:-}" = -- ] && shift
start=$SECONDS

bash scripts/deps.sh g++-mingw-w64-x86-64-posix wine wine64 googletest libcli11-dev cmake make \
  curl ca-certificates

# pugixml is built from Debian's source of the version the Linux build uses, checked by its hash.
pugixml_version=1.13
pugixml_sha256=5c5ad5d7caeb791420408042a7d88c2c6180781bf218feca259fd9d840a888e1
pugixml=$PWD/$build/_sources/pugixml-$pugixml_version
if [ ! -f "$pugixml/src/pugixml.cpp" ]; then
  mkdir -p "$build/_sources"
  tarball=$build/_sources/pugixml_$pugixml_version.orig.tar.gz
  curl -fsSL --retry 3 -o "$tarball" \
    "http://deb.debian.org/debian/pool/main/p/pugixml/pugixml_$pugixml_version.orig.tar.gz"
  echo "$pugixml_sha256  $tarball" | sha256sum -c --quiet
  tar -xzf "$tarball" -C "$build/_sources"
fi

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DVORLISK_WERROR=ON -DVORLISK_BUILD_WINDOW=OFF -DVORLISK_BUILD_BENCH=OFF \
  -DVORLISK_PUGIXML_SOURCE="$pugixml" >/dev/null
cmake --build "$build" -j "$(nproc)" --target vorlisk-cli vorlisk_tests
echo "windows-test: built in $((SECONDS - start)) s"

# A fresh prefix and home, removed afterwards; the tests' own folders lie in the prefix's temp.
work=$(mktemp -d)
cleanup() {
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME XDG_RUNTIME_DIR DISPLAY
mkdir -p "$HOME"
boot=$SECONDS
wineboot --init >/dev/null 2>&1
echo "windows-test: fresh prefix ready in $((SECONDS - boot)) s"

status=0
wine "$build/tests/vorlisk_tests.exe" --gtest_brief=1 "$@" 2>&1 | tr -d '\r' |
  tee "$work/tests.log" || status=$?
# The counts, then each skip's reason as GTEST_SKIP gave it.
count() {
  local n
  n=$(sed -nE "s/^\[ *$1 *\] ([0-9]+) tests?.*/\1/p" "$work/tests.log" | head -n 1)
  echo "${n:-0}"
}
echo "windows-test: $(sed -nE 's/^\[=+\] ([0-9]+) tests? from.*/\1/p' "$work/tests.log") tests run:" \
  "$(count PASSED) passed, $(count SKIPPED) skipped, $(count FAILED) failed"
grep -A1 -E ': Skipped$' "$work/tests.log" | grep -vE '(: Skipped|^--)$' | sort | uniq -c |
  sed 's/^/windows-test: skipped: /' || true
if ! grep -q '^\[  PASSED  \]' "$work/tests.log" || grep -q '^\[  FAILED  \]' "$work/tests.log"; then
  status=1
fi
if [ $# -eq 0 ]; then
  bash tests/windows/cli_smoke.sh "$build/vorlisk-cli.exe" "$build/const/system.txt" || status=1
fi
wineserver -w || true
echo "windows-test: done in $((SECONDS - start)) s"
exit "$status"
