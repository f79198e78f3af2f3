// Block-level tie point workflows. A block's tie points live in the block tie point file (".scp");
// detach copies each image's points into a per-image temporary file (".ijp", in the block's temp
// folder) with photo coordinates filled for metric and digital cameras, tools edit those files, and
// unite gathers them back into the block tie point file. Clean removes the per-image files.
#include "export_frame.h"
#include "messages.h"
#include "reports/strip_image_paths.h"
#include "tiepoints/tie_point_file.h"
#include "tiepoints/tie_point_index.h"
#include "tiepoints/tie_point_messages.h"

#include "fs.h"
#include "hostpath.h"

#include <yb/ybBlockFileIO.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace yb::tiepoints {
namespace {

constexpr double kPhotoScale = 0.001;  // inner-oriented coordinates to photo coordinates

// Shows `format` (with `path`) in an error box and passes `code` on.
std::int32_t fail(std::int32_t code, char const* format, std::string const& path) {
    frame::showErrorF(format, path.c_str());
    return code;
}

std::int32_t cleanTemporaryFiles(char const* blockOptionPath) {
    BlockInfo block{};
    if (std::int32_t code = ybReadBlockOptionFile(blockOptionPath, &block); code != kSuccess) return code;
    std::string const imageListPath = ybGetBlkAuxFileName(block, ".bil", nullptr);
    platform::PathParts const list = platform::splitPath(imageListPath);
    std::string const tempFolder = list.drive + list.directory + "temp\\";
    std::int32_t strips = 0;
    if (std::int32_t code = ybGetStripNumberOfImageRecord(imageListPath.c_str(), &strips); code != kSuccess) return code;
    std::vector<std::string> paths;
    for (std::int32_t strip = 1; strip <= strips; ++strip) {
        if (std::int32_t code = reports::readStripImagePaths(imageListPath.c_str(), strip, paths); code != kSuccess)
            return code;
        for (auto const& path : paths) {
            std::string const title = platform::splitPath(path).title;
            // A file that is not there is simply not removed.
            platform::removeFile(tempFolder + title + ".ijp");
            platform::removeFile(tempFolder + title + "_ImgGcp.ijp");
        }
    }
    return kSuccess;
}

// Photo coordinates of every point from the camera and the image's inner orientation.
std::int32_t fillPhotoCoordinates(BlockInfo const& block, char const* imagePath, std::vector<tagImagePoint>& points) {
    std::string const cameraPath(platform::boundedText(block.cameraFile, sizeof block.cameraFile));
    CameraInfo camera{};
    if (std::int32_t code = ybReadCameraParaFile(cameraPath.c_str(), &camera, nullptr, nullptr, nullptr, nullptr);
        code != kSuccess)
        return fail(code, text::kReadCameraFailure, cameraPath);
    std::string const coefficientPath = ybGetImgAuxFileName(block, imagePath, ".ioc", nullptr, nullptr);
    std::array<double, 6> coefficients{};
    if (std::int32_t code = ybReadInnefCeff(coefficientPath.c_str(), coefficients.data()); code != kSuccess)
        return fail(code, text::kReadInnerOrientationFailure, coefficientPath);
    for (auto& point : points) {
        std::array<double, 2> inner{};
        ybCalInnerDirectional_2(point.x, point.y, coefficients.data(), &camera, inner.data());
        point.photoX = inner[0] * kPhotoScale;
        point.photoY = inner[1] * kPhotoScale;
    }
    return kSuccess;
}

std::int32_t detachTiePoints(char const* blockOptionPath) {
    std::string const optionPath = blockOptionPath ? blockOptionPath : "";
    BlockInfo block{};
    if (std::int32_t code = ybReadBlockOptionFile(blockOptionPath, &block); code != kSuccess)
        return fail(code, text::kReadBlockOptionFailure, optionPath);
    std::string const imageListPath = ybGetBlkAuxFileName(block, ".bil", nullptr);
    std::string const tiePointPath = ybGetBlkAuxFileName(block, ".scp", nullptr);
    std::int32_t strips = 0;
    if (std::int32_t code = ybGetStripNumberOfImageRecord(imageListPath.c_str(), &strips); code != kSuccess)
        return fail(code, text::kReadImageListFailure, imageListPath);
    if (std::int32_t code = cleanTemporaryFiles(blockOptionPath); code != kSuccess) return code;

    // The block tie point file is read once; each image is then served from the index.
    TiePointIndex index(tiePointPath);
    bool const withPhotoCoordinates = block.imageType == 0 || block.imageType == 1;
    std::vector<ImageOrderInfo> images;
    std::vector<tagImagePoint> points;
    for (std::int32_t strip = 1; strip <= strips; ++strip) {
        if (std::int32_t code = ybReadOneStripImageRecord(imageListPath.c_str(), strips, strip, images);
            code != kSuccess)
            return fail(code, text::kReadImageListFailure, imageListPath);
        for (auto const& image : images) {
            if (std::int32_t code = index.pointsOf(image.nImageNo, points); code != kSuccess)
                return fail(code, text::kReadBlockTiePointFailure, tiePointPath);
            if (points.empty()) continue;
            std::string const imagePath(platform::boundedText(image.szImagePath, sizeof image.szImagePath));
            if (withPhotoCoordinates) {
                if (std::int32_t code = fillPhotoCoordinates(block, imagePath.c_str(), points); code != kSuccess)
                    return code;
            } else {
                for (auto& point : points) point.photoX = point.photoY = 0.0;
            }
            std::string const imageTiePointPath = ybGetTempAuxFileName(block, imagePath.c_str(), nullptr, ".ijp", nullptr);
            if (std::int32_t code = ybWriteImgGcpFile(imageTiePointPath.c_str(), points.data(),
                                                      static_cast<std::int32_t>(points.size()));
                code != kSuccess)
                return fail(code, text::kCreateImageTiePointFailure, imageTiePointPath);
        }
    }
    return kSuccess;
}

std::int32_t uniteTiePoints(char const* blockOptionPath) {
    std::string const optionPath = blockOptionPath ? blockOptionPath : "";
    BlockInfo block{};
    if (std::int32_t code = ybReadBlockOptionFile(blockOptionPath, &block); code != kSuccess)
        return fail(code, text::kReadBlockOptionFailure, optionPath);
    std::string const imageListPath = ybGetBlkAuxFileName(block, ".bil", nullptr);
    std::string const tiePointPath = ybGetBlkAuxFileName(block, ".scp", nullptr);
    std::int32_t strips = 0;
    if (std::int32_t code = ybGetStripNumberOfImageRecord(imageListPath.c_str(), &strips); code != kSuccess)
        return fail(code, text::kReadImageListFailure, imageListPath);

    std::vector<tagImagePoint> all;
    std::vector<ImageOrderInfo> images;
    std::vector<tagImagePoint> points;
    for (std::int32_t strip = 1; strip <= strips; ++strip) {
        if (std::int32_t code = ybReadOneStripImageRecord(imageListPath.c_str(), strips, strip, images);
            code != kSuccess)
            return fail(code, text::kReadImageListFailure, imageListPath);
        for (auto const& image : images) {
            std::string const imagePath(platform::boundedText(image.szImagePath, sizeof image.szImagePath));
            std::string const imageTiePointPath = ybGetTempAuxFileName(block, imagePath.c_str(), nullptr, ".ijp", nullptr);
            if (ybIsFileExist(imageTiePointPath.c_str()) == 0) continue;
            if (std::int32_t code = ybReadImgGcpFileToAry(imageTiePointPath.c_str(), points); code != kSuccess)
                return fail(code, text::kReadImageTiePointFailure, imageTiePointPath);
            all.insert(all.end(), points.begin(), points.end());
        }
    }
    if (std::int32_t code = WriteTiePntGroups(tiePointPath.c_str(), all); code != kSuccess)
        return fail(code, text::kCreateFileFailure, tiePointPath);
    return kSuccess;
}

}  // namespace
}  // namespace yb::tiepoints

std::int32_t ybCleanBlockTmpTiePntFile(char const* blockOptionPath) {
    return yb::frame::guarded([&] { return yb::tiepoints::cleanTemporaryFiles(blockOptionPath); });
}

std::int32_t ybDetachBlockTiePntFile(char const* blockOptionPath) {
    return yb::frame::guarded([&] { return yb::tiepoints::detachTiePoints(blockOptionPath); });
}

std::int32_t ybUniteBlockTiePntFile(char const* blockOptionPath) {
    return yb::frame::guarded([&] { return yb::tiepoints::uniteTiePoints(blockOptionPath); });
}
