// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "points/model_point_sections.h"

#include "change_watch.h"
#include "fs.h"
#include "stamped_memo.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace yb::points::sections {
namespace {

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

struct KeyHash {
    std::size_t operator()(Key const& key) const {
        std::uint64_t hash = 0;
        for (std::int32_t number : key) hash = (hash ^ static_cast<std::uint32_t>(number)) * 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(hash ^ (hash >> 29));
    }
};

// What walks over a file's sections found: the first section of each key before the walk stopped,
// and how it stopped. A lookup in it answers as find() would on the same file, or not at all when the
// walk stopped at a section sought and the key may lie beyond.
struct Walk {
    std::unordered_map<Key, Section, KeyHash> first;
    ScanResult stop;  // Found (later sections unknown), NotFound (all walked, with their end), EndOfFile or Damaged

    std::optional<ScanResult> lookUp(Key const& key) const {
        if (auto it = first.find(key); it != first.end()) return ScanResult{ScanStatus::Found, it->second, 0};
        if (stop.status == ScanStatus::Found) return std::nullopt;
        return stop;
    }
};

// A walk from the first section to the first one of `key`, as find() walks.
Walk walkTo(ReadAt const& readAt, Layout const& layout, std::int32_t limit, Key const& key) {
    Walk walk;
    walk.stop = scan(readAt, layout, limit, [&](std::int32_t, Key const& candidate, Section const& section) {
        walk.first.try_emplace(candidate, section);
        return candidate == key;
    });
    return walk;
}

// The walks of the files appended to last, by host path and layout, with the stamp and header counts
// they hold for. One process keeps a few; a file whose stamp or counts moved is walked again. A walk
// is kept only where any later change of the file is bound to show: its stamp was finer than the
// clock tick (FileChange::laterChangesMoveStampLeft), or the system reports the file's changes (a
// change mark), so a change of the same length within the tick of the last append is never taken for
// the file as left.
struct KeptWalk {
    Header header;
    Walk walk;
    std::optional<platform::ChangeMark> mark;  // when the stamp alone does not tell
};

platform::StampedMemo<KeptWalk, 4>& keptWalks() {
    static platform::StampedMemo<KeptWalk, 4> walks;
    return walks;
}

std::string memoKey(std::string_view path, Layout const& layout) {
    std::string key(path);
    key += '\n';
    key += layout.magic;
    return key;
}

// The walk kept for this state of the file, taken out of the store (the caller puts it back).
std::optional<Walk> takeWalk(std::string const& key, platform::FileStamp const& stamp, Header const& header) {
    std::optional<KeptWalk> kept = keptWalks().take(key, stamp);
    if (!kept || kept->header.sections != header.sections || kept->header.total != header.total ||
        kept->header.strips != header.strips || (kept->mark && !platform::unchangedSince(*kept->mark)))
        return std::nullopt;
    return std::move(kept->walk);
}

// Keeps the walk for the state the change left, where a later change is bound to show.
void keepWalk(std::string key, platform::FileChange const& change, Header const& header, Walk&& walk) {
    std::optional<platform::FileStamp> const left = change.stampLeft();
    if (!left) return;
    std::optional<platform::ChangeMark> mark;
    if (!change.laterChangesMoveStampLeft()) {
        mark = change.markLeft();
        if (!mark) return;
    }
    keptWalks().put(std::move(key), *left, KeptWalk{header, std::move(walk), mark});
}

// True when the section head at `section` holds `key` and its count, as the kept walk says.
bool headAsKept(ReadAt const& readAt, Layout const& layout, Key const& key, Section const& section) {
    std::array<std::int32_t, kMaxKeys + 1> head{};
    if (!readAt(section.headOffset, head.data(), static_cast<std::size_t>(layout.headSize()))) return false;
    for (std::size_t i = 0; i < layout.keyCount; ++i)
        if (head[i] != key[i]) return false;
    return head[layout.keyCount] == section.count;
}

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

ReadAt readerOf(platform::BinaryStream& stream) {
    return [&stream](std::int64_t offset, void* data, std::size_t size) {
        return stream.seek(offset) && stream.read(data, size);
    };
}

std::int32_t readCheckedHeader(ReadAt const& readAt, Layout const& layout, bool stripsChecked, Header& header) {
    if (readHeader(readAt, layout, header) != HeaderStatus::Ok) return kInvalidContent;
    if ((stripsChecked && header.strips < 1) || header.sections < 0 || header.total < 0) return kInvalidContent;
    return kSuccess;
}

std::int32_t openCheckedHeader(char const* path, Layout const& layout, bool stripsChecked, std::int32_t cannotOpen,
                               platform::File& file, Header& header) {
    if (path == nullptr) return kInvalidArgument;
    file = platform::openFile(path, "rb");
    if (!file) return cannotOpen;
    platform::BinaryStream stream(file.get());
    return readCheckedHeader(readerOf(stream), layout, stripsChecked, header);
}

ReadAt readerOf(platform::FileChange& change) {
    return [&change](std::int64_t offset, void* data, std::size_t size) {
        return offset >= 0 && change.read(static_cast<std::uint64_t>(offset), data, size);
    };
}

HeaderStatus readHeader(ReadAt const& readAt, Layout const& layout, Header& header) {
    // Magic and counts in one read; a file too short for all of them is told apart by its magic.
    std::size_t const magicSize = layout.magic.size();
    std::array<char, 128> bytes{};
    std::size_t const size = magicSize + 3 * sizeof(std::int32_t);
    if (size > bytes.size()) return HeaderStatus::WrongMagic;
    if (!readAt(0, bytes.data(), size)) {
        if (!readAt(0, bytes.data(), magicSize) || std::string_view(bytes.data(), magicSize) != layout.magic)
            return HeaderStatus::WrongMagic;
        return HeaderStatus::ShortCounts;
    }
    if (std::string_view(bytes.data(), magicSize) != layout.magic) return HeaderStatus::WrongMagic;
    std::memcpy(&header.strips, bytes.data() + magicSize, 4);
    std::memcpy(&header.sections, bytes.data() + magicSize + 4, 4);
    std::memcpy(&header.total, bytes.data() + magicSize + 8, 4);
    return HeaderStatus::Ok;
}

ScanResult scan(ReadAt const& readAt, Layout const& layout, std::int32_t limit,
                std::function<bool(std::int32_t position, Key const& key, Section const& section)> const& matches) {
    ScanResult result;
    std::int64_t offset = layout.firstSectionOffset();
    std::array<std::int32_t, kMaxKeys + 1> head{};
    for (std::int32_t position = 1; position <= limit; ++position) {
        if (!readAt(offset, head.data(), static_cast<std::size_t>(layout.headSize()))) {
            result.status = ScanStatus::EndOfFile;
            return result;
        }
        Key key{};
        for (std::size_t i = 0; i < layout.keyCount; ++i) key[i] = head[i];
        std::int32_t const count = head[layout.keyCount];
        if (matches(position, key, Section{offset, count})) {
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
    return scan(readerOf(stream), layout, limit,
                [&](std::int32_t, Key const& candidate, Section const&) { return candidate == key; });
}

bool recordsWithin(Layout const& layout, Section const& section, std::uint64_t length) {
    std::int64_t const start = section.recordsOffset(layout);
    if (section.count < 0 || static_cast<std::uint64_t>(start) > length) return false;
    return platform::countFits(section.count, layout.recordSize, length - static_cast<std::uint64_t>(start));
}

bool recordsPresent(platform::BinaryStream& stream, Layout const& layout, Section const& section) {
    auto const length = stream.length();
    return length && recordsWithin(layout, section, *length);
}

std::int32_t addRecords(platform::FileChange& change, platform::File& file, char const* path, Layout const& layout,
                        Header const& header, Key const& key, void const* records, std::int32_t count,
                        AddCodes const& codes) {
    if (count < 0 || header.total < 0 || header.sections < 0 || count > kInt32Max - header.total) {
        return kInvalidArgument;
    }
    // Reads go through the change, or through the file opened for reading when the change could not
    // open it.
    std::optional<platform::BinaryStream> stream;
    if (!change.opened()) {
        if (!file) return codes.cannotOpenForUpdate;
        stream.emplace(file.get());
    }
    ReadAt const readAt = stream ? readerOf(*stream) : readerOf(change);
    std::optional<std::uint64_t> const length = stream ? stream->length() : std::optional(change.oldLength());
    std::optional<platform::FileStamp> const stamp = change.openedStamp();
    std::optional<Walk> kept = stamp ? takeWalk(memoKey(path, layout), *stamp, header) : std::nullopt;
    std::optional<ScanResult> const known = kept ? kept->lookUp(key) : std::nullopt;
    bool useKept = known.has_value();
    if (useKept && known->status == ScanStatus::Found) {
        std::uint64_t const ioErrors = platform::ioErrorTally();
        useKept = headAsKept(readAt, layout, key, known->section);
        if (platform::ioErrorTally() != ioErrors) return kInvalidContent;  // as a walk that cannot read
    }
    ScanResult found;
    Walk walk;
    if (useKept) {
        walk = std::move(*kept);
        found = *known;
    } else {
        walk = walkTo(readAt, layout, header.sections, key);
        found = walk.stop;
    }
    if (!length) return kInvalidContent;
    switch (found.status) {
        case ScanStatus::Found:
            if (!recordsWithin(layout, found.section, *length)) return kInvalidContent;
            if (found.section.count > kInt32Max - count) return kInvalidArgument;
            break;
        case ScanStatus::NotFound:
            if (static_cast<std::uint64_t>(found.end) > *length) return kInvalidContent;
            if (header.sections == kInt32Max) return kInvalidArgument;
            break;
        case ScanStatus::EndOfFile:
        case ScanStatus::Damaged: return kInvalidContent;
    }
    if (!change.opened()) return codes.cannotOpenForUpdate;

    // The records go in behind the section's old ones (or behind the last section), so the work copy
    // keeps the header counts, the section's count and the bytes from there to the end: all the
    // change overwrites. An append to the last section costs the new records only.
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
        auto const totalAt = static_cast<std::uint64_t>(layout.totalOffset());
        ok = change.keep({{totalAt, 4}, {countAt, 4}, {oldEnd, change.oldLength()}}) &&
             change.write(totalAt, &total, sizeof total) && change.write(countAt, &sectionCount, sizeof sectionCount) &&
             change.write(oldEnd, records, bytes) && change.moveKept(oldEnd, oldEnd + bytes);
    } else {
        std::int32_t const counts[2] = {header.sections + 1, header.total + count};
        std::array<std::int32_t, kMaxKeys + 1> head{};
        for (std::size_t i = 0; i < layout.keyCount; ++i) head[i] = key[i];
        head[layout.keyCount] = count;
        auto const end = static_cast<std::uint64_t>(found.end);
        auto const headSize = static_cast<std::size_t>(layout.headSize());
        // The new section goes out in one write behind the counted ones, and the header's counts,
        // written last, take it in: readers walk no further than they count, so no journal is needed.
        std::vector<unsigned char> section(headSize + bytes);
        std::memcpy(section.data(), head.data(), headSize);
        if (bytes > 0) std::memcpy(section.data() + headSize, records, bytes);
        ok = change.appendCounted(end, section.data(), section.size(), countsAt, counts, sizeof counts);
    }
    if (!ok || !change.commit()) return kCannotWrite;

    // The walk as the file now stands, kept for the next append.
    auto const bytesAdded = static_cast<std::int64_t>(bytes);
    Header now = header;
    now.total += count;
    if (found.status == ScanStatus::Found) {
        for (auto& [sectionKey, section] : walk.first)
            if (section.headOffset > found.section.headOffset) section.headOffset += bytesAdded;
        walk.first[key].count += count;
        if (walk.stop.status == ScanStatus::NotFound) walk.stop.end += bytesAdded;
    } else {
        walk.first.try_emplace(key, Section{found.end, count});
        walk.stop.end = found.end + layout.headSize() + bytesAdded;
        now.sections += 1;
    }
    keepWalk(memoKey(path, layout), change, now, std::move(walk));
    return kSuccess;
}

}  // namespace yb::points::sections
