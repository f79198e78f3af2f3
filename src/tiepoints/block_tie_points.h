// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Block-level tie point workflows (detach, unite, clean): the rules of what they read and write, for
// the tools that look a block over before they run one.
#pragma once

#include "fs.h"

#include <yb/ybBlockFileIO.h>

#include <array>
#include <cstdint>
#include <string>

namespace yb::tiepoints {

// Detach fills photo coordinates for images from a metric or a digital camera (image types 0 and 1):
// it then reads the block's camera file and the inner orientation file of every image with tie points.
bool detachFillsPhotoCoordinates(BlockInfo const& block);

// The camera file the block names, read as detach reads it; `path` is set to its path either way.
std::int32_t readDetachCamera(BlockInfo const& block, CameraInfo& camera, std::string& path);
// The inner orientation coefficients of an image, read as detach reads them; `path` is set either way.
std::int32_t readDetachInnerOrientation(BlockInfo const& block, char const* imagePath,
                                        std::array<double, 6>& coefficients, std::string& path);

// The inner orientation file of an image, as detach names it.
std::string innerOrientationFile(BlockInfo const& block, ImageOrderInfo const& image);
// The inner orientation coefficients of a file that a lookup of many found (platform::findFiles over
// innerOrientationFile's names: one look at their folder), read as detach reads them.
std::int32_t readDetachInnerOrientation(platform::FoundFile const& found, std::array<double, 6>& coefficients);

// The per-image temporary tie point file of an image (in the block's temporary folder).
std::string perImageFile(BlockInfo const& block, ImageOrderInfo const& image);

}  // namespace yb::tiepoints
