# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Makes the Wine prefix the Windows tests run in, and maps a folder of the build as its drive D:, the
# scratch drive of the tests. The prefix is made once per build folder (Wine takes some 20 s for it);
# the drive is made anew, empty, for every test run.
#   WINE, WINESERVER: programs; PREFIX: the prefix folder; DRIVE: the folder mapped as D:
set(ENV{WINEPREFIX} ${PREFIX})
set(ENV{WINEDEBUG} -all)
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
if(NOT EXISTS ${PREFIX}/system.reg)
  message(STATUS "making the Wine prefix ${PREFIX}")
  get_filename_component(parent ${PREFIX} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  execute_process(COMMAND ${WINE} wineboot --init RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "wineboot failed (${rc})")
  endif()
  # The prefix is complete once its server has written the registry and gone.
  execute_process(COMMAND ${WINESERVER} -w)
endif()
if(NOT IS_DIRECTORY ${PREFIX}/dosdevices)
  message(FATAL_ERROR "${PREFIX} is not a Wine prefix")
endif()

file(REMOVE_RECURSE ${DRIVE})
file(MAKE_DIRECTORY ${DRIVE})
file(REMOVE ${PREFIX}/dosdevices/d: ${PREFIX}/dosdevices/d::)
file(CREATE_LINK ${DRIVE} ${PREFIX}/dosdevices/d: SYMBOLIC)
message(STATUS "drive D: is ${DRIVE}")
