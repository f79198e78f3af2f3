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

#include "magic_check.h"
#include "whole_file_writer.h"

#include "binary_io.h"
#include "fs.h"

#include <cmath>
#include <cstddef>
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

constexpr std::size_t kCopyBlock = 1 << 20;

bool finite(D_RECT const& r) {
    return std::isfinite(r.xMin) && std::isfinite(r.yMin) && std::isfinite(r.xMax) && std::isfinite(r.yMax);
}

// Copies every byte after the old file's table into `out`, in large blocks.
bool copyPixels(std::string const& oldPath, platform::BinaryStream& out) {
    ImageContent old;
    std::uint64_t pixelStart = 0;
    if (readImageFile(oldPath, old, &pixelStart) != 0) return false;
    platform::File in = platform::openFile(oldPath, "rb");
    if (!in) return false;
    platform::BinaryStream source(in.get());
    if (!source.seek(static_cast<std::int64_t>(pixelStart))) return false;
    std::vector<char> block(kCopyBlock);
    for (;;) {
        std::size_t got = std::fread(block.data(), 1, block.size(), in.get());
        if (got > 0 && !out.write(block.data(), got)) return false;
        if (got < block.size()) return std::ferror(in.get()) == 0;
    }
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
    switch (companion::readMagic(stream, *length, kMagic)) {
        case companion::MagicStatus::Present: break;
        case companion::MagicStatus::CutShort: return YBI_E_SHORT_FILE;
        case companion::MagicStatus::Different: return YBI_E_BAD_MAGIC;
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
    bool written = companion::writeWholeFile(path, [&](platform::BinaryStream& out, std::string const& oldCopy) {
        if (!out.writeMagic(kMagic) || !out.writeValue(content.header) ||
            !out.writeI32(static_cast<std::int32_t>(content.points.size())) ||
            !out.writeRecords(content.points.data(), content.points.size())) {
            return false;
        }
        return !keepPixels || oldCopy.empty() || copyPixels(oldCopy, out);
    });
    return written ? 0 : YBI_E_WRITE;
}

}  // namespace yb::ybi
