#!/usr/bin/env bash
# `vorlisk-cli import` of large CleanerML files, whole processes, each on a fresh program folder
# and home: elapsed, user and system time and peak memory (/usr/bin/time), and what the import
# reported. The files are generated here:
#   vars    one option, one glob path naming three <var> of 50 values each (125,000 paths when
#           nothing bounds the expansion)
#   actions N   one option of N delete actions, each naming one file
#   options N   N options of one action each, all with the same label (names made unique)
#
#   bash bench/import_scale.sh [path of vorlisk-cli]     (default: build/vorlisk-cli)
# A run that takes longer than 120 s is stopped and shown as "timeout".
set -euo pipefail
cd "$(dirname "$0")/.."
cli=${1:-$PWD/build/vorlisk-cli}
[ -x "$cli" ] || { echo "$cli is missing: run bash scripts/build.sh" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# generate KIND N FILE
generate() {
  python3 - "$@" <<'PY'
import sys
kind, n, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<cleaner id="bench">', '<label>Bench</label>']
if kind == "vars":
    for v in range(3):
        lines.append('<var name="v%d">' % v)
        lines += ['<value>d%d_%d</value>' % (v, i) for i in range(n)]
        lines.append('</var>')
    lines += ['<option id="o"><label>Vars</label>',
              '<action command="delete" search="glob" path="~/.cache/$$v0$$/$$v1$$/$$v2$$/*.tmp"/>',
              '</option>']
elif kind == "actions":
    lines.append('<option id="o"><label>Actions</label>')
    lines += ['<action command="delete" search="file" path="~/.cache/app/f%d.log"/>' % i
              for i in range(n)]
    lines.append('</option>')
else:
    for i in range(n):
        lines += ['<option id="o%d"><label>Same</label>' % i,
                  '<action command="delete" search="file" path="~/.cache/app/f%d.log"/>' % i,
                  '</option>']
lines.append('</cleaner>')
open(out, "w").write("\n".join(lines) + "\n")
PY
}

run() {  # run LABEL KIND N
  local file=$work/$2-$3.xml
  generate "$2" "$3" "$file"
  rm -rf "$work/prog" "$work/home"
  mkdir -p "$work/prog/const" "$work/home"
  local status=0
  HOME=$work/home XDG_CACHE_HOME=$work/home/.cache XDG_CONFIG_HOME=$work/home/.config \
    XDG_DATA_HOME=$work/home/.local/share XDG_STATE_HOME=$work/home/.local/state \
    /usr/bin/time -o "$work/time" -f "%e s elapsed, %U s user, %S s system, %M KB peak" \
    timeout 120 "$cli" --home "$work/prog" import "$file" --all --yes >"$work/out" 2>"$work/err" ||
    status=$?
  if [ "$status" = 124 ]; then
    printf '%-28s timeout (120 s)\n' "$1"
  else
    printf '%-28s %s, exit %s\n' "$1" "$(tail -1 "$work/time")" "$status"
    sed -n '1p' "$work/out" | sed "s|$work/||" | cut -c1-160 | sed 's/^/    /'
  fi
}

run "3 <var> of 50 values" vars 50
run "10,000 actions" actions 10000
run "40,000 actions" actions 40000
run "400,000 actions" actions 400000
run "5,000 options, one name" options 5000
