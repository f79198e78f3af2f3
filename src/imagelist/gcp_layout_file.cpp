// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The block GCP layout file ("YB_BLOCK_GCP_LAYOUT_FILE_VER1.0"): for every ground control point of a
// block, the images it is measured on. Written whole, read whole, or queried per strip.
#include "file_kinds.h"
#include "export_frame.h"
#include "fs.h"
#include "write_path.h"

#include "binary_io.h"
#include "counted_file.h"

#include <yb/ybBlockFileIO.h>

#include <algorithm>
#include <string_view>
#include <vector>

namespace yb::imagelist {
namespace {

using platform::BinaryStream;

constexpr std::string_view kGcpLayoutMagic = frame::magicOf(frame::FileKind::GcpLayout);
constexpr std::int64_t kGcpRecordsOffset = 35;
constexpr std::int32_t kMostImagesPerPoint = 12;
static_assert(kGcpLayoutMagic.size() == 31 && kGcpRecordsOffset == 31 + 4);
static_assert(sizeof(BLOCKGCPLAYOUTINFO) == 84);
static_assert(sizeof(BLOCKGCPLAYOUTINFO::imageNo) / sizeof(std::int32_t) == kMostImagesPerPoint);

std::int32_t writeGcpLayout(char const* path, BLOCKGCPLAYOUTINFO const* records, std::int32_t count) {
    if (path == nullptr) return kInvalidArgument;
    // A refused write leaves no file behind, so a stale layout is never taken for the caller's new one.
    auto refuse = [&] {
        platform::removeFile(path);
        return kInvalidArgument;
    };
    if (records == nullptr) return refuse();
    if (count < 0) return kInvalidArgument;
    for (std::int32_t i = 0; i < count; ++i)
        if (records[i].imageCount < 0 || records[i].imageCount > kMostImagesPerPoint) return refuse();

    return frame::writeCountedFile(path, kGcpLayoutMagic, records, count, sizeof(BLOCKGCPLAYOUTINFO)) ? kSuccess
                                                                                                      : kCannotWrite;
}

// Opens the file, tests its magic and reads its record count, which must fit the file.
std::int32_t openGcpLayout(char const* path, platform::File& file, std::int32_t& count) {
    if (!platform::isRegularFile(path)) return kCannotOpen;
    file = platform::openFile(path, "rb");
    if (!file) return kCannotWrite;
    return frame::readCountedRecords(file, kGcpLayoutMagic, sizeof(BLOCKGCPLAYOUTINFO), count) ==
                   frame::CountedHeader::Ok
               ? kSuccess
               : kInvalidContent;
}

std::int32_t gcpCount(char const* path, std::int32_t* count) {
    if (path == nullptr || count == nullptr) return kInvalidArgument;
    platform::File file;
    std::int32_t stored = 0;
    if (std::int32_t code = openGcpLayout(path, file, stored); code != kSuccess) return code;
    *count = stored;
    return kSuccess;
}

std::int32_t readAllGcps(char const* path, std::vector<BLOCKGCPLAYOUTINFO>& records) {
    platform::File file;
    std::int32_t stored = 0;
    if (std::int32_t code = openGcpLayout(path, file, stored); code != kSuccess) return code;
    BinaryStream stream(file.get());
    if (!stream.readRecords(records, static_cast<std::size_t>(stored))) return kInvalidContent;
    return kSuccess;
}

std::int32_t readGcpLayout(char const* path, BLOCKGCPLAYOUTINFO* records, std::int32_t* count) {
    if (path == nullptr || records == nullptr || count == nullptr) return kInvalidArgument;
    platform::File file;
    std::int32_t stored = 0;
    if (std::int32_t code = openGcpLayout(path, file, stored); code != kSuccess) return code;
    BinaryStream stream(file.get());
    if (!stream.read(records, static_cast<std::size_t>(stored) * sizeof(BLOCKGCPLAYOUTINFO))) return kInvalidContent;
    *count = stored;
    return kSuccess;
}

// A point belongs to a strip when one of its meaningful image numbers lies in it. A stored image
// count above 12 is taken as 12, so a damaged record is never read past its end.
bool touchesStrip(BLOCKGCPLAYOUTINFO const& record, std::int32_t stripNo) {
    std::int32_t const n = std::clamp(record.imageCount, 0, kMostImagesPerPoint);
    return std::any_of(record.imageNo, record.imageNo + n, [&](std::int32_t image) { return image / 100 == stripNo; });
}

// Counts (and, when `out` is given, copies in file order) the points that touch strip `stripNo`.
std::int32_t gcpsOfStrip(char const* path, std::int32_t stripNo, BLOCKGCPLAYOUTINFO* out, std::int32_t* count) {
    if (path == nullptr || count == nullptr) return kInvalidArgument;
    std::vector<BLOCKGCPLAYOUTINFO> records;
    if (std::int32_t code = readAllGcps(path, records); code != kSuccess) return code;
    std::int32_t found = 0;
    for (auto const& record : records) {
        if (!touchesStrip(record, stripNo)) continue;
        if (out != nullptr) out[found] = record;
        ++found;
    }
    *count = found;
    return kSuccess;
}

}  // namespace
}  // namespace yb::imagelist

std::int32_t ybGetImgGcpNumOfOneStrip(char const* path, std::int32_t stripNo, std::int32_t* count) {
    return yb::frame::guarded([&] { return yb::imagelist::gcpsOfStrip(path, stripNo, nullptr, count); });
}

std::int32_t ybWriteBlockGcpLayoutFile(char const* path, BLOCKGCPLAYOUTINFO* records, std::int32_t count) {
    return yb::frame::guarded([&] { return yb::imagelist::writeGcpLayout(path, records, count); });
}

std::int32_t ybReadBlockGcpLayoutFile(char const* path, BLOCKGCPLAYOUTINFO* records, std::int32_t* count) {
    return yb::frame::guarded([&] { return yb::imagelist::readGcpLayout(path, records, count); });
}

std::int32_t ybGetGcpNumsOfGcpLayoutFile(char const* path, std::int32_t* count) {
    return yb::frame::guarded([&] { return yb::imagelist::gcpCount(path, count); });
}

std::int32_t ybGetGcpInfoOfOneStrip(char const* path, std::int32_t stripNo, BLOCKGCPLAYOUTINFO* records,
                                    std::int32_t* count) {
    return yb::frame::guarded([&] {
        if (records == nullptr) return yb::kInvalidArgument;
        return yb::imagelist::gcpsOfStrip(path, stripNo, records, count);
    });
}
