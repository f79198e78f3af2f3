# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Windows tests run under Wine: one prefix for the whole run, made by a setup test that every test
# needing Wine depends on, with a folder of the build mapped as the scratch drive D:.
find_program(YB_WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(YB_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine/prefix)
# The scratch drive lives in memory where the machine has /dev/shm: the libraries sync what they write,
# and Wine hands each flush to the disk, which on a disk costs the robustness tests minutes.
string(MD5 build_key "${PROJECT_BINARY_DIR}")
if(IS_DIRECTORY /dev/shm)
  set(YB_WINE_DRIVE /dev/shm/yb-wine-${build_key}/drive_d)
else()
  set(YB_WINE_DRIVE ${PROJECT_BINARY_DIR}/wine/drive_d)
endif()
set(YB_WINE_ENVIRONMENT
  WINEPREFIX=${YB_WINE_PREFIX} WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=")

add_test(NAME wine_prefix
  COMMAND ${CMAKE_COMMAND}
    -DWINE=${CMAKE_CROSSCOMPILING_EMULATOR} -DWINESERVER=${YB_WINESERVER}
    -DPREFIX=${YB_WINE_PREFIX} -DDRIVE=${YB_WINE_DRIVE}
    -P ${CMAKE_CURRENT_LIST_DIR}/setup_prefix.cmake)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300 RESOURCE_LOCK scratch_drive)

# Runs the given tests in the prefix.
function(yb_run_under_wine)
  set_tests_properties(${ARGN} PROPERTIES
    FIXTURES_REQUIRED wine
    ENVIRONMENT "${YB_WINE_ENVIRONMENT};YB_TEST_SCRATCH_DRIVE=D:")
endfunction()
