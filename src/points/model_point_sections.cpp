#include "points/model_point_sections.h"

#include "fs.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <cstdio>
#include <limits>

namespace yb::points::sections {
namespace {

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

}  // namespace

std::int32_t createEmpty(char const* path, Layout const& layout, std::int32_t stripCount) {
    bool const written = platform::replaceFile(path, [&](platform::Output& out) {
        out.writeMagic(layout.magic);
        out.writeI32(stripCount);
        out.writeI32(0);
        out.writeI32(0);
        return true;
    });
    return written ? kSuccess : kCannotWrite;
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
    ScanResult found;
    {
        platform::File file = platform::openFile(path, "rb");
        if (!file) return codes.cannotOpenForUpdate;
        // The walk reads 12 bytes per section and seeks over the records: unbuffered, it reads just
        // those bytes rather than a block around every head.
        std::setvbuf(file.get(), nullptr, _IONBF, 0);
        platform::BinaryStream stream(file.get());
        // Everything is checked before the first byte changes, so a damaged file is refused untouched.
        found = find(stream, layout, header.sections, key);
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
    }

    // The records go in behind the section's old ones (or behind the last section), so the work copy
    // keeps the header counts, the section's count and the bytes from there to the end: all the
    // change overwrites. An append to the last section costs the new records only.
    platform::FileChange change(path, platform::WorkCopyName::Bak);
    if (!change.opened()) return codes.cannotOpenForUpdate;
    std::size_t const bytes = static_cast<std::size_t>(count) * layout.recordSize;
    auto const countsAt = static_cast<std::uint64_t>(layout.sectionCountOffset());
    bool ok = false;
    if (found.status == ScanStatus::Found) {
        Section const& section = found.section;
        auto const countAt = static_cast<std::uint64_t>(section.headOffset + layout.headSize() - 4);
        auto const oldEnd = static_cast<std::uint64_t>(section.recordsOffset(layout)) +
                            static_cast<std::uint64_t>(section.count) * layout.recordSize;
        std::int32_t const total = header.total + count;
        std::int32_t const sectionCount = section.count + count;
        ok = change.keep({{static_cast<std::uint64_t>(layout.totalOffset()), 4}, {countAt, 4}, {oldEnd, change.oldLength()}}) &&
             change.write(layout.totalOffset(), &total, sizeof total) &&
             change.write(countAt, &sectionCount, sizeof sectionCount) && change.write(oldEnd, records, bytes) &&
             change.moveKept(oldEnd, oldEnd + bytes) && change.commit();
    } else {
        std::int32_t const counts[2] = {header.sections + 1, header.total + count};
        std::array<std::int32_t, kMaxKeys + 1> head{};
        for (std::size_t i = 0; i < layout.keyCount; ++i) head[i] = key[i];
        head[layout.keyCount] = count;
        auto const end = static_cast<std::uint64_t>(found.end);
        auto const headSize = static_cast<std::size_t>(layout.headSize());
        ok = change.keep({{countsAt, sizeof counts}, {end, change.oldLength()}}) &&
             change.write(countsAt, counts, sizeof counts) && change.write(end, head.data(), headSize) &&
             change.write(end + headSize, records, bytes) && change.commit();
    }
    return ok ? kSuccess : kCannotWrite;
}

}  // namespace yb::points::sections
