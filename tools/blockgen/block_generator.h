// Builds example blocks of any size through the library's own exports: the block folder and option
// file, a camera, one image per image record, inner and block orientation files, the image list, the
// tie point file, the models with their option files, some relative orientations and orthophotos.
// `ybblock demo` shows a small one; the benchmarks build large ones.
#pragma once

#include <yb/ybBlockFileIO.h>

#include <cstdint>
#include <string>
#include <vector>

namespace yb::blockgen {

struct BlockShape {
    std::int32_t strips = 2;
    // Images of the whole block. Strips are filled in order with `imagesPerStrip` each (0: spread the
    // images evenly over all strips) until the images are used up; the strips after them stay empty.
    std::int32_t images = 10;
    std::int32_t imagesPerStrip = 0;
    // Tie point observations. Each point is seen on three neighbouring images of a strip (two in a
    // strip of two images); consecutive points go to different image windows, so the observations
    // come interleaved over the images as a matcher hands them over.
    std::int64_t points = 60;
    std::int32_t imageType = 0;  // 0 metric camera: detach fills photo coordinates
    // Images, orientation files, models and products besides the image list and the tie points.
    bool parameterFiles = true;
};

struct GeneratedBlock {
    BlockInfo info{};           // the block option record
    std::string directory;      // host path of the block folder
    std::string optionPath;     // ".dms"
    std::string imageListPath;  // ".bil"
    std::string tiePointPath;   // ".scp"
    std::string cameraPath;
    std::int32_t strips = 0;
    std::vector<std::vector<ImageOrderInfo>> stripImages;  // strip s at index s - 1
    std::vector<tagImagePoint> points;                     // the tie point file's records, as handed to it
    std::int32_t models = 0;
};

// The images of a strip for a shape: how many each strip holds. Fails (empty) when a strip would need
// more than 99 images, since an image number holds the position in two digits.
std::vector<std::int32_t> stripSizes(BlockShape const& shape);

// The tie point observations of a block whose strips hold `sizes` images.
std::vector<tagImagePoint> tiePoints(std::vector<std::int32_t> const& sizes, std::int64_t count);

// Host path of image `position` of strip `strip`, named so that the images sort by strip and position.
std::string imagePath(std::string const& blockDirectory, std::int32_t strip, std::int32_t position,
                      std::int32_t stripCount);

// Builds the block in the host folder `blockDirectory` (its drive must be mapped) with block name
// `name`. Returns 0 or the failing call's result code, with `failedStep` saying which step failed.
std::int32_t generateBlock(std::string const& blockDirectory, std::string const& name, BlockShape const& shape,
                           GeneratedBlock& block, std::string& failedStep);

}  // namespace yb::blockgen
