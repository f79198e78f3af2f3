#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# The COLMAP exchange judged by COLMAP itself: installs Debian's COLMAP, builds the dev tree (when
# scripts/test.sh has not) and runs the tests labelled colmap. None of them may be skipped here.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh colmap
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev -L colmap -j2 | tee build/dev/colmap-tests.log
if grep -q "Skipped" build/dev/colmap-tests.log; then
  echo "test-colmap: a COLMAP test was skipped although COLMAP was installed" >&2
  exit 1
fi
