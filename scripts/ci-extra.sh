#!/usr/bin/env bash
# CI after the README's test command: the whole unit suite under AddressSanitizer and
# UndefinedBehaviorSanitizer (the asan preset; any report stops the test), then every fuzzing
# harness for a short while (the fuzz preset: seeds and earlier findings replayed, then new inputs).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j2
fuzz/run "${YB_CI_FUZZ_SECONDS:-20}"
