#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Installs what a step needs when the machine lacks it (Debian packages); does nothing when all is there.
# Always what the dev build and its unit tests need; each named group adds what one step needs besides:
#   colmap      COLMAP itself (its tests judge the exchange: ctest -L colmap) and the SQLite shell
#   release     abigail-tools (the ABI check), doxygen (the reference), reuse (the licence check)
#   package     the Debian packaging tools, lintian, man (the packages and their test) and the wheel's
#   sanitizers  clang with libFuzzer (the asan and fuzz presets)
#   coverage    gcovr (the coverage preset)
#   bench       Google Benchmark (the release preset and bench/run)
#   windows     the Windows cross compiler (MinGW-w64), Wine to run its programs, GoogleTest's sources
#   browser     Debian's Chromium, and Node.js with npm (the report page's tests in tests/browser)
# Usage: scripts/bootstrap.sh [GROUP...]
set -euo pipefail
need=()
lean=()  # installed without recommended packages
python=/usr/bin/python3
# (-I: the working directory, where build/ lies, is no place to find a module in)
has_module() { "$python" -I -c "import $1" 2>/dev/null; }

# The dev build and the unit tests.
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
command -v pkg-config >/dev/null || need+=(pkg-config)
command -v nm >/dev/null || need+=(binutils)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/CLI/CLI.hpp ] || need+=(libcli11-dev)
[ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
# The COLMAP exchange is built with SQLite for its database.
[ -f /usr/include/sqlite3.h ] || need+=(libsqlite3-dev)
# The Python package (Debian's own Python, not whatever python3 comes first on PATH), its tests, the
# check of its type stubs (mypy) and the plot test (rsvg-convert).
[ -x "$python" ] || need+=(python3)
[ -f /usr/include/pybind11/pybind11.h ] || need+=(pybind11-dev)
"$python" -c 'import sysconfig, os, sys; sys.exit(not os.path.exists(os.path.join(sysconfig.get_paths()["include"], "Python.h")))' 2>/dev/null || need+=(python3-dev)
has_module numpy || need+=(python3-numpy)
has_module pytest || need+=(python3-pytest)
has_module mypy || lean+=(python3-mypy)
command -v rsvg-convert >/dev/null || need+=(librsvg2-bin)

for group in "$@"; do
  case $group in
    colmap)
      # Debian's COLMAP 3.8, run without a display.
      command -v colmap >/dev/null || lean+=(colmap)
      command -v sqlite3 >/dev/null || need+=(sqlite3)
      ;;
    release)
      command -v abidw >/dev/null || need+=(abigail-tools)
      command -v doxygen >/dev/null || need+=(doxygen)
      command -v reuse >/dev/null || lean+=(reuse)
      ;;
    package)
      command -v dpkg-shlibdeps >/dev/null || need+=(dpkg-dev)
      command -v fakeroot >/dev/null || need+=(fakeroot)
      command -v lintian >/dev/null || lean+=(lintian)
      command -v help2man >/dev/null || lean+=(help2man)
      command -v man >/dev/null || lean+=(man-db)
      has_module build || lean+=(python3-build)
      has_module wheel || need+=(python3-wheel)
      has_module setuptools || need+=(python3-setuptools)
      "$python" -m pip --version >/dev/null 2>&1 || need+=(python3-pip)
      has_module 'venv, ensurepip' || need+=(python3-venv)
      ;;
    sanitizers)
      command -v clang++ >/dev/null || need+=(clang)
      compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null || need+=(libclang-rt-14-dev)
      ;;
    coverage) command -v gcovr >/dev/null || need+=(gcovr) ;;
    bench) [ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev) ;;
    browser)
      command -v chromium >/dev/null || need+=(chromium)
      command -v node >/dev/null || need+=(nodejs)
      command -v npm >/dev/null || need+=(npm)
      ;;
    windows)
      command -v x86_64-w64-mingw32-g++-posix >/dev/null || lean+=(g++-mingw-w64-x86-64-posix)
      command -v wine >/dev/null || lean+=(wine)
      [ -x /usr/lib/wine/wine64 ] || lean+=(wine64)
      [ -f /usr/src/googletest/CMakeLists.txt ] || lean+=(googletest)
      ;;
    *) echo "bootstrap: no group '$group' (see the head of scripts/bootstrap.sh)" >&2; exit 2 ;;
  esac
done

if [ $((${#need[@]} + ${#lean[@]})) -gt 0 ]; then
  echo "bootstrap: installing ${need[*]} ${lean[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  [ ${#need[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
  [ ${#lean[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${lean[@]}"
fi
