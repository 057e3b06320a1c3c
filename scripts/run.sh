#!/usr/bin/env bash
# Builds the program and starts it: run.sh starts the window; run.sh ARGS... runs the command-line
# front end with those arguments (run.sh preview: what a wash of the checked items would remove).
set -euo pipefail
cd "$(dirname "$0")/.."
# What it does goes to standard error, so that the output of a command stays clean for a pipe.
echo "run.sh: checking the packages the build needs, then building in build/" \
  "(the first build takes a few minutes; later ones only rebuild what changed)..." >&2
bash scripts/build.sh plain >&2
if [ $# -gt 0 ]; then
  echo "run.sh: built; running vorlisk-cli $*" >&2
  exec ./build/vorlisk-cli "$@"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "There is no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set)." >&2
  echo "Use the command-line front end instead, for example:" >&2
  echo "  bash scripts/run.sh preview      # what a wash of the checked items would remove" >&2
  echo "  bash scripts/run.sh --help       # every command" >&2
  exit 1
fi
echo "run.sh: built; starting the window" >&2
exec ./build/vorlisk
