#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build and the tests need (only those missing), then
# configures and builds into build/. Shared by run.sh and test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-svg-dev qt6-image-formats-plugins libheif-dev liblz4-dev libzstd-dev libxcb1-dev libxcb-xfixes0-dev bootstrap-icons libicu-dev
    libgtest-dev appstream dpkg-dev file
    xvfb xauth openbox xcompmgr xdotool x11-utils imagemagick fonts-dejavu-core
    fonts-noto-color-emoji trayer dbus-daemon
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    as_root=()
    if [[ $(id -u) -ne 0 ]]; then
        as_root=(sudo)
    fi
    "${as_root[@]}" apt-get update
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVANTREL_WERROR="${VANTREL_WERROR:-OFF}" >/dev/null
cmake --build build
