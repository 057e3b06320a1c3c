#!/usr/bin/env bash
# The Windows command line as a user runs it, under Wine (WINEPREFIX set by the caller): the
# shipped Windows catalogue listed; an item made with the command line whose folder entry names a
# temporary folder and whose registry entry names values made with "wine reg add"; its preview
# lists exactly those files and values; its wash removes them and keeps the rest.
#   cli_smoke.sh VORLISK_CLI_EXE CATALOGUE
set -euo pipefail
exe=$1
catalogue=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "cli-smoke: FAILED: $*" >&2
  exit 1
}
win() { winepath -w "$1" 2>/dev/null; }
cli() { wine "$exe" --home "$(win "$work/program")" "$@" 2>&1 | tr -d '\r'; }

mkdir -p "$work/program/const" "$work/data/sub" "$work/data/keep"
cp "$catalogue" "$work/program/const/system.txt"
printf x >"$work/data/a.tmp"
printf xy >"$work/data/sub/b.tmp"
printf kept >"$work/data/keep.txt"
printf kept >"$work/data/keep/c.log"
key='HKCU\Software\Vorlisk Smoke\Recent'
wine reg add "$key" /v first /d 'C:\one.txt' /f >/dev/null 2>&1
wine reg add "$key" /v second /d 'C:\two.txt' /f >/dev/null 2>&1

out=$(cli list)
grep -q 'Windows Temporary Files' <<<"$out" || fail "list: no shipped item ($out)"

data=$(win "$work/data")
cli item add Smoke >/dev/null || fail "item add"
cli entry add Smoke folder --name Temporary --kind mask --path "$data\\*.tmp" --subfolders --active \
  >/dev/null || fail "entry add folder"
cli entry add Smoke registry --name Recent --type values \
  --key 'HKEY_CURRENT_USER\Software\Vorlisk Smoke\Recent' --active >/dev/null || fail "entry add registry"

preview=$(cli preview Smoke)
echo "$preview" | sed 's/^/cli-smoke: preview: /'
for expect in "$data\\a.tmp" "$data\\sub\\b.tmp" 'first' 'second'; do
  grep -qF "$expect" <<<"$preview" || fail "preview lacks $expect"
done
grep -q 'keep' <<<"$preview" && fail "preview lists a file the entry does not name"

cli wash Smoke --yes | sed 's/^/cli-smoke: wash: /'
[ -e "$work/data/a.tmp" ] && fail "a.tmp was not washed"
[ -e "$work/data/sub/b.tmp" ] && fail "sub/b.tmp was not washed"
[ -e "$work/data/keep.txt" ] && [ -e "$work/data/keep/c.log" ] || fail "a file to keep is gone"
values=$(wine reg query "$key" 2>&1 | tr -d '\r')
grep -qE 'first|second' <<<"$values" && fail "registry values left: $values"
echo "cli-smoke: list, preview and wash behaved"
