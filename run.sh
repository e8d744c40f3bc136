#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Vantrel and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
exec build/src/vantrel "$@"
