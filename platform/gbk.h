// GBK (code page 936) text: lead-byte test and strict conversion to and from UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace yb::platform {

// 0x81..0xFE starts a double-byte character; its second byte may be '\\' or an ASCII letter.
constexpr bool isGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Strict conversions: a dangling lead byte or an unmappable character gives no result.
std::optional<std::string> gbkToUtf8(std::string_view gbk);
std::optional<std::string> utf8ToGbk(std::string_view utf8);

// For texts the library itself owns (messages, report lines): they always convert.
std::string gbkFromUtf8Literal(std::string_view utf8);
// For showing any GBK text to a person: bytes that do not convert become '?'.
std::string gbkToUtf8Lossy(std::string_view gbk);

}  // namespace yb::platform
