#!/usr/bin/env bash
# Installs the Debian packages that building and testing Tegulo needs, only the missing ones.
# Usage: tools/install-deps.sh [extra-package ...]
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libgl-dev
  libpng-dev zlib1g-dev libdeflate-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev
  clang-format-14                              # tools/check-format.sh: the format CI checks
  fonts-dejavu-core
  help2man man-db                              # the manual pages: written, then checked
  desktop-file-utils appstream shared-mime-info # validators of the installed desktop files
  dpkg-dev file                                # dpkg-shlibdeps for the .deb's dependencies
  xvfb openbox x11-utils                       # a private X server and window manager for tests
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
