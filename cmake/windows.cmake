# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Windows builds (MinGW-w64 here; the same settings serve Visual Studio). Every DLL exports exactly the
# functions its header marks YB_API, which the suite's own sources build with YB_BUILDING_SUITE.
add_compile_definitions(YB_BUILDING_SUITE)
# Windows finds a program's DLLs beside it: programs and DLLs share one folder.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
# DLLs carry their library's own name (HostBase.dll); import libraries keep the lib prefix.
set(CMAKE_SHARED_LIBRARY_PREFIX "")

# The MinGW runtime DLLs go beside the programs and into the installed bin folder.
set(YB_WINDOWS_RUNTIME "")
if(MINGW)
  foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
      OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(IS_ABSOLUTE "${found}" AND EXISTS "${found}")
      file(REAL_PATH "${found}" found)
      file(COPY "${found}" DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
      list(APPEND YB_WINDOWS_RUNTIME "${found}")
    endif()
  endforeach()
endif()

# A module-definition file for a DLL whose exports need more than a name (an ordinal).
function(yb_windows_module_definition target template)
  configure_file(${template} ${CMAKE_CURRENT_BINARY_DIR}/${target}.def @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
endfunction()

# A cross build takes the tool's header-only libraries (CLI11, nlohmann/json) from the build machine's
# packages: their headers alone, through a folder of their own, since /usr/include belongs to Linux.
if(CMAKE_CROSSCOMPILING)
  set(YB_HEADER_ONLY_INCLUDE ${PROJECT_BINARY_DIR}/header-only)
  foreach(folder CLI nlohmann)
    if(IS_DIRECTORY /usr/include/${folder} AND NOT EXISTS ${YB_HEADER_ONLY_INCLUDE}/${folder})
      file(MAKE_DIRECTORY ${YB_HEADER_ONLY_INCLUDE})
      file(CREATE_LINK /usr/include/${folder} ${YB_HEADER_ONLY_INCLUDE}/${folder} SYMBOLIC)
    endif()
  endforeach()
  set(CLI11_DIR ${PROJECT_SOURCE_DIR}/cmake/header-only CACHE PATH "CLI11 for the cross build")
  set(nlohmann_json_DIR ${PROJECT_SOURCE_DIR}/cmake/header-only CACHE PATH "nlohmann/json for the cross build")
endif()
