#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the Windows run need.
# Calls apt-get only when something is missing, so repeated runs are quick.
set -euo pipefail

packages=(
  cmake make g++ clang lld llvm clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libnifti2-dev libcli11-dev libpng-dev zlib1g-dev nlohmann-json3-dev
  python3-nibabel python3-numpy python3-dev pybind11-dev python3-pytest
  libwine-dev wine64
  chromium
  valgrind
  snakemake
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
# With recommends, as on the machines the Wine run was proven on (wine64 recommends the wine suite).
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
