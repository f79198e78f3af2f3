# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# 64-bit Windows with the MinGW-w64 cross compiler (Debian: g++-mingw-w64-x86-64-posix). The posix
# thread model gives std::thread and std::mutex. Programs built here run on this machine under Wine,
# which ctest uses as the emulator when it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(YB_MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${YB_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${YB_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${YB_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${YB_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${YB_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")
set(CMAKE_NM ${YB_MINGW_TRIPLET}-nm CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${YB_MINGW_TRIPLET}-objdump CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${YB_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and tools are run through Wine (wine64 where the 32-bit loader is absent).
find_program(YB_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(YB_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${YB_WINE})
endif()
