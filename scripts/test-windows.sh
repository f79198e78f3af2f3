#!/usr/bin/env bash
# Builds the Windows DLLs, ybblock.exe and the tests with MinGW-w64 (warnings are errors) and runs the
# tests under Wine. The first run makes the Wine prefix (build/windows/wine), some 20 s more.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh windows
cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset windows -j2
