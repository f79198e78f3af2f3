// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The names of a change's work copy: the file's own name with one of these suffixes, beside it (the
// journal of a change in place; see write_path.h). Every look for an unfinished change asks here.
#pragma once

#include <array>
#include <string_view>

namespace yb::platform {

inline constexpr std::string_view kBakSuffix = ".bak";
inline constexpr std::string_view kTmpSuffix = ".tmp";
inline constexpr std::array<std::string_view, 2> kWorkCopySuffixes = {kBakSuffix, kTmpSuffix};

// Whether `name` ends as a work copy's name does (and has a name before the suffix).
inline bool isWorkCopyName(std::string_view name) {
    for (std::string_view suffix : kWorkCopySuffixes)
        if (name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix) return true;
    return false;
}

}  // namespace yb::platform
