// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The schematic layout of a block: before a block is oriented its images are laid out side by side
// per strip, strip 1 on top, in a plane whose y axis points up. The image-embedded control points put
// this layout into the images; `ybblock plot` draws the block the same way. Plain constexpr code,
// includable by any in-tree target.
#pragma once

#include <yb/ybBlockFileIO.h>

#include <bit>
#include <cstdint>

namespace yb::imagelist {

// The horizontal step between the images of a strip: the stored value is not exactly 165, and
// layouts already written into images carry these exact bits.
inline constexpr double kImageStepX = std::bit_cast<double>(std::uint64_t{0x4064A00007800000});
inline constexpr double kImageWidth = 150.0;
inline constexpr double kStripStepY = 250.0;
inline constexpr double kImageHeight = 200.0;

// The rectangle of an image, from its image number (strip * 100 + position), not from its place in
// the list.
constexpr D_RECT layoutRectangle(std::int32_t imageNo, std::int32_t stripCount) {
    std::int32_t const strip = imageNo / 100;
    std::int32_t const position = imageNo % 100;
    D_RECT rect{};
    rect.xMin = static_cast<double>(position - 1) * kImageStepX;
    rect.xMax = rect.xMin + kImageWidth;
    rect.yMin = static_cast<double>(stripCount - strip) * kStripStepY;
    rect.yMax = rect.yMin + kImageHeight;
    return rect;
}

}  // namespace yb::imagelist
