// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The ".ybi" image file by its path (the layout: ybi_image_format.h). ybCreateYbiFile writes no pixel
// data (the file ends after an empty table); rewriting the table of an image carries over every byte
// that followed the old table.
#include "ybi_image_file.h"

#include "fs.h"
#include "write_path.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace yb::ybi {
namespace {

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

std::int32_t readImageFile(std::string const& path, ImageContent& content, std::uint64_t* tableEnd) {
    platform::File file = platform::openFile(path, "rb");
    return readImageContent(file.get(), content, tableEnd);
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
