#!/usr/bin/env bash
# Installs the Debian packages the build needs, or those given as arguments, when missing.
set -euo pipefail
packages=(g++ cmake make libgtest-dev libgmock-dev googletest libbenchmark-dev libcli11-dev
          libpugixml-dev pkg-config qt6-base-dev libxcb1-dev libxcb-keysyms1-dev xvfb xauth x11-utils)
(($#)) && packages=("$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq || true
  $sudo apt-get install -y -qq "${missing[@]}"
fi
