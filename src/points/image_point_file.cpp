// The image point file: the magic "YB_IMAGE_JOINT_POINT_FILE_VER1.0", the record count, then the
// 70-byte tagImagePoint records in the writer's order.
#include "file_kinds.h"
#include "points/image_point_file.h"

#include "export_frame.h"
#include "fs.h"
#include "points/counted_point_file.h"

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
constexpr char const* kWorkCopySuffix = ".tmp";

std::int32_t headerCode(CountedHeader status) {
    switch (status) {
        case CountedHeader::Ok: return kSuccess;
        case CountedHeader::WrongMagic: return kWrongMagic;
        case CountedHeader::ShortMagic:
        case CountedHeader::ShortCount:
        case CountedHeader::NegativeCount: return kInvalidContent;
    }
    return kInvalidContent;
}

// Opens the file for reading and checks magic and count.
std::int32_t openChecked(char const* path, platform::File& file, std::int32_t& count) {
    file = platform::openFile(path, "rb");
    if (!file) return kCannotOpen;
    platform::BinaryStream stream(file.get());
    return headerCode(readCountedHeader(stream, kImagePointMagic, count));
}

// Opens the file and checks that all the records its count promises are there, leaving the stream at
// the first record.
std::int32_t openWithRecords(char const* path, platform::File& file, std::int32_t& count) {
    if (std::int32_t code = openChecked(path, file, count); code != kSuccess) return code;
    platform::BinaryStream stream(file.get());
    if (!recordsPresent(stream, kImagePointMagic, count, kRecordSize)) return kInvalidContent;
    return stream.seek(kFirstRecordOffset) ? kSuccess : kInvalidContent;
}

// A copy back that failed part-way has removed the file; its old content is still the first part of
// the work copy, so the file is written again from there.
bool rebuildFromWorkCopy(char const* path, std::string const& copyPath, std::int32_t oldCount) {
    platform::File source = platform::openFile(copyPath, "rb");
    if (!source) return false;
    platform::BinaryStream in(source.get());
    std::vector<tagImagePoint> old;
    if (!in.seek(kFirstRecordOffset) || !in.readRecords(old, static_cast<std::size_t>(oldCount))) return false;
    return writeCountedFile(path, kImagePointMagic, old.data(), oldCount, kRecordSize);
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

std::int32_t writeImagePoints(char const* path, tagImagePoint const* points, std::int32_t count) {
    // Refused arguments leave an existing file alone.
    if (path == nullptr || count < 0 || (count > 0 && points == nullptr)) return kInvalidArgument;
    return writeCountedFile(path, kImagePointMagic, points, count, kRecordSize) ? kSuccess : kCannotWrite;
}

std::int32_t appendImagePoints(char const* path, tagImagePoint const* points, std::int32_t count) {
    // No records at all is refused too: unlike the writer, the append gives a missing array no meaning.
    if (path == nullptr || count < 0 || points == nullptr) return kInvalidArgument;
    std::int32_t oldCount = 0;
    {
        // A file shorter than its count is damaged: the new records would land behind a gap.
        platform::File file;
        if (std::int32_t code = openWithRecords(path, file, oldCount); code != kSuccess) return code;
    }
    if (count > std::numeric_limits<std::int32_t>::max() - oldCount) return kInvalidArgument;

    // The new content is built in the work copy; the file itself is only replaced at the end.
    platform::WorkCopy work(path, kWorkCopySuffix);
    if (!work.made()) return kCannotWrite;
    {
        platform::File copy = platform::openFile(work.copyPath(), "r+b");
        if (!copy) return kCannotOpen;
        platform::BinaryStream stream(copy.get());
        // Behind the last counted record, so bytes a longer file may carry beyond it never count.
        if (!stream.seek(kFirstRecordOffset + static_cast<std::int64_t>(oldCount) * kRecordSize)) return kInvalidContent;
        if (!stream.writeRecords(points, static_cast<std::size_t>(count))) return kCannotWrite;
        if (!stream.seek(kCountOffset)) return kInvalidContent;
        if (!stream.writeI32(oldCount + count) || !copy.close()) return kCannotWrite;
    }
    if (!platform::copyFile(work.copyPath(), path)) {
        rebuildFromWorkCopy(path, work.copyPath(), oldCount);
        return kCannotWrite;
    }
    return kSuccess;
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
