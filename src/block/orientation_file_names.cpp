// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Names of the per-image and per-model orientation, epipolar, match, grid, DOM option and RPC files, and
// the small RPC reference file that points an image at its RPC file. Apart from that reference file,
// text only: no builder opens or tests a file. An empty name means there is no such file.
#include "block/file_names.h"
#include "export_frame.h"

#include "binary_io.h"
#include "fs.h"
#include "hostpath.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace yb::block {
namespace {

// The RPC reference file: the referenced path, its terminator and zero bytes, always this long.
constexpr std::size_t kRpcReferenceSize = 256;

// Orientation kinds.
constexpr std::int32_t kInnerOrientation = 0;     // one image
constexpr std::int32_t kRelativeOrientation = 1;  // one model
constexpr std::int32_t kAbsoluteOrientation = 2;  // one model
constexpr std::int32_t kBlockOrientation = 3;     // one image of the block, by sensor model

// Sensor values of a block orientation (the image types of the block record).
constexpr std::int32_t kMetricCamera = 0;
constexpr std::int32_t kDigitalCamera = 1;
constexpr std::int32_t kSpot = 4;
constexpr std::int32_t kIkonos = 5;
constexpr std::int32_t kQuickbird = 6;

// The endings of the control point file and the coefficient file of one orientation.
struct OrientationEndings {
    std::string_view controlPoints;
    std::string_view coefficients;
};

enum class Namer { ImageAndModel, ByImage };

// The endings of a kind (and, for a block orientation, a sensor), or nothing when that pair has no file.
// The by-image names have no digital camera entry.
std::optional<OrientationEndings> endingsOf(std::int32_t kind, std::int32_t sensor, Namer namer) {
    switch (kind) {
        case kInnerOrientation: return OrientationEndings{".icp", ".ioc"};
        case kRelativeOrientation: return OrientationEndings{".rcp", ".roc"};
        case kAbsoluteOrientation: return OrientationEndings{".acp", ".aoc"};
        case kBlockOrientation:
            switch (sensor) {
                case kMetricCamera: return OrientationEndings{".bcp", ".boc"};
                case kDigitalCamera:
                    if (namer == Namer::ImageAndModel) return OrientationEndings{"_DMC.bcp", "_DMC.boc"};
                    return std::nullopt;
                case kSpot: return OrientationEndings{"_SPOT.bcp", "_SPOT.boc"};
                case kIkonos:
                case kQuickbird: return OrientationEndings{"_RPC.bcp", "_RPC.boc"};
                default: return std::nullopt;
            }
        default: return std::nullopt;
    }
}

std::string_view endingOf(OrientationEndings const& endings, bool coefficients) {
    return coefficients ? endings.coefficients : endings.controlPoints;
}

std::string stemPair(std::string_view left, std::string_view right) { return stemOf(left) + "_" + stemOf(right); }

std::string modelDirectory(std::string_view blockDir, std::string_view left, std::string_view right) {
    return std::string(blockDir) + std::string(kModelDirectory) + titleOf(left) + "_" + titleOf(right);
}

// Orientation file of an image or a model named from image paths. Kinds 0 and 3 name a file of image A,
// kinds 1 and 2 a file of the model (A, B); the block directory and the rest meet at one backslash.
std::string orientationFileName(char const* blockDir, std::int32_t kind, std::int32_t sensor, char const* imageA,
                                char const* imageB, bool coefficients) {
    if (blockDir == nullptr || imageA == nullptr) return {};
    auto endings = endingsOf(kind, sensor, Namer::ImageAndModel);
    if (!endings) return {};
    std::string const ending(endingOf(*endings, coefficients));
    std::string const root = platform::withoutTrailingBackslashes(blockDir);
    if (kind == kRelativeOrientation || kind == kAbsoluteOrientation) {
        if (imageB == nullptr) return {};
        return modelDirectory(root, imageA, imageB) + "\\" + stemPair(imageA, imageB) + ending;
    }
    return root + std::string(kImageParameterDirectory) + stemOf(imageA) + ending;
}

std::string orientationFileNameByImage(char const* blockDir, std::int32_t kind, std::int32_t sensor,
                                       char const* imageName, bool coefficients) {
    if (blockDir == nullptr || imageName == nullptr) return {};
    if (kind != kInnerOrientation && kind != kBlockOrientation) return {};
    auto endings = endingsOf(kind, sensor, Namer::ByImage);
    if (!endings) return {};
    return std::string(blockDir) + std::string(kImageParameterDirectory) + imageName +
           std::string(endingOf(*endings, coefficients));
}

std::string currentModelDirectory(char const* blockDir, char const* left, char const* right) {
    if (blockDir == nullptr || left == nullptr || right == nullptr) return {};
    return modelDirectory(blockDir, left, right);
}

std::string modelOptionFileName(char const* blockDir, char const* left, char const* right) {
    if (blockDir == nullptr || left == nullptr || right == nullptr) return {};
    return std::string(blockDir) + std::string(kModelDirectory) + stemPair(left, right) + ".mod";
}

std::string modelDomOptionFileName(char const* blockDir, char const* model) {
    if (blockDir == nullptr || model == nullptr) return {};
    return std::string(blockDir) + std::string(kModelDirectory) + model + "\\" + model + ".oms";
}

std::string singleImageDomOptionFileName(char const* blockDir, char const* image) {
    if (blockDir == nullptr || image == nullptr) return {};
    return std::string(blockDir) + std::string(kImageParameterDirectory) + stemOf(image) + ".oms";
}

std::string rpcSetFileName(std::string_view image) {
    return hostBlockDirectory() + std::string(kImageParameterDirectory) + stemOf(image) + ".sir";
}

std::string imageTiePointFileName(char const* image) {
    if (image == nullptr) return {};
    std::string const lowered = platform::replaceAll(platform::toLower(image), ".ybi", ".ijp");
    return hostBlockDirectory() + std::string(kTemporaryDirectory) + platform::fileNameOf(lowered);
}

// The block option file's path in lower case with ".dms" swapped for another extension of the same
// length, so the caller's buffer (sized for the path) always holds it.
void siblingOfBlockOptionFile(char const* blockOptionPath, char* out, std::string_view extension) {
    if (blockOptionPath == nullptr || out == nullptr) return;
    std::string const name = platform::replaceAll(platform::toLower(blockOptionPath), ".dms", extension);
    static_assert(std::string_view(".mpx").size() == std::string_view(".dms").size());
    std::memcpy(out, name.c_str(), name.size() + 1);
}

std::string readRpcReference(char const* path) {
    if (path == nullptr) return {};
    platform::File file = platform::openFile(path, "rb");
    if (!file) return {};
    char buffer[kRpcReferenceSize] = {};
    if (platform::BinaryStream(file.get()).readSome(buffer, sizeof buffer) == 0) return {};
    return std::string(platform::boundedText(buffer, sizeof buffer));
}

void writeRpcReference(char const* path, char const* text) {
    if (path == nullptr || text == nullptr) return;
    std::size_t const length = strnlen(text, kRpcReferenceSize);
    // A text that leaves no room for its terminator would be cut; the reference is left as it was.
    if (length >= kRpcReferenceSize) return;
    // Nothing is reported: a reference that cannot be written leaves the old one as it was.
    platform::replaceFile(path, [&](platform::Output& out) {
        out.writeText(std::string_view(text, length), kRpcReferenceSize);
        return true;
    });
}

}  // namespace

std::string orientationFileNameByModel(char const* blockDir, std::int32_t kind, char const* modelName,
                                       bool coefficients) {
    if (blockDir == nullptr || modelName == nullptr) return {};
    if (kind != kRelativeOrientation && kind != kAbsoluteOrientation) return {};
    auto endings = endingsOf(kind, 0, Namer::ImageAndModel);
    std::string const model(modelName);
    return std::string(blockDir) + std::string(kModelDirectory) + model + "\\" + model +
           std::string(endingOf(*endings, coefficients));
}

std::string modelName(char const* left, char const* right) {
    if (left == nullptr || right == nullptr) return {};
    return stemPair(left, right);
}

// A file inside the model directory named after the model: stems, or titles for the model grid.
std::string modelProductFileName(char const* blockDir, char const* left, char const* right, std::string_view tail,
                                 bool byTitles) {
    if (blockDir == nullptr || left == nullptr || right == nullptr) return {};
    std::string const name = byTitles ? titleOf(left) + "_" + titleOf(right) : stemPair(left, right);
    return modelDirectory(blockDir, left, right) + "\\" + name + std::string(tail);
}

std::string epipolarFileName(char const* blockDir, char const* left, char const* right, bool leftImage) {
    return modelProductFileName(blockDir, left, right, leftImage ? "_Left_Epi.ybi" : "_Right_Epi.ybi");
}

}  // namespace yb::block

using yb::frame::guarded;

std::string ybGetOrientGcpFileName(char const* blockDir, std::int16_t kind, std::int16_t sensor, char const* imageA,
                                   char const* imageB) {
    return guarded([&] { return yb::block::orientationFileName(blockDir, kind, sensor, imageA, imageB, false); });
}

std::string ybGetOrientCeffFileName(char const* blockDir, std::int16_t kind, std::int32_t sensor, char const* imageA,
                                    char const* imageB) {
    return guarded([&] { return yb::block::orientationFileName(blockDir, kind, sensor, imageA, imageB, true); });
}

std::string ybGetCurModelDir(char const* blockDir, char const* leftImage, char const* rightImage) {
    return guarded([&] { return yb::block::currentModelDirectory(blockDir, leftImage, rightImage); });
}

std::string ybGetOrientCeffFileNameByModel(char const* blockDir, std::int16_t kind, char const* modelName) {
    return guarded([&] { return yb::block::orientationFileNameByModel(blockDir, kind, modelName, true); });
}

std::string ybGetOrientGcpFileNameByModel(char const* blockDir, std::int16_t kind, char const* modelName) {
    return guarded([&] { return yb::block::orientationFileNameByModel(blockDir, kind, modelName, false); });
}

std::string ybGetOrientCeffFileNameByImage(char* blockDir, std::int16_t kind, std::int32_t sensor,
                                           char const* imageName) {
    return guarded([&] { return yb::block::orientationFileNameByImage(blockDir, kind, sensor, imageName, true); });
}

std::string ybGetOrientGcpFileNameByImage(char const* blockDir, std::int16_t kind, std::int16_t sensor,
                                          char const* imageName) {
    return guarded([&] { return yb::block::orientationFileNameByImage(blockDir, kind, sensor, imageName, false); });
}

std::string ybGetEpipolarFileName(char* blockDir, char* leftImage, char* rightImage, bool left) {
    return guarded([&] { return yb::block::epipolarFileName(blockDir, leftImage, rightImage, left); });
}

std::string ybGetMatchGcpFileName(char* blockDir, char* leftImage, char* rightImage) {
    return guarded([&] { return yb::block::modelProductFileName(blockDir, leftImage, rightImage, ".mgc"); });
}

std::string ybGetModelGridFileName(char* blockDir, char* leftImage, char* rightImage) {
    return guarded([&] { return yb::block::modelProductFileName(blockDir, leftImage, rightImage, ".vgr", true); });
}

void ybGetSuvProjFileName(char const* blockOptionPath, char* out) {
    guarded([&] { yb::block::siblingOfBlockOptionFile(blockOptionPath, out, ".mpx"); });
}

void ybGetSuvGcpProjFileName(char const* blockOptionPath, char* out) {
    guarded([&] { yb::block::siblingOfBlockOptionFile(blockOptionPath, out, ".mgx"); });
}

std::string ybGetSingleImgRpcFile(char const* path) {
    return guarded([&] { return yb::block::readRpcReference(path); });
}

void ybSetSingleImgRpcFile(char const* path, char const* text) {
    guarded([&] { yb::block::writeRpcReference(path, text); });
}

std::string ybGetImgGcpFile(char* imagePath) {
    return guarded([&] { return yb::block::imageTiePointFileName(imagePath); });
}

std::string ybGetModelName(char* leftImage, char* rightImage) {
    return guarded([&] { return yb::block::modelName(leftImage, rightImage); });
}

std::string ybGetModelFileName(char const* blockDir, char* leftImage, char* rightImage) {
    return guarded([&] { return yb::block::modelOptionFileName(blockDir, leftImage, rightImage); });
}

std::string ybGetRPCSetFileName(std::string imagePath) {
    return guarded([&] { return yb::block::rpcSetFileName(imagePath); });
}

std::string ybGetSingleImgDomOptionFile(char const* blockDir, char const* imagePath) {
    return guarded([&] { return yb::block::singleImageDomOptionFileName(blockDir, imagePath); });
}

std::string ybGetModelDomOptionFile(char const* blockDir, char const* modelName) {
    return guarded([&] { return yb::block::modelDomOptionFileName(blockDir, modelName); });
}
