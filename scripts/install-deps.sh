#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, and any named as arguments
# (scripts/fuzz.sh adds clang's), only when one is missing.
set -euo pipefail
packages=(g++ cmake ninja-build pkg-config qt6-base-dev libsdl2-dev nlohmann-json3-dev libcli11-dev
          libgtest-dev libgmock-dev libbenchmark-dev libgmp-dev qt6-svg-dev python3 xvfb xauth
          imagemagick help2man desktop-file-utils libxml2-utils shared-mime-info dpkg-dev file
          libegl-dev libgl-dev libopengl-dev libegl-mesa0 libgl1-mesa-dri libopenmpi-dev openmpi-bin
          appstream lintian "$@")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
