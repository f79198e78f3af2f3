// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The block quality report as one self-contained HTML page, for `ybblock report --html` and Python.
#pragma once

#include "tool.h"

#include <cstddef>
#include <string>

namespace ybblock {

struct HtmlReport {
    std::string page;
    std::string problem;  // what keeps the map from being whole (no or a damaged tie point file), or empty
    std::size_t images = 0;
    std::size_t links = 0;
    std::size_t nameBytes = 0;  // the images' file names in the page
};

// Reads the block once (as check does) and makes the page.
HtmlReport makeHtmlReport(Block const& block, HtmlReportOptions const& options);

}  // namespace ybblock
