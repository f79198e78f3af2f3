// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Block-level tie point workflows. A block's tie points live in the block tie point file (".scp");
// detach copies each image's points into a per-image temporary file (".ijp", in the block's temp
// folder) with photo coordinates filled for metric and digital cameras, tools edit those files, and
// unite gathers them back into the block tie point file. Clean removes the per-image files.
#include "params/parameter_files.h"
#include "block/file_names.h"
#include "block/block_files.h"
#include "export_frame.h"
#include "image_types.h"
#include "messages.h"
#include "imagelist/image_list.h"
#include "points/image_point_file.h"
#include "tiepoints/block_tie_points.h"
#include "tiepoints/tie_point_file.h"
#include "tiepoints/tie_point_index.h"
#include "tiepoints/tie_point_messages.h"

#include "fs.h"
#include "hostpath.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
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

// The files a block workflow works on, found through the block option file, with the image list open
// for one walk over its strips.
struct BlockFiles {
    BlockInfo block{};
    std::string imageListPath;
    std::string tiePointPath;
    imagelist::ImageListReader list;
    std::int32_t strips = 0;
};

// Reads the block option file, names the image list and the tie point file, opens the image list and
// reads its strip count. The codes are those of the option file and strip count queries.
std::int32_t openBlock(char const* blockOptionPath, BlockFiles& files, bool& optionRead) {
    optionRead = false;
    if (std::int32_t code = block::readBlockOptionFile(blockOptionPath, &files.block); code != kSuccess) return code;
    optionRead = true;
    files.imageListPath = block::blockAuxFileName(files.block, ".bil", nullptr);
    files.tiePointPath = block::blockAuxFileName(files.block, ".scp", nullptr);
    if (std::int32_t code = files.list.open(files.imageListPath.c_str(), kFileNotFound); code != kSuccess) return code;
    files.strips = files.list.storedStripCount();
    return kSuccess;
}

// The same, showing the detach and unite workflows' messages on a failure.
std::int32_t openBlockForWorkflow(char const* blockOptionPath, BlockFiles& files) {
    bool optionRead = false;
    std::int32_t const code = openBlock(blockOptionPath, files, optionRead);
    if (code == kSuccess) return code;
    if (!optionRead) return fail(code, text::kReadBlockOptionFailure, blockOptionPath ? blockOptionPath : "");
    return fail(code, text::kReadImageListFailure, files.imageListPath);
}

std::string tempFolderOf(std::string const& imageListPath) {
    platform::PathParts const list = platform::splitPath(imageListPath);
    return list.drive + list.directory + "temp\\";
}

// The per-image temporary files that clean removes for these images, whether there or not: the name
// clean builds from the image list's folder ("temp\\" + title + ".ijp") and its "_ImgGcp" companion.
void addTemporaryFiles(std::string const& tempFolder, std::vector<std::string> const& imagePaths,
                       std::vector<std::string>& files) {
    for (auto const& path : imagePaths) {
        std::string const title = platform::splitPath(path).title;
        files.push_back(tempFolder + title + ".ijp");
        files.push_back(tempFolder + title + "_ImgGcp.ijp");
    }
}

std::int32_t cleanTemporaryFiles(char const* blockOptionPath) {
    BlockFiles files;
    bool optionRead = false;
    if (std::int32_t code = openBlock(blockOptionPath, files, optionRead); code != kSuccess) return code;
    std::string const tempFolder = tempFolderOf(files.imageListPath);
    std::vector<std::string> temporary;
    std::vector<std::string> paths;
    std::int32_t code = kSuccess;
    for (std::int32_t strip = 1; strip <= files.strips && code == kSuccess; ++strip) {
        code = imagelist::readImagePaths(files.list, strip, paths);
        if (code == kSuccess) addTemporaryFiles(tempFolder, paths, temporary);
    }
    // The files of the strips read are removed, also when a later strip cannot be read; a file that
    // is not there is simply not removed.
    platform::removeFiles(temporary);
    return code;
}

// Photo coordinates of every point from the camera and the image's inner orientation (`innerPath`,
// found as `inner`). The camera file is read for the first image that needs it and kept for the others.
std::int32_t fillPhotoCoordinates(BlockInfo const& block, std::optional<CameraInfo>& camera,
                                  std::string const& innerPath, platform::FoundFile const& inner,
                                  std::span<tagImagePoint> points) {
    if (!camera) {
        std::string path;
        CameraInfo read{};
        if (std::int32_t code = readDetachCamera(block, read, path); code != kSuccess)
            return fail(code, text::kReadCameraFailure, path);
        camera = read;
    }
    std::array<double, 6> coefficients{};
    if (std::int32_t code = readDetachInnerOrientation(inner, coefficients); code != kSuccess)
        return fail(code, text::kReadInnerOrientationFailure, innerPath);
    for (auto& point : points) {
        std::array<double, 2> photo{};
        ybCalInnerDirectional_2(point.x, point.y, coefficients.data(), &*camera, photo.data());
        point.photoX = photo[0] * kPhotoScale;
        point.photoY = photo[1] * kPhotoScale;
    }
    return kSuccess;
}

// The image records of every strip, read in one walk. A strip that cannot be read ends the reading:
// `failedStrip` is its number (0 when all were read) and `failure` its code.
struct BlockImages {
    std::vector<std::vector<ImageOrderInfo>> strips;
    std::int32_t failedStrip = 0;
    std::int32_t failure = kSuccess;
};

BlockImages readBlockImages(BlockFiles& files) {
    // No room made ahead from the stored strip count: a damaged image list can name billions of
    // strips, and the walk stops at the first strip the list does not hold.
    BlockImages images;
    for (std::int32_t strip = 1; strip <= files.strips; ++strip) {
        std::vector<ImageOrderInfo> records;
        if (std::int32_t code = imagelist::readStrip(files.list, files.strips, strip, records); code != kSuccess) {
            images.failedStrip = strip;
            images.failure = code;
            break;
        }
        images.strips.push_back(std::move(records));
    }
    return images;
}

// The per-image temporary file of every image, in image list order, and what is there of each.
struct PerImageFiles {
    std::vector<std::string> paths;
    std::vector<platform::FoundFile> found;
};

PerImageFiles findPerImageFiles(BlockInfo const& block, BlockImages const& images) {
    PerImageFiles files;
    for (auto const& strip : images.strips)
        for (auto const& image : strip) files.paths.push_back(perImageFile(block, image));
    files.found = platform::findFiles(files.paths);
    return files;
}

// The files a detach wrote, asked for by path: a hash of each path in a sorted table, a match confirmed
// against the path itself. A detach asks for twice as many paths as it wrote files, thousands of them:
// the table holds no copy of a path and makes no node a path.
class WrittenPaths {
public:
    // Paths that differ in letter case only are one path, or two.
    explicit WrittenPaths(bool ignoreCase) : ignoreCase_(ignoreCase) {}
    void reserve(std::size_t count) { entries_.reserve(count); }
    // `path` lives as long as the table.
    void add(std::string const& path) { entries_.push_back({hashOf(path), &path}); }
    // Once every path is in, before the first question.
    void seal() {
        std::sort(entries_.begin(), entries_.end(), [](Entry const& a, Entry const& b) { return a.hash < b.hash; });
    }
    bool contains(std::string_view path) {
        std::uint64_t const hash = hashOf(path);
        auto at = std::lower_bound(entries_.begin(), entries_.end(), hash,
                                   [](Entry const& entry, std::uint64_t value) { return entry.hash < value; });
        for (; at != entries_.end() && at->hash == hash; ++at)
            if (ignoreCase_ ? platform::equalsIgnoreCase(*at->path, path) : *at->path == path) return true;
        return false;
    }

private:
    struct Entry {
        std::uint64_t hash;
        std::string const* path;
    };
    std::uint64_t hashOf(std::string_view path) {
        if (!ignoreCase_) return std::hash<std::string_view>{}(path);
        folded_.resize(path.size());
        platform::toLowerInto(path, folded_.data());
        return std::hash<std::string_view>{}(folded_);
    }

    bool ignoreCase_;
    std::vector<Entry> entries_;
    std::string folded_;
};

// Detach cleans the temporary files first, in effect: files of images without tie points are gone
// afterwards. They are removed only once every new file is written, so a detach that fails part-way
// leaves each per-image file as it was or complete, never an image's edits lost to nothing.
std::int32_t detachTiePoints(char const* blockOptionPath) {
    BlockFiles files;
    if (std::int32_t code = openBlockForWorkflow(blockOptionPath, files); code != kSuccess) return code;
    // The strips are read once. The clean that every detach starts with fails (without a message of
    // the detach, and before anything is written) at a strip that cannot be read.
    BlockImages const images = readBlockImages(files);
    if (images.failure != kSuccess) return images.failure;

    // The block tie point file is read once; each image is then served from the index. The per-image
    // files are looked for together, in one look at their folder.
    TiePointIndex index(files.tiePointPath);
    PerImageFiles const perImage = findPerImageFiles(files.block, images);
    bool const withPhotoCoordinates = detachFillsPhotoCoordinates(files.block);
    // A camera block's inner orientations are looked for together too, in one look at their folder.
    std::vector<std::string> innerPaths;
    std::vector<platform::FoundFile> inner;
    if (withPhotoCoordinates) {
        for (auto const& strip : images.strips)
            for (auto const& image : strip) innerPaths.push_back(innerOrientationFile(files.block, image));
        inner = platform::findFiles(innerPaths);
    }
    std::optional<CameraInfo> camera;
    std::span<tagImagePoint> points;
    std::vector<std::size_t> writtenAt;  // the per-image files written, in order
    writtenAt.reserve(perImage.paths.size());
    std::size_t next = 0;
    {
        // The new files reach the disk together, before the first takes its place, and the temporary
        // folder's index learns of them once, after the last.
        platform::ReplacementBatch batch;
        for (auto const& strip : images.strips) {
            for (auto const& image : strip) {
                std::size_t const at = next++;
                std::string const& imageTiePointPath = perImage.paths[at];
                if (std::int32_t code = index.recordsOf(image.nImageNo, points); code != kSuccess)
                    return fail(code, text::kReadBlockTiePointFailure, files.tiePointPath);
                if (points.empty()) continue;  // no file for an image without tie points
                if (withPhotoCoordinates) {
                    if (std::int32_t code =
                            fillPhotoCoordinates(files.block, camera, innerPaths[at], inner[at], points);
                        code != kSuccess)
                        return code;
                } else {
                    for (auto& point : points) point.photoX = point.photoY = 0.0;
                }
                if (std::int32_t code = points::writeImagePoints(perImage.found[at], points.data(),
                                                                 static_cast<std::int32_t>(points.size()));
                    code != kSuccess)
                    return fail(code, text::kCreateImageTiePointFailure, imageTiePointPath);
                writtenAt.push_back(at);
            }
        }
        if (!batch.commit())
            return fail(kCannotWrite, text::kCreateImageTiePointFailure, perImage.paths[writtenAt[batch.placed()]]);
    }
    // The clean's files, but for the ones just written. Names that differ from a written one in more
    // than letter case are compared by the files they name.
    std::vector<std::string> stale;
    std::string const tempFolder = tempFolderOf(files.imageListPath);
    std::vector<std::string> paths;
    for (auto const& strip : images.strips) {
        paths.clear();
        for (auto const& image : strip)
            paths.emplace_back(platform::boundedText(image.szImagePath, sizeof image.szImagePath));
        addTemporaryFiles(tempFolder, paths, stale);
    }
    WrittenPaths written(true);
    WrittenPaths writtenNatives(false);
    written.reserve(writtenAt.size());
    writtenNatives.reserve(writtenAt.size());
    for (std::size_t at : writtenAt) {
        written.add(perImage.paths[at]);
        writtenNatives.add(*perImage.found[at].native);
    }
    written.seal();
    writtenNatives.seal();
    std::erase_if(stale, [&](std::string const& path) { return written.contains(path); });
    std::vector<platform::FoundFile> removable = platform::findFiles(stale, platform::LookFor::Removal);
    std::erase_if(removable, [&](platform::FoundFile const& file) {
        return !file.exists || writtenNatives.contains(*file.native);
    });
    platform::removeFoundFiles(removable);
    return kSuccess;
}

std::int32_t uniteTiePoints(char const* blockOptionPath) {
    BlockFiles files;
    if (std::int32_t code = openBlockForWorkflow(blockOptionPath, files); code != kSuccess) return code;
    // The strips are read once and the per-image files looked for together; then each file is read in
    // image list order, the strip that could not be read (if any) failing where its turn comes.
    BlockImages const images = readBlockImages(files);
    PerImageFiles const perImage = findPerImageFiles(files.block, images);

    // Each per-image file's records are kept as read and written from there, in image list order:
    // no array of all the points is made.
    std::vector<std::vector<tagImagePoint>> perImagePoints;
    for (std::size_t i = 0; i < perImage.paths.size(); ++i) {
        if (!perImage.found[i].exists) continue;
        std::vector<tagImagePoint> points;
        if (std::int32_t read = points::readImagePoints(perImage.found[i], points); read != kSuccess) {
            // Only a file is read: a folder of that name counts as no file.
            if (!platform::isRegularFile(perImage.paths[i])) continue;
            return fail(read, text::kReadImageTiePointFailure, perImage.paths[i]);
        }
        if (!points.empty()) perImagePoints.push_back(std::move(points));
    }
    if (images.failure != kSuccess) return fail(images.failure, text::kReadImageListFailure, files.imageListPath);
    if (std::int32_t code = writeTiePointGroups(files.tiePointPath.c_str(), perImagePoints); code != kSuccess)
        return fail(code, text::kCreateFileFailure, files.tiePointPath);
    return kSuccess;
}

}  // namespace

bool detachFillsPhotoCoordinates(BlockInfo const& block) { return frame::framesOfCamera(block.imageType); }

std::int32_t readDetachCamera(BlockInfo const& block, CameraInfo& camera, std::string& path) {
    path = platform::boundedText(block.cameraFile, sizeof block.cameraFile);
    return params::readCameraFile(path.c_str(), &camera, nullptr, nullptr, nullptr, nullptr);
}

std::int32_t readDetachInnerOrientation(BlockInfo const& block, char const* imagePath,
                                        std::array<double, 6>& coefficients, std::string& path) {
    path = block::imageAuxFileName(block, imagePath, ".ioc", nullptr, nullptr);
    return params::readInner(path.c_str(), coefficients.data());
}

std::int32_t readDetachInnerOrientation(platform::FoundFile const& found, std::array<double, 6>& coefficients) {
    return params::readInner(found, coefficients.data());
}

std::string innerOrientationFile(BlockInfo const& block, ImageOrderInfo const& image) {
    std::string const imagePath(platform::boundedText(image.szImagePath, sizeof image.szImagePath));
    return block::imageAuxFileName(block, imagePath.c_str(), ".ioc", nullptr, nullptr);
}

std::string perImageFile(BlockInfo const& block, ImageOrderInfo const& image) {
    std::string const imagePath(platform::boundedText(image.szImagePath, sizeof image.szImagePath));
    return block::temporaryAuxFileName(block, imagePath.c_str(), nullptr, ".ijp", nullptr);
}

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
