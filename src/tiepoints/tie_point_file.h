// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The tie point file (".scp"): a 128-byte magic field, a group count, then one group per image
// (image number, record count, the image's tagImagePoint records). Internal interface of the tie
// point store: the grouping writer, the header checks and a reader that walks the groups.
#pragma once

#include "file_kinds.h"
#include "binary_io.h"
#include "buffered_reader.h"
#include "fs.h"
#include "write_path.h"

#include <yb/HostBase.h>
#include <yb/ybBlockFileIO.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace yb::tiepoints {

inline constexpr std::string_view kTiePointMagic = frame::magicOf(frame::FileKind::TiePoint);
inline constexpr std::size_t kMagicFieldSize = 128;
inline constexpr std::int64_t kGroupCountOffset = 128;
inline constexpr std::int64_t kFirstGroupOffset = 132;
inline constexpr std::uint64_t kGroupHeaderSize = 8;  // image number, record count
inline constexpr std::uint64_t kRecordSize = sizeof(tagImagePoint);
static_assert(kTiePointMagic.size() == 22 && kTiePointMagic.size() < kMagicFieldSize);
static_assert(kGroupCountOffset == static_cast<std::int64_t>(kMagicFieldSize));
static_assert(kFirstGroupOffset == kGroupCountOffset + 4);
static_assert(kRecordSize == 70);

// Writes a new tie point file at `path` holding `count` points: one group per image number, groups in
// the order their image numbers first occur, records in their given order within a group. The file
// is replaced whole: when the new one cannot be written completely the old one stays (message,
// kCannotWrite). A missing record pointer with a positive count deletes the file and gives
// kOutOfRange. Shows its own messages; `installFailure` is the text shown when the finished file
// cannot be put in the old one's place (by default the one for any failure to create it).
std::int32_t writeTiePointGroups(char const* path, tagImagePoint const* points, std::int32_t count,
                                 char const* installFailure = nullptr);
std::int32_t writeTiePointGroups(char const* path, std::vector<tagImagePoint> const& points,
                                 char const* installFailure = nullptr);
// The same for records held in pieces, taken in order as one array (a workflow that gathers them
// from many files writes them without copying them together first).
std::int32_t writeTiePointGroups(char const* path, std::vector<std::vector<tagImagePoint>> const& pieces,
                                 char const* installFailure = nullptr);

// A new tie point file written group by group beside the old one and put in its place by finish():
// until then the old file stands, and a writer given up (destroyed unfinished) leaves nothing behind.
class TiePointGroupWriter {
public:
    explicit TiePointGroupWriter(char const* path) : path_(path), replacement_(path) {}
    // Writes the header of a file of `groupCount` groups; kCannotWrite (with its message) when the new
    // file could not be made. `quiet`: no message, the caller goes another way.
    std::int32_t begin(std::int32_t groupCount, bool quiet = false);
    // Sets the header's group count, for a file whose groups were counted as they were written.
    void setGroupCount(std::int32_t groupCount) {
        out().overwrite(static_cast<std::uint64_t>(kGroupCountOffset), &groupCount, sizeof groupCount);
    }
    void group(std::int32_t imageNo, std::int32_t recordCount) {
        out().writeI32(imageNo);
        out().writeI32(recordCount);
    }
    void records(tagImagePoint const* records, std::size_t count) { out().writeRecords(records, count); }
    platform::Output& out() { return replacement_.out(); }
    // Puts the written file in place; kCannotWrite with its message when it could not be kept whole,
    // `installFailure` (by default the one for any failure) when only putting it in place failed.
    std::int32_t finish(char const* installFailure = nullptr);

private:
    char const* path_;
    platform::FileReplacement replacement_;
};

// An open tie point file with a checked header, walked group by group in file order through one
// buffered reader. Every count is checked against the file's length before it is used, so a
// truncated file gives kInvalidContent (with a message) and never a record that was not read.
class TiePointFileReader {
public:
    // Opens `path` and checks its header. A file that cannot be opened shows "Open Tie Point File"
    // in `openFailureStyle` and gives kCannotOpen.
    std::int32_t open(char const* path, HbMessageStyle openFailureStyle);

    std::int32_t groupCount() const { return groupCount_; }
    // Upper bound of the records the file can hold, for reserving.
    std::uint64_t recordCapacity() const;

    // Reads the next group's image number and record count.
    std::int32_t nextGroup(std::int32_t& imageNo, std::int32_t& recordCount);
    // Appends the group's records to `out` (nothing when the count is not positive).
    std::int32_t readRecords(std::int32_t recordCount, std::vector<tagImagePoint>& out);
    std::int32_t readRecords(std::int32_t recordCount, platform::UninitialisedVector<tagImagePoint>& out);
    // The same, each stretch of records handed to `arrived(first, count)` as soon as it is read, the
    // rest in one read once it answers false (see BufferedReader::readRecords).
    using Arrived = std::function<bool(std::size_t first, std::size_t count)>;
    std::int32_t readRecords(std::int32_t recordCount, platform::UninitialisedVector<tagImagePoint>& out,
                             Arrived const& arrived);
    // Moves over the group's records (nothing when the count is not positive).
    std::int32_t skipRecords(std::int32_t recordCount);
    // Reads the rest of the file at once and closes it, giving back its lock; the records of each
    // group are then viewed where they were read, with no copy (viewRecords).
    std::int32_t holdWhole();
    // The group's records where the reader holds them, with no copy: after holdWhole as long as it
    // lives, else until the next group is read.
    std::int32_t viewRecords(std::int32_t recordCount, std::span<tagImagePoint>& records);
    // From now on a damaged group gives its code without the message; the caller shows it when the
    // damage turns out to matter.
    void leaveDamageMessageToCaller() { quietDamage_ = true; }

private:
    std::int32_t damaged();
    std::int32_t checkRecordsPresent(std::int32_t recordCount);
    template <class Vector>
    std::int32_t appendRecords(std::int32_t recordCount, Vector& out);

    platform::File file_;
    std::optional<platform::BufferedReader> groups_;  // from the first group on
    std::int32_t groupCount_ = 0;
    std::uint64_t length_ = 0;
    bool quietDamage_ = false;
};

// Every record of the file, grouped by image in file order (messages as the whole-file read shows
// them). On failure `points` is empty.
std::int32_t readAllTiePoints(char const* path, std::vector<tagImagePoint>& points);

// The records of the first group of image `imageNo`, in file order; empty without such a group.
std::int32_t readOneImageTiePoints(char const* path, std::int32_t imageNo, std::vector<tagImagePoint>& points);

}  // namespace yb::tiepoints
