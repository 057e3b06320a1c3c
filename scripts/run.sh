#!/usr/bin/env bash
# Builds the program and runs the command-line front end: run.sh [ARGS...] (default: preview).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh plain >/dev/null
if [ $# -eq 0 ]; then set -- list; fi
exec ./build/vorlisk-cli "$@"
