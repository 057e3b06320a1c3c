#!/usr/bin/env bash
# cmake --install into a temporary prefix ships the platform's catalogue as const/system.txt, the
# manual page of vorlisk-cli (readable by man) and the guide to item files. Run by ctest:
# install_check.sh BUILD_DIR CATALOGUE.
set -euo pipefail
build=$1 catalogue=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
cmp "$catalogue" "$prefix/share/vorlisk/const/system.txt"
page=$prefix/share/man/man1/vorlisk-cli.1.gz
[ -s "$page" ] || { echo "no manual page at $page"; exit 1; }
if command -v man >/dev/null; then
  man -l "$page" 2>/dev/null | grep -q -- '--verbose' || { echo "the manual page does not render"; exit 1; }
fi
[ -s "$prefix/share/doc/vorlisk/ITEM-FILES.md" ] || { echo "no ITEM-FILES.md"; exit 1; }
"$prefix/bin/vorlisk-cli" --version | grep -q '^vorlisk-cli ' || { echo "no --version"; exit 1; }
echo "install check passed"
