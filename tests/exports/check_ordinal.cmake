# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Windows: HOSTBASE exports the host settings function at ordinal 226 and by that ordinal alone, and
# LIBRARY imports it from there by the ordinal.
execute_process(COMMAND ${OBJDUMP} -p ${HOSTBASE} OUTPUT_VARIABLE host RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT host MATCHES "\\+base\\[ *226\\]")
  message(FATAL_ERROR "HostBase exports nothing at ordinal 226")
endif()
if(host MATCHES "hbGetSettings")
  message(FATAL_ERROR "HostBase exports the settings function by name")
endif()
# And nothing else by ordinal alone: every other entry of the export table has its name (the names are
# checked against tests/exports/companions/HostBase.txt).
string(REGEX MATCHALL "\n\t\\[ *[0-9]+\\] \\+base\\[ *[0-9]+\\]" entries "${host}")
string(FIND "${host}" "[Ordinal/Name Pointer] Table" names_at)
string(SUBSTRING "${host}" ${names_at} -1 names)
string(FIND "${names}" "\n\n" names_end)
string(SUBSTRING "${names}" 0 ${names_end} names)
string(REGEX MATCHALL "\n\t\\[ *[0-9]+\\] [^\n]+" names "${names}")
list(LENGTH entries entry_count)
list(LENGTH names name_count)
math(EXPR nameless "${entry_count} - ${name_count}")
if(NOT nameless EQUAL 1)
  message(FATAL_ERROR "HostBase exports ${nameless} functions by ordinal alone; only the settings function, at 226, "
    "may be (${entry_count} exports, ${name_count} names)")
endif()
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE imports RESULT_VARIABLE rc)
string(FIND "${imports}" "DLL Name: HostBase.dll" start)
if(rc EQUAL 0 AND start GREATER_EQUAL 0)
  string(SUBSTRING "${imports}" ${start} -1 imports)
  string(FIND "${imports}" "\n\n" end)
  string(SUBSTRING "${imports}" 0 ${end} imports)
endif()
# An import by ordinal has the top bit set: 0x80000000000000e2 is ordinal 226.
if(NOT imports MATCHES "\t80*e2\t")
  message(FATAL_ERROR "the library does not import ordinal 226 of HostBase")
endif()
message(STATUS "HostBase exports its settings function at ordinal 226; the library imports it by ordinal")
