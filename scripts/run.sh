#!/usr/bin/env bash
# Builds the program and runs the command-line front end: run.sh [ARGS...]. Without arguments it
# previews the checked items of the shipped catalogue: nothing is removed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh plain >/dev/null
if [ $# -eq 0 ]; then set -- preview; fi
exec ./build/vorlisk-cli "$@"
