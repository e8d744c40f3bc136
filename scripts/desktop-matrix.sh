#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window managers of the end-to-end desktop matrix (tests/e2e/DesktopMatrixTest.cpp).
#   scripts/desktop-matrix.sh            installs all of them, builds, and runs the matrix alone
#   scripts/desktop-matrix.sh --install  installs them only, as CI does (openbox comes with setup.sh)
set -euo pipefail
cd "$(dirname "$0")/.."

# marco aborts without the MATE schemas; mutter starts XWayland, which it does not depend on.
packages=(xfwm4 kwin-x11 kwin-wayland mutter xwayland marco mate-settings-daemon-common metacity
          icewm fluxbox i3-wm picom)

install() {
    local as_root=()
    if [[ $(id -u) -ne 0 ]]; then
        as_root=(sudo)
    fi
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$@"
}

if [[ ${1:-} == --install ]]; then
    install "${packages[@]}"
    exit 0
fi

install "${packages[@]}"
scripts/setup.sh
ctest --test-dir build --output-on-failure -R 'DesktopMatrix' "$@"
