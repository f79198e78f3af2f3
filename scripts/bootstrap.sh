#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Installs what the build needs when a machine lacks it (Debian packages). Does nothing when all is there.
# With "windows", also the Windows cross compiler (MinGW-w64), Wine to run its programs, and GoogleTest's
# sources to build for it.
set -euo pipefail
need=()
lean=()  # installed without recommended packages
if [ "${1:-}" = windows ]; then
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || lean+=(g++-mingw-w64-x86-64-posix)
  command -v wine >/dev/null || lean+=(wine)
  [ -x /usr/lib/wine/wine64 ] || lean+=(wine64)
  [ -f /usr/src/googletest/CMakeLists.txt ] || lean+=(googletest)
fi
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
command -v pkg-config >/dev/null || need+=(pkg-config)
command -v nm >/dev/null || need+=(binutils)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
[ -f /usr/include/CLI/CLI.hpp ] || need+=(libcli11-dev)
[ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
# The COLMAP exchange: SQLite for its database (and its shell, to look into one), and COLMAP itself
# (Debian's 3.8, run without a display), which its tests run to judge the export.
[ -f /usr/include/sqlite3.h ] || need+=(libsqlite3-dev)
command -v sqlite3 >/dev/null || need+=(sqlite3)
command -v colmap >/dev/null || lean+=(colmap)
# The Python package (Debian's own Python, not whatever python3 comes first on PATH) and the plot test.
[ -x /usr/bin/python3 ] || need+=(python3)
[ -f /usr/include/pybind11/pybind11.h ] || need+=(pybind11-dev)
/usr/bin/python3 -c 'import sysconfig, os, sys; sys.exit(not os.path.exists(os.path.join(sysconfig.get_paths()["include"], "Python.h")))' 2>/dev/null || need+=(python3-dev)
/usr/bin/python3 -c 'import numpy' 2>/dev/null || need+=(python3-numpy)
/usr/bin/python3 -c 'import pytest' 2>/dev/null || need+=(python3-pytest)
/usr/bin/python3 -c 'import setuptools' 2>/dev/null || need+=(python3-setuptools)
/usr/bin/python3 -m pip --version >/dev/null 2>&1 || need+=(python3-pip)
# The type stubs are checked against the README's session.
/usr/bin/python3 -c 'import mypy' 2>/dev/null || lean+=(python3-mypy)
command -v rsvg-convert >/dev/null || need+=(librsvg2-bin)
# The release checks: the ABI against its baseline, the reference, the packages and the wheel.
command -v abidw >/dev/null || need+=(abigail-tools)
command -v doxygen >/dev/null || need+=(doxygen)
command -v dpkg-shlibdeps >/dev/null || need+=(dpkg-dev)
command -v fakeroot >/dev/null || need+=(fakeroot)
/usr/bin/python3 -c 'import wheel' 2>/dev/null || need+=(python3-wheel)
/usr/bin/python3 -c 'import venv, ensurepip' 2>/dev/null || need+=(python3-venv)
# The fuzz preset (clang with libFuzzer) and the coverage report.
command -v clang++ >/dev/null || need+=(clang)
compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null || need+=(libclang-rt-14-dev)
command -v gcovr >/dev/null || need+=(gcovr)
if [ $((${#need[@]} + ${#lean[@]})) -gt 0 ]; then
  echo "bootstrap: installing ${need[*]} ${lean[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  [ ${#need[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
  [ ${#lean[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${lean[@]}"
fi
