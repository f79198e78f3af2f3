#include "block_generator.h"

#include <yb/YbiBase.h>
#include <yb/ybiOrient.h>

#include "fs.h"
#include "hostpath.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace yb::blockgen {
namespace {

constexpr std::int32_t kMostImagesPerStrip = 99;  // an image number keeps the position in two digits
constexpr std::int32_t kImageLines = 11000;
constexpr std::int32_t kImageCells = 11000;
constexpr double kImageResolution = 1200.0;
constexpr double kInnerOrientation[6] = {-115.0, 0.021, 0.0, 115.0, 0.0, -0.021};  // pixels to mm, y up
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

int digitsOf(std::int32_t value) {
    int digits = 1;
    for (; value >= 10; value /= 10) ++digits;
    return digits;
}

void store(char* field, std::size_t width, std::string const& text) { platform::storeText(field, width, text); }

// The image files and orientation files of one strip, and its records.
std::int32_t writeStripImages(BlockInfo const& block, BlockShape const& shape, std::int32_t strip,
                              std::int32_t count, std::vector<ImageOrderInfo>& images, Steps& step) {
    std::string const directory(platform::boundedText(block.blockDirectory, sizeof block.blockDirectory));
    for (std::int32_t position = 1; position <= count && step.code == 0; ++position) {
        std::string const path = imagePath(directory, strip, position, shape.strips);
        ImageOrderInfo image{};
        image.nImageNo = strip * 100 + position;
        store(image.szImagePath, sizeof image.szImagePath, path);
        image.nGroupNo = 1 + (strip - 1) % 3;
        image.nStripNo = strip;
        images.push_back(image);
        if (!shape.parameterFiles) continue;
        D_RECT const range{1000.0 * position, 1000.0 * strip, 1000.0 * position + 900, 1000.0 * strip + 900};
        if (!step(ybCreateYbiFile(path.c_str(), kImageLines, kImageCells, kImageResolution, range), "creating " + path))
            break;
        std::string const inner = ybGetImgAuxFileName(block, path.c_str(), ".ioc", nullptr, nullptr);
        if (!step(ybWriteOrientCeff(inner.c_str(), 0, kInnerOrientation), "writing " + inner)) break;
        // Every other image is oriented in the block already.
        if (position % 2 == 1) {
            std::string const oriented = ybGetOrientCeffFileName(directory.c_str(), 3, 0, path.c_str(), nullptr);
            step(ybWriteOrientCeff(oriented.c_str(), 2, kBlockOrientation), "writing " + oriented);
        }
    }
    return step.code;
}

// The models of every strip: an option file each, a relative orientation for every fourth and an
// orthophoto for every other one.
std::int32_t writeModels(std::string const& directory, GeneratedBlock& block, Steps& step) {
    for (auto const& images : block.stripImages) {
        for (std::size_t k = 1; k < images.size() && step.code == 0; ++k) {
            std::string left = images[k - 1].szImagePath;
            std::string right = images[k].szImagePath;
            ModelInfo model{};
            store(model.leftImage, sizeof model.leftImage, left);
            store(model.rightImage, sizeof model.rightImage, right);
            std::string dir = directory;
            std::string const optionPath = ybGetModelFileName(dir.data(), left.data(), right.data());
            if (!step(ybWriteModelOptionFile(optionPath.c_str(), &model), "writing " + optionPath)) break;
            ++block.models;
            std::string const name = ybGetModelName(left.data(), right.data());
            if (k % 4 == 1) {
                std::string const modelDir = ybGetCurModelDir(directory.c_str(), left.c_str(), right.c_str());
                if (!platform::makeDirectory(modelDir) && !step(kCannotWrite, "creating " + modelDir)) break;
                std::string const relative = ybGetOrientCeffFileNameByModel(directory.c_str(), 1, name.c_str());
                if (!step(ybWriteOrientCeff(relative.c_str(), 1, kRelativeOrientation), "writing " + relative)) break;
            }
            if (k % 2 == 1) {
                std::string const product = directory + "\\Model\\Product\\" + name + ".dom";
                if (!platform::openFile(product, "wb")) step(kCannotWrite, "writing " + product);
            }
        }
    }
    return step.code;
}

}  // namespace

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

std::vector<tagImagePoint> tiePoints(std::vector<std::int32_t> const& sizes, std::int64_t count) {
    // A window is the run of images that sees one point: three neighbours, or both images of a
    // strip of two.
    struct Window {
        std::int32_t firstImage;
        std::int32_t length;
    };
    std::vector<Window> windows;
    for (std::size_t s = 0; s < sizes.size(); ++s) {
        std::int32_t const length = std::min(sizes[s], 3);
        if (length < 2) continue;
        for (std::int32_t first = 1; first + length - 1 <= sizes[s]; ++first)
            windows.push_back({static_cast<std::int32_t>(s + 1) * 100 + first, length});
    }
    std::vector<tagImagePoint> points;
    if (windows.empty() || count <= 0) return points;
    points.reserve(static_cast<std::size_t>(count));
    for (std::int64_t serial = 0; static_cast<std::int64_t>(points.size()) < count; ++serial) {
        Window const& window = windows[static_cast<std::size_t>(serial % static_cast<std::int64_t>(windows.size()))];
        std::int64_t const round = serial / static_cast<std::int64_t>(windows.size());
        char name[32] = {};
        std::snprintf(name, sizeof name, "T%08lld", static_cast<long long>(serial));
        for (std::int32_t k = 0; k < window.length && static_cast<std::int64_t>(points.size()) < count; ++k) {
            tagImagePoint point{};
            point.imageNo = window.firstImage + k;
            // Seen with a forward shift between neighbouring images, as an overlapping strip shows it.
            point.x = 800.0 - 300.0 * k + 0.25 * static_cast<double>(round % 2000);
            point.y = 200.0 + 0.5 * static_cast<double>(round % 1500) - 2.0 * k;
            point.type = 1;
            std::memcpy(point.name, name, sizeof name);
            points.push_back(point);
        }
    }
    return points;
}

std::string imagePath(std::string const& blockDirectory, std::int32_t strip, std::int32_t position,
                      std::int32_t stripCount) {
    std::string const stripText = std::to_string(strip);
    std::string const positionText = std::to_string(position);
    std::size_t const width = static_cast<std::size_t>(std::max(2, digitsOf(stripCount)));
    return blockDirectory + "\\Images\\" + std::string(width > stripText.size() ? width - stripText.size() : 0, '0') +
           stripText + (positionText.size() < 2 ? "0" : "") + positionText + ".ybi";
}

std::int32_t generateBlock(std::string const& blockDirectory, std::string const& name, BlockShape const& shape,
                           GeneratedBlock& block, std::string& failedStep) {
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

    BlockInfo info{};
    store(info.blockDirectory, sizeof info.blockDirectory, blockDirectory);
    store(info.blockName, sizeof info.blockName, name);
    info.imageType = shape.imageType;
    store(info.controlPointFile, sizeof info.controlPointFile, blockDirectory + "\\" + name + ".gcp");
    block.cameraPath = blockDirectory + "\\" + name + ".cmr";
    store(info.cameraFile, sizeof info.cameraFile, block.cameraPath);
    block.imageListPath = ybGetBlkAuxFileName(info, ".bil", nullptr);
    block.tiePointPath = ybGetBlkAuxFileName(info, ".scp", nullptr);

    if (!ybCreateBlockFolder(blockDirectory.c_str()) && !step(kCannotWrite, "creating the block folder " + blockDirectory))
        return step.code;
    block.info = info;
    if (!step(ybWriteBlockOptionFile(block.optionPath.c_str(), &info), "writing " + block.optionPath)) return step.code;
    if (shape.parameterFiles) {
        CameraInfo camera{};
        camera.principalDistance = 152.8;
        camera.principalPointX = 0.004;
        camera.principalPointY = -0.002;
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
        if (writeStripImages(info, shape, strip, count, images, step) != 0) return step.code;
        if (!step(ybWriteOneStripImageRecord(block.imageListPath.c_str(), shape.strips, strip, images),
                  "writing strip " + std::to_string(strip) + " of " + block.imageListPath))
            return step.code;
    }

    block.points = tiePoints(sizes, shape.points);
    if (!step(ybCreateTiePntFile(block.tiePointPath.c_str(), block.points.data(),
                                 static_cast<std::int32_t>(block.points.size())),
              "writing " + block.tiePointPath))
        return step.code;
    if (shape.parameterFiles) writeModels(blockDirectory, block, step);
    return step.code;
}

}  // namespace yb::blockgen
