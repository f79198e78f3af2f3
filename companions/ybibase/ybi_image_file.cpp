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
// The library never reads pixel data. ybCreateYbiFile writes none (the file ends after an empty
// table); rewriting the table of an image carries over every byte that followed the old table.
// A reader checks the point count against the file's length before reading the table, and rejects a
// table whose numbers are not 1 to n in order.
#include "ybi_image_file.h"

#include "binary_io.h"
#include "fs.h"
#include "write_path.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace yb::ybi {
namespace {

constexpr std::string_view kMagic{YBI_IMAGE_MAGIC};
static_assert(kMagic.size() == 21);
static_assert(sizeof(ImageHeader) == 48 && offsetof(ImageHeader, dotsPerInch) == 8 &&
              offsetof(ImageHeader, userRange) == 16);
static_assert(sizeof(StoredControlPoint) == 36 && offsetof(StoredControlPoint, x) == 4 &&
              offsetof(StoredControlPoint, row) == 28);
constexpr std::uint64_t kTableOffset = kMagic.size() + sizeof(ImageHeader);
static_assert(kTableOffset == 69);

bool finite(D_RECT const& r) {
    return std::isfinite(r.xMin) && std::isfinite(r.yMin) && std::isfinite(r.xMax) && std::isfinite(r.yMax);
}

// Header, point count and table as stored, from the end of the magic on.
std::vector<unsigned char> headerAndTable(ImageContent const& content) {
    std::int32_t const count = static_cast<std::int32_t>(content.points.size());
    std::size_t const tableBytes = content.points.size() * sizeof(StoredControlPoint);
    std::vector<unsigned char> bytes(sizeof(ImageHeader) + sizeof count + tableBytes);
    std::memcpy(bytes.data(), &content.header, sizeof(ImageHeader));
    std::memcpy(bytes.data() + sizeof(ImageHeader), &count, sizeof count);
    if (tableBytes > 0)
        std::memcpy(bytes.data() + sizeof(ImageHeader) + sizeof count, content.points.data(), tableBytes);
    return bytes;
}

}  // namespace

bool headerIsValid(ImageHeader const& header) {
    return header.lines >= 1 && header.cells >= 1 && std::isfinite(header.dotsPerInch) && header.dotsPerInch > 0 &&
           finite(header.userRange);
}

std::int32_t readImageFile(std::string const& path, ImageContent& content, std::uint64_t* tableEnd) {
    platform::File file = platform::openFile(path, "rb");
    if (!file) return YBI_E_FILE_MISSING;
    platform::BinaryStream stream(file.get());
    auto length = stream.length();
    if (!length) return YBI_E_FILE_MISSING;
    switch (stream.readMagicStatus(kMagic, *length)) {
        case platform::BinaryStream::Magic::Present: break;
        case platform::BinaryStream::Magic::CutShort: return YBI_E_SHORT_FILE;
        case platform::BinaryStream::Magic::Different: return YBI_E_BAD_MAGIC;
    }

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

std::int32_t writeImageFile(std::string const& path, ImageContent const& content, bool keepPixels) {
    std::vector<unsigned char> const table = headerAndTable(content);
    if (!keepPixels) {
        bool const written = platform::replaceFile(path, [&](platform::Output& out) {
            out.writeMagic(kMagic);
            out.write(table.data(), table.size());
            return true;
        });
        return written ? 0 : YBI_E_WRITE;
    }
    // The table is rewritten in place. Pixel data behind a table of the same size stays where it is;
    // behind a table that grows or shrinks it moves, and the work copy then keeps it as well.
    // Held from the read of the old table to the change: the pixels are found where they lie.
    platform::WriteHold const hold(path);
    if (hold.refused()) return YBI_E_WRITE;
    ImageContent old;
    std::uint64_t pixelStart = 0;
    if (readImageFile(path, old, &pixelStart) != 0) return YBI_E_WRITE;
    platform::FileChange change(path, platform::WorkCopyName::Bak);
    if (!change.opened()) return YBI_E_WRITE;
    std::uint64_t const newPixelStart = kMagic.size() + table.size();
    std::uint64_t const pixelBytes = change.oldLength() - std::min(pixelStart, change.oldLength());
    bool const sameSize = newPixelStart == pixelStart;
    bool const written =
        change.keep({{kMagic.size(), (sameSize ? pixelStart : change.oldLength()) - kMagic.size()}}) &&
        change.write(kMagic.size(), table.data(), table.size()) &&
        (sameSize || (change.moveKept(pixelStart, newPixelStart) && change.resize(newPixelStart + pixelBytes))) &&
        change.commit();
    return written ? 0 : YBI_E_WRITE;
}

}  // namespace yb::ybi
