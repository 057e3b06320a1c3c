#!/usr/bin/env bash
# Builds and runs every test: test.sh [plain|asan].
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-plain}
# Every include runs down the layers of docs/ARCHITECTURE.md.
bash scripts/check-layers.sh
bash scripts/build.sh "$kind"
dir=build
[ "$kind" = asan ] && dir=build-asan
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
# The Windows behaviours checked against the Win32 API under Wine (about 15 s once Wine is there).
# Then the Windows build, cross-built with mingw-w64: the portable suite, the Win32 backend's own
# tests and the command line, run under Wine (about 4 minutes from a clean tree).
if [ "$kind" = plain ]; then
  bash scripts/wine-diff.sh "$dir"
  bash scripts/windows-test.sh
fi
