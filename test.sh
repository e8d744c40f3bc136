#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Vantrel and runs the whole test suite. Extra arguments go to ctest (for example -L unit).
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
ctest --test-dir build --output-on-failure --no-tests=error -j2 "$@"
