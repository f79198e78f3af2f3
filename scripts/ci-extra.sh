#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# CI after the README's test command: the whole unit suite under AddressSanitizer and
# UndefinedBehaviorSanitizer (the asan preset; any report stops the test), then every fuzzing
# harness for a short while (the fuzz preset: seeds and earlier findings replayed, then new inputs).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh sanitizers
start=$SECONDS
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j2
echo "ci-extra: sanitizer suite built and passed in $((SECONDS - start)) s"
start=$SECONDS
fuzz/run "${YB_CI_FUZZ_SECONDS:-20}"
echo "ci-extra: fuzz step (build and $(ls fuzz/corpus | wc -l) harnesses) done in $((SECONDS - start)) s"
