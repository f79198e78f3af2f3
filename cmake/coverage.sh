#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# The coverage target: runs the whole (built) unit suite from zero counts, then prints line and branch
# coverage of src/, platform/ and companions/.  Usage: coverage.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source=$1
build=$2
cd "$build"
# Notes of objects an earlier layout of the build made (a source moved to another target) would be
# merged with the current ones; only objects the build still has count.
find . -name '*.gcno' | while read -r notes; do
  [ -f "${notes%.gcno}.o" ] || rm -f "$notes"
done
find . -name '*.gcda' -delete
ctest --test-dir . -j2 --output-on-failure
# The build folder is the only place searched: elsewhere in the tree (a Wine prefix's drive Z: is /)
# other builds' counts would be found.
gcovr --root "$source" --object-directory . \
  --filter "$source/src/" --filter "$source/platform/" --filter "$source/companions/" \
  --exclude-throw-branches --exclude-unreachable-branches --print-summary .
