// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// GBK (code page 936) text: lead-byte test and strict conversion to and from UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace yb::platform {

// 0x81..0xFE starts a double-byte character; its second byte may be '\\' or an ASCII letter.
constexpr bool isGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Bytes of the character that starts at `i`: 2 for a lead byte with a byte after it, else 1. Every
// walk over GBK text steps by this, so the second byte of a character is never taken for a
// separator, a dot or a letter.
constexpr std::size_t characterLength(std::string_view text, std::size_t i) {
    return isGbkLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// Bytes of the longest run of whole characters at the start of `text` that fits in `limit` bytes.
constexpr std::size_t wholeCharactersWithin(std::string_view text, std::size_t limit) {
    std::size_t end = 0;
    for (std::size_t next = 0; next < text.size() && (next += characterLength(text, next)) <= limit;) end = next;
    return end;
}

// 'A'..'Z' lower-cased, every other byte kept: GBK and UTF-8 bytes of other characters are never letters.
constexpr char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The code point of the UTF-8 character at `at`, which moves past it (text the conversions made: a
// character cut short at the end takes what is there).
constexpr char32_t takeCodePoint(std::string_view utf8, std::size_t& at) {
    auto const lead = static_cast<unsigned char>(utf8[at]);
    std::size_t const length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t point = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length && at + k < utf8.size(); ++k)
        point = (point << 6) | (static_cast<unsigned char>(utf8[at + k]) & 0x3Fu);
    at += length;
    return point;
}

// Strict conversions: a dangling lead byte or an unmappable character gives no result.
std::optional<std::string> gbkToUtf8(std::string_view gbk);
std::optional<std::string> utf8ToGbk(std::string_view utf8);

// For texts the library itself owns (messages, report lines): they always convert.
std::string gbkFromUtf8Literal(std::string_view utf8);
// For showing any GBK text to a person: bytes that do not convert become '?'.
std::string gbkToUtf8Lossy(std::string_view gbk);

}  // namespace yb::platform
