#!/usr/bin/env bash
# Installs the Debian packages Formix builds and tests with, if any is missing.
# Usage: scripts/install-deps.sh [extra-package ...]  (the Makefile adds the Windows build's and
# the Wine test's packages only for the targets that need them)
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  clang libclang-rt-14-dev          # libFuzzer and the sanitizers
  libgtest-dev libgmock-dev googletest
  libbenchmark-dev
  nlohmann-json3-dev
  qt6-base-dev libqt6svg6 libxcb1-dev libxcb-xtest0-dev libxcb-keysyms1-dev libxcb-res0-dev   # formix and libfmxhook.so on X11
  libwayland-dev libxkbcommon-dev plasma-wayland-protocols                    # formix on Wayland (KWin: fake input)
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get -o Dpkg::Lock::Timeout=900 update -qq
$sudo apt-get -o Dpkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}"
