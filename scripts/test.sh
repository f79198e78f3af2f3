#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Builds the debug configuration (warnings are errors) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev -j2
