# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
# Writes a text file into a C++ source as a character array, so a program carries it without a file beside
# it: cmake -DINPUT=page.html -DOUTPUT=page.cpp -DNAME=kPage -DNAMESPACE=ns -P embed_text.cmake
# The array ends with a zero byte that NAME##Size does not count.
file(READ "${INPUT}" content HEX)
string(LENGTH "${content}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," content "${content}")
file(WRITE "${OUTPUT}" "// Made by cmake/embed_text.cmake from ${INPUT}; not to be edited.\n#include <cstddef>\nnamespace ${NAMESPACE} {\nextern char const ${NAME}[];\nextern std::size_t const ${NAME}Size;\nchar const ${NAME}[] = {\n${content}'\\0'};\nstd::size_t const ${NAME}Size = ${size};\n}\n")
