#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window managers of the end-to-end desktop matrix (tests/e2e/DesktopMatrixTest.cpp).
#   scripts/desktop-matrix.sh            installs all of them, builds, and runs the matrix alone
#   scripts/desktop-matrix.sh --install  installs the ones CI runs (openbox comes with setup.sh)
set -euo pipefail
cd "$(dirname "$0")/.."

ci_packages=(xfwm4 kwin-x11 mutter marco mate-settings-daemon-common i3-wm picom)
other_packages=(metacity icewm fluxbox)

install() {
    local as_root=()
    if [[ $(id -u) -ne 0 ]]; then
        as_root=(sudo)
    fi
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$@"
}

if [[ ${1:-} == --install ]]; then
    install "${ci_packages[@]}"
    exit 0
fi

install "${ci_packages[@]}" "${other_packages[@]}"
scripts/setup.sh
ctest --test-dir build --output-on-failure -R 'DesktopMatrix' "$@"
