#!/usr/bin/env bash
# The real program under a virtual X server: its window appears with its caption, a second start
# ends with status 0 and leaves one window, and a termination request closes it in order (the
# order file is written). Run by xvfb-run from ctest: smoke.sh VORLISK CATALOGUE.
set -euo pipefail
program=$1 catalogue=$2
scratch=$(mktemp -d)
trap 'kill "$first" 2>/dev/null || true; rm -rf "$scratch"' EXIT
mkdir -p "$scratch/prog/const" "$scratch/home"
cp "$catalogue" "$scratch/prog/const/system.txt"
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config XDG_DATA_HOME=$scratch/home/.local/share
export XDG_CACHE_HOME=$scratch/home/.cache XDG_STATE_HOME=$scratch/home/.local/state
export XDG_RUNTIME_DIR=$scratch/run && mkdir -m 700 "$XDG_RUNTIME_DIR"

windows() { xwininfo -root -tree | grep -c '"Vorlisk  V1.00 "' || true; }
"$program" --home "$scratch/prog" &
first=$!
for _ in $(seq 50); do [ "$(windows)" -ge 1 ] && break; sleep 0.2; done
[ "$(windows)" -eq 1 ] || { echo "the window did not appear"; exit 1; }

"$program" --home "$scratch/prog" || { echo "a second start ended with status $?"; exit 1; }
sleep 0.5
[ "$(windows)" -eq 1 ] || { echo "a second start left $(windows) windows"; exit 1; }

[ ! -e "$scratch/prog/order.ini" ] || rm "$scratch/prog/order.ini"
kill -TERM "$first"
wait "$first" || { echo "the program ended with status $?"; exit 1; }
[ -s "$scratch/prog/order.ini" ] || { echo "closing did not write the order file"; exit 1; }
echo "smoke test passed"
