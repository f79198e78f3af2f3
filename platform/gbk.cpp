// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "gbk.h"

#include "gbk_backend.h"

namespace yb::platform {
namespace {

bool isAscii(std::string_view text) {
    for (char const c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

std::optional<std::string> gbkToUtf8(std::string_view gbk) {
    if (isAscii(gbk)) return std::string(gbk);
    return backend::gbkToUtf8(gbk);
}

std::optional<std::string> utf8ToGbk(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    return backend::utf8ToGbk(utf8);
}

std::string gbkFromUtf8Literal(std::string_view utf8) {
    if (auto gbk = utf8ToGbk(utf8)) return *gbk;
    return std::string(utf8);
}

std::string gbkToUtf8Lossy(std::string_view gbk) {
    if (auto utf8 = gbkToUtf8(gbk)) return *utf8;
    std::string out;
    for (std::size_t i = 0; i < gbk.size(); i += characterLength(gbk, i)) {
        auto character = gbkToUtf8(gbk.substr(i, characterLength(gbk, i)));
        out += character ? *character : std::string("?");
    }
    return out;
}

}  // namespace yb::platform
