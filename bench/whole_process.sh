#!/usr/bin/env bash
# vorlisk-cli as a user runs it, against find(1), whole processes timed by hyperfine (rotated
# warm runs, medians), with the peak memory of each (/usr/bin/time). For each size N (files; half
# of them named *.tmp, 100 to a folder): the preview of an item "X:\tree\*.tmp" with subfolders
# against `find TREE -type f -name '*.tmp'`, and its quick wash (log off) against
# `find TREE -type f -name '*.tmp' -delete`, each wash on a tree made anew before every run.
#
#   bash bench/whole_process.sh [N...]        (default: 10000 100000 1000000)
# Uses build/vorlisk-cli (bash scripts/build.sh first). The in-process benchmarks under bench/
# (bench_search, bench_quick_wash, ...) time parts of the program for profiling; these figures
# are the ones a user sees.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh hyperfine time >/dev/null
cli=$PWD/build/vorlisk-cli
[ -x "$cli" ] || { echo "build/vorlisk-cli is missing: run bash scripts/build.sh" >&2; exit 1; }
sizes=("$@")
((${#sizes[@]})) || sizes=(10000 100000 1000000)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# make_tree DIR N: N files, 100 to a folder, every other one *.tmp.
make_tree() {
  python3 - "$1" "$2" <<'PY'
import os, sys
root, n = sys.argv[1], int(sys.argv[2])
for i in range(n):
    d = os.path.join(root, "d%d" % (i // 10000), "e%d" % (i // 100 % 100))
    if i % 100 == 0:
        os.makedirs(d, exist_ok=True)
    open(os.path.join(d, "f%d.%s" % (i, "tmp" if i % 2 == 0 else "dat")), "w").close()
PY
}

# The program folder: one item whose entry walks X:\tree for *.tmp; no log.
prog=$work/prog
mkdir -p "$prog/const" "$work/home"
printf '[Common]\r\nTotal=1\r\nItem0=Tree\r\n[Tree]\r\nIsActive=1\r\nIsSpecial=0\r\ntFolder.Total=1\r\ntFolder0.ChildItemName=tmp\r\ntFolder0.isactive=1\r\ntFolder0.bycategory=1\r\ntFolder0.deletepath=X:\\tree\\*.tmp\r\ntFolder0.IsIncludeSubfolder=1\r\ntRegister.Total=0\r\n' >"$prog/const/system.txt"
printf '[Log]\r\nWrite to Log=0\r\n[Delete Option]\r\nUse Quick=1\r\n' >"$prog/wildcard.ini"
export VORLISK_DRIVES="X=$work/x" HOME=$work/home XDG_DATA_HOME=$work/home/data \
  XDG_CACHE_HOME=$work/home/cache XDG_CONFIG_HOME=$work/home/config

peak() {  # peak() COMMAND...: the peak resident memory in KB
  /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1
}
ratio() { python3 -c "import json,sys; r=json.load(open(sys.argv[1]))['results']; print('%.2f' % (r[0]['median']/r[1]['median']))" "$1"; }
median_ms() { python3 -c "import json,sys; r=json.load(open(sys.argv[1]))['results']; print('%.0f %.0f' % (r[0]['median']*1e3, r[1]['median']*1e3))" "$1"; }

printf '%-9s %-8s %10s %10s %7s %12s %12s\n' files what vorlisk find ratio "peak vorlisk" "peak find"
for n in "${sizes[@]}"; do
  rm -rf "$work/x" "$work/seed"
  mkdir -p "$work/x"
  make_tree "$work/seed" "$n"
  cp -r "$work/seed" "$work/x/tree"
  runs=$((n >= 1000000 ? 3 : n >= 100000 ? 5 : 10))
  hyperfine -N -w 1 -r "$runs" --export-json "$work/p.json" \
    "$cli --home $prog preview 0" "find $work/x/tree -type f -name *.tmp" >/dev/null
  read -r pv pf <<<"$(median_ms "$work/p.json")"
  mv_=$(peak "$cli" --home "$prog" preview 0)
  mf=$(peak find "$work/x/tree" -type f -name '*.tmp')
  printf '%-9s %-8s %8s ms %8s ms %7s %9s KB %9s KB\n' "$n" preview "$pv" "$pf" "$(ratio "$work/p.json")" "$mv_" "$mf"
  # Washes, on a tree copied anew before each run (the copy is not timed, and is flushed first:
  # else its write-back falls into whichever run comes next).
  hyperfine -N -r "$runs" --export-json "$work/w.json" \
    --prepare "sh -c 'rm -rf $work/x/tree && cp -al $work/seed $work/x/tree && sync'" \
    "$cli --home $prog wash 0 --yes" "find $work/x/tree -type f -name *.tmp -delete" >/dev/null
  read -r wv wf <<<"$(median_ms "$work/w.json")"
  printf '%-9s %-8s %8s ms %8s ms %7s\n' "$n" wash "$wv" "$wf" "$(ratio "$work/w.json")"
done
