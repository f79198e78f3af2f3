// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Model point files made of sections: a magic text, three signed 32-bit header counts (strips,
// sections, records in all sections), then sections one after another. A section is a head of key
// numbers (strip and model, or strip and two models) and a record count p, followed by p fixed-size
// records. Sections keep the order of their first writing and are found by one walk from the first.
#pragma once

#include "binary_io.h"
#include "file_kinds.h"
#include "fs.h"
#include "write_path.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace yb::points::sections {

struct Layout {
    std::string_view magic;
    std::size_t keyCount;  // key numbers in a section head before the record count
    std::size_t recordSize;

    constexpr std::int64_t stripCountOffset() const { return static_cast<std::int64_t>(magic.size()); }
    constexpr std::int64_t sectionCountOffset() const { return stripCountOffset() + 4; }
    constexpr std::int64_t totalOffset() const { return stripCountOffset() + 8; }
    constexpr std::int64_t firstSectionOffset() const { return stripCountOffset() + 12; }
    constexpr std::int64_t headSize() const { return static_cast<std::int64_t>(4 * (keyCount + 1)); }
};

// The two formats built of sections. A model point record is the 66-byte stored form of one entry of a
// model point set (name, left x and y, right x and y, type).
inline constexpr std::size_t kModelPointRecordSize = 66;
inline constexpr Layout kCommonPointLayout{frame::magicOf(frame::FileKind::ModelCommonPoint), 3,
                                           sizeof(ModelCommonPoint)};
inline constexpr Layout kModelPointLayout{frame::magicOf(frame::FileKind::ModelControlPoint), 2, kModelPointRecordSize};

constexpr std::size_t kMaxKeys = 3;
using Key = std::array<std::int32_t, kMaxKeys>;  // unused trailing numbers are 0

struct Header {
    std::int32_t strips = 0;
    std::int32_t sections = 0;
    std::int32_t total = 0;
};

// Reads `size` bytes at `offset` of a file; false unless all of them came.
using ReadAt = std::function<bool(std::int64_t offset, void* data, std::size_t size)>;
ReadAt readerOf(platform::BinaryStream& stream);
ReadAt readerOf(platform::FileChange& change);

enum class HeaderStatus { Ok, WrongMagic, ShortCounts };
// Reads magic and counts from the file's start. A short magic counts as a wrong one.
HeaderStatus readHeader(ReadAt const& readAt, Layout const& layout, Header& header);
// Reads a header whose counts make sense: none below zero, and at least one strip where `stripsChecked`;
// kSuccess, else kInvalidContent.
std::int32_t readCheckedHeader(ReadAt const& readAt, Layout const& layout, bool stripsChecked, Header& header);
// Opens the file at `path` for reading and reads its checked header: kInvalidArgument for a null path,
// `cannotOpen` for a file that cannot be opened.
std::int32_t openCheckedHeader(char const* path, Layout const& layout, bool stripsChecked, std::int32_t cannotOpen,
                               platform::File& file, Header& header);

struct Section {
    std::int64_t headOffset = 0;  // where the section's head starts
    std::int32_t count = 0;       // its record count p
    std::int64_t recordsOffset(Layout const& layout) const { return headOffset + layout.headSize(); }
};

enum class ScanStatus {
    Found,
    NotFound,   // all `limit` sections were walked; `end` is where the last one ends
    EndOfFile,  // the file ended inside a section head before the sought section
    Damaged,    // a section with a negative record count stands before the sought one
};

struct ScanResult {
    ScanStatus status = ScanStatus::NotFound;
    Section section;       // when found
    std::int64_t end = 0;  // when not found
};

// Walks at most `limit` sections from the first and stops at the first whose position (from 1), key
// and place satisfy `matches`. Only section heads are read; skipped records are jumped over.
ScanResult scan(ReadAt const& readAt, Layout const& layout, std::int32_t limit,
                std::function<bool(std::int32_t position, Key const& key, Section const& section)> const& matches);

// The first section with exactly this key.
ScanResult find(platform::BinaryStream& stream, Layout const& layout, std::int32_t limit, Key const& key);

// True when the section's p records all lie within a file of `length` bytes.
bool recordsWithin(Layout const& layout, Section const& section, std::uint64_t length);
// The same for the stream's file.
bool recordsPresent(platform::BinaryStream& stream, Layout const& layout, Section const& section);

// Writes a new file with its magic, `stripCount` and no sections. When the file cannot be created or a
// write falls short, the old file (if any) stays as it was and the answer is kCannotWrite.
std::int32_t createEmpty(char const* path, Layout const& layout, std::int32_t stripCount);

struct AddCodes {
    std::int32_t cannotOpenForUpdate;  // the file cannot be opened for reading and writing
};

// Adds `count` records (count * recordSize bytes) behind the records of the section with `key`, or in a
// new section behind the last one, and raises the header counts. The file is changed in place through
// `change`: records into a section through its ".bak" work copy, which keeps what the change overwrites;
// a new section written behind the counted ones first and then taken in by the counts, with no work
// copy (FileChange::appendCounted). Any failure puts the file back, and everything is checked before
// the first byte changes, so a damaged file is refused untouched.
// Appends one after another to the same file find their place without walking the sections again:
// what a walk found is kept with the stamp the change left (platform::FileStamp) and the header counts,
// and used while both are as the last append left them, and only where a later change is bound to show
// (a stamp finer than the clock tick, or a file whose changes the system reports: change_watch.h);
// the head of a section found so is read back and compared before anything is written.
// `header` is what the caller read through `change`, or, when `change` could not open the file,
// through `file`, the file opened for reading: the file is then checked as for a change and the
// answer is codes.cannotOpenForUpdate.
std::int32_t addRecords(platform::FileChange& change, platform::File& file, char const* path, Layout const& layout,
                        Header const& header, Key const& key, void const* records, std::int32_t count,
                        AddCodes const& codes);

}  // namespace yb::points::sections
