#!/usr/bin/env bash
# Installs the Debian packages the build needs, and only when one is missing.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgtest-dev libgmock-dev
          libbenchmark-dev clang libclang-rt-14-dev clang-format libx11-dev)
# The image readers are checked against other people's tools: srec_cat writes Intel HEX and
# S-record files, ld and objcopy (binutils) link and flatten ELF files.
packages+=(srecord binutils)
# The GUI tests: the dialog's texts are measured in each of these font families alone (ctest
# label "fonts"), and the lock indicators are read from an X server under xvfb-run ("x11").
packages+=(fontconfig fonts-dejavu-core fonts-liberation2 fonts-urw-base35 xvfb xauth)
if [[ "${KVEN_SCREENSHOTS:-0}" == 1 ]]; then
    packages+=(imagemagick x11-utils)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# Another install on this machine holds dpkg's lock for a while: wait for it, do not fail.
$sudo apt-get -o DPkg::Lock::Timeout=900 update -qq
$sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}"
