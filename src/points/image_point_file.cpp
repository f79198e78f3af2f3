// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The image point file: the magic "YB_IMAGE_JOINT_POINT_FILE_VER1.0", the record count, then the
// 70-byte tagImagePoint records in the writer's order.
#include "file_kinds.h"
#include "points/image_point_file.h"

#include "export_frame.h"
#include "fs.h"
#include "counted_file.h"
#include "write_path.h"

#include <algorithm>
#include <limits>
#include <string_view>

namespace yb::points {
namespace {

constexpr std::string_view kImagePointMagic = frame::magicOf(frame::FileKind::ImagePoint);
constexpr std::int64_t kCountOffset = 32;
constexpr std::int64_t kFirstRecordOffset = 36;
constexpr std::size_t kRecordSize = sizeof(tagImagePoint);
static_assert(kImagePointMagic.size() == kCountOffset);
static_assert(kFirstRecordOffset == kCountOffset + 4 && kRecordSize == 70);
// The growable-array reader moves this many records at most per read.
constexpr std::int32_t kPortionRecords = 1024;

std::int32_t headerCode(frame::CountedHeader status) {
    switch (status) {
        case frame::CountedHeader::Ok: return kSuccess;
        case frame::CountedHeader::WrongMagic: return kWrongMagic;
        case frame::CountedHeader::ShortMagic:
        case frame::CountedHeader::ShortCount:
        case frame::CountedHeader::NegativeCount:
        case frame::CountedHeader::ShortRecords: return kInvalidContent;
    }
    return kInvalidContent;
}

// Checks magic and count of a file just opened.
std::int32_t checkOpened(platform::File& file, std::int32_t& count) {
    if (!file) return kCannotOpen;
    platform::BinaryStream stream(file.get());
    return headerCode(frame::readCountedHeader(stream, kImagePointMagic, count));
}

// Opens the file for reading and checks magic and count.
std::int32_t openChecked(char const* path, platform::File& file, std::int32_t& count) {
    file = platform::openFile(path, "rb");
    return checkOpened(file, count);
}

// Checks that all the records the count of a file just opened promises are there, leaving the stream
// at the first record.
std::int32_t checkRecords(platform::File& file, std::int32_t& count) {
    if (!file) return kCannotOpen;
    return headerCode(frame::readCountedRecords(file, kImagePointMagic, kRecordSize, count));
}

// Opens the file and checks that all the records its count promises are there.
std::int32_t openWithRecords(char const* path, platform::File& file, std::int32_t& count) {
    file = platform::openFile(path, "rb");
    return checkRecords(file, count);
}

// Reads the records of a checked file into `points`, growing it a portion at a time.
std::int32_t readCheckedRecords(platform::File& file, std::int32_t stored, std::vector<tagImagePoint>& points) {
    platform::BinaryStream stream(file.get());
    std::vector<tagImagePoint> read;
    read.reserve(static_cast<std::size_t>(stored));
    for (std::int32_t remaining = stored; remaining > 0;) {
        std::int32_t const portion = std::min(remaining, kPortionRecords);
        if (!stream.readRecords(read, static_cast<std::size_t>(portion))) return kInvalidContent;
        remaining -= portion;
    }
    points.swap(read);
    return kSuccess;
}

}  // namespace

std::int32_t readImagePointCount(char const* path, std::int32_t& count) {
    if (path == nullptr) return kInvalidArgument;
    platform::File file;
    std::int32_t stored = 0;
    if (std::int32_t code = openChecked(path, file, stored); code != kSuccess) return code;
    count = stored;
    return kSuccess;
}

std::int32_t readImagePoints(char const* path, tagImagePoint* points, std::int32_t& count) {
    if (path == nullptr || points == nullptr) return kInvalidArgument;
    platform::File file;
    std::int32_t stored = 0;
    if (std::int32_t code = openWithRecords(path, file, stored); code != kSuccess) return code;
    platform::BinaryStream stream(file.get());
    if (!stream.read(points, static_cast<std::size_t>(stored) * kRecordSize)) return kInvalidContent;
    count = stored;
    return kSuccess;
}

std::int32_t readImagePoints(char const* path, std::vector<tagImagePoint>& points) {
    std::vector<tagImagePoint>().swap(points);
    if (path == nullptr) return kInvalidArgument;
    platform::File file;
    std::int32_t stored = 0;
    if (std::int32_t code = openWithRecords(path, file, stored); code != kSuccess) return code;
    return readCheckedRecords(file, stored, points);
}

std::int32_t readImagePoints(platform::FoundFile const& found, std::vector<tagImagePoint>& points) {
    std::vector<tagImagePoint>().swap(points);
    platform::File file = platform::openFoundFile(found);
    std::int32_t stored = 0;
    if (std::int32_t code = checkRecords(file, stored); code != kSuccess) return code;
    return readCheckedRecords(file, stored, points);
}

std::int32_t writeImagePoints(char const* path, tagImagePoint const* points, std::int32_t count) {
    if (path == nullptr) return kInvalidArgument;
    // Refused records delete the path: a file left there would be taken for the caller's points.
    if (count < 0 || (count > 0 && points == nullptr)) {
        platform::removeFile(path);
        return kInvalidArgument;
    }
    return frame::writeCountedFile(path, kImagePointMagic, points, count, kRecordSize) ? kSuccess : kCannotWrite;
}

std::int32_t writeImagePoints(platform::FoundFile const& file, tagImagePoint const* points, std::int32_t count) {
    if (count < 0 || (count > 0 && points == nullptr)) return kInvalidArgument;
    return frame::writeCountedFile(file, kImagePointMagic, points, count, kRecordSize) ? kSuccess : kCannotWrite;
}

std::int32_t appendImagePoints(char const* path, tagImagePoint const* points, std::int32_t count) {
    // No records at all is refused too: unlike the writer, the append gives a missing array no meaning.
    if (path == nullptr || count < 0 || points == nullptr) return kInvalidArgument;
    // Held from the count's read to the change: another program's records are never written over.
    platform::WriteHold const hold(path);
    if (hold.refused()) return hold.heldElsewhere() ? kCannotWrite : kCannotOpen;
    std::int32_t oldCount = 0;
    {
        // A file shorter than its count is damaged: the new records would land behind a gap.
        platform::File file;
        if (std::int32_t code = openWithRecords(path, file, oldCount); code != kSuccess) return code;
    }
    if (count > std::numeric_limits<std::int32_t>::max() - oldCount) return kInvalidArgument;

    // The records go behind the counted ones (over whatever a longer file carries there, which readers
    // never read), and the new count, written last, takes them in.
    platform::FileChange change(path, platform::WorkCopyName::Tmp);
    if (!change.opened()) return change.refused() ? kCannotWrite : kCannotOpen;
    auto const recordsEnd = static_cast<std::uint64_t>(kFirstRecordOffset) +
                            std::uint64_t{static_cast<std::uint32_t>(oldCount)} * kRecordSize;
    std::int32_t const newCount = oldCount + count;
    bool const ok = change.appendCounted(recordsEnd, points, static_cast<std::size_t>(count) * kRecordSize,
                                         kCountOffset, &newCount, sizeof newCount) &&
                    change.commit();
    return ok ? kSuccess : kCannotWrite;
}

}  // namespace yb::points

std::int32_t ybGetImageGcpNumsOfFile(char const* path, std::int32_t* count) {
    return yb::frame::guarded([&] {
        if (count == nullptr) return yb::kInvalidArgument;
        return yb::points::readImagePointCount(path, *count);
    });
}

std::int32_t ybReadImgGcpFile(char const* path, tagImagePoint* points, std::int32_t* count) {
    return yb::frame::guarded([&] {
        if (count == nullptr) return yb::kInvalidArgument;
        return yb::points::readImagePoints(path, points, *count);
    });
}

std::int32_t ybReadImgGcpFileToAry(char const* path, std::vector<tagImagePoint>& points) {
    return yb::frame::guarded([&] { return yb::points::readImagePoints(path, points); });
}

std::int32_t ybWriteImgGcpFile(char const* path, tagImagePoint const* points, std::int32_t count) {
    return yb::frame::guarded([&] { return yb::points::writeImagePoints(path, points, count); });
}

std::int32_t ybAppendImgJointPntToFile(char const* path, tagImagePoint const* points, std::int32_t count) {
    return yb::frame::guarded([&] { return yb::points::appendImagePoints(path, points, count); });
}
