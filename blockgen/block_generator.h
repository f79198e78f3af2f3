// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Builds example blocks of any size through the library's own exports: the block folder and option
// file, a camera, one image per image record with its inner orientation, the image list, the tie point
// file, models with their option files, a relative orientation and an orthophoto. `ybblock demo` shows
// a small one (its default shape is the demo block); the benchmarks build large ones.
#pragma once

#include <yb/ybBlockFileIO.h>

#include <cstdint>
#include <string>
#include <vector>

namespace yb::blockgen {

// What the block holds besides its option file, image list and tie point file.
enum class BlockFiles {
    TiePointsOnly,  // nothing more
    Demo,           // camera, images, inner orientations; the models of strip 1, a relative
                    // orientation of its first model and one orthophoto
    Full,           // as Demo, with the models of every strip, a relative orientation for every fourth
                    // model, an orthophoto for every other one and a block orientation for every other image
};

struct BlockShape {
    std::int32_t strips = 2;
    // Images of the whole block. Strips are filled in order with `imagesPerStrip` each (0: spread the
    // images evenly over all strips) until the images are used up; the strips after them stay empty.
    std::int32_t images = 10;
    std::int32_t imagesPerStrip = 0;
    // Tie point observations, in rows of points seen on neighbouring images: for every image and its
    // successor a row of points on both, every third row also on the image after (where there is
    // one). Negative: `rowsPerPair` rows for every pair of neighbours, given window by window (the demo
    // block). Otherwise as many rows as the count needs, dealt row by row over every pair, so the
    // observations come interleaved over the images and any count spreads evenly. Each row is a ground
    // point, and its observations are where it appears on those images: the block's images are taken
    // straight down over the middles of their user ranges, through the block's camera and inner
    // orientation.
    std::int64_t points = -1;
    // With a count: every row on three neighbouring images (the pairs of a strip's last two images then
    // get none).
    bool pointsOnThreeImages = false;
    // With points < 0: the rows for every pair of neighbours (3 ties a strip's end images by 3 points,
    // fewer than a relative orientation needs); whether every row, not every third, is also on the image
    // after the pair where one follows (a strip's last pair keeps its rows on two images); and whether
    // the last third of each pair's rows, on the side of the next strip, are also seen by the images at
    // the same places in the next strip (without them, neighbouring strips share no point).
    std::int64_t rowsPerPair = 3;
    bool rowsOnThreeImages = false;
    bool tiesBetweenStrips = false;
    // Ground control points in a GCP layout file ("NAME.gcl", named as the block's control point file),
    // each measured on images of two neighbouring strips.
    std::int32_t controlPoints = 0;
    std::int32_t imageType = 0;  // 0 metric camera: detach fills photo coordinates
    BlockFiles files = BlockFiles::Demo;
};

struct GeneratedBlock {
    BlockInfo info{};           // the block option record
    std::string directory;      // host path of the block folder
    std::string optionPath;     // ".dms"
    std::string imageListPath;  // ".bil"
    std::string tiePointPath;   // ".scp"
    std::string cameraPath;
    std::string controlPointPath;  // the GCP layout file, when the shape asks for control points
    std::int32_t strips = 0;
    std::vector<std::vector<ImageOrderInfo>> stripImages;  // strip s at index s - 1
    std::vector<tagImagePoint> points;                     // the tie point file's records, as handed to it
    std::int32_t models = 0;
};

// How many images each strip holds for a shape; empty when a strip would need more than 99 images
// (an image number keeps the position in two digits).
std::vector<std::int32_t> stripSizes(BlockShape const& shape);

// The tie point observations of a block whose strips hold `sizes` images, as `shape` asks.
std::vector<tagImagePoint> tiePoints(std::vector<std::int32_t> const& sizes, BlockShape const& shape);

// The shape of `ybblock demo`'s block: two strips of five images, neighbouring images sharing 36 ground
// points or more (most seen on three images of a strip, a third of them also on the next strip's), as
// many as COLMAP's mapper asks to orient the images from the tie points alone; three ground control
// points. `weak` gives the block of few points (end images tied by three, strips sharing none, no
// control points) that `check` flags.
BlockShape demoShape(bool weak);

// Host path of image `position` of strip `strip`, named so that the images sort by strip and position.
std::string imagePath(std::string const& blockDirectory, std::int32_t strip, std::int32_t position,
                      std::int32_t stripCount);

// Builds the block in the host folder `blockDirectory` (its drive must be mapped) with block name
// `name`. Returns 0 or the failing call's result code, with `failedStep` saying which step failed.
std::int32_t generateBlock(std::string const& blockDirectory, std::string const& name, BlockShape const& shape,
                           GeneratedBlock& block, std::string& failedStep);

}  // namespace yb::blockgen
