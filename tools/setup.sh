#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent: when everything is
# present it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 xvfb x11-utils imagemagick fonts-ipafont-gothic
  googletest libgtest-dev libbenchmark-dev libpng-dev nlohmann-json3-dev libcli11-dev
  libagg-dev libcairo2-dev
  clang libclang-rt-14-dev llvm
  clang-format python3 zip unzip
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
echo "setup: all packages present"
