// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The strict GBK conversions each system supplies to gbk.cpp (which handles pure ASCII itself).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace yb::platform::backend {

std::optional<std::string> gbkToUtf8(std::string_view gbk);
std::optional<std::string> utf8ToGbk(std::string_view utf8);

}  // namespace yb::platform::backend
