# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Installs the build into a scratch prefix, then builds and runs an outside consumer against it,
# once through find_package and once through pkg-config. A cross build passes its TOOLCHAIN file, its
# C++ compiler CXX, the EMULATOR that runs its programs and their EXE_SUFFIX; on Windows the installed
# DLLs are copied beside the consumers, where Windows looks for them.
# With PREFIX instead of BUILD_DIR, the tree installed there already (the Debian packages unpacked) is
# used as it is.
file(REMOVE_RECURSE ${WORK_DIR})
if(PREFIX)
  set(prefix ${PREFIX})
else()
  set(prefix ${WORK_DIR}/prefix)
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
    RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "install failed")
  endif()
endif()
foreach(header ybBlockFileIO.h HostBase.h YbiBase.h ybiOrient.h YbiSurvey.h)
  if(NOT EXISTS ${prefix}/include/yb/${header})
    message(FATAL_ERROR "header ${header} not installed")
  endif()
endforeach()

set(toolchain_option "")
if(TOOLCHAIN)
  set(toolchain_option -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
endif()
# The package folder is named outright: a cross build searches only its target's root.
file(GLOB_RECURSE package_dir ${prefix}/lib*/ybBlockFileIOConfig.cmake)
cmake_path(GET package_dir PARENT_PATH package_dir)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${CONSUMER_DIR}/consumer -B ${WORK_DIR}/consumer -G Ninja
    -DCMAKE_PREFIX_PATH=${prefix} -DybBlockFileIO_DIR=${package_dir} ${toolchain_option} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "consumer configure failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/consumer RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "consumer build failed")
endif()
file(GLOB dlls ${prefix}/bin/*.dll)
if(dlls)
  file(COPY ${dlls} DESTINATION ${WORK_DIR}/consumer)
  file(COPY ${dlls} DESTINATION ${WORK_DIR})
endif()
execute_process(COMMAND ${EMULATOR} ${WORK_DIR}/consumer/consumer${EXE_SUFFIX} ${WORK_DIR}/consumer.dms RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "consumer run failed")
endif()

find_program(PKG_CONFIG pkg-config REQUIRED)
if(NOT CXX)
  find_program(CXX NAMES c++ g++ REQUIRED)
endif()
file(GLOB_RECURSE pc_dirs ${prefix}/lib*/ybBlockFileIO.pc)
cmake_path(GET pc_dirs PARENT_PATH pc_dirs)
set(ENV{PKG_CONFIG_PATH} "${pc_dirs}")
execute_process(COMMAND ${PKG_CONFIG} --cflags --libs ybBlockFileIO
  OUTPUT_VARIABLE flags RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know ybBlockFileIO")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
file(GLOB_RECURSE lib_dir ${prefix}/lib*/libybBlockFileIO.*)
list(GET lib_dir 0 lib_dir)
cmake_path(GET lib_dir PARENT_PATH lib_dir)
set(rpath_option -Wl,-rpath,${lib_dir})
if(dlls)
  set(rpath_option "")
endif()
execute_process(COMMAND ${CXX} -std=c++17 ${CONSUMER_DIR}/consumer/main.cpp ${flags}
    ${rpath_option} -o ${WORK_DIR}/pc_consumer RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config consumer build failed")
endif()
execute_process(COMMAND ${EMULATOR} ${WORK_DIR}/pc_consumer${EXE_SUFFIX} ${WORK_DIR}/pc_consumer.dms RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config consumer run failed")
endif()

# The Python package, when the build made it: the prefix's Python finds it under PYTHON_DIR, and it finds
# the installed libraries by itself.
if(PYTHON AND PYTHON_DIR)
  set(ENV{PYTHONPATH} ${prefix}/${PYTHON_DIR})
  set(ENV{PYTHONNOUSERSITE} 1)
  execute_process(COMMAND ${PYTHON} -c
      "import ybblockio; assert ybblockio.explain(0)['constant'] == 'yb::kSuccess'; assert ybblockio.__file__.startswith('${prefix}'); assert ybblockio.__version__ == '${VERSION}', ybblockio.__version__"
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the installed Python package does not import")
  endif()
endif()
