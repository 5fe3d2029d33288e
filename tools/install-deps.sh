#!/usr/bin/env bash
# Installs the Debian packages that building and testing Tegulo needs, only the missing ones.
# Usage: tools/install-deps.sh [--for test|fuzz] [extra-package ...]
#   test (the default): everything `make test`, `make asan` and `make package` use;
#   fuzz: only what the fuzz build needs (clang, the core's and tegulo-cli's libraries; no
#   Qt, test frameworks or manual-page tools).
# Another apt or dpkg holding the package manager's lock is waited for (up to 10 minutes).
set -euo pipefail

target=test
if [[ ${1:-} == --for ]]; then
  target=${2:?"--for needs test or fuzz"}
  shift 2
fi

# The core and tegulo-cli, which every build configures.
core=(cmake make g++ pkg-config libpng-dev zlib1g-dev libdeflate-dev libcli11-dev)
case "$target" in
  test)
    packages=(
      "${core[@]}"
      qt6-base-dev libgl-dev
      libgtest-dev libgmock-dev libbenchmark-dev
      fonts-dejavu-core
      help2man man-db                              # the manual pages: written, then checked
      desktop-file-utils appstream shared-mime-info # validators of the installed desktop files
      dpkg-dev file                                # dpkg-shlibdeps for the .deb's dependencies
      xvfb openbox x11-utils                       # a private X server and window manager for tests
    )
    ;;
  fuzz) packages=("${core[@]}" clang libclang-rt-14-dev) ;;
  *)
    echo "install-deps.sh: unknown target '$target' (test or fuzz)" >&2
    exit 2
    ;;
esac
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
lock_wait=600

# Runs an apt-get command, waiting while another process holds the package manager's lock:
# apt waits for the dpkg lock itself; the lists lock of `update` is retried here.
apt() {
  local waited=0 log
  log=$(mktemp)
  while true; do
    if $SUDO apt-get -o DPkg::Lock::Timeout=$lock_wait "$@" 2>"$log"; then
      cat "$log" >&2
      rm -f "$log"
      return 0
    fi
    cat "$log" >&2
    if ! grep -qiE "could not get lock|unable to lock|is another process using it" "$log" ||
      ((waited >= lock_wait)); then
      rm -f "$log"
      return 1
    fi
    echo "install-deps.sh: the package manager is busy; waiting" >&2
    sleep 5
    waited=$((waited + 5))
  done
}

echo "Installing: ${missing[*]}"
apt update
apt install -y --no-install-recommends "${missing[@]}"
