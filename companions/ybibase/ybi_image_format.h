// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The ".ybi" image file. All numbers are little-endian, with no padding:
//
//   offset  size  field
//   0       21    magic "YBI_IMAGE_FILE_VER1.0" (no terminator)
//   21      4     lines (rows), signed 32-bit, at least 1
//   25      4     cells (columns) per line, signed 32-bit, at least 1
//   29      8     horizontal resolution in dots per inch, double, finite and positive
//   37      32    user coordinate range: x minimum, y minimum, x maximum, y maximum (doubles)
//   69      4     control point count n, signed 32-bit, 0 to 1,000,000
//   73      36*n  control points: number (signed 32-bit, 1 to n in table order), x, y (user
//                 coordinates), column, row (image coordinates), four doubles
//   73+36n  ...   pixel data: lines x cells bytes of 8-bit grey, row by row; may be absent
//
// The library never reads pixel data. A reader checks the point count against the file's length before
// reading the table, and rejects a table whose numbers are not 1 to n in order.
//
// YbiBase reads an image by its path; the block library, which finds a block's image files in one look
// at each folder, reads the ones it opened itself through the same code.
#pragma once

#include "binary_io.h"

#include <yb/YbiBase.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>
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

inline constexpr std::string_view kMagic{YBI_IMAGE_MAGIC};
static_assert(kMagic.size() == 21);
static_assert(sizeof(ImageHeader) == 48 && offsetof(ImageHeader, dotsPerInch) == 8 &&
              offsetof(ImageHeader, userRange) == 16);
static_assert(sizeof(StoredControlPoint) == 36 && offsetof(StoredControlPoint, x) == 4 &&
              offsetof(StoredControlPoint, row) == 28);
inline constexpr std::uint64_t kTableOffset = kMagic.size() + sizeof(ImageHeader);
static_assert(kTableOffset == 69);

// True when the sizes and the resolution describe an image: at least one line and one cell, a finite
// positive resolution and a finite user range.
inline bool headerIsValid(ImageHeader const& header) {
    D_RECT const& r = header.userRange;
    return header.lines >= 1 && header.cells >= 1 && std::isfinite(header.dotsPerInch) && header.dotsPerInch > 0 &&
           std::isfinite(r.xMin) && std::isfinite(r.yMin) && std::isfinite(r.xMax) && std::isfinite(r.yMax);
}

// Reads the header and the control point table of the open file `file` (none: the file is missing).
// `tableEnd`, when given, receives the offset where the pixel data begins. Returns 0 or a YBI_E_* code;
// `content` is changed only on success.
inline std::int32_t readImageContent(std::FILE* file, ImageContent& content, std::uint64_t* tableEnd = nullptr) {
    if (file == nullptr) return YBI_E_FILE_MISSING;
    platform::BinaryStream stream(file);
    auto length = stream.length();
    if (!length) return YBI_E_FILE_MISSING;
    if (std::int32_t const magic =
            stream.readMagicAs<std::int32_t>(kMagic, *length, 0, YBI_E_SHORT_FILE, YBI_E_BAD_MAGIC);
        magic != 0)
        return magic;

    ImageContent read;
    std::int32_t count = 0;
    if (!stream.readValue(read.header) || !stream.readI32(count)) return YBI_E_SHORT_FILE;
    if (!headerIsValid(read.header) || count < 0) return YBI_E_BAD_CONTENT;
    std::uint64_t const tableStart = kTableOffset + sizeof(std::int32_t);
    if (!platform::countFits(count, sizeof(StoredControlPoint), *length - tableStart)) return YBI_E_SHORT_FILE;
    if (count > YBI_MAX_CONTROL_POINTS) return YBI_E_BAD_CONTENT;
    if (!stream.readRecords(read.points, static_cast<std::size_t>(count))) return YBI_E_SHORT_FILE;
    for (std::size_t i = 0; i < read.points.size(); ++i) {
        if (read.points[i].number != static_cast<std::int32_t>(i + 1)) return YBI_E_BAD_CONTENT;
    }
    if (tableEnd != nullptr) *tableEnd = tableStart + read.points.size() * sizeof(StoredControlPoint);
    content = std::move(read);
    return 0;
}

}  // namespace yb::ybi
