// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "block_generator.h"
#include "projection.h"

#include <yb/YbiBase.h>
#include <yb/ybiOrient.h>

#include "fs.h"
#include "hostpath.h"
#include "write_path.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace yb::blockgen {
namespace {

constexpr std::int32_t kMostImagesPerStrip = 99;  // an image number keeps the position in two digits
constexpr std::int32_t kImageLines = 11000;
constexpr std::int32_t kImageCells = 11000;
constexpr double kImageResolution = 1200.0;
// Pixel to micrometres (pixels of 21 um), y up.
constexpr std::array<double, 6> kInnerOrientation = {-115000.0, 21.0, 0.0, 115000.0, 0.0, -21.0};
constexpr FrameCamera kCamera{152.8, 4.0, -2.0};
// The flight: every image taken looking straight down from this height over the middle of its user
// range (images 1000 m apart along a strip, strips 1000 m apart, strip s + 1 north of strip s). The
// frame's fiducial marks (+-106 mm) reach about 1248 m from the nadir on the datum, so neighbouring
// images overlap by about 60 %, along the strip and across; tie points are placed within
// kCoveredHalfWidth, which leaves room for the terrain's relief.
constexpr double kFlyingHeight = 1800.0;
constexpr double kSpacing = 1000.0;
constexpr double kCoveredHalfWidth = 1200.0;
constexpr double kRelativeOrientation[5] = {0.001, -0.002, 0.0005, 0.01, 0.0};
constexpr double kBlockOrientation[7] = {0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0};

// Stops at the first failing step and remembers which it was.
struct Steps {
    std::string& failed;
    std::int32_t code = 0;
    bool operator()(std::int32_t result, std::string const& what) {
        if (code == 0 && result != 0) {
            code = result;
            failed = what;
        }
        return code == 0;
    }
};

int digitsOf(std::int64_t value) {
    int digits = 1;
    for (; value >= 10; value /= 10) ++digits;
    return digits;
}

std::string padded(std::int64_t value, int width) {
    std::string const text = std::to_string(value);
    return std::string(static_cast<std::size_t>(std::max(0, width - static_cast<int>(text.size()))), '0') + text;
}

// Writes `value` (not negative) at `out` in `width` digits or more, zero-padded; returns the end. The
// tie point names of a large block are made this way, without a string each.
char* putPadded(char* out, std::int64_t value, int width) {
    char digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    for (int k = count; k < width; ++k) *out++ = '0';
    while (count > 0) *out++ = digits[--count];
    return out;
}

void store(char* field, std::size_t width, std::string const& text) { platform::storeText(field, width, text); }

// The image and its orientation files, and its record.
ImageOrderInfo writeImage(BlockInfo const& block, BlockShape const& shape, std::int32_t strip, std::int32_t position,
                          Steps& step) {
    std::string const directory(platform::boundedText(block.blockDirectory, sizeof block.blockDirectory));
    std::string const path = imagePath(directory, strip, position, shape.strips);
    ImageOrderInfo image{};
    image.nImageNo = strip * 100 + position;
    store(image.szImagePath, sizeof image.szImagePath, path);
    image.nGroupNo = 1;
    image.nStripNo = strip;
    if (shape.files == BlockFiles::TiePointsOnly) return image;
    D_RECT const range{1000.0 * position, 1000.0 * strip, 1000.0 * position + 900, 1000.0 * strip + 900};
    if (!step(ybCreateYbiFile(path.c_str(), kImageLines, kImageCells, kImageResolution, range), "creating " + path))
        return image;
    std::string const inner = ybGetImgAuxFileName(block, path.c_str(), ".ioc", nullptr, nullptr);
    if (!step(ybWriteOrientCeff(inner.c_str(), 0, kInnerOrientation.data()), "writing " + inner)) return image;
    if (shape.files == BlockFiles::Full && position % 2 == 1) {
        std::string const oriented = ybGetOrientCeffFileName(directory.c_str(), 3, 0, path.c_str(), nullptr);
        step(ybWriteOrientCeff(oriented.c_str(), 2, kBlockOrientation), "writing " + oriented);
    }
    return image;
}

// The models of strip 1 (Demo) or of every strip (Full), with their relative orientations and
// orthophotos.
void writeModels(std::string const& directory, BlockFiles files, GeneratedBlock& block, Steps& step) {
    for (std::size_t s = 0; s < block.stripImages.size() && step.code == 0; ++s) {
        if (files == BlockFiles::Demo && s > 0) break;
        auto const& images = block.stripImages[s];
        for (std::size_t k = 1; k < images.size() && step.code == 0; ++k) {
            std::string left = images[k - 1].szImagePath;
            std::string right = images[k].szImagePath;
            ModelInfo model{};
            store(model.leftImage, sizeof model.leftImage, left);
            store(model.rightImage, sizeof model.rightImage, right);
            std::string const optionPath = ybGetModelFileName(directory.c_str(), model.leftImage, model.rightImage);
            if (!step(ybWriteModelOptionFile(optionPath.c_str(), &model), "writing " + optionPath)) break;
            ++block.models;
        }
        for (std::size_t k = 1; k < images.size() && step.code == 0; ++k) {
            bool const firstModel = k == 1;
            bool const oriented = files == BlockFiles::Full ? k % 4 == 1 : firstModel;
            bool const ortho = files == BlockFiles::Full ? k % 2 == 1 : firstModel;
            std::string left = images[k - 1].szImagePath;
            std::string right = images[k].szImagePath;
            std::string const name = ybGetModelName(left.data(), right.data());
            if (oriented) {
                std::string const modelDir = ybGetCurModelDir(directory.c_str(), left.c_str(), right.c_str());
                if (!platform::makeDirectory(modelDir) && !step(kCannotWrite, "creating " + modelDir)) break;
                std::string const relative = ybGetOrientCeffFileNameByModel(directory.c_str(), 1, name.c_str());
                if (!step(ybWriteOrientCeff(relative.c_str(), 1, kRelativeOrientation), "writing " + relative)) break;
            }
            if (ortho) {
                std::string const product = directory + "\\Model\\Product\\" + name + ".dom";
                if (!platform::replaceFile(product, [](platform::Output&) { return true; }))
                    step(kCannotWrite, "writing " + product);
            }
        }
    }
}

// A run of neighbouring images that sees a row of points: an image and its successor, and the image
// after them on rows that reach three images.
struct Window {
    std::int32_t strip;
    std::int32_t first;  // position of the first image
    bool reachesThird;   // a third image follows
};

// Where image `position` of strip `strip` was taken from (the middle of its user range).
std::array<double, 3> exposureCentre(std::int32_t strip, std::int32_t position) {
    return {kSpacing * position + 450.0, kSpacing * strip + 450.0, kFlyingHeight};
}

// Gentle hills some tens of metres high, so that the ground points are not on a plane: rows of
// parabolic arches (no trigonometry: a large block's generation stays as fast as its writing).
double terrainHeight(double x, double y) {
    auto arch = [](double t) {
        double const f = t - std::floor(t);
        return 4.0 * f * (1.0 - f);
    };
    return 50.0 * arch(x / 1400.0) * arch(y / 1100.0) + 20.0 * arch((x + y) / 700.0) - 30.0;
}

// The ground point of row `row` of `rows` of a window, seen on `seen` images of its strip: along the
// strip within the ground those images share, across it at the row's place (the last third of the
// rows on the side of the next strip), spread along by the golden ratio so that no three rows line up.
std::array<double, 3> groundOf(Window const& window, std::int64_t row, std::int64_t rows, int seen) {
    auto const first = exposureCentre(window.strip, window.first);
    double const from = first[0] + (seen - 1) * kSpacing - kCoveredHalfWidth, to = first[0] + kCoveredHalfWidth;
    double const along = std::fmod(0.3 + 0.6180339887498949 * static_cast<double>(row), 1.0);
    double const across = (2.0 * (static_cast<double>(row) + 0.25) / static_cast<double>(rows) - 1.0) * 0.9;
    double const x = from + (0.1 + 0.8 * along) * (to - from);
    double const y = first[1] + across * kCoveredHalfWidth;
    return {x, y, terrainHeight(x, y)};
}

// The observation of a ground point on image `position` of strip `strip`, in pixels to a hundredth.
void observe(std::array<double, 3> const& ground, std::int32_t strip, std::int32_t position, tagImagePoint& point) {
    static std::array<double, 9> const nadir = rotationOf(0.0, 0.0, 0.0);
    double x = 0.0, y = 0.0;
    project(nadir, exposureCentre(strip, position), kCamera, kInnerOrientation, ground, x, y);
    point.imageNo = strip * 100 + position;
    point.x = std::round(x * 100.0) / 100.0;
    point.y = std::round(y * 100.0) / 100.0;
}

// Ground control points spread along the strips, each on an image and its neighbour in two strips.
std::int32_t writeControlPoints(GeneratedBlock& block, std::string const& name, std::int32_t count) {
    std::vector<BLOCKGCPLAYOUTINFO> records;
    for (std::int32_t k = 0; k < count; ++k) {
        std::size_t const first =
            block.stripImages.size() < 2 ? 0 : static_cast<std::size_t>(k) % (block.stripImages.size() - 1);
        BLOCKGCPLAYOUTINFO record{};
        std::string const label = "G" + std::to_string(k + 1);
        std::memcpy(record.callerData, label.data(), label.size());
        for (std::size_t s = first; s < block.stripImages.size() && s < first + 2; ++s) {
            auto const& images = block.stripImages[s];
            if (images.empty()) continue;
            std::size_t const at =
                count < 2 ? 0 : static_cast<std::size_t>(k) * (images.size() - 1) / static_cast<std::size_t>(count - 1);
            for (std::size_t i = at; i < images.size() && i < at + 2 && record.imageCount < 12; ++i)
                record.imageNo[record.imageCount++] = images[i].nImageNo;
        }
        records.push_back(record);
    }
    block.controlPointPath = block.directory + "\\" + name + ".gcl";
    if (std::int32_t code = ybWriteBlockGcpLayoutFile(block.controlPointPath.c_str(), records.data(),
                                                      static_cast<std::int32_t>(records.size())))
        return code;
    store(block.info.controlPointFile, sizeof block.info.controlPointFile, block.controlPointPath);
    return ybWriteBlockOptionFile(block.optionPath.c_str(), &block.info);
}

}  // namespace

BlockShape demoShape(bool weak) {
    BlockShape shape;
    if (weak) return shape;
    shape.rowsPerPair = 36;
    shape.rowsOnThreeImages = true;
    shape.tiesBetweenStrips = true;
    shape.controlPoints = 3;
    return shape;
}

std::vector<std::int32_t> stripSizes(BlockShape const& shape) {
    if (shape.strips < 1 || shape.images < 0) return {};
    std::int32_t perStrip = shape.imagesPerStrip;
    if (perStrip <= 0) perStrip = (shape.images + shape.strips - 1) / shape.strips;
    if (perStrip > kMostImagesPerStrip) return {};
    if (static_cast<std::int64_t>(perStrip) * shape.strips < shape.images) return {};
    std::vector<std::int32_t> sizes(static_cast<std::size_t>(shape.strips), 0);
    std::int32_t left = shape.images;
    for (auto& size : sizes) {
        size = std::min(perStrip, left);
        left -= size;
    }
    return sizes;
}

std::vector<tagImagePoint> tiePoints(std::vector<std::int32_t> const& sizes, BlockShape const& shape) {
    std::int64_t const count = shape.points;
    bool const byWindow = count < 0;
    // Every row reaches the third image where one follows, or every third row does (r % 3 == 1).
    bool const everyRowOnThree = byWindow ? shape.rowsOnThreeImages : shape.pointsOnThreeImages;
    std::vector<Window> windows;
    for (std::size_t s = 0; s < sizes.size(); ++s) {
        std::int32_t const n = sizes[s];
        std::int32_t const last = !byWindow && shape.pointsOnThreeImages ? n - 2 : n - 1;
        for (std::int32_t first = 1; first <= last; ++first)
            windows.push_back({static_cast<std::int32_t>(s + 1), first, first + 2 <= n});
    }
    std::vector<tagImagePoint> points;
    if (windows.empty() || count == 0) return points;

    auto reachesThird = [&](Window const& window, std::int64_t row) {
        return window.reachesThird && (everyRowOnThree || row % 3 == 1);
    };
    std::int64_t rows = std::max<std::int64_t>(shape.rowsPerPair, 1);
    if (!byWindow) {
        // The fewest rows that give `count` observations.
        auto total = [&](std::int64_t r) {
            std::int64_t observations = 0;
            std::int64_t const thirdRows = everyRowOnThree ? r : (r + 1) / 3;
            for (auto const& window : windows) observations += 2 * r + (window.reachesThird ? thirdRows : 0);
            return observations;
        };
        std::int64_t low = 1, high = count;
        while (low < high) {
            std::int64_t const middle = low + (high - low) / 2;
            if (total(middle) >= count)
                high = middle;
            else
                low = middle + 1;
        }
        rows = low;
    }
    int const stripWidth = std::max(2, digitsOf(static_cast<std::int64_t>(sizes.size())));
    int const rowWidth = digitsOf(rows - 1);
    // The last third of a window's rows lie where the next strip's images see them too.
    std::int64_t const firstSharedRow = rows - rows / 3;
    auto add = [&](Window const& window, std::int64_t row) {
        char text[48] = {'T'};  // at most 1 + 10 + 10 + 19 digits
        char* const end =
            putPadded(putPadded(putPadded(text + 1, window.strip, stripWidth), window.first, 2), row, rowWidth);
        char name[32] = {};  // the bytes after the text are stored too
        std::memcpy(name, text, std::min<std::size_t>(static_cast<std::size_t>(end - text), sizeof name - 1));
        int const seen = reachesThird(window, row) ? 3 : 2;
        std::array<double, 3> const ground = groundOf(window, row, rows, seen);
        auto const next = static_cast<std::size_t>(window.strip);  // the next strip's index in sizes
        bool const shared = byWindow && shape.tiesBetweenStrips && row >= firstSharedRow && next < sizes.size() &&
                            sizes[next] >= window.first + seen - 1;
        for (std::int32_t strip = window.strip; strip <= window.strip + (shared ? 1 : 0); ++strip) {
            for (int k = 0; k < seen && (byWindow || static_cast<std::int64_t>(points.size()) < count); ++k) {
                tagImagePoint point{};
                observe(ground, strip, window.first + k, point);
                point.type = 1;
                std::memcpy(point.name, name, sizeof name);
                points.push_back(point);
            }
        }
    };
    if (byWindow) {
        for (auto const& window : windows)
            for (std::int64_t row = 0; row < rows; ++row) add(window, row);
        return points;
    }
    points.reserve(static_cast<std::size_t>(count));
    for (std::int64_t row = 0; row < rows && static_cast<std::int64_t>(points.size()) < count; ++row)
        for (auto const& window : windows) add(window, row);
    return points;
}

std::string imagePath(std::string const& blockDirectory, std::int32_t strip, std::int32_t position,
                      std::int32_t stripCount) {
    return blockDirectory + "\\Images\\" + padded(strip, std::max(2, digitsOf(stripCount))) + padded(position, 2) +
           ".ybi";
}

std::int32_t generateBlock(std::string const& blockDirectory, std::string const& name, BlockShape const& shape,
                           GeneratedBlock& block, std::string& failedStep) {
    // One call: a file made per model or image finds its folder's names once.
    platform::CallScope const call;
    block = GeneratedBlock{};
    Steps step{failedStep};
    std::vector<std::int32_t> const sizes = stripSizes(shape);
    if (sizes.empty()) {
        step(kInvalidArgument, "fitting the images into the strips (at most 99 a strip)");
        return step.code;
    }
    block.directory = blockDirectory;
    block.optionPath = blockDirectory + "\\" + name + ".dms";
    block.strips = shape.strips;

    BlockInfo& info = block.info;
    store(info.blockDirectory, sizeof info.blockDirectory, blockDirectory);
    store(info.blockName, sizeof info.blockName, name);
    info.imageType = shape.imageType;
    // No ground control points measured yet: the control point file stays unnamed.
    block.cameraPath = blockDirectory + "\\" + name + ".cmr";
    store(info.cameraFile, sizeof info.cameraFile, block.cameraPath);
    block.imageListPath = ybGetBlkAuxFileName(info, ".bil", nullptr);
    block.tiePointPath = ybGetBlkAuxFileName(info, ".scp", nullptr);

    if (!ybCreateBlockFolder(blockDirectory.c_str()) &&
        !step(kCannotWrite, "creating the block folder " + blockDirectory))
        return step.code;
    if (!step(ybWriteBlockOptionFile(block.optionPath.c_str(), &info), "writing " + block.optionPath)) return step.code;
    if (shape.files != BlockFiles::TiePointsOnly) {
        CameraInfo camera{};
        camera.principalDistance = kCamera.principalDistanceMm;
        camera.principalPointX = kCamera.principalPointX;  // micrometres
        camera.principalPointY = kCamera.principalPointY;
        RimPoint rims[4] = {{1, -106.0, -106.0}, {2, 106.0, -106.0}, {3, 106.0, 106.0}, {4, -106.0, 106.0}};
        if (!step(ybWriteCameraParaFile(block.cameraPath.c_str(), &camera, rims, RIM_LAYOUT_FOUR, nullptr, 0),
                  "writing " + block.cameraPath))
            return step.code;
    }

    if (!step(ybCreateNewImageRecordFile(block.imageListPath.c_str(), shape.strips), "creating " + block.imageListPath))
        return step.code;
    block.stripImages.resize(sizes.size());
    for (std::int32_t strip = 1; strip <= shape.strips; ++strip) {
        std::int32_t const count = sizes[static_cast<std::size_t>(strip - 1)];
        if (count == 0) continue;
        auto& images = block.stripImages[static_cast<std::size_t>(strip - 1)];
        for (std::int32_t position = 1; position <= count && step.code == 0; ++position)
            images.push_back(writeImage(info, shape, strip, position, step));
        if (step.code != 0) return step.code;
        if (!step(ybWriteOneStripImageRecord(block.imageListPath.c_str(), shape.strips, strip, images),
                  "writing strip " + std::to_string(strip) + " of " + block.imageListPath))
            return step.code;
    }

    block.points = tiePoints(sizes, shape);
    if (!step(ybCreateTiePntFile(block.tiePointPath.c_str(), block.points.data(),
                                 static_cast<std::int32_t>(block.points.size())),
              "writing " + block.tiePointPath))
        return step.code;
    if (shape.controlPoints > 0 &&
        !step(writeControlPoints(block, name, shape.controlPoints), "writing the GCP layout file"))
        return step.code;
    if (shape.files != BlockFiles::TiePointsOnly) writeModels(blockDirectory, shape.files, block, step);
    return step.code;
}

}  // namespace yb::blockgen
