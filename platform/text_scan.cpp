// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "text_scan.h"

namespace yb::platform {

bool readLine(std::FILE* stream, std::string& line, std::size_t limit) {
    line.clear();
    int c = std::getc(stream);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::getc(stream)) {
        if (line.size() < limit) line.push_back(static_cast<char>(c));
    }
    return std::ferror(stream) == 0;
}

}  // namespace yb::platform
