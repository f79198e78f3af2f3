#include "points/model_point_sections.h"

#include "fs.h"

#include <yb/ybBlockFileIO.h>

#include <limits>
#include <string>
#include <vector>

namespace yb::points::sections {
namespace {

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
// Bytes behind a grown section move in blocks of this size.
constexpr std::size_t kMoveBlockSize = 1 << 16;

// Copies everything from `from` on in the work copy to the stream's current position.
std::int32_t moveTail(std::string const& copyPath, std::int64_t from, platform::BinaryStream& target) {
    platform::File copy = platform::openFile(copyPath, "rb");
    if (!copy) return kInvalidContent;
    platform::BinaryStream source(copy.get());
    if (!source.seek(from)) return kInvalidContent;
    std::vector<char> block(kMoveBlockSize);
    for (;;) {
        std::size_t const got = std::fread(block.data(), 1, block.size(), copy.get());
        if (got > 0 && !target.write(block.data(), got)) return kCannotWrite;
        if (got < block.size()) break;
    }
    return std::ferror(copy.get()) ? kInvalidContent : kSuccess;
}

}  // namespace

std::int32_t createEmpty(char const* path, Layout const& layout, std::int32_t stripCount) {
    platform::File file = platform::openFile(path, "wb");
    if (!file) return kCannotWrite;
    platform::NewFileGuard guard(path);
    platform::BinaryStream stream(file.get());
    if (!stream.writeMagic(layout.magic) || !stream.writeI32(stripCount) || !stream.writeI32(0) ||
        !stream.writeI32(0) || !file.close()) {
        return kCannotWrite;
    }
    guard.commit();
    return kSuccess;
}

HeaderStatus readHeader(platform::BinaryStream& stream, Layout const& layout, Header& header) {
    if (!stream.seek(0) || !stream.readMagic(layout.magic)) return HeaderStatus::WrongMagic;
    if (!stream.readI32(header.strips) || !stream.readI32(header.sections) || !stream.readI32(header.total)) {
        return HeaderStatus::ShortCounts;
    }
    return HeaderStatus::Ok;
}

ScanResult scan(platform::BinaryStream& stream, Layout const& layout, std::int32_t limit,
                std::function<bool(std::int32_t position, Key const& key)> const& matches) {
    ScanResult result;
    std::int64_t offset = layout.firstSectionOffset();
    std::array<std::int32_t, kMaxKeys + 1> head{};
    for (std::int32_t position = 1; position <= limit; ++position) {
        if (!stream.seek(offset) || !stream.read(head.data(), static_cast<std::size_t>(layout.headSize()))) {
            result.status = ScanStatus::EndOfFile;
            return result;
        }
        Key key{};
        for (std::size_t i = 0; i < layout.keyCount; ++i) key[i] = head[i];
        std::int32_t const count = head[layout.keyCount];
        if (matches(position, key)) {
            result.status = ScanStatus::Found;
            result.section = {offset, count};
            return result;
        }
        if (count < 0) {
            result.status = ScanStatus::Damaged;
            return result;
        }
        offset += layout.headSize() + static_cast<std::int64_t>(count) * static_cast<std::int64_t>(layout.recordSize);
    }
    result.status = ScanStatus::NotFound;
    result.end = offset;
    return result;
}

ScanResult find(platform::BinaryStream& stream, Layout const& layout, std::int32_t limit, Key const& key) {
    return scan(stream, layout, limit, [&](std::int32_t, Key const& candidate) { return candidate == key; });
}

bool recordsPresent(platform::BinaryStream& stream, Layout const& layout, Section const& section) {
    auto const length = stream.length();
    std::int64_t const start = section.recordsOffset(layout);
    if (!length || section.count < 0 || static_cast<std::uint64_t>(start) > *length) return false;
    return platform::countFits(section.count, layout.recordSize, *length - static_cast<std::uint64_t>(start));
}

std::int32_t addRecords(char const* path, Layout const& layout, Header const& header, Key const& key,
                        void const* records, std::int32_t count, AddCodes const& codes) {
    if (count < 0 || header.total < 0 || header.sections < 0 || count > kInt32Max - header.total) {
        return kInvalidArgument;
    }
    platform::WorkCopy backup(path, ".bak");
    if (!backup.made()) return kCannotWrite;
    platform::File file = platform::openFile(path, "r+b");
    if (!file) return codes.cannotOpenForUpdate;
    platform::BinaryStream stream(file.get());
    std::size_t const bytes = static_cast<std::size_t>(count) * layout.recordSize;

    // Everything is checked before the first byte changes, so a damaged file is refused untouched.
    ScanResult const found = find(stream, layout, header.sections, key);
    auto const length = stream.length();
    if (!length) return kInvalidContent;
    switch (found.status) {
        case ScanStatus::Found:
            if (!recordsPresent(stream, layout, found.section)) return kInvalidContent;
            if (found.section.count > kInt32Max - count) return kInvalidArgument;
            break;
        case ScanStatus::NotFound:
            if (static_cast<std::uint64_t>(found.end) > *length) return kInvalidContent;
            if (header.sections == kInt32Max) return kInvalidArgument;
            break;
        case ScanStatus::EndOfFile:
        case ScanStatus::Damaged:
            return kInvalidContent;
    }

    auto change = [&]() -> std::int32_t {
        if (found.status == ScanStatus::Found) {
            Section const& section = found.section;
            std::int64_t const oldEnd =
                section.recordsOffset(layout) + static_cast<std::int64_t>(section.count) * static_cast<std::int64_t>(layout.recordSize);
            if (!stream.seek(layout.totalOffset()) || !stream.writeI32(header.total + count)) return kCannotWrite;
            if (!stream.seek(section.headOffset + layout.headSize() - 4) || !stream.writeI32(section.count + count)) {
                return kCannotWrite;
            }
            if (!stream.seek(oldEnd) || !stream.write(records, bytes)) return kCannotWrite;
            return moveTail(backup.copyPath(), oldEnd, stream);
        }
        if (!stream.seek(layout.sectionCountOffset()) || !stream.writeI32(header.sections + 1) ||
            !stream.writeI32(header.total + count)) {
            return kCannotWrite;
        }
        std::array<std::int32_t, kMaxKeys + 1> head{};
        for (std::size_t i = 0; i < layout.keyCount; ++i) head[i] = key[i];
        head[layout.keyCount] = count;
        if (!stream.seek(found.end) || !stream.write(head.data(), static_cast<std::size_t>(layout.headSize())) ||
            !stream.write(records, bytes)) {
            return kCannotWrite;
        }
        return kSuccess;
    };
    std::int32_t code = change();
    bool const closed = file.close();
    if (code == kSuccess && !closed) code = kCannotWrite;
    if (code != kSuccess) backup.restore();
    return code;
}

}  // namespace yb::points::sections
