// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Where the images and control points of a block lie, for the pictures of `plot` and `report --html`: on the ground, by
// the user range of each image's .ybi file, when every image of the list has one; else by strip and position as the
// schematic layout puts them (strip 1 on top). Both planes have their y axis pointing up. A survey flown back and forth
// thus lies as flown, and the two pictures always agree.
#pragma once

#include "tool.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ybblock {

struct ImagePlacement {
    std::vector<D_RECT> rects;  // by image of the list, in list order: what a picture draws
    bool onGround = false;      // the images' user ranges; otherwise the schematic layout
    // On the ground, footprints overlap (60 % along a strip is usual), so each is drawn shrunk about its
    // centre by this factor, to where neighbours along a strip just stop covering each other.
    double shrink = 1.0;
    std::string why;  // why not on the ground: the first image without a usable range
};

ImagePlacement placeImages(std::vector<BlockImage> const& images, std::int32_t strips);

// The GCP layout file whose control points a picture marks: the one asked for (as typed), else the
// block's control point file when it is one; empty when there is none.
std::string gcpLayoutPathOf(std::string const& asked, Block const& block);
// Its records (none for an empty path); the reader's code.
std::int32_t readGcpLayout(std::string const& hostPath, std::vector<BLOCKGCPLAYOUTINFO>& records);

}  // namespace ybblock
