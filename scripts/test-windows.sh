#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Builds the Windows DLLs, ybblock.exe and the tests with MinGW-w64 (warnings are errors) and runs the
# tests under Wine. The first run makes the Wine prefix (build/windows/wine), some 20 s more.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh windows
cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset windows -j2
# The zip of the installed tree (cpack; CMakeLists.txt's packaging), and what it must hold.
rm -rf build/windows/packages
(cd build/windows && cpack >/dev/null)
zip=$(ls build/windows/packages/ybblockfileio-*-windows-x64.zip)
/usr/bin/python3 -m zipfile -l "$zip" >build/windows/packages/contents.txt
for file in bin/ybBlockFileIO.dll bin/HostBase.dll bin/YbiBase.dll bin/ybiOrient.dll bin/YbiSurvey.dll bin/ybblock.exe \
  bin/libstdc++-6.dll include/yb/ybBlockFileIO.h lib/libybBlockFileIO.dll.a lib/cmake/ybBlockFileIO/ybBlockFileIOConfig.cmake; do
  grep -q "/$file " build/windows/packages/contents.txt || { echo "$zip lacks $file"; exit 1; }
done
ls -l "$zip"
