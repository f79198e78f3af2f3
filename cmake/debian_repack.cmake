# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Run by CPack after it made the packages (CPACK_POST_BUILD_SCRIPTS). CPack gives a package with shared
# libraries in the system's library folder a postinst and a postrm that call ldconfig; Debian runs
# ldconfig through a trigger instead (the library package declares it, see packaging.cmake). Each .deb
# whose maintainer scripts do nothing but that is packed again without them.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  set(unpacked ${package}.repack)
  file(REMOVE_RECURSE ${unpacked})
  execute_process(COMMAND dpkg-deb --raw-extract ${package} ${unpacked} COMMAND_ERROR_IS_FATAL ANY)
  set(changed FALSE)
  foreach(script postinst postrm)
    set(file ${unpacked}/DEBIAN/${script})
    if(EXISTS ${file})
      file(STRINGS ${file} lines)
      list(FILTER lines EXCLUDE REGEX "^(#!/bin/sh|set -e|if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then|[ \t]*ldconfig|fi|[ \t]*)$")
      if(lines)
        message(FATAL_ERROR "${package}: its ${script} does more than call ldconfig:\n${lines}")
      endif()
      file(REMOVE ${file})
      set(changed TRUE)
    endif()
  endforeach()
  if(changed)
    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build ${unpacked} ${package}
      OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(REMOVE_RECURSE ${unpacked})
endforeach()
