// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Queries over the block image list (strip count, image counts, group count, paths, one record) and
// the in-place update of one image's record. Each operation keeps its own result codes: callers have
// long told "no list yet" apart by them.
#include "image_list.h"

#include "export_frame.h"
#include "fs.h"
#include "hostpath.h"
#include "write_path.h"

#include <algorithm>
#include <cstring>

namespace yb::imagelist {

using platform::BinaryStream;

namespace {

std::int32_t walkCode(WalkResult result) {
    switch (result) {
        case WalkResult::Found: return kSuccess;
        case WalkResult::NotFound: return kNotFound;
        case WalkResult::Damaged: return kInvalidContent;
    }
    return kInvalidContent;
}

}  // namespace

std::int32_t stripCountOf(char const* path, std::int32_t* stripCount) {
    if (path == nullptr || stripCount == nullptr) return kInvalidArgument;
    ImageListReader list;
    if (std::int32_t code = list.open(path, kFileNotFound); code != kSuccess) return code;
    *stripCount = list.storedStripCount();
    return kSuccess;
}

std::int32_t imageCountOfStrip(char const* path, std::int32_t stripNo, std::int32_t* imageCount) {
    if (path == nullptr || imageCount == nullptr || stripNo < 1) return kInvalidArgument;
    ImageListReader list;
    if (std::int32_t code = list.open(path, kCannotOpen); code != kSuccess) return code;
    if (stripNo > list.storedStripCount()) return kOutOfRange;
    StripSection section;
    if (std::int32_t code = walkCode(list.find(stripNo, section)); code != kSuccess) return code;
    *imageCount = section.imageCount;
    return kSuccess;
}

std::int32_t totalImageCount(ImageListReader& list, std::int32_t* totalCount) {
    if (list.storedStripCount() < 1) return kOutOfRange;
    // The counts each strip's own query would find, all from one walk.
    std::int64_t total = 0;
    for (std::int32_t strip = 1; strip <= list.storedStripCount(); ++strip) {
        StripSection section;
        if (std::int32_t code = walkCode(list.find(strip, section)); code != kSuccess) return code;
        total += section.imageCount;
    }
    if (total < 1) return kOutOfRange;
    *totalCount = static_cast<std::int32_t>(total);  // the file's length bounds it well below 2^31
    return kSuccess;
}

std::int32_t totalImageCount(char const* path, std::int32_t* totalCount) {
    if (path == nullptr || totalCount == nullptr) return kInvalidArgument;
    ImageListReader list;
    if (std::int32_t code = list.open(path, kFileNotFound); code != kSuccess) return code;
    return totalImageCount(list, totalCount);
}

std::int32_t largestGroupNumber(char const* path, std::int32_t& groupCount) {
    groupCount = 0;
    if (path == nullptr) return kInvalidArgument;
    ImageListReader list;
    if (std::int32_t code = list.open(path, kFileNotFound); code != kSuccess) return code;
    std::int32_t largest = 0;
    std::vector<ImageOrderInfo> images;
    for (std::int32_t strip = 1; strip <= list.storedStripCount(); ++strip) {
        if (std::int32_t code = readStrip(list, list.storedStripCount(), strip, images); code != kSuccess) return code;
        for (auto const& image : images) largest = std::max(largest, image.nGroupNo);
    }
    groupCount = largest;
    return kSuccess;
}

std::int32_t readImagePaths(ImageListReader& list, std::int32_t stripNo, std::vector<std::string>& paths) {
    paths.clear();
    if (stripNo < 1) return kInvalidArgument;
    if (list.storedStripCount() < stripNo) return kStoredCountTooSmall;
    StripSection section;
    if (std::int32_t code = walkCode(list.find(stripNo, section)); code != kSuccess) return code;
    return list.readPaths(section, paths) ? kSuccess : kInvalidContent;
}

std::int32_t readImagePaths(char const* path, std::int32_t stripNo, char (*paths)[260], std::int32_t* imageCount) {
    if (path == nullptr || paths == nullptr || imageCount == nullptr || stripNo < 1) return kInvalidArgument;
    ImageListReader list;
    if (std::int32_t code = list.open(path, kFileNotFound); code != kSuccess) return code;
    std::vector<std::string> read;
    if (std::int32_t code = readImagePaths(list, stripNo, read); code != kSuccess) return code;
    for (std::size_t i = 0; i < read.size(); ++i) {
        std::memset(paths[i], 0, sizeof paths[i]);
        std::memcpy(paths[i], read[i].data(), read[i].size());
    }
    *imageCount = static_cast<std::int32_t>(read.size());
    return kSuccess;
}

std::int32_t readOneImage(ImageListReader& list, std::int32_t stripCount, std::int32_t stripNo, std::int32_t imageIndex,
                          ImageOrderInfo* record) {
    if (record == nullptr || stripCount < 1 || stripNo < 1 || imageIndex < 1 || stripNo > stripCount)
        return kInvalidArgument;
    if (list.storedStripCount() != stripCount) return kInvalidContent;
    StripSection section;
    if (std::int32_t code = walkCode(list.find(stripNo, section)); code != kSuccess) return code;
    // An index beyond the strip cannot carry its own image number; it is refused without reading
    // whatever lies past the strip's entries.
    if (imageIndex > section.imageCount) return kImageNumberMismatch;

    std::int64_t const n = section.imageCount;
    std::int64_t const k = imageIndex;
    std::int64_t const pathEntryAt = section.entriesOffset + static_cast<std::int64_t>(kPathEntrySize) * (k - 1);
    std::int64_t const attributeEntryAt = section.entriesOffset + static_cast<std::int64_t>(kPathEntrySize) * n +
                                          static_cast<std::int64_t>(kAttributeEntrySize) * (k - 1);
    unsigned char pathEntry[kPathEntrySize];
    unsigned char attributeEntry[kAttributeEntrySize];
    if (!list.readAt(pathEntryAt, pathEntry, sizeof pathEntry) ||
        !list.readAt(attributeEntryAt, attributeEntry, sizeof attributeEntry))
        return kInvalidContent;
    std::int32_t pathNumber = 0;
    std::int32_t attributeNumber = 0;
    std::memcpy(&pathNumber, pathEntry, 4);
    std::memcpy(&attributeNumber, attributeEntry, 4);
    if (pathNumber != attributeNumber || static_cast<std::int64_t>(pathNumber) != std::int64_t{stripNo} * 100 + k)
        return kImageNumberMismatch;

    *record = decodeImage(pathEntry, attributeEntry);
    return kSuccess;
}

std::int32_t readOneImage(char const* path, std::int32_t stripCount, std::int32_t stripNo, std::int32_t imageIndex,
                          ImageOrderInfo* record) {
    if (path == nullptr || record == nullptr || stripCount < 1 || stripNo < 1 || imageIndex < 1 || stripNo > stripCount)
        return kInvalidArgument;
    ImageListReader list;
    if (std::int32_t code = list.open(path, kCannotOpen); code != kSuccess) return code;
    return readOneImage(list, stripCount, stripNo, imageIndex, record);
}

std::int32_t updateOneImage(char const* path, std::int32_t imageNo, ImageOrderInfo const& record) {
    if (path == nullptr) return kInvalidArgument;
    std::int32_t const strip = imageNo / 100;
    std::int32_t const position = imageNo % 100;
    // Held from the walk to the strip to the change: the entries are written where the strip lies.
    platform::WriteHold const hold(path);
    if (hold.refused()) return hold.heldElsewhere() ? kCannotWrite : kCannotOpen;
    std::int32_t imageCount = 0;
    if (std::int32_t code = imageCountOfStrip(path, strip, &imageCount); code != kSuccess) return code;
    if (position < 1 || position > imageCount || record.nImageNo != imageNo || record.nStripNo != strip)
        return kOutOfRange;

    // The entries are written where this strip's section actually lies; in a sound file that is
    // 31 + 8 * strip + 304 * (images of the strips before) + 264 * position - 260.
    StripSection section;
    {
        platform::File file = platform::openFile(path, "rb");
        if (!file) return kCannotOpen;
        BinaryStream stream(file.get());
        std::int32_t stored = 0;
        if (!stream.seek(kStripCountOffset) || !stream.readI32(stored)) return kInvalidContent;
        if (std::int32_t code = walkCode(walkToStrip(stream, stored, strip, section)); code != kSuccess)
            return code == kNotFound ? kInvalidContent : code;
    }

    unsigned char pathEntry[kPathEntrySize];
    unsigned char attributeEntry[kAttributeEntrySize];
    storePathEntry(record, pathEntry);
    storeAttributeEntry(record, attributeEntry);
    std::int64_t const n = section.imageCount;
    std::int64_t const k = position;
    auto const pathEntryAt =
        static_cast<std::uint64_t>(section.entriesOffset + static_cast<std::int64_t>(kPathEntrySize) * (k - 1));
    auto const attributeEntryAt =
        static_cast<std::uint64_t>(section.entriesOffset + static_cast<std::int64_t>(kPathEntrySize) * n +
                                   static_cast<std::int64_t>(kAttributeEntrySize) * (k - 1));
    // Both entries change or neither: the old ones are kept until the change is complete.
    platform::FileChange change(path, platform::WorkCopyName::Bak);
    if (!change.opened()) return kCannotOpen;
    bool const ok = change.keep({{pathEntryAt, kPathEntrySize}, {attributeEntryAt, kAttributeEntrySize}}) &&
                    change.write(pathEntryAt, pathEntry, sizeof pathEntry) &&
                    change.write(attributeEntryAt, attributeEntry, sizeof attributeEntry) && change.commit();
    return ok ? kSuccess : kInvalidContent;
}

}  // namespace yb::imagelist

std::int32_t ybGetStripNumberOfImageRecord(char const* path, std::int32_t* stripCount) {
    return yb::frame::guarded([&] { return yb::imagelist::stripCountOf(path, stripCount); });
}

std::int32_t ybGetImgGroupNumsOfImageRecord(char const* path, std::int32_t& groupCount) {
    return yb::frame::guarded([&] { return yb::imagelist::largestGroupNumber(path, groupCount); });
}

std::int32_t ybReadOneImageRecord(char const* path, std::int32_t stripCount, std::int32_t stripNo,
                                  std::int32_t imageIndex, ImageOrderInfo* record) {
    return yb::frame::guarded(
        [&] { return yb::imagelist::readOneImage(path, stripCount, stripNo, imageIndex, record); });
}

std::int32_t ybUpdateOneImageRecord(char const* path, std::int32_t imageNo, ImageOrderInfo const& record) {
    return yb::frame::guarded([&] { return yb::imagelist::updateOneImage(path, imageNo, record); });
}

std::int32_t ybReadImageNumOfOneStrip(char const* path, std::int32_t stripNo, std::int32_t* imageCount) {
    return yb::frame::guarded([&] { return yb::imagelist::imageCountOfStrip(path, stripNo, imageCount); });
}

std::int32_t ybReadAllImageDirectary(char const* path, std::int32_t stripNo, char (*paths)[260],
                                     std::int32_t* imageCount) {
    return yb::frame::guarded([&] { return yb::imagelist::readImagePaths(path, stripNo, paths, imageCount); });
}

std::int32_t ybGetBlockTotalImgNums(char const* path, std::int32_t* totalCount) {
    return yb::frame::guarded([&] { return yb::imagelist::totalImageCount(path, totalCount); });
}
