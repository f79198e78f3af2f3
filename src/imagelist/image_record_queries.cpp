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

// An image list opened for reading, with its magic tested and its strip count read.
struct OpenList {
    platform::File file;
    std::int32_t stripCount = 0;
    std::int32_t status = kSuccess;
};

OpenList openList(char const* path, std::int32_t absentCode) {
    OpenList list;
    if (!platform::isRegularFile(path)) {
        list.status = absentCode;
        return list;
    }
    list.file = platform::openFile(path, "rb");
    if (!list.file) {
        list.status = absentCode;
        return list;
    }
    BinaryStream stream(list.file.get());
    if (readListHeader(stream, list.stripCount) != ListStatus::Ok) list.status = kInvalidContent;
    return list;
}

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
    OpenList list = openList(path, kFileNotFound);
    if (list.status != kSuccess) return list.status;
    *stripCount = list.stripCount;
    return kSuccess;
}

std::int32_t imageCountOfStrip(char const* path, std::int32_t stripNo, std::int32_t* imageCount) {
    if (path == nullptr || imageCount == nullptr || stripNo < 1) return kInvalidArgument;
    OpenList list = openList(path, kCannotOpen);
    if (list.status != kSuccess) return list.status;
    if (stripNo > list.stripCount) return kOutOfRange;
    BinaryStream stream(list.file.get());
    StripSection section;
    if (std::int32_t code = walkCode(walkToStrip(stream, list.stripCount, stripNo, section)); code != kSuccess)
        return code;
    *imageCount = section.imageCount;
    return kSuccess;
}

// Opens the list and indexes every strip's section in one walk, for the whole-block queries: one walk
// instead of one per strip, with the counts each strip's own query would find.
std::int32_t indexAllStrips(char const* path, OpenList& list, std::vector<StripSection>& sections) {
    list = openList(path, kCannotOpen);
    if (list.status != kSuccess) return list.status;
    BinaryStream stream(list.file.get());
    return walkCode(indexStrips(stream, list.stripCount, sections));
}

std::int32_t totalImageCount(char const* path, std::int32_t* totalCount) {
    if (path == nullptr || totalCount == nullptr) return kInvalidArgument;
    std::int32_t stripCount = 0;
    if (std::int32_t code = stripCountOf(path, &stripCount); code != kSuccess) return code;
    if (stripCount < 1) return kOutOfRange;
    OpenList list;
    std::vector<StripSection> sections;
    if (std::int32_t code = indexAllStrips(path, list, sections); code != kSuccess) return code;
    std::int64_t total = 0;
    for (auto const& section : sections) total += section.imageCount;
    if (total < 1) return kOutOfRange;
    *totalCount = static_cast<std::int32_t>(total);  // the file's length bounds it well below 2^31
    return kSuccess;
}

std::int32_t largestGroupNumber(char const* path, std::int32_t& groupCount) {
    groupCount = 0;
    if (path == nullptr) return kInvalidArgument;
    std::int32_t stripCount = 0;
    if (std::int32_t code = stripCountOf(path, &stripCount); code != kSuccess) return code;
    if (stripCount < 1) return kSuccess;
    OpenList list;
    std::vector<StripSection> sections;
    if (std::int32_t code = indexAllStrips(path, list, sections); code != kSuccess) return code;
    BinaryStream stream(list.file.get());
    std::int32_t largest = 0;
    std::vector<ImageOrderInfo> images;
    for (auto const& section : sections) {
        images.clear();
        if (!stream.seek(section.entriesOffset) || !readSectionImages(stream, section.imageCount, images))
            return kInvalidContent;
        for (auto const& image : images) largest = std::max(largest, image.nGroupNo);
    }
    groupCount = largest;
    return kSuccess;
}

std::int32_t readImagePaths(char const* path, std::int32_t stripNo, char (*paths)[260], std::int32_t* imageCount) {
    if (path == nullptr || paths == nullptr || imageCount == nullptr || stripNo < 1) return kInvalidArgument;
    OpenList list = openList(path, kFileNotFound);
    if (list.status != kSuccess) return list.status;
    if (list.stripCount < stripNo) return kStoredCountTooSmall;
    BinaryStream stream(list.file.get());
    StripSection section;
    if (std::int32_t code = walkCode(walkToStrip(stream, list.stripCount, stripNo, section)); code != kSuccess)
        return code;
    std::size_t const n = static_cast<std::size_t>(section.imageCount);
    std::vector<unsigned char> pathEntries(n * kPathEntrySize);
    if (!stream.read(pathEntries.data(), pathEntries.size())) return kInvalidContent;
    for (std::size_t i = 0; i < n; ++i) {
        std::string_view const text = pathOfEntry(pathEntries.data() + i * kPathEntrySize);
        std::memset(paths[i], 0, sizeof paths[i]);
        std::memcpy(paths[i], text.data(), text.size());
    }
    *imageCount = section.imageCount;
    return kSuccess;
}

std::int32_t readOneImage(char const* path, std::int32_t stripCount, std::int32_t stripNo, std::int32_t imageIndex,
                          ImageOrderInfo* record) {
    if (path == nullptr || record == nullptr || stripCount < 1 || stripNo < 1 || imageIndex < 1 ||
        stripNo > stripCount)
        return kInvalidArgument;
    OpenList list = openList(path, kCannotOpen);
    if (list.status != kSuccess) return list.status;
    if (list.stripCount != stripCount) return kInvalidContent;
    BinaryStream stream(list.file.get());
    StripSection section;
    if (std::int32_t code = walkCode(walkToStrip(stream, list.stripCount, stripNo, section)); code != kSuccess)
        return code;
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
    if (!stream.seek(pathEntryAt) || !stream.read(pathEntry, sizeof pathEntry) || !stream.seek(attributeEntryAt) ||
        !stream.read(attributeEntry, sizeof attributeEntry))
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

std::int32_t updateOneImage(char const* path, std::int32_t imageNo, ImageOrderInfo const& record) {
    std::int32_t const strip = imageNo / 100;
    std::int32_t const position = imageNo % 100;
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
    auto const attributeEntryAt = static_cast<std::uint64_t>(
        section.entriesOffset + static_cast<std::int64_t>(kPathEntrySize) * n +
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
