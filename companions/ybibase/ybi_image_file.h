// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The ".ybi" image file: layout records and the reader and writer of its header and control point
// table. The layout itself is described in ybi_image_file.cpp.
#pragma once

#include <yb/YbiBase.h>

#include <cstdint>
#include <string>
#include <vector>

namespace yb::ybi {

#pragma pack(push, 1)
struct ImageHeader {
    std::int32_t lines;
    std::int32_t cells;
    double dotsPerInch;
    D_RECT userRange;  // x minimum, y minimum, x maximum, y maximum
};
struct StoredControlPoint {
    std::int32_t number;  // 1, 2, 3, ... in table order
    double x;             // user (ground or layout) coordinates
    double y;
    double column;  // image coordinates
    double row;
};
#pragma pack(pop)

struct ImageContent {
    ImageHeader header{};
    std::vector<StoredControlPoint> points;
};

// True when the sizes and the resolution describe an image: at least one line and one cell, a finite
// positive resolution and a finite user range.
bool headerIsValid(ImageHeader const& header);

// Reads the header and the control point table. `tableEnd`, when given, receives the offset where the
// pixel data begins. Returns 0 or a YBI_E_* code.
std::int32_t readImageFile(std::string const& path, ImageContent& content, std::uint64_t* tableEnd = nullptr);

// Writes the header and table. With `keepPixels`, the existing file's table is rewritten in place and
// whatever followed it is carried over; otherwise the file is replaced by one that ends after the
// table. Either way a failed write leaves an existing file unchanged.
std::int32_t writeImageFile(std::string const& path, ImageContent const& content, bool keepPixels);

}  // namespace yb::ybi
