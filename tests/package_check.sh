#!/usr/bin/env bash
# The Debian package as a user meets it: installed with apt, run by a fresh user (the command line,
# a preview, the window under Xvfb), then removed, leaving no file of it outside that user's home.
# Run as root (CI is): package_check.sh PACKAGE.deb
set -euo pipefail
deb=$(readlink -f "$1")
user=vorlisk-check-$$
cleanup() { userdel -r "$user" >/dev/null 2>&1 || true; }
trap cleanup EXIT

apt-get install -y -qq "$deb" >/dev/null
files=$(dpkg -L vorlisk)
useradd -m -s /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
as_user() { su -s /bin/bash "$user" -c "cd && $1"; }

as_user 'vorlisk-cli --version' | grep -q '^vorlisk-cli ' || { echo "no --version"; exit 1; }
as_user 'vorlisk-cli list' | grep -q 'Firefox Cache' || { echo "the catalogue is not there"; exit 1; }
as_user 'mkdir -p ~/.cache/thumbnails/normal && echo png > ~/.cache/thumbnails/normal/a.png'
as_user 'vorlisk-cli preview Thumbnails' | grep -q 'thumbnails\\normal\\a.png' ||
  { echo "the preview does not list the user's thumbnail"; exit 1; }
[ -s "$home/.local/share/vorlisk/const/system.txt" ] ||
  { echo "no program folder under ~/.local/share/vorlisk"; exit 1; }
# The window, on a virtual screen of the user's own.
as_user 'xvfb-run -a sh -c "vorlisk & p=\$!; sleep 4; xwininfo -root -tree | grep -q \"Vorlisk  V1\"; s=\$?; kill \$p; wait \$p; exit \$s"' ||
  { echo "the window did not appear"; exit 1; }

apt-get remove -y -qq vorlisk >/dev/null
left=0
while IFS= read -r f; do
  [ -e "$f" ] && [ ! -d "$f" ] && { echo "left after removal: $f"; left=1; }
done <<<"$files"
for d in /usr/share/vorlisk /usr/share/doc/vorlisk; do
  [ -e "$d" ] && { echo "left after removal: $d"; left=1; }
done
[ "$left" = 0 ] || exit 1
echo "package check passed: $(basename "$deb") installed, run by a new user, removed cleanly"
