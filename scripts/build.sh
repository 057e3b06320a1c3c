#!/usr/bin/env bash
# Configures and builds one build folder: build.sh [plain|asan|release].
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-plain}
bash scripts/deps.sh
case "$kind" in
  plain) dir=build; flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan) dir=build-asan; flags=(-DCMAKE_BUILD_TYPE=Debug -DVORLISK_SANITIZE=ON -DVORLISK_BUILD_BENCH=OFF) ;;
  release) dir=build-release; flags=(-DCMAKE_BUILD_TYPE=Release) ;;
  *) echo "usage: build.sh [plain|asan|release]" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -DVORLISK_WERROR=ON "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
