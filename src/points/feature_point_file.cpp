// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The feature point file: the magic "YB_IMAGE_FEATURE_POINT_FILE_VER1.0", the record count, then the
// 48-byte FeaturePoint records, stored and returned without looking inside. A rewrite of an existing
// file keeps its length, so bytes behind the counted records may remain from a longer content.
#include "file_kinds.h"
#include "export_frame.h"
#include "fs.h"
#include "counted_file.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <string_view>

namespace yb::points {
namespace {

constexpr std::string_view kFeaturePointMagic = frame::magicOf(frame::FileKind::FeaturePoint);
constexpr std::int64_t kCountOffset = 34;
constexpr std::int64_t kFirstRecordOffset = 38;
constexpr std::size_t kRecordSize = sizeof(FeaturePoint);
static_assert(kFeaturePointMagic.size() == kCountOffset);
static_assert(kFirstRecordOffset == kCountOffset + 4 && kRecordSize == 48);

// Opens an existing file, checks magic and count and that the counted records are all there, and
// leaves the stream at the first record.
std::int32_t openFeatureFile(char const* path, platform::File& file, std::int32_t& count) {
    if (!platform::isRegularFile(path)) return kCannotOpen;
    file = platform::openFile(path, "rb");
    if (!file) return kInvalidContent;
    return frame::readCountedRecords(file, kFeaturePointMagic, kRecordSize, count) == frame::CountedHeader::Ok
               ? kSuccess
               : kInvalidContent;
}

std::int32_t featurePointCount(char const* path, std::int32_t* count) {
    if (path == nullptr || count == nullptr) return kInvalidArgument;
    platform::File file;
    std::int32_t stored = 0;
    if (std::int32_t code = openFeatureFile(path, file, stored); code != kSuccess) return code;
    *count = stored;
    return kSuccess;
}

std::int32_t readFeaturePoints(char const* path, FeaturePoint* points, std::int32_t* count) {
    if (path == nullptr || points == nullptr || count == nullptr) return kInvalidArgument;
    platform::File file;
    std::int32_t stored = 0;
    if (std::int32_t code = openFeatureFile(path, file, stored); code != kSuccess) return code;
    platform::BinaryStream stream(file.get());
    if (!stream.read(points, static_cast<std::size_t>(stored) * kRecordSize)) return kInvalidContent;
    *count = stored;
    return kSuccess;
}

// Rewrites count and records of an existing feature point file in place. The work copy keeps the bytes
// they overwrite, so a failure never leaves a count that disagrees with the records.
std::int32_t rewriteFeaturePoints(char const* path, FeaturePoint const* points, std::int32_t count) {
    platform::WriteHold const hold(path);
    if (hold.refused()) return hold.heldElsewhere() ? kCannotWrite : kCannotOpen;
    {
        platform::File file = platform::openFile(path, "rb");
        if (!file) return kCannotOpen;
        platform::BinaryStream stream(file.get());
        if (!stream.readMagic(kFeaturePointMagic)) return kInvalidContent;
    }
    platform::FileChange change(path, platform::WorkCopyName::Bak);
    if (!change.opened()) return change.refused() ? kCannotWrite : kCannotOpen;
    std::size_t const recordBytes = static_cast<std::size_t>(count) * kRecordSize;
    bool const written = change.keep({{static_cast<std::uint64_t>(kCountOffset), sizeof count + recordBytes}}) &&
                         change.write(kCountOffset, &count, sizeof count) &&
                         change.write(kFirstRecordOffset, points, recordBytes) && change.commit();
    return written ? kSuccess : kCannotWrite;
}

std::int32_t writeFeaturePoints(char const* path, FeaturePoint const* points, std::int32_t count) {
    // Refused arguments (a missing array too, whatever the count) leave an existing file alone.
    if (path == nullptr || count < 0 || points == nullptr) return kInvalidArgument;
    if (platform::isRegularFile(path)) return rewriteFeaturePoints(path, points, count);
    return frame::writeCountedFile(path, kFeaturePointMagic, points, count, kRecordSize) ? kSuccess : kCannotWrite;
}

}  // namespace
}  // namespace yb::points

std::int32_t ybGetFeaturePointNumsOfFile(char const* path, std::int32_t* count) {
    return yb::frame::guarded([&] { return yb::points::featurePointCount(path, count); });
}

std::int32_t ybReadImgFeaturePointFile(char const* path, FeaturePoint* points, std::int32_t* count) {
    return yb::frame::guarded([&] { return yb::points::readFeaturePoints(path, points, count); });
}

std::int32_t ybWriteImgFeatruePointFile(char const* path, FeaturePoint const* points, std::int32_t count) {
    return yb::frame::guarded([&] { return yb::points::writeFeaturePoints(path, points, count); });
}
