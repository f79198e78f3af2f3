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
#include <unordered_set>
#include <vector>

namespace yb::tiepoints {
namespace {

constexpr double kPhotoScale = 0.001;  // inner-oriented coordinates to photo coordinates

// Shows `format` (with `path`) in an error box and passes `code` on.
std::int32_t fail(std::int32_t code, char const* format, std::string const& path) {
    frame::showErrorF(format, path.c_str());
    return code;
}

// The per-image temporary files of every image (those clean removes, whether there or not), named from
// the place of the image list.
std::int32_t temporaryFilesOf(char const* blockOptionPath, std::vector<std::string>& files) {
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
            files.push_back(tempFolder + title + ".ijp");
            files.push_back(tempFolder + title + "_ImgGcp.ijp");
        }
    }
    return kSuccess;
}

std::int32_t cleanTemporaryFiles(char const* blockOptionPath) {
    std::vector<std::string> files;
    if (std::int32_t code = temporaryFilesOf(blockOptionPath, files); code != kSuccess) return code;
    for (auto const& file : files) platform::removeFile(file);  // a file that is not there is simply not removed
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

// The files a block workflow works on, found through the block option file.
struct BlockFiles {
    BlockInfo block{};
    std::string imageListPath;
    std::string tiePointPath;
    std::int32_t strips = 0;
};

// Reads the block option file, names the image list and the tie point file and reads the strip
// count, showing the workflow's message on a failure.
std::int32_t openBlock(char const* blockOptionPath, BlockFiles& files) {
    if (std::int32_t code = ybReadBlockOptionFile(blockOptionPath, &files.block); code != kSuccess)
        return fail(code, text::kReadBlockOptionFailure, blockOptionPath ? blockOptionPath : "");
    files.imageListPath = ybGetBlkAuxFileName(files.block, ".bil", nullptr);
    files.tiePointPath = ybGetBlkAuxFileName(files.block, ".scp", nullptr);
    if (std::int32_t code = ybGetStripNumberOfImageRecord(files.imageListPath.c_str(), &files.strips); code != kSuccess)
        return fail(code, text::kReadImageListFailure, files.imageListPath);
    return kSuccess;
}

// Calls visit(image, image path, per-image tie point file) for every image, strip by strip in image
// list order, and stops at the first failure.
template <class Visit>
std::int32_t forEachImage(BlockFiles const& files, Visit visit) {
    std::vector<ImageOrderInfo> images;
    for (std::int32_t strip = 1; strip <= files.strips; ++strip) {
        if (std::int32_t code = ybReadOneStripImageRecord(files.imageListPath.c_str(), files.strips, strip, images);
            code != kSuccess)
            return fail(code, text::kReadImageListFailure, files.imageListPath);
        for (auto const& image : images) {
            std::string const imagePath(platform::boundedText(image.szImagePath, sizeof image.szImagePath));
            std::string const imageTiePointPath =
                ybGetTempAuxFileName(files.block, imagePath.c_str(), nullptr, ".ijp", nullptr);
            if (std::int32_t code = visit(image, imagePath, imageTiePointPath); code != kSuccess) return code;
        }
    }
    return kSuccess;
}

// Detach cleans the temporary files first, in effect: files of images without tie points are gone
// afterwards. They are removed only once every new file is written, so a detach that fails part-way
// leaves each per-image file as it was or complete, never an image's edits lost to nothing.
std::int32_t detachTiePoints(char const* blockOptionPath) {
    BlockFiles files;
    if (std::int32_t code = openBlock(blockOptionPath, files); code != kSuccess) return code;
    std::vector<std::string> stale;
    if (std::int32_t code = temporaryFilesOf(blockOptionPath, stale); code != kSuccess) return code;
    std::unordered_set<std::string> written;  // native paths

    // The block tie point file is read once; each image is then served from the index.
    TiePointIndex index(files.tiePointPath);
    bool const withPhotoCoordinates = files.block.imageType == 0 || files.block.imageType == 1;
    std::vector<tagImagePoint> points;
    std::int32_t const code = forEachImage(files, [&](ImageOrderInfo const& image, std::string const& imagePath,
                                                      std::string const& imageTiePointPath) {
        if (std::int32_t code = index.pointsOf(image.nImageNo, points); code != kSuccess)
            return fail(code, text::kReadBlockTiePointFailure, files.tiePointPath);
        if (points.empty()) return kSuccess;  // no file for an image without tie points
        if (withPhotoCoordinates) {
            if (std::int32_t code = fillPhotoCoordinates(files.block, imagePath.c_str(), points); code != kSuccess)
                return code;
        } else {
            for (auto& point : points) point.photoX = point.photoY = 0.0;
        }
        if (std::int32_t code = ybWriteImgGcpFile(imageTiePointPath.c_str(), points.data(),
                                                  static_cast<std::int32_t>(points.size()));
            code != kSuccess)
            return fail(code, text::kCreateImageTiePointFailure, imageTiePointPath);
        if (auto native = platform::nativePath(imageTiePointPath)) written.insert(std::move(*native));
        return kSuccess;
    });
    if (code != kSuccess) return code;
    for (auto const& path : stale) {
        auto native = platform::nativePath(path);
        if (native && written.count(*native) == 0) platform::removeFile(path);
    }
    return kSuccess;
}

std::int32_t uniteTiePoints(char const* blockOptionPath) {
    BlockFiles files;
    if (std::int32_t code = openBlock(blockOptionPath, files); code != kSuccess) return code;
    std::vector<tagImagePoint> all;
    std::vector<tagImagePoint> points;
    std::int32_t code = forEachImage(files, [&](ImageOrderInfo const&, std::string const&,
                                                std::string const& imageTiePointPath) {
        if (ybIsFileExist(imageTiePointPath.c_str()) == 0) return kSuccess;
        if (std::int32_t read = ybReadImgGcpFileToAry(imageTiePointPath.c_str(), points); read != kSuccess)
            return fail(read, text::kReadImageTiePointFailure, imageTiePointPath);
        all.insert(all.end(), points.begin(), points.end());
        return kSuccess;
    });
    if (code != kSuccess) return code;
    if (code = WriteTiePntGroups(files.tiePointPath.c_str(), all); code != kSuccess)
        return fail(code, text::kCreateFileFailure, files.tiePointPath);
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
