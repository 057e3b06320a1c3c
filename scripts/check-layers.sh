#!/usr/bin/env bash
# Checks the layers of docs/ARCHITECTURE.md: every project include ("folder/file.h") of a source
# in a folder names a folder that folder may include. Fails, listing each include that runs the
# wrong way. check-layers.sh
set -euo pipefail
cd "$(dirname "$0")/.."

# Folder, then the folders it may include (besides itself).
allowed() {
  case "$1" in
    platform) echo "" ;;
    model) echo "platform" ;;
    engine) echo "platform model" ;;
    app) echo "platform model engine" ;;
    cli) echo "platform model engine app" ;;
    gui/support) echo "platform model engine app" ;;
    gui/x11 | gui/win32) echo "platform model engine app gui/support" ;;
    gui/dialogs) echo "platform model engine app gui/support" ;;
    gui/window) echo "platform model engine app gui/support gui/dialogs" ;;
    *) echo "*" ;;
  esac
}

# The folder a path belongs to: gui/<part>, or its first level (platform/posix is platform).
folder_of() {
  case "$1" in
    gui/*) echo "$1" | cut -d/ -f1-2 ;;
    *) echo "$1" | cut -d/ -f1 ;;
  esac
}

status=0
while IFS= read -r source; do
  from=$(folder_of "$source")
  may=$(allowed "$from")
  [ "$may" = "*" ] && continue
  while IFS= read -r included; do
    [ -e "$included" ] || continue  # a system or generated header
    to=$(folder_of "$included")
    [ "$to" = "$from" ] && continue
    case " $may " in
      *" $to "*) ;;
      *)
        echo "$source includes $included: $from may not include $to" >&2
        status=1
        ;;
    esac
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$source")
done < <(find platform model engine app cli gui -name '*.h' -o -name '*.cpp' | sort)
[ "$status" -eq 0 ] && echo "check-layers: every include runs down the layers"
exit "$status"
