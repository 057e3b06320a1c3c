#!/usr/bin/env bash
# Builds the Debian package in build-deb/ as a packager would (the flags of dpkg-buildflags,
# warnings not errors, installed under /usr) and checks it with lintian, which must report no
# error and no warning. Prints the package's path last.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/deps.sh dpkg-dev lintian file
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DVORLISK_BUILD_TESTS=OFF -DVORLISK_BUILD_BENCH=OFF >/dev/null
cmake --build build-deb -j "$(nproc)"
rm -f build-deb/vorlisk_*.deb
(cd build-deb && cpack -G DEB >/dev/null)
deb=$(ls build-deb/vorlisk_*.deb)
lintian --fail-on error,warning --info "$deb" >&2
echo "$deb"
