#!/usr/bin/env bash
# The differential run: the generated cases of tests/wine through the platform layer (Linux) and
# through the Win32 API (built with mingw-w64, run under Wine in a fresh prefix); fails on any
# difference that tests/wine/known-differences.txt does not list. wine-diff.sh [BUILD_FOLDER]
# Skips with a message, and succeeds, only when Wine cannot be installed on this machine.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
start=$SECONDS

if ! bash scripts/deps.sh wine wine64 g++-mingw-w64-x86-64-posix python3 || ! command -v wine >/dev/null; then
  echo "wine-diff: SKIPPED: wine64 or the mingw-w64 compiler could not be installed here" >&2
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 tests/wine/generate.py >"$work/cases.tsv"

cmake --build "$build" -j2 --target vorlisk_wine_driver >/dev/null
x86_64-w64-mingw32-g++-posix -std=c++20 -O1 -Wall -Wextra -Werror -static \
  -o "$work/driver.exe" tests/wine/driver.cpp

"$build/tests/vorlisk_wine_driver" "$work/cases.tsv" "$work/linux" >"$work/linux.out"

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
boot=$SECONDS
wineboot --init >/dev/null 2>&1
echo "wine-diff: fresh prefix ready in $((SECONDS - boot)) s"
# Wine sees the host's root as drive Z:.
wine "$work/driver.exe" "Z:${work//\//\\}\\cases.tsv" "Z:${work//\//\\}\\wine" >"$work/wine.out"
wineserver -w || true

status=0
python3 tests/wine/compare.py "$work/linux.out" "$work/wine.out" tests/wine/known-differences.txt ||
  status=$?
echo "wine-diff: done in $((SECONDS - start)) s"
exit "$status"
