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
# The project has no mail address of its own yet: example.org is a domain reserved for examples
# (RFC 2606), which lintian accepts and nobody can mistake for a real address.
set(CPACK_PACKAGE_CONTACT "The ybBlockFileIO developers <ybblockfileio@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
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
# Packages of an upstream release: version 1.1.0-1, from the source package ybblockfileio.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SOURCE ybblockfileio)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The suite's own libraries are found in the build tree; their package is named by the component
# dependencies below instead.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/src ${PROJECT_BINARY_DIR}/companions)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# Each package's description: its synopsis, then what they share, then what it holds.
string(CONCAT yb_description_tail
  "ybBlockFileIO creates, names, reads, writes and checks the files of a\n"
  "photogrammetric block: the block option file, the image list of strips,\n"
  "point files, the tie point store, camera and orientation parameter files,\n"
  "option files and status reports, byte for byte as their hosts write them.\n\n")
set(YB_DEBIAN_RUNTIME_PACKAGE libybblockfileio${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${YB_DEBIAN_RUNTIME_PACKAGE})
string(CONCAT CPACK_DEBIAN_RUNTIME_DESCRIPTION "library for the files of a photogrammetric block\n"
  "${yb_description_tail}"
  "This package holds the shared library, and its four companion libraries\n"
  "(HostBase, YbiBase, ybiOrient, YbiSurvey) in a folder of its own.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libybblockfileio-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
string(CONCAT CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "photogrammetric block file library - development files\n"
  "${yb_description_tail}"
  "This package holds the headers, the link names, the CMake package and the\n"
  "pkg-config file.")
set(CPACK_DEBIAN_TOOL_PACKAGE_NAME ybblock)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
string(CONCAT CPACK_DEBIAN_TOOL_DESCRIPTION "inspect, check and repair the files of a photogrammetric block\n"
  "${yb_description_tail}"
  "This package holds the command-line tool ybblock: it describes any block\n"
  "file, checks a block, exports and imports tie points, runs the block\n"
  "workflows and writes reports and plots.")
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-ybblockio)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
string(CONCAT CPACK_DEBIAN_PYTHON_DESCRIPTION "Python 3 module for the files of a photogrammetric block\n"
  "${yb_description_tail}"
  "This package holds the Python module ybblockio, which hands the records of\n"
  "the block files over as numpy arrays.")
if(YB_PYTHON_EXECUTABLE)
  execute_process(COMMAND ${YB_PYTHON_EXECUTABLE} -c "import sys; print('%d.%d' % sys.version_info[:2])"
    OUTPUT_VARIABLE python_version OUTPUT_STRIP_TRAILING_WHITESPACE)
  # The module is built for this minor version of Python.
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3 (>= ${python_version}~), python3 (<< ${python_version}.99), python3-numpy")
endif()

# What Debian wants of the packages beside their files (package preset only, YB_DEBIAN_PACKAGES):
# /usr/share/doc/<package>/{copyright,changelog.Debian.gz,changelog.gz} in each, made from LICENSE and
# CHANGELOG.md (cmake/debian_docs.py); the library package's shlibs file and its trigger of ldconfig
# (Debian runs ldconfig on a trigger: CPack's own postinst and postrm, which call it, are taken out of
# the package by cmake/debian_repack.cmake after CPack made it).
if(YB_DEBIAN_PACKAGES AND NOT WIN32)
  find_package(Python3 COMPONENTS Interpreter REQUIRED)
  set(yb_debian_docs ${PROJECT_BINARY_DIR}/debian)
  add_custom_command(OUTPUT ${yb_debian_docs}/copyright ${yb_debian_docs}/changelog.Debian.gz ${yb_debian_docs}/changelog.gz
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/debian_docs.py ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION}
      ${CPACK_DEBIAN_PACKAGE_RELEASE} ${CPACK_DEBIAN_PACKAGE_SOURCE} ${CPACK_PACKAGE_CONTACT} ${yb_debian_docs}
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/debian_docs.py ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/LICENSE
    COMMENT "Debian copyright and changelogs" VERBATIM)
  add_custom_target(yb_debian_docs ALL DEPENDS ${yb_debian_docs}/copyright)
  foreach(component IN LISTS CPACK_COMPONENTS_ALL)
    string(TOUPPER ${component} upper)
    install(FILES ${yb_debian_docs}/copyright ${yb_debian_docs}/changelog.Debian.gz ${yb_debian_docs}/changelog.gz
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME} COMPONENT ${component})
  endforeach()
  file(WRITE ${yb_debian_docs}/control/shlibs
    "libybBlockFileIO ${PROJECT_VERSION_MAJOR} ${YB_DEBIAN_RUNTIME_PACKAGE} (>= ${PROJECT_VERSION})\n")
  file(WRITE ${yb_debian_docs}/control/triggers "activate-noawait ldconfig\n")
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${yb_debian_docs}/control/shlibs ${yb_debian_docs}/control/triggers)
  # Python writes the module's byte code beside it when root imports it; that goes with the package.
  file(WRITE ${yb_debian_docs}/control/python/prerm
    "#!/bin/sh\nset -e\nrm -rf ${CMAKE_INSTALL_PREFIX}/${YB_PYTHON_INSTALL_DIR}/ybblockio/__pycache__\n")
  file(CHMOD ${yb_debian_docs}/control/python/prerm FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA ${yb_debian_docs}/control/python/prerm)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian_repack.cmake)
endif()

set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
include(CPack)
cpack_add_component(Runtime DISPLAY_NAME "Shared libraries" DESCRIPTION "ybBlockFileIO and its companions HostBase, YbiBase, ybiOrient, YbiSurvey")
cpack_add_component(Development DISPLAY_NAME "Development files" DESCRIPTION "Headers, link names, CMake package, pkg-config file" DEPENDS Runtime)
cpack_add_component(Tool DISPLAY_NAME "ybblock" DESCRIPTION "The command-line tool: info, check, explain, tie point export and import, block workflows, reports, plot" DEPENDS Runtime)
cpack_add_component(python DISPLAY_NAME "ybblockio" DESCRIPTION "The Python package: block files as numpy arrays" DEPENDS Runtime)
