# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Packages (cpack in a configured tree). On Linux: Debian packages split as Debian splits a library:
#   libybblockfileio1      the five shared libraries (component Runtime)
#   libybblockfileio-dev   headers, link names, the CMake package and ybBlockFileIO.pc (Development)
#   ybblock                the tool (Tool)
#   python3-ybblockio      the Python package for Debian's python3 (python)
# and a .tar.gz of the whole installed tree. On Windows a .zip of the installed tree (DLLs, ybblock.exe,
# the MinGW runtime, headers, import libraries, the CMake package). The package preset configures the
# paths Debian uses (prefix /usr, lib/<multiarch>, lib/python3/dist-packages); scripts/package.sh makes
# and tests them.
set(CPACK_PACKAGE_NAME ybblockfileio)
set(CPACK_PACKAGE_VENDOR ybBlockFileIO)
set(CPACK_PACKAGE_CONTACT "ybBlockFileIO maintainers <ybblockfileio@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "The files of a photogrammetric block: options, image lists, points, tie points, parameters, reports")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL Runtime Development Tool)
if(YB_PYTHON_PACKAGE_DIR)
  list(APPEND CPACK_COMPONENTS_ALL python)
endif()
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x64)
else()
  set(CPACK_GENERATOR DEB TGZ)
endif()

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The suite's own libraries are found in the build tree; their package is named by the component
# dependencies below instead.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/src ${PROJECT_BINARY_DIR}/companions)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libybblockfileio${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libybblockfileio-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_TOOL_PACKAGE_NAME ybblock)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-ybblockio)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
if(YB_PYTHON_EXECUTABLE)
  execute_process(COMMAND ${YB_PYTHON_EXECUTABLE} -c "import sys; print('%d.%d' % sys.version_info[:2])"
    OUTPUT_VARIABLE python_version OUTPUT_STRIP_TRAILING_WHITESPACE)
  # The module is built for this minor version of Python.
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3 (>= ${python_version}~), python3 (<< ${python_version}.99), python3-numpy")
endif()

set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
include(CPack)
cpack_add_component(Runtime DISPLAY_NAME "Shared libraries" DESCRIPTION "ybBlockFileIO and its companions HostBase, YbiBase, ybiOrient, YbiSurvey")
cpack_add_component(Development DISPLAY_NAME "Development files" DESCRIPTION "Headers, link names, CMake package, pkg-config file" DEPENDS Runtime)
cpack_add_component(Tool DISPLAY_NAME "ybblock" DESCRIPTION "The command-line tool: info, check, explain, tie point export and import, block workflows, reports, plot" DEPENDS Runtime)
cpack_add_component(python DISPLAY_NAME "ybblockio" DESCRIPTION "The Python package: block files as numpy arrays" DEPENDS Runtime)
