#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Builds the tool and runs its demo: a small example block in a fresh temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target ybblock
build/dev/tools/ybblock/ybblock demo "$@"
