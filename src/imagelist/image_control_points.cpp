// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The schematic layout of a block and the control points it puts into the images. Before a block is
// oriented its images are laid out side by side per strip, strip 1 on top; the layout is kept in a
// temporary layout file (no magic: the strip count, then per strip its number, its image count and
// one D_RECT per image) and written into each image as four corner control points.
#include "image_list.h"
#include "schematic_layout.h"

#include "export_frame.h"
#include "fs.h"
#include "write_path.h"
#include "hostpath.h"

#include <yb/HostBase.h>
#include <yb/YbiBase.h>

#include <cstring>
#include <string>
#include <vector>

namespace yb::imagelist {
namespace {

using platform::BinaryStream;

constexpr std::string_view kLayoutNameSuffix = "_YbiGcp";
static_assert(sizeof(D_RECT) == 32);

std::string layoutFileName(char const* imageListPath) {
    if (imageListPath == nullptr) return {};
    unsigned char const* settings = hbGetSettings(0);
    std::string name;
    if (settings != nullptr)
        name = platform::boundedText(reinterpret_cast<char const*>(settings) + HB_LAYOUT_DIRECTORY_OFFSET,
                                     HB_LAYOUT_DIRECTORY_SIZE);
    std::string_view list(imageListPath);
    std::size_t const cut = platform::findLastChar(list, '\\');
    name += cut == platform::npos ? list : list.substr(cut);
    name = platform::replaceAll(platform::toLower(name), ".bil", ".tmp");
    name.insert(name.size() >= 4 ? name.size() - 4 : 0, kLayoutNameSuffix);
    return name;
}

std::int32_t writeLayout(char const* imageListPath) {
    if (imageListPath == nullptr) return kInvalidArgument;
    std::string const layoutPath = layoutFileName(imageListPath);
    // A layout cut short would put wrong corners into the images later: the new layout replaces the
    // old one only when it is complete, and a failure keeps the old one.
    platform::FileReplacement layout(layoutPath);
    if (!layout.opened()) return kCannotWrite;
    platform::Output& out = layout.out();
    // The image list is read in one walk: its strip count, then each strip.
    ImageListReader list;
    if (std::int32_t code = list.open(imageListPath, kFileNotFound); code != kSuccess) return code;
    std::int32_t const stripCount = list.storedStripCount();
    out.writeI32(stripCount);
    std::vector<ImageOrderInfo> images;
    std::vector<D_RECT> rects;
    for (std::int32_t strip = 1; strip <= stripCount; ++strip) {
        out.writeI32(strip);
        if (std::int32_t code = readStrip(list, stripCount, strip, images); code != kSuccess) return code;
        rects.clear();
        for (auto const& image : images) rects.push_back(layoutRectangle(image.nImageNo, stripCount));
        out.writeI32(static_cast<std::int32_t>(images.size()));
        out.writeRecords(rects.data(), rects.size());
    }
    return layout.commit() ? kSuccess : kCannotWrite;
}

std::int32_t storeCornerPoints(YbiHandle image, D_RECT const& rect) {
    std::int32_t pointCount = 0;
    if (std::int32_t code = ybGetGCPNumsOfYBI(image, &pointCount); code != 0) return code;
    if (pointCount != 4) {
        // A table of another size is replaced by a fresh one of four; a table of four is reused.
        if (std::int32_t code = ybFreeControlPointFileOfYBI(image); code != 0) return code;
        if (std::int32_t code = ybAllocControlPointFileOfYBI(image, 4); code != 0) return code;
        if (std::int32_t code = ybInitialControlPointFileOfYBI(image, 4); code != 0) return code;
    }
    std::int32_t lines = 0;
    std::int32_t cells = 0;
    if (std::int32_t code = ybGetLines(image, &lines); code != 0) return code;
    if (std::int32_t code = ybGetLineCells(image, &cells); code != 0) return code;

    struct Corner {
        double x, y, column, row;
    };
    double const bottom = lines;
    double const right = cells;
    Corner const corners[4] = {
        {rect.xMin, rect.yMin, 0.0, bottom},
        {rect.xMin, rect.yMax, 0.0, 0.0},
        {rect.xMax, rect.yMax, right, 0.0},
        {rect.xMax, rect.yMin, right, bottom},
    };
    for (std::int32_t point = 1; point <= 4; ++point) {
        Corner const& c = corners[point - 1];
        if (std::int32_t code = ybUpdataOneControlPointOfYBI(image, point, 1, 1, c.x, c.y, c.column, c.row); code != 0)
            return code;
    }
    return kSuccess;
}

// Replaces the control points of one image by the four corners of `rect`. The image is closed on
// every way out once it was opened; closing writes the table back, so a failed close is reported.
std::int32_t putCornerPoints(char const* imagePath, D_RECT const& rect) {
    if (imagePath == nullptr) return kInvalidArgument;
    YbiHandle image = nullptr;
    std::int32_t code = ybOpenYbiFileForReadWrite(imagePath, &image);
    if (code == 0) code = storeCornerPoints(image, rect);
    if (image != nullptr) {
        std::int32_t const closed = ybCloseYbiFileForReadWrite(image);
        if (code == 0) code = closed;
    }
    return code;
}

// Reads one strip section of the layout file at the stream's position; the count must match the
// strip's images, so a stale layout never puts one image's corners into another.
std::int32_t readLayoutSection(BinaryStream& stream, std::int32_t strip, std::vector<ImageOrderInfo> const& images,
                               std::int32_t number, std::int32_t count, std::vector<D_RECT>& rects) {
    if (number != strip || count < 0 || static_cast<std::size_t>(count) != images.size()) return kInvalidContent;
    auto remaining = stream.remaining();
    if (!remaining || !platform::countFits(count, sizeof(D_RECT), *remaining)) return kInvalidContent;
    rects.clear();
    if (!stream.readRecords(rects, static_cast<std::size_t>(count))) return kInvalidContent;
    return kSuccess;
}

std::int32_t writeLayoutIntoImages(char const* imageListPath, std::int32_t stripNo) {
    if (imageListPath == nullptr) return kInvalidArgument;
    std::string const layoutPath = layoutFileName(imageListPath);
    if (!platform::isRegularFile(layoutPath)) return kCannotOpen;
    platform::File file = platform::openFile(layoutPath, "rb");
    if (!file) return kCannotWrite;
    BinaryStream stream(file.get());

    // The image list is read in one walk: its strip count, its first image, then the strips.
    ImageListReader list;
    if (std::int32_t code = list.open(imageListPath, kFileNotFound); code != kSuccess) return code;
    std::int32_t const stripCount = list.storedStripCount();
    std::int32_t layoutStripCount = 0;
    if (!stream.readI32(layoutStripCount) || layoutStripCount != stripCount) return kInvalidContent;
    // A block whose first strip has no readable first image is refused before any image changes.
    ImageOrderInfo first{};
    if (std::int32_t code = readOneImage(list, stripCount, 1, 1, &first); code != kSuccess) return code;

    std::vector<ImageOrderInfo> images;
    std::vector<D_RECT> rects;
    if (stripNo >= 1) {
        if (stripNo > stripCount) return kInvalidArgument;
        std::int32_t number = 0;
        std::int32_t count = 0;
        for (;;) {
            if (!stream.readI32(number) || !stream.readI32(count)) return kInvalidContent;
            if (number >= stripNo) break;
            auto remaining = stream.remaining();
            if (!remaining || !platform::countFits(count, sizeof(D_RECT), *remaining) ||
                !stream.seek(static_cast<std::int64_t>(count) * static_cast<std::int64_t>(sizeof(D_RECT)), SEEK_CUR))
                return kInvalidContent;
        }
        if (std::int32_t code = readStrip(list, stripCount, stripNo, images); code != kSuccess) return code;
        if (std::int32_t code = readLayoutSection(stream, stripNo, images, number, count, rects); code != kSuccess)
            return code;
        // One strip alone is placed with its first image at the origin.
        if (!rects.empty()) {
            double const originX = rects.front().xMin;
            double const originY = rects.front().yMin;
            for (auto& rect : rects) {
                rect.xMin -= originX;
                rect.xMax -= originX;
                rect.yMin -= originY;
                rect.yMax -= originY;
            }
        }
        for (std::size_t i = 0; i < images.size(); ++i)
            if (std::int32_t code = putCornerPoints(images[i].szImagePath, rects[i]); code != kSuccess) return code;
        return kSuccess;
    }

    for (std::int32_t strip = 1; strip <= stripCount; ++strip) {
        std::int32_t number = 0;
        std::int32_t count = 0;
        if (!stream.readI32(number) || !stream.readI32(count)) return kInvalidContent;
        if (std::int32_t code = readStrip(list, stripCount, strip, images); code != kSuccess) return code;
        if (std::int32_t code = readLayoutSection(stream, strip, images, number, count, rects); code != kSuccess)
            return code;
        for (std::size_t i = 0; i < images.size(); ++i)
            if (std::int32_t code = putCornerPoints(images[i].szImagePath, rects[i]); code != kSuccess) return code;
    }
    return kSuccess;
}

}  // namespace
}  // namespace yb::imagelist

std::string ybGetTempBlockYbiGcpFile(char const* imageListPath) {
    return yb::frame::guarded([&] { return yb::imagelist::layoutFileName(imageListPath); });
}

std::int32_t ybWriteYbiGcpInfo(char const* imageListPath) {
    return yb::frame::guarded([&] { return yb::imagelist::writeLayout(imageListPath); });
}

std::int32_t ybReadYbiGcpInfo(char const* imageListPath, std::int32_t stripNo) {
    return yb::frame::guarded([&] { return yb::imagelist::writeLayoutIntoImages(imageListPath, stripNo); });
}

std::int32_t ybModiYbiGcpInfo(char const* imagePath, D_RECT rect) {
    return yb::frame::guarded([&] { return yb::imagelist::putCornerPoints(imagePath, rect); });
}
