// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The tie point file: grouping writer, header checks, group walker, total count and whole-file read.
#include "tiepoints/tie_point_file.h"

#include "export_frame.h"
#include "hostpath.h"
#include "messages.h"
#include "scratch.h"
#include "tiepoints/tie_point_messages.h"
#include "write_path.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <span>
#include <vector>

namespace yb::tiepoints {
namespace {

// The group of every image number met so far. A block numbers its images strip * 100 + position, so
// the numbers are small and few of them unused: those below a bound index an array directly (a
// 100,000-image block's span of it stays within the caches, and pages never touched cost nothing);
// any other number goes through an open-addressing table.
class GroupOfImage {
public:
    // Room for numbers up to four times the record count, at most kMostDirect; at least a few pages.
    explicit GroupOfImage(std::size_t records)
        : direct_(std::clamp<std::size_t>(4 * records, 4096, kMostDirect)),
          groupPlusOne_(static_cast<std::int32_t*>(std::calloc(direct_, sizeof(std::int32_t)))) {
        if (!groupPlusOne_) throw std::bad_alloc();
    }
    // The group of `imageNo`, `next` when it is new (and then true).
    std::pair<std::int32_t, bool> find(std::int32_t imageNo, std::int32_t next) {
        if (static_cast<std::uint32_t>(imageNo) < direct_) {
            std::int32_t& slot = groupPlusOne_.get()[imageNo];
            if (slot != 0) return {slot - 1, false};
            slot = next + 1;
            return {next, true};
        }
        return others_.find(imageNo, next);
    }
    // The group of an image number met before.
    std::int32_t of(std::int32_t imageNo) const {
        if (static_cast<std::uint32_t>(imageNo) < direct_) return groupPlusOne_.get()[imageNo] - 1;
        return others_.of(imageNo);
    }

private:
    static constexpr std::size_t kMostDirect = std::size_t{1} << 20;

    // Open addressing over a power-of-two table, for the numbers outside the array.
    class Table {
    public:
        std::pair<std::int32_t, bool> find(std::int32_t imageNo, std::int32_t next) {
            if (slots_.empty()) slots_.assign(64, Slot{0, kEmpty});
            std::size_t const at = slotOf(slots_, imageNo);
            if (slots_[at].group != kEmpty) return {slots_[at].group, false};
            slots_[at] = Slot{imageNo, next};
            if (++used_ * 2 > slots_.size()) grow();
            return {next, true};
        }
        std::int32_t of(std::int32_t imageNo) const { return slots_[slotOf(slots_, imageNo)].group; }

    private:
        static constexpr std::int32_t kEmpty = -1;
        struct Slot {
            std::int32_t imageNo;
            std::int32_t group;
        };
        static std::size_t slotOf(std::vector<Slot> const& slots, std::int32_t imageNo) {
            std::size_t const mask = slots.size() - 1;
            auto const hash = static_cast<std::size_t>(
                (static_cast<std::uint64_t>(static_cast<std::uint32_t>(imageNo)) * 0x9E3779B97F4A7C15ull) >> 32);
            std::size_t at = hash & mask;
            while (slots[at].group != kEmpty && slots[at].imageNo != imageNo) at = (at + 1) & mask;
            return at;
        }
        void grow() {
            std::vector<Slot> old(slots_.size() * 2, Slot{0, kEmpty});
            old.swap(slots_);
            for (Slot const& slot : old)
                if (slot.group != kEmpty) slots_[slotOf(slots_, slot.imageNo)] = slot;
        }
        std::vector<Slot> slots_;
        std::size_t used_ = 0;
    };

    struct Free {
        void operator()(std::int32_t* memory) const { std::free(memory); }
    };
    std::size_t direct_;
    std::unique_ptr<std::int32_t[], Free> groupPlusOne_;  // 0: not met yet
    Table others_;
};

// Groups as the writer lays them out: the image number of each group in order of first occurrence,
// its record count, the group of every record, and the group of every image number; and how often
// a record's group lies far from the one before it.
struct Grouping {
    explicit Grouping(std::size_t records) : groupOfImage(records) {}
    std::vector<std::int32_t> imageNos;
    std::vector<std::int32_t> sizes;
    platform::UninitialisedVector<std::int32_t> groupOfRecord;
    GroupOfImage groupOfImage;
    std::size_t farSteps = 0;
};

// Groups this far apart in the file are far apart in it: their records are not near each other.
constexpr std::uint32_t kNearGroups = 1024;

// One pass finds each record's group and counts the groups' records.
template <class RecordAt>
Grouping groupByImage(RecordAt const& recordAt, std::int32_t count) {
    Grouping grouping(static_cast<std::size_t>(count));
    grouping.imageNos.reserve(std::min<std::size_t>(static_cast<std::size_t>(count), 4096));
    grouping.sizes.reserve(grouping.imageNos.capacity());
    grouping.groupOfRecord.resize(static_cast<std::size_t>(count));
    std::int32_t lastImage = 0;
    std::int32_t lastGroup = -1;
    std::size_t farSteps = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        // Each record's image number is asked for a few records ahead: the hardware's own fetching
        // ahead starts over at each page, and this walk reads a line of the caller's array a record.
        if (i + 32 < count) __builtin_prefetch(&recordAt(i + 32).imageNo);
        std::int32_t const imageNo = recordAt(i).imageNo;
        // Records of one image often come together: the image is looked up when it changes.
        if (lastGroup < 0 || imageNo != lastImage) {
            auto const [group, added] =
                grouping.groupOfImage.find(imageNo, static_cast<std::int32_t>(grouping.imageNos.size()));
            if (added) {
                grouping.imageNos.push_back(imageNo);
                grouping.sizes.push_back(0);
            }
            // Counted without a branch: for records strewn over the images, whether a step is far is a
            // coin's toss, and a mispredicted branch a record cost this pass a sixth of its time.
            std::uint32_t const step = static_cast<std::uint32_t>(group) - static_cast<std::uint32_t>(lastGroup);
            farSteps += static_cast<std::size_t>(lastGroup >= 0) &
                        static_cast<std::size_t>(step + kNearGroups > 2 * kNearGroups);
            lastImage = imageNo;
            lastGroup = group;
        }
        grouping.groupOfRecord[static_cast<std::size_t>(i)] = lastGroup;
        ++grouping.sizes[static_cast<std::size_t>(lastGroup)];
    }
    grouping.farSteps = farSteps;
    return grouping;
}

std::int32_t failure(char const* format, char const* path) {
    frame::showErrorF(format, path);
    return kCannotWrite;
}

// Records asked for ahead of their copy: enough to keep the memory busy while records are taken from
// all over the caller's array.
constexpr std::size_t kGatherAhead = 128;

// Asks for the cache lines of a record a few copies ahead: a 70-byte record spans two, or three when
// it starts in a line's last bytes.
inline void prefetchRecord(tagImagePoint const& record) {
    auto const* bytes = reinterpret_cast<char const*>(&record);
    __builtin_prefetch(bytes);
    __builtin_prefetch(bytes + 64);
    __builtin_prefetch(bytes + sizeof(tagImagePoint) - 1);
}

// Writes the groups record by record in file order, order[slot] being the index of the record that
// goes to that slot: for records that lie near the others of their group, as in grouped input or
// input where each point's records are together.
template <class RecordAt>
void writeInFileOrder(platform::Output& out, Grouping const& grouping, RecordAt const& recordAt,
                      std::span<std::int32_t const> order) {
    out.expect(order.size() * kRecordSize + grouping.imageNos.size() * kGroupHeaderSize);
    std::size_t j = 0;
    for (std::size_t g = 0; g < grouping.imageNos.size(); ++g) {
        out.writeI32(grouping.imageNos[g]);
        out.writeI32(grouping.sizes[g]);
        for (std::size_t const end = j + static_cast<std::size_t>(grouping.sizes[g]); j < end; ++j) {
            if (j + kGatherAhead < order.size()) prefetchRecord(recordAt(order[j + kGatherAhead]));
            out.writeValue(recordAt(order[j]));
        }
    }
}

// For records strewn over the caller's array, the file is laid out a piece at a time in a buffer of
// the writer's own and written from there. A piece holds kPieceSlots places (with the headers of the
// groups that start among them): small enough to stay in the processor's last-level cache while it is
// filled, large enough that a pass over the caller's array for it finds its records close together
// (at 5,000,000 shuffled records, pieces of 2 MiB took a fifth longer: each record a page of its own).
constexpr std::size_t kPieceBytes = std::size_t{8} << 20;
constexpr std::size_t kPieceSlots = kPieceBytes / (kRecordSize + kGroupHeaderSize);

// Writes the groups piece by piece. `order` holds, piece after piece, the indices of the records whose
// slots fall in the piece, in ascending order: the caller's array is read front to back once a piece,
// and each record is copied to its group's next free slot.
template <class RecordAt>
void writeByPieces(platform::Output& out, Grouping const& grouping, RecordAt const& recordAt,
                   std::span<std::int32_t const> order, std::span<std::uint32_t const> firstSlot,
                   std::span<char> piece) {
    std::size_t const groups = grouping.imageNos.size();
    std::size_t const total = order.size();
    // Byte offsets from the first group on.
    auto const headerAt = [&](std::size_t g) { return firstSlot[g] * kRecordSize + g * kGroupHeaderSize; };
    std::vector<std::uint32_t> nextSlot(firstSlot.begin(), firstSlot.end() - 1);
    std::size_t firstGroup = 0;  // the group of the piece's first slot
    for (std::size_t begin = 0; begin < total; begin += kPieceSlots) {
        std::size_t const end = std::min(begin + kPieceSlots, total);
        while (firstSlot[firstGroup + 1] <= begin) ++firstGroup;
        // The piece starts at its first slot's group header when the group starts there.
        std::size_t const from = firstSlot[firstGroup] == begin
                                     ? headerAt(firstGroup)
                                     : begin * kRecordSize + (firstGroup + 1) * kGroupHeaderSize;
        std::size_t g = firstGroup;
        for (; g < groups && firstSlot[g] < end; ++g) {
            if (firstSlot[g] < begin) continue;
            std::int32_t const header[2] = {grouping.imageNos[g], grouping.sizes[g]};
            std::memcpy(piece.data() + (headerAt(g) - from), header, sizeof header);
        }
        for (std::size_t j = begin; j < end; ++j) {
            if (j + kGatherAhead < end) prefetchRecord(recordAt(order[j + kGatherAhead]));
            tagImagePoint const& record = recordAt(order[j]);
            auto const group = static_cast<std::size_t>(grouping.groupOfImage.of(record.imageNo));
            std::size_t const slot = nextSlot[group]++;
            std::memcpy(piece.data() + (slot * kRecordSize + (group + 1) * kGroupHeaderSize - from), &record,
                        kRecordSize);
        }
        // The piece ends after its last slot's record; g is the group after that slot's.
        out.write(piece.data(), end * kRecordSize + g * kGroupHeaderSize - from);
    }
}

// Groups and writes `count` records, record i being recordAt(i). Each record has a slot (records
// numbered in file order): its group's next free one when the records are taken in their given order.
template <class RecordAt>
std::int32_t writeGroups(char const* path, RecordAt const& recordAt, std::int32_t count, char const* installFailure) {
    // Grouped before the new file is made, so running out of memory leaves nothing behind.
    Grouping grouping = groupByImage(recordAt, count);
    std::size_t const groups = grouping.imageNos.size();
    std::size_t const total = static_cast<std::size_t>(count);
    std::vector<std::uint32_t> firstSlot(groups + 1);
    for (std::size_t g = 0; g < groups; ++g)
        firstSlot[g + 1] = firstSlot[g] + static_cast<std::uint32_t>(grouping.sizes[g]);
    // Most records far from the one before them: the input is strewn, and written by pieces.
    bool const byPieces = grouping.farSteps * 4 > total;
    platform::UninitialisedVector<std::int32_t> order(total);
    {
        auto const groupOfRecord = std::move(grouping.groupOfRecord);
        std::vector<std::uint32_t> nextSlot(firstSlot.begin(), firstSlot.end() - 1);
        if (!byPieces) {
            for (std::size_t i = 0; i < total; ++i)
                order[nextSlot[static_cast<std::size_t>(groupOfRecord[i])]++] = static_cast<std::int32_t>(i);
        } else {
            // Each record's index dealt to the piece its slot falls in.
            std::vector<std::uint32_t> dealt;
            for (std::size_t begin = 0; begin < total; begin += kPieceSlots)
                dealt.push_back(static_cast<std::uint32_t>(begin));
            for (std::size_t i = 0; i < total; ++i) {
                std::size_t const slot = nextSlot[static_cast<std::size_t>(groupOfRecord[i])]++;
                order[dealt[slot / kPieceSlots]++] = static_cast<std::int32_t>(i);
            }
        }
    }
    platform::UninitialisedVector<char> piece(
        byPieces ? std::min(kPieceBytes, total * kRecordSize + groups * kGroupHeaderSize) : 0);
    TiePointGroupWriter writer(path);
    // The group count is known before the groups are written, so the header is written once.
    if (std::int32_t code = writer.begin(static_cast<std::int32_t>(groups)); code != kSuccess) return code;
    if (byPieces)
        writeByPieces(writer.out(), grouping, recordAt, order, firstSlot, piece);
    else
        writeInFileOrder(writer.out(), grouping, recordAt, order);
    return writer.finish(installFailure);
}

}  // namespace

std::int32_t TiePointGroupWriter::begin(std::int32_t groupCount, bool quiet) {
    if (!replacement_.opened()) return quiet ? kCannotWrite : failure(text::kCreateFileFailure, path_);
    out().writeText(kTiePointMagic, kMagicFieldSize);
    out().writeI32(groupCount);
    return kSuccess;
}

std::int32_t TiePointGroupWriter::finish(char const* installFailure) {
    if (!replacement_.finish()) return failure(text::kCreateFileFailure, path_);
    if (!replacement_.install())
        return failure(installFailure != nullptr ? installFailure : text::kCreateFileFailure, path_);
    return kSuccess;
}

std::int32_t writeTiePointGroups(char const* path, tagImagePoint const* points, std::int32_t count,
                                 char const* installFailure) {
    if (path == nullptr) return kInvalidArgument;
    if (count > 0 && points == nullptr) {
        // The file is created before the records are looked at, so a path that cannot be created
        // answers as it would with records; whatever stood at the path is replaced by nothing.
        if (!platform::FileReplacement(path).opened()) return failure(text::kCreateFileFailure, path);
        platform::removeFile(path);
        text::showErrorText(text::kInvalidAddress);
        return kOutOfRange;
    }
    return writeGroups(
        path, [points](std::int32_t i) -> tagImagePoint const& { return points[i]; }, count, installFailure);
}

std::int32_t writeTiePointGroups(char const* path, std::vector<tagImagePoint> const& points,
                                 char const* installFailure) {
    if (points.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return kOutOfRange;
    return writeTiePointGroups(path, points.data(), static_cast<std::int32_t>(points.size()), installFailure);
}

std::int32_t writeTiePointGroups(char const* path, std::vector<std::vector<tagImagePoint>> const& pieces,
                                 char const* installFailure) {
    if (path == nullptr) return kInvalidArgument;
    std::size_t total = 0;
    for (auto const& piece : pieces) total += piece.size();
    if (total > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return kOutOfRange;
    // Where each record is: a pointer a record, far smaller than the records themselves.
    std::vector<tagImagePoint const*> records;
    records.reserve(total);
    for (auto const& piece : pieces)
        for (auto const& record : piece) records.push_back(&record);
    return writeGroups(
        path, [&records](std::int32_t i) -> tagImagePoint const& { return *records[static_cast<std::size_t>(i)]; },
        static_cast<std::int32_t>(total), installFailure);
}

std::int32_t TiePointFileReader::open(char const* path, HbMessageStyle openFailureStyle) {
    if (path == nullptr) return kInvalidArgument;
    file_ = platform::openFile(path, "rb");
    if (!file_) {
        frame::showMessage(openFailureStyle, frame::formatGbk(text::kOpenFileFailure, path));
        return kCannotOpen;
    }
    // The header comes through the reader's first block, which brings the first groups with it.
    groups_.emplace(file_.get(), 0);
    // The magic field is text up to its first zero byte, compared ignoring case.
    std::array<char, kMagicFieldSize> field{};
    if (groups_->readSome(field.data(), field.size()) == 0 ||
        !platform::equalsIgnoreCase(platform::boundedText(field.data(), field.size()), kTiePointMagic)) {
        text::showErrorText(text::kUnsupportedFile);
        return kInvalidContent;
    }
    groups_->seek(static_cast<std::uint64_t>(kGroupCountOffset));
    if (!groups_->read(&groupCount_, sizeof groupCount_) || groupCount_ < 0) {
        groupCount_ = 0;
        text::showErrorText(text::kFileDamaged);
        return kInvalidContent;
    }
    auto length = groups_->length();
    if (!length) return damaged();
    length_ = *length;
    return kSuccess;
}

std::uint64_t TiePointFileReader::recordCapacity() const {
    std::uint64_t const position = groups_ ? groups_->position() : 0;
    return length_ > position ? (length_ - position) / kRecordSize : 0;
}

std::int32_t TiePointFileReader::damaged() {
    if (!quietDamage_) text::showErrorText(text::kFileDamaged);
    return kInvalidContent;
}

std::int32_t TiePointFileReader::nextGroup(std::int32_t& imageNo, std::int32_t& recordCount) {
    std::array<std::int32_t, 2> header{};
    std::uint64_t const position = groups_->position();
    if (position > length_ || length_ - position < kGroupHeaderSize) return damaged();
    if (!groups_->read(header.data(), sizeof header)) return damaged();
    imageNo = header[0];
    recordCount = header[1];
    return kSuccess;
}

std::int32_t TiePointFileReader::checkRecordsPresent(std::int32_t recordCount) {
    if (recordCount <= 0) return kSuccess;
    std::uint64_t const position = groups_->position();
    if (position > length_ || !platform::countFits(recordCount, kRecordSize, length_ - position)) return damaged();
    return kSuccess;
}

template <class Vector>
std::int32_t TiePointFileReader::appendRecords(std::int32_t recordCount, Vector& out) {
    if (std::int32_t code = checkRecordsPresent(recordCount); code != kSuccess) return code;
    if (recordCount <= 0) return kSuccess;
    if (!groups_->readRecords(out, static_cast<std::size_t>(recordCount))) return damaged();
    return kSuccess;
}

std::int32_t TiePointFileReader::readRecords(std::int32_t recordCount, std::vector<tagImagePoint>& out) {
    return appendRecords(recordCount, out);
}

std::int32_t TiePointFileReader::readRecords(std::int32_t recordCount,
                                             platform::UninitialisedVector<tagImagePoint>& out) {
    return appendRecords(recordCount, out);
}

std::int32_t TiePointFileReader::readRecords(std::int32_t recordCount,
                                             platform::UninitialisedVector<tagImagePoint>& out,
                                             Arrived const& arrived) {
    if (std::int32_t code = checkRecordsPresent(recordCount); code != kSuccess) return code;
    if (recordCount <= 0) return kSuccess;
    if (!groups_->readRecords(out, static_cast<std::size_t>(recordCount), arrived)) return damaged();
    return kSuccess;
}

std::int32_t TiePointFileReader::skipRecords(std::int32_t recordCount) {
    if (std::int32_t code = checkRecordsPresent(recordCount); code != kSuccess) return code;
    if (recordCount > 0) groups_->skip(static_cast<std::uint64_t>(recordCount) * kRecordSize);
    return kSuccess;
}

std::int32_t TiePointFileReader::holdWhole() {
    if (!groups_->holdRest()) return damaged();
    file_.close();
    return kSuccess;
}

std::int32_t TiePointFileReader::viewRecords(std::int32_t recordCount, std::span<tagImagePoint>& records) {
    static_assert(alignof(tagImagePoint) == 1, "records are viewed where they lie in the bytes read");
    records = {};
    if (std::int32_t code = checkRecordsPresent(recordCount); code != kSuccess) return code;
    if (recordCount <= 0) return kSuccess;
    unsigned char* const first = groups_->view(static_cast<std::size_t>(recordCount) * kRecordSize);
    if (first == nullptr) return damaged();
    records = {reinterpret_cast<tagImagePoint*>(first), static_cast<std::size_t>(recordCount)};
    return kSuccess;
}

std::int32_t readAllTiePoints(char const* path, std::vector<tagImagePoint>& points) {
    points.clear();
    // Read straight into the caller's array, whose room is reused; every way out but success (running
    // out of memory included) leaves it empty, never holding part of a file.
    struct EmptyUnlessRead {
        std::vector<tagImagePoint>& points;
        bool read = false;
        ~EmptyUnlessRead() {
            if (!read) points.clear();
        }
    } guard{points};
    TiePointFileReader reader;
    std::int32_t code = reader.open(path, HB_MESSAGE_PLAIN);
    if (code == kSuccess) points.reserve(static_cast<std::size_t>(reader.recordCapacity()));
    for (std::int32_t g = 0; code == kSuccess && g < reader.groupCount(); ++g) {
        std::int32_t imageNo = 0;
        std::int32_t recordCount = 0;
        code = reader.nextGroup(imageNo, recordCount);
        if (code == kSuccess) code = reader.readRecords(recordCount, points);
    }
    guard.read = code == kSuccess;
    return code;
}

namespace {

std::int32_t readTotalCount(char const* path, std::int32_t& count) {
    count = 0;
    TiePointFileReader reader;
    std::int32_t code = reader.open(path, HB_MESSAGE_PLAIN);
    std::int64_t total = 0;
    for (std::int32_t g = 0; code == kSuccess && g < reader.groupCount(); ++g) {
        std::int32_t imageNo = 0;
        std::int32_t recordCount = 0;
        code = reader.nextGroup(imageNo, recordCount);
        if (code == kSuccess) code = reader.skipRecords(recordCount);
        if (code == kSuccess && recordCount > 0) total += recordCount;
    }
    // The records are all present, so the total is bounded by the file's length; a file holding more
    // points than a count can say is refused rather than reported wrong.
    if (code == kSuccess && total > std::numeric_limits<std::int32_t>::max()) {
        text::showErrorText(text::kFileDamaged);
        code = kInvalidContent;
    }
    if (code == kSuccess) count = static_cast<std::int32_t>(total);
    return code;
}

}  // namespace
}  // namespace yb::tiepoints

std::int32_t ybCreateTiePntFile(char const* path, tagImagePoint const* points, std::int32_t count) {
    return yb::frame::guarded([&] { return yb::tiepoints::writeTiePointGroups(path, points, count); });
}

std::int32_t ybReadTiePntNums(char const* path, std::int32_t& count) {
    return yb::frame::guarded([&] { return yb::tiepoints::readTotalCount(path, count); });
}

std::int32_t ybReadTiePntFileToAry(char const* path, std::vector<tagImagePoint>& points) {
    return yb::frame::guarded([&] { return yb::tiepoints::readAllTiePoints(path, points); });
}
