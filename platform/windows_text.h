// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Text for the Windows API: GBK (code page 936) and UTF-8 to and from UTF-16, strictly, so that an
// invalid byte or an unmappable character fails as it does on Linux instead of becoming a '?'.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace yb::platform::windows {

std::optional<std::wstring> gbkToWide(std::string_view gbk);
std::optional<std::string> wideToGbk(std::wstring_view wide);
std::optional<std::wstring> utf8ToWide(std::string_view utf8);
std::optional<std::string> wideToUtf8(std::wstring_view wide);

}  // namespace yb::platform::windows
