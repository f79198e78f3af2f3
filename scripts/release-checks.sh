#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# The checks of a release that the unit suite leaves to tools of their own: every file's licence
# (reuse lint), the ABI of the five libraries against abi/ (ctest -L abi: abigail-tools) and the
# reference of the public headers (doxygen; an undocumented declaration fails). Installs those tools,
# then builds the dev tree (when scripts/test.sh has not) and configures it again so that it finds them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh release
reuse lint
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev -L abi | tee build/dev/abi-tests.log
grep -q "100% tests passed, 0 tests failed out of [1-9]" build/dev/abi-tests.log ||
  { echo "release-checks: the ABI tests did not run" >&2; exit 1; }
start=$SECONDS
cmake --build --preset docs
echo "release-checks: reference built in $((SECONDS - start)) s: build/dev/docs/html/index.html"
