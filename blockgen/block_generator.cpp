// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "block_generator.h"

#include <yb/YbiBase.h>
#include <yb/ybiOrient.h>

#include "fs.h"
#include "hostpath.h"
#include "write_path.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace yb::blockgen {
namespace {

constexpr std::int32_t kMostImagesPerStrip = 99;  // an image number keeps the position in two digits
constexpr std::int32_t kImageLines = 11000;
constexpr std::int32_t kImageCells = 11000;
constexpr double kImageResolution = 1200.0;
// Pixel to micrometres (pixels of 21 um), y up.
constexpr double kInnerOrientation[6] = {-115000.0, 21.0, 0.0, 115000.0, 0.0, -21.0};
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
    if (!step(ybWriteOrientCeff(inner.c_str(), 0, kInnerOrientation), "writing " + inner)) return image;
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

// Two points for each image and the image at its place in the next strip, seen near the side the
// strips share.
void addTiesBetweenStrips(std::vector<std::int32_t> const& sizes, int stripWidth, std::vector<tagImagePoint>& points) {
    constexpr int kPerImage = 2;
    for (std::size_t s = 0; s + 1 < sizes.size(); ++s) {
        auto const strip = static_cast<std::int32_t>(s + 1);
        for (std::int32_t position = 1; position <= std::min(sizes[s], sizes[s + 1]); ++position) {
            for (int k = 0; k < kPerImage; ++k) {
                std::string const text = "S" + padded(strip, stripWidth) + padded(position, 2) + std::to_string(k);
                for (std::int32_t side = 0; side < 2; ++side) {
                    tagImagePoint point{};
                    point.imageNo = (strip + side) * 100 + position;
                    point.x = 300.0 + 400.0 * k;
                    point.y = side == 0 ? 950.0 : 50.0;  // the lower edge of one strip is the upper of the next
                    point.type = 1;
                    std::memcpy(point.name, text.data(), std::min(text.size(), sizeof point.name - 1));
                    points.push_back(point);
                }
            }
        }
    }
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
    shape.rowsPerPair = 6;
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

std::vector<tagImagePoint> tiePoints(std::vector<std::int32_t> const& sizes, std::int64_t count, bool onThreeImages,
                                     std::int64_t rowsPerPair, bool tiesBetweenStrips) {
    std::vector<Window> windows;
    for (std::size_t s = 0; s < sizes.size(); ++s) {
        std::int32_t const n = sizes[s];
        std::int32_t const last = onThreeImages ? n - 2 : n - 1;
        for (std::int32_t first = 1; first <= last; ++first)
            windows.push_back({static_cast<std::int32_t>(s + 1), first, first + 2 <= n});
    }
    std::vector<tagImagePoint> points;
    if (windows.empty() || count == 0) return points;

    // Row r reaches the third image on every row, or on every third row (r % 3 == 1).
    auto reachesThird = [&](Window const& window, std::int64_t row) {
        return window.reachesThird && (onThreeImages || row % 3 == 1);
    };
    std::int64_t rows = std::max<std::int64_t>(rowsPerPair, 1);
    if (count > 0) {
        // The fewest rows that give `count` observations.
        auto total = [&](std::int64_t r) {
            std::int64_t observations = 0;
            std::int64_t const thirdRows = onThreeImages ? r : (r + 1) / 3;
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
    std::vector<std::int64_t> serialOfStrip(sizes.size(), 0);
    auto add = [&](Window const& window, std::int64_t row) {
        std::string const text =
            "T" + padded(window.strip, stripWidth) + padded(window.first, 2) + padded(row, rowWidth);
        char name[32] = {};  // the bytes after the text are stored too
        std::memcpy(name, text.data(), std::min(text.size(), sizeof name - 1));
        std::int64_t const serial = serialOfStrip[static_cast<std::size_t>(window.strip - 1)]++;
        int const seen = reachesThird(window, row) ? 3 : 2;
        for (int k = 0; k < seen && (count < 0 || static_cast<std::int64_t>(points.size()) < count); ++k) {
            tagImagePoint point{};
            point.imageNo = window.strip * 100 + window.first + k;
            // Seen with a forward shift between neighbouring images, as an overlapping strip shows it.
            point.x = 800.0 - 600.0 * k + 3.5 * static_cast<double>(serial);
            point.y = 200.0 + 300.0 * static_cast<double>(row) - 2.0 * k;
            point.type = 1;
            std::memcpy(point.name, name, sizeof name);
            points.push_back(point);
        }
    };
    if (count < 0) {
        for (auto const& window : windows)
            for (std::int64_t row = 0; row < rows; ++row) add(window, row);
        if (tiesBetweenStrips) addTiesBetweenStrips(sizes, stripWidth, points);
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
        camera.principalDistance = 152.8;
        camera.principalPointX = 4.0;  // micrometres
        camera.principalPointY = -2.0;
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

    block.points =
        tiePoints(sizes, shape.points, shape.pointsOnThreeImages, shape.rowsPerPair, shape.tiesBetweenStrips);
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
