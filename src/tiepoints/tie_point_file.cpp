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

#include <array>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace yb::tiepoints {
namespace {

// Groups as the writer lays them out: the image number of each group in order of first occurrence and
// its record count; the groups cut into batches of neighbours, each batch's records (headers included)
// within kBatchBytes, or a group of its own; and the record indices of every batch, back to back, each
// batch's in their given order.
struct Grouping {
    std::vector<std::int32_t> imageNos;
    std::vector<std::int32_t> sizes;
    std::vector<std::int32_t> batchStarts;  // first group of each batch, and the group count at the end
    std::size_t largestBatch = 0;           // bytes of the largest batch of several groups
    platform::UninitialisedVector<std::int32_t> groupOfRecord;
    platform::UninitialisedVector<std::int32_t> order;
};

// The group of each image number met so far: open addressing over a power-of-two table, which a
// block's images (tens of thousands) keep within the caches; an image number is asked once a record
// when the records of many images come interleaved.
class GroupOfImage {
public:
    explicit GroupOfImage(std::size_t expected) {
        std::size_t size = 64;
        while (size < 2 * expected) size *= 2;
        slots_.assign(size, Slot{0, kEmpty});
    }
    // Announces the slot where `imageNo` is looked for first.
    void prefetch(std::int32_t imageNo) const { __builtin_prefetch(&slots_[hashOf(imageNo) & (slots_.size() - 1)]); }
    // The group of `imageNo`, `next` when it is new (and then true).
    std::pair<std::int32_t, bool> find(std::int32_t imageNo, std::int32_t next) {
        std::size_t const at = slotOf(slots_, imageNo);
        if (slots_[at].group != kEmpty) return {slots_[at].group, false};
        slots_[at] = Slot{imageNo, next};
        if (++used_ * 2 > slots_.size()) grow();
        return {next, true};
    }

private:
    static constexpr std::int32_t kEmpty = -1;
    struct Slot {
        std::int32_t imageNo;
        std::int32_t group;
    };
    static std::size_t hashOf(std::int32_t imageNo) {
        return static_cast<std::size_t>(
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(imageNo)) * 0x9E3779B97F4A7C15ull) >> 32);
    }
    // The slot holding `imageNo`, or the empty one where it belongs.
    static std::size_t slotOf(std::vector<Slot> const& slots, std::int32_t imageNo) {
        std::size_t const mask = slots.size() - 1;
        std::size_t at = hashOf(imageNo) & mask;
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

constexpr std::int32_t kLookAhead = 8;                     // records whose image is looked up ahead of its turn
constexpr std::size_t kBatchBytes = std::size_t{2} << 20;  // the most a batch of several groups holds

template <class RecordAt>
Grouping groupByImage(RecordAt const& recordAt, std::int32_t count) {
    Grouping grouping;
    grouping.imageNos.reserve(std::min<std::size_t>(static_cast<std::size_t>(count), 4096));
    grouping.sizes.reserve(grouping.imageNos.capacity());
    platform::UninitialisedVector<std::int32_t> groupOfRecord(static_cast<std::size_t>(count));
    GroupOfImage groupOfImage(1024);
    std::int32_t lastImage = 0;
    std::int32_t lastGroup = -1;
    for (std::int32_t i = 0; i < count; ++i) {
        if (i + kLookAhead < count) groupOfImage.prefetch(recordAt(i + kLookAhead).imageNo);
        std::int32_t imageNo = recordAt(i).imageNo;
        // Records of one image usually come together; the table is asked only when the image changes.
        if (lastGroup < 0 || imageNo != lastImage) {
            auto const [group, added] = groupOfImage.find(imageNo, static_cast<std::int32_t>(grouping.imageNos.size()));
            if (added) {
                grouping.imageNos.push_back(imageNo);
                grouping.sizes.push_back(0);
            }
            lastImage = imageNo;
            lastGroup = group;
        }
        groupOfRecord[static_cast<std::size_t>(i)] = lastGroup;
        ++grouping.sizes[static_cast<std::size_t>(lastGroup)];
    }
    // Neighbouring groups are written a batch at a time, their records taken in the order they lie in
    // memory: records of images first met together usually lie together, so a batch's records come
    // from a few pages where a group-at-a-time gather would take each from a page of its own.
    std::vector<std::int32_t> batchOfGroup(grouping.sizes.size());
    std::size_t batchBytes = 0;
    for (std::size_t g = 0; g < grouping.sizes.size(); ++g) {
        std::size_t const bytes = kGroupHeaderSize + static_cast<std::size_t>(grouping.sizes[g]) * kRecordSize;
        if (g == 0 || batchBytes + bytes > kBatchBytes) {
            grouping.batchStarts.push_back(static_cast<std::int32_t>(g));
            batchBytes = 0;
        }
        batchBytes += bytes;
        if (batchBytes > bytes) grouping.largestBatch = std::max(grouping.largestBatch, batchBytes);
        batchOfGroup[g] = static_cast<std::int32_t>(grouping.batchStarts.size() - 1);
    }
    std::vector<std::int32_t> next(grouping.batchStarts.size());
    grouping.batchStarts.push_back(static_cast<std::int32_t>(grouping.sizes.size()));
    // A stable counting sort by batch keeps each batch's records in their given order.
    std::int32_t start = 0;
    for (std::size_t b = 0; b + 1 < grouping.batchStarts.size(); ++b) {
        next[b] = start;
        for (auto g = grouping.batchStarts[b]; g < grouping.batchStarts[b + 1]; ++g)
            start += grouping.sizes[static_cast<std::size_t>(g)];
    }
    grouping.order.resize(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        auto const group = static_cast<std::size_t>(groupOfRecord[static_cast<std::size_t>(i)]);
        grouping.order[static_cast<std::size_t>(next[static_cast<std::size_t>(batchOfGroup[group])]++)] = i;
    }
    grouping.groupOfRecord = std::move(groupOfRecord);
    return grouping;
}

std::int32_t failure(char const* format, char const* path) {
    frame::showErrorF(format, path);
    return kCannotWrite;
}

constexpr std::size_t kGatherAhead = 32;

// Groups and writes `count` records, record i being recordAt(i).
template <class RecordAt>
std::int32_t writeGroups(char const* path, RecordAt const& recordAt, std::int32_t count, char const* installFailure) {
    // Grouped before the new file is made, so running out of memory leaves nothing behind.
    Grouping grouping = count > 0 ? groupByImage(recordAt, count) : Grouping{};
    TiePointGroupWriter writer(path);
    // The group count is known before the groups are written, so the header is written once.
    if (std::int32_t code = writer.begin(static_cast<std::int32_t>(grouping.imageNos.size())); code != kSuccess)
        return code;
    platform::Output& out = writer.out();
    // Every buffer at its full size at once: on a heap that other work has cut into many free pieces,
    // each allocation can cost a long search.
    out.expect(static_cast<std::size_t>(count) * kRecordSize + grouping.imageNos.size() * kGroupHeaderSize);
    // Each record is asked for a few records ahead, so the reads from all over the array overlap.
    auto const prefetch = [&](std::size_t j) {
        if (j + kGatherAhead < grouping.order.size()) {
            auto const* ahead = reinterpret_cast<char const*>(&recordAt(grouping.order[j + kGatherAhead]));
            __builtin_prefetch(ahead);
            __builtin_prefetch(ahead + sizeof(tagImagePoint) - 1);
        }
    };
    platform::UninitialisedVector<unsigned char> batch;
    batch.reserve(grouping.largestBatch);
    std::vector<std::size_t> place;  // where the next record of each group of a batch goes
    std::size_t first = 0;
    for (std::size_t b = 0; b + 1 < grouping.batchStarts.size(); ++b) {
        auto const firstGroup = static_cast<std::size_t>(grouping.batchStarts[b]);
        auto const endGroup = static_cast<std::size_t>(grouping.batchStarts[b + 1]);
        std::size_t records = 0;
        for (std::size_t g = firstGroup; g < endGroup; ++g) records += static_cast<std::size_t>(grouping.sizes[g]);
        if (endGroup - firstGroup == 1) {
            // A group larger than a batch is gathered record by record.
            writer.group(grouping.imageNos[firstGroup], grouping.sizes[firstGroup]);
            for (std::size_t j = first; j < first + records; ++j) {
                prefetch(j);
                out.writeValue(recordAt(grouping.order[j]));
            }
        } else {
            // The batch is laid out in memory and written at once: each group's header, then its records
            // as they come.
            std::size_t const bytes = (endGroup - firstGroup) * kGroupHeaderSize + records * kRecordSize;
            batch.resize(bytes);
            place.clear();
            std::size_t at = 0;
            for (std::size_t g = firstGroup; g < endGroup; ++g) {
                std::int32_t const header[2] = {grouping.imageNos[g], grouping.sizes[g]};
                std::memcpy(batch.data() + at, header, kGroupHeaderSize);
                place.push_back(at + kGroupHeaderSize);
                at += kGroupHeaderSize + static_cast<std::size_t>(grouping.sizes[g]) * kRecordSize;
            }
            for (std::size_t j = first; j < first + records; ++j) {
                prefetch(j);
                std::int32_t const i = grouping.order[j];
                std::size_t& to =
                    place[static_cast<std::size_t>(grouping.groupOfRecord[static_cast<std::size_t>(i)]) - firstGroup];
                std::memcpy(batch.data() + to, &recordAt(i), kRecordSize);
                to += kRecordSize;
            }
            out.write(batch.data(), bytes);
        }
        first += records;
    }
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
    unsigned char* const first = groups_->take(static_cast<std::size_t>(recordCount) * kRecordSize);
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
