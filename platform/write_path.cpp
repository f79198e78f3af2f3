// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "write_path.h"

#include "checksum.h"
#include "hostpath.h"
#include "stamped_memo.h"
#include "work_copies.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <unordered_set>
#include <utility>

namespace yb::platform {
namespace {

// The batch of replacements this thread now holds back, if any.
thread_local ReplacementBatch* currentBatch = nullptr;

constexpr std::size_t kCopyBlockSize = std::size_t{1} << 20;

// The journal of a change in place, beside the file:
//
//   offset   size     content
//   0        8        magic "YBJRNL03"
//   8        8        the file's old length
//   16       4        number r of kept ranges
//   20       4        length s of the head sample: the file's first bytes, up to 4 KiB
//   24       8        the file's number (its inode; the file index on Windows)
//   32       8        FNV-1a (64-bit) of the head sample's bytes that no kept range holds
//   40       8        offset of the near sample: up to 4 KiB just before the first kept range past
//                     the head sample (0 with none)
//   48       4        length of the near sample
//   52       4        zero
//   56       8        FNV-1a (64-bit) of the near sample's bytes that no kept range holds
//   64       16 * r   each range: offset, length (64-bit)
//   64+16r   ...      the kept bytes of each range, in range order
//   end-8    8        FNV-1a (64-bit) of everything before it
//
// A journal is written at its place; one whose checksum does not match is taken for one that never
// became complete (the change writes nothing to the file before its journal is whole), so the file
// was never touched. The file's number, its length and the samples tell whether the file beside a
// journal is still the one it was written for: a file put in its place since (restored, or rewritten
// whole by another program) has another number, or ends where the change cut nothing, or has other
// bytes where the change wrote none (at its head or next to the change), and the journal is dropped
// rather than applied to it. The device is not compared: a network or virtual file system may number
// its device anew at each mount. Journals of the earlier forms ("YBJRNL02" with a 40-byte head, the
// head sample only; "YBJRNL01", a 24-byte head without the file's number and samples) are applied as
// they always were.
constexpr std::string_view kJournalMagic = "YBJRNL03";
constexpr std::string_view kSecondJournalMagic = "YBJRNL02";
constexpr std::string_view kFirstJournalMagic = "YBJRNL01";
constexpr std::uint64_t kJournalHeaderSize = 64;
constexpr std::uint64_t kSecondJournalHeaderSize = 40;
constexpr std::uint64_t kFirstJournalHeaderSize = 24;
constexpr std::uint64_t kJournalRangeSize = 16;
constexpr std::uint64_t kChecksumSize = 8;
constexpr std::size_t kSampleSize = 4096;
// What a disk writes whole or not at all, at least.
constexpr std::uint64_t kSector = 512;

// The files this process last changed in place, with the stamp each committed change left, where any
// later change is bound to move it or, with a change mark, to be reported.
StampedMemo<std::optional<ChangeMark>, 8>& changedHere() {
    static StampedMemo<std::optional<ChangeMark>, 8> files;
    return files;
}

std::string_view suffixOf(WorkCopyName name) { return name == WorkCopyName::Bak ? kBakSuffix : kTmpSuffix; }

struct Journal {
    std::uint64_t oldLength = 0;
    std::vector<ByteRange> ranges;
    std::vector<std::uint64_t> rangeAt;  // where each range's bytes start
    bool identified = false;             // the file's number and head sample are recorded
    std::uint64_t fileNumber = 0;
    std::uint32_t sampleLength = 0;
    std::uint64_t sampleChecksum = 0;
    bool nearSampled = false;  // the length is checked and the near sample recorded
    std::uint64_t nearOffset = 0;
    std::uint32_t nearLength = 0;
    std::uint64_t nearChecksum = 0;
};

enum class Read { Whole, CutShort, Failed };

Read readAll(NativeFile& file, std::uint64_t offset, void* data, std::size_t size) {
    std::size_t got = 0;
    if (!file.readAt(offset, data, size, got)) return Read::Failed;
    return got == size ? Read::Whole : Read::CutShort;
}

bool inKeptRange(std::vector<ByteRange> const& ranges, std::uint64_t offset, std::uint64_t end) {
    return std::any_of(ranges.begin(), ranges.end(), [&](ByteRange const& range) {
        return range.offset <= offset && end <= range.offset + range.length;
    });
}

// FNV-1a of the bytes of a sample taken at `offset` that no kept range holds: bytes a change never
// writes.
std::uint64_t sampleChecksum(unsigned char const* bytes, std::size_t length, std::vector<ByteRange> const& ranges,
                             std::uint64_t offset = 0) {
    Fnv1a hash;
    for (std::size_t i = 0; i < length; ++i)
        if (!inKeptRange(ranges, offset + i, offset + i + 1)) hash.add(bytes[i]);
    return hash.value();
}

// Where the near sample lies: up to 4 KiB just before the first kept range that starts past the head
// sample, after the head sample; nothing when no range starts there.
ByteRange nearSampleOf(std::vector<ByteRange> const& ranges, std::uint64_t headLength) {
    std::uint64_t first = UINT64_MAX;
    for (ByteRange const& range : ranges)
        if (range.offset > headLength) first = std::min(first, range.offset);
    if (first == UINT64_MAX) return {};
    std::uint64_t const start = std::max(headLength, first > kSampleSize ? first - kSampleSize : 0);
    return {start, first - start};
}

enum class JournalState { Complete, Incomplete, Unreadable };

// Reads and checks a journal: Incomplete when it was cut short before its checksum was written (or is
// not a journal), Unreadable when reading it failed.
JournalState readJournal(NativeFile& file, Journal& journal) {
    auto length = file.length();
    if (!length) return JournalState::Unreadable;
    if (*length < kFirstJournalHeaderSize + kChecksumSize) return JournalState::Incomplete;
    auto check = [](Read read) { return read == Read::Failed ? JournalState::Unreadable : JournalState::Incomplete; };
    unsigned char header[kJournalHeaderSize] = {};
    if (Read read = readAll(file, 0, header, kFirstJournalHeaderSize); read != Read::Whole) return check(read);
    std::string_view const magic(reinterpret_cast<char const*>(header), kJournalMagic.size());
    journal.nearSampled = magic == kJournalMagic;
    journal.identified = journal.nearSampled || magic == kSecondJournalMagic;
    if (!journal.identified && magic != kFirstJournalMagic) return JournalState::Incomplete;
    std::uint64_t const headerSize = journal.nearSampled  ? kJournalHeaderSize
                                     : journal.identified ? kSecondJournalHeaderSize
                                                          : kFirstJournalHeaderSize;
    if (*length < headerSize + kChecksumSize) return JournalState::Incomplete;
    if (journal.identified) {
        if (Read read = readAll(file, kFirstJournalHeaderSize, header + kFirstJournalHeaderSize,
                                headerSize - kFirstJournalHeaderSize);
            read != Read::Whole)
            return check(read);
        std::memcpy(&journal.sampleLength, header + 20, 4);
        std::memcpy(&journal.fileNumber, header + 24, 8);
        std::memcpy(&journal.sampleChecksum, header + 32, 8);
    }
    if (journal.nearSampled) {
        std::memcpy(&journal.nearOffset, header + 40, 8);
        std::memcpy(&journal.nearLength, header + 48, 4);
        std::memcpy(&journal.nearChecksum, header + 56, 8);
        if (journal.sampleLength > kSampleSize || journal.nearLength > kSampleSize) return JournalState::Incomplete;
    }
    std::uint32_t count = 0;
    std::memcpy(&journal.oldLength, header + 8, 8);
    std::memcpy(&count, header + 16, 4);
    std::uint64_t const body = *length - headerSize - kChecksumSize;
    if (count > body / kJournalRangeSize) return JournalState::Incomplete;
    std::vector<std::uint64_t> table(std::size_t{count} * 2);
    if (count > 0) {
        if (Read read = readAll(file, headerSize, table.data(), table.size() * 8); read != Read::Whole)
            return check(read);
    }
    std::uint64_t at = headerSize + kJournalRangeSize * count;
    for (std::uint32_t i = 0; i < count; ++i) {
        ByteRange const range{table[2 * i], table[2 * i + 1]};
        if (range.length > *length || at > *length - range.length) return JournalState::Incomplete;
        journal.ranges.push_back(range);
        journal.rangeAt.push_back(at);
        at += range.length;
    }
    if (at + kChecksumSize != *length) return JournalState::Incomplete;
    // The checksum covers everything before it.
    Fnv1a hash;
    std::vector<unsigned char> block(static_cast<std::size_t>(std::min<std::uint64_t>(at, kCopyBlockSize)));
    for (std::uint64_t offset = 0; offset < at;) {
        std::size_t const size = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), at - offset));
        if (Read read = readAll(file, offset, block.data(), size); read != Read::Whole) return check(read);
        hash.add(block.data(), size);
        offset += size;
    }
    std::uint64_t stored = 0;
    if (Read read = readAll(file, at, &stored, sizeof stored); read != Read::Whole) return check(read);
    return stored == hash.value() ? JournalState::Complete : JournalState::Incomplete;
}

// Whether the file open as `target` is the one the journal was written for: the same file number, no
// shorter than the old length but where the change cut it (in a kept range), and the bytes of the
// samples that no kept range holds as they were.
bool belongsTo(Journal const& journal, NativeFile& target) {
    if (!journal.identified) return true;
    auto const stamp = target.stamp();
    if (!stamp || stamp->file != journal.fileNumber) return false;
    if (journal.nearSampled && stamp->size < journal.oldLength &&
        !inKeptRange(journal.ranges, stamp->size, journal.oldLength))
        return false;
    auto sampleHolds = [&](std::uint64_t offset, std::uint32_t length, std::uint64_t checksum) {
        std::vector<unsigned char> sample(length);
        std::size_t got = 0;
        if (!target.readAt(offset, sample.data(), sample.size(), got)) return false;
        if (got < sample.size() && !inKeptRange(journal.ranges, offset + got, offset + sample.size())) return false;
        return sampleChecksum(sample.data(), got, journal.ranges, offset) == checksum;
    };
    return sampleHolds(0, journal.sampleLength, journal.sampleChecksum) &&
           (!journal.nearSampled || sampleHolds(journal.nearOffset, journal.nearLength, journal.nearChecksum));
}

// Whether a work copy is one of our journals, whole or cut short (a journal is written at its place,
// so one that a kill or a failure stopped early may hold any first part of its magic, or nothing);
// nothing when it cannot be read.
std::optional<bool> isJournal(NativeFile& file) {
    char magic[kJournalMagic.size()] = {};
    std::size_t got = 0;
    if (!file.readAt(0, magic, sizeof magic, got)) return std::nullopt;
    std::string_view const start(magic, got);
    return start == kJournalMagic.substr(0, got) || start == kSecondJournalMagic.substr(0, got) ||
           start == kFirstJournalMagic.substr(0, got);
}

// Each journal beside the file at `targetNative` (a work copy there that reads as one of ours, whole
// or cut short), opened for reading, or for writing too with `forUpdate`, until `visit` answers false;
// false then.
template <class Visit>
bool eachJournalBeside(std::string const& targetNative, bool forUpdate, Visit visit) {
    for (std::string_view suffix : kWorkCopySuffixes) {
        std::string const journalNative = targetNative + std::string(suffix);
        if (!nativeFileExists(journalNative)) continue;
        NativeFile journal = openNative(journalNative, forUpdate);
        if (journal && isJournal(journal).value_or(false) && !visit(journal, journalNative)) return false;
    }
    return true;
}

// Puts the kept bytes back where the file's differ, and the old length, and has them kept; the
// journal stays. Bytes that are as kept are not written again: a change that failed on a full disk
// (or at a file size limit) is put back without a write where it wrote nothing.
bool applyJournal(Journal const& journal, NativeFile& keptBytes, NativeFile& target) {
    constexpr std::size_t kBlock = std::size_t{64} << 10;
    std::vector<unsigned char> kept;
    std::vector<unsigned char> now;
    for (std::size_t i = 0; i < journal.ranges.size(); ++i) {
        ByteRange const& range = journal.ranges[i];
        for (std::uint64_t done = 0; done < range.length;) {
            std::size_t const size = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, range.length - done));
            kept.resize(size);
            now.assign(size, 0);
            std::size_t got = 0;
            if (readAll(keptBytes, journal.rangeAt[i] + done, kept.data(), size) != Read::Whole ||
                !target.readAt(range.offset + done, now.data(), size, got))
                return false;
            // A file cut short reads as differing from the first missing byte on.
            std::size_t first = 0;
            while (first < got && now[first] == kept[first]) ++first;
            std::size_t last = size;
            while (last > first && last <= got && now[last - 1] == kept[last - 1]) --last;
            if (first < last && !target.writeAt(range.offset + done + first, kept.data() + first, last - first))
                return false;
            done += size;
        }
    }
    auto const length = target.length();
    if (!length) return false;
    // The file is on the disk as it was before the journal goes.
    return (*length == journal.oldLength || target.resize(journal.oldLength)) && target.reportWrites() &&
           (!syncingWrites() || target.sync());
}

// Settles one journal beside a file that the caller holds for writing (and that the journal's own
// writer no longer holds): rolls the change back and drops the journal, or drops one never completed
// or written for another file. When any step fails the journal stays, so the next opening tries again.
void settleJournal(NativeFile& journalFile, std::string const& journalNative, NativeFile& target) {
    Journal journal;
    switch (readJournal(journalFile, journal)) {
        case JournalState::Unreadable: return;
        case JournalState::Incomplete:
            // Never completed, so the file was never touched.
            removeHeldWorkCopy(journalFile, journalNative);
            return;
        case JournalState::Complete: break;
    }
    if (!belongsTo(journal, target) || applyJournal(journal, journalFile, target))
        removeHeldWorkCopy(journalFile, journalNative);
}

// Settles the journals beside a file held for writing through `target` (open for reading and
// writing). Readers are held back first: one reading the file while a journal's writer is gone would
// otherwise take the journal, held by this settling, for a live writer's that has not begun to write.
// False when a journal's writer still holds it after the wait limit (a change of the file that was
// there before the present one was put in its place, still under way), or the readers did not let go.
bool recoverBeside(NativeFile& target, std::string const& targetNative, bool* settled = nullptr) {
    return eachJournalBeside(targetNative, true, [&](NativeFile& journal, std::string const& journalNative) {
        if (target.barReaders(targetNative) == LockOutcome::TimedOut) return false;
        bool const held = journal.lock(LockMode::Exclusive, targetNative) != LockOutcome::TimedOut;
        if (held) settleJournal(journal, journalNative, target);
        target.admitReaders();
        if (held && settled != nullptr) *settled = true;
        return held;
    });
}

// Whether a journal beside the file, complete and written for it, says that its bytes are torn: the
// file is not as the change found it, and no live writer is under way (a reader holding the file's
// read lock sees a live writer's journal only before the change's first write). Read only: for a
// reader that cannot put the old bytes back.
bool tornByLeftChange(std::string const& targetNative) {
    NativeFile target = openNative(targetNative, false);
    if (!target) return false;
    // Each journal answers whether the file is untouched by its change.
    return !eachJournalBeside(targetNative, false, [&](NativeFile& journalFile, std::string const&) {
        if (!journalFile.tryLock(LockMode::Shared)) return true;  // a live writer's, not begun
        Journal journal;
        JournalState const state = readJournal(journalFile, journal);
        if (state == JournalState::Unreadable) return false;
        if (state == JournalState::Incomplete || !belongsTo(journal, target)) return true;
        // The file as the change found it: the old length, and the kept bytes where they were.
        auto const length = target.length();
        if (!length || *length != journal.oldLength) return false;
        std::vector<unsigned char> kept, now;
        for (std::size_t i = 0; i < journal.ranges.size(); ++i) {
            std::size_t const size = static_cast<std::size_t>(journal.ranges[i].length);
            kept.resize(size);
            now.resize(size);
            if (readAll(journalFile, journal.rangeAt[i], kept.data(), size) != Read::Whole ||
                readAll(target, journal.ranges[i].offset, now.data(), size) != Read::Whole || kept != now)
                return false;
        }
        return true;
    });
}

// Whether an opening of a file to hold it failed for a reason that lets the write go on without a
// hold: the file is not there, or this process may not open it for writing (a replacement needs no
// such leave). Any other failure (an I/O error, a lock wait that ran out) stops the write.
bool mayGoOnUnheld(std::uint64_t timeoutsBefore) {
    if (lockTimeouts() != timeoutsBefore) return false;
    switch (errno) {
        case ENOENT:
        case ENOTDIR:
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return true;
        default: return false;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Output

Output::Output(NativeFile& file, std::uint64_t start) : file_(file), next_(start) {}

void Output::startChecksum() {
    hashing_ = true;
    checksum_ = Fnv1a();
}

void Output::writeFurther(void const* data, std::size_t size) {
    if (!ok_ || size == 0) return;
    if (hashing_) checksum_.add(data, size);
    if (filled_ + size > kBufferSize && !flush()) return;
    if (size >= kBufferSize) {
        ok_ = file_.writeAt(next_, data, size);
        next_ += size;
        return;
    }
    if (filled_ + size > room_) grow(std::max({filled_ + size, room_ * 2, std::size_t{4096}}));
    std::memcpy(buffer_.get() + filled_, data, size);
    filled_ += size;
}

void Output::grow(std::size_t room) {
    // Small outputs keep small buffers: the room doubles as writes come.
    room = std::min(kBufferSize, room);
    auto larger = std::make_unique_for_overwrite<unsigned char[]>(room);
    if (filled_ > 0) std::memcpy(larger.get(), buffer_.get(), filled_);
    buffer_ = std::move(larger);
    room_ = room;
}

void Output::expect(std::size_t size) {
    if (filled_ + size > room_ && room_ < kBufferSize) grow(filled_ + size);
}

void Output::writeText(std::string_view text, std::size_t width) {
    std::vector<char> field(width, '\0');
    if (width > 0) storeText(field.data(), width, text);
    write(field.data(), field.size());
}

void Output::writeZeros(std::uint64_t count) {
    std::array<unsigned char, 4096> zeros{};
    while (ok_ && count > 0) {
        std::size_t const size = static_cast<std::size_t>(std::min<std::uint64_t>(count, zeros.size()));
        write(zeros.data(), size);
        count -= size;
    }
}

void Output::copyFrom(NativeFile& source, std::uint64_t offset, std::uint64_t length) {
    std::vector<unsigned char> block(static_cast<std::size_t>(std::min<std::uint64_t>(length, kCopyBlockSize)));
    while (ok_ && length > 0) {
        std::size_t const size = static_cast<std::size_t>(std::min<std::uint64_t>(length, block.size()));
        if (readAll(source, offset, block.data(), size) != Read::Whole) {
            ok_ = false;
            return;
        }
        write(block.data(), size);
        offset += size;
        length -= size;
    }
}

void Output::overwrite(std::uint64_t offset, void const* data, std::size_t size) {
    if (!ok_ || size == 0) return;
    if (offset + size > next_ && !flush()) return;
    ok_ = file_.writeAt(offset, data, size);
}

bool Output::flush() {
    if (ok_ && filled_ > 0) ok_ = file_.writeAt(next_, buffer_.get(), filled_);
    next_ += filled_;
    filled_ = 0;
    return ok_;
}

// ---------------------------------------------------------------------------------------------
// Replacing a whole file

FileReplacement::FileReplacement(std::string_view hostPath) {
    auto native = nativePath(hostPath, true);
    if (!native) return;
    target_ = *native;
    if (hold(true)) create(true);
}

FileReplacement::FileReplacement(FoundFile const& found) {
    if (!found.native) return;
    target_ = *found.native;
    if (!found.exists || hold(found.mayBeUnfinished)) create(found.exists);
}

bool FileReplacement::hold(bool mayBeUnfinished) {
    std::uint64_t const timeouts = lockTimeouts();
    FileStamp stamp;
    held_ = openNative(target_, true, &stamp, LockMode::Exclusive);
    // A file that is not there, or that cannot be opened for writing, is replaced without a hold; one
    // this thread holds already, under that hold.
    if (!held_) {
        refused_ = !mayGoOnUnheld(timeouts);
        return !refused_;
    }
    heldIdentity_ = FileIdentity{stamp.device, stamp.file};
    heldPermissions_ = stamp.permissions;
    if (heldForWritingHere(*heldIdentity_)) {
        held_ = NativeFile();
        return true;
    }
    hold_ = HeldForWriting(*heldIdentity_, [this] { held_ = NativeFile(); });
    // A change in place that a kill cut short is rolled back first: if this replacement fails, the
    // file is left as it was before that change.
    refused_ = mayBeUnfinished && !recoverBeside(held_, target_);
    return !refused_;
}

void FileReplacement::create(bool targetMayExist) {
    file_ = createBeside(target_, created_, targetMayExist, heldPermissions_);
    if (file_) output_.emplace(file_);
}

FileReplacement::~FileReplacement() {
    if (installed_ || created_.empty()) return;
    output_.reset();
    file_ = NativeFile();
    removeNative(created_);
}

bool FileReplacement::finish() {
    if (!output_ || finished_) return finished_;
    bool const written = output_->flush();
    // The new content reaches the disk before its name does; a batch syncs its files together.
    syncing_ = syncingWrites();
    batched_ = syncing_ && kBatchesReplacements && currentBatch != nullptr;
    bool const synced = written && (!syncing_ || batched_ || file_.sync());
    // What closing would tell is asked now: the new file stays open, to be held once in place. A
    // batch's file is handed to the disk now and synced by the batch, when it is on its way.
    if (batched_) file_.startWriteOut();
    finished_ = synced && (batched_ || file_.reportWrites());
    return finished_;
}

bool FileReplacement::install() {
    if (!finished_ || installed_) return installed_;
    if (batched_ && currentBatch != nullptr) {
        currentBatch->hand({std::exchange(created_, {}), target_, std::move(file_)});
        installed_ = true;
        return installed_;
    }
    if (batched_ && !(file_.sync() && file_.reportWrites())) return false;
    // The old file is held until the new one has taken its place, and the new one from before then: a
    // writer waiting for the old file then finds it gone and waits for the new one, behind this
    // thread, which lets go of the old one only then. Where no file is renamed over an open one, the
    // old file's openings are closed just before: another program that holds it then makes the rename
    // fail, and the replacement with it, so nothing it changes is lost.
    bool const holdsNew = heldIdentity_ && file_ && file_.tryLock(LockMode::Exclusive) && file_.ownsLock();
    installed_ = renameOverOpen(created_, target_, [&] {
        if (heldIdentity_) letGoHeldOpenings(*heldIdentity_);
    });
    if (installed_ && holdsNew) {
        if (auto const identity = file_.identity())
            passHolds(*heldIdentity_, *identity, std::make_shared<NativeFile>(std::move(file_)));
    }
    file_ = NativeFile();
    held_ = NativeFile();
    // The new name reaches the disk too. The file is in place whatever this answers: a folder that
    // cannot be synced fails no call that has already replaced the file.
    if (installed_ && syncing_) syncFolderOf(target_);
    return installed_;
}

// ---------------------------------------------------------------------------------------------
// Replacements put in place together

ReplacementBatch::ReplacementBatch() : outer_(currentBatch) {
    currentBatch = this;
    openRenameBatch();
}

ReplacementBatch::~ReplacementBatch() {
    if (currentBatch == this) currentBatch = outer_;
    for (std::size_t i = placed_; i < held_.size(); ++i) removeNative(held_[i].created);
    closeRenameBatch();
}

void ReplacementBatch::hand(Held&& file) {
    held_.push_back(std::move(file));
    // The file handed kOpenAhead files ago has had their time to reach the disk: it is waited for now
    // and closed, so that the batch keeps a bounded number of files open.
    if (held_.size() > kOpenAhead) {
        NativeFile& earlier = held_[held_.size() - 1 - kOpenAhead].file;
        if (earlier && !(earlier.sync() && earlier.close())) unsynced_ = true;
    }
}

bool ReplacementBatch::commit() {
    if (currentBatch == this) currentBatch = outer_;
    if (held_.empty()) return true;
    // Every new file's content is on the disk before any of them is renamed into place: each was
    // handed to the disk when it was finished, and is waited for, one data sync a file through the
    // opening that wrote it (each reports its own failure, on every kernel).
    if (unsynced_) return false;
    for (Held& file : held_)
        if (file.file && !(file.file.sync() && file.file.close())) return false;
    for (; placed_ < held_.size(); ++placed_)
        if (!renameOver(held_[placed_].created, held_[placed_].target)) return false;
    // And their names, once a folder (as outside a batch, whatever this answers).
    std::unordered_set<std::string> folders;
    for (Held const& file : held_)
        if (folders.insert(file.target.substr(0, file.target.find_last_of("/\\") + 1)).second)
            syncFolderOf(file.target);
    return true;
}

bool replaceFile(std::string_view hostPath, std::function<bool(Output&)> const& write) {
    FileReplacement replacement(hostPath);
    return replacement.opened() && write(replacement.out()) && replacement.commit();
}

bool replaceFile(FoundFile const& found, std::function<bool(Output&)> const& write) {
    FileReplacement replacement(found);
    return replacement.opened() && write(replacement.out()) && replacement.commit();
}

// ---------------------------------------------------------------------------------------------
// Changing a file in place

FileChange::FileChange(std::string_view hostPath, WorkCopyName workCopy) {
    std::optional<FileStamp> stamp;
    std::uint64_t const timeouts = lockTimeouts();
    file_ = openHostFile(hostPath, true, target_, stamp, LockMode::Exclusive);
    if (!file_) {
        refused_ = lockTimeouts() != timeouts;
        return;
    }
    journal_ = target_ + std::string(suffixOf(workCopy));
    FileIdentity const identity{stamp->device, stamp->file};
    // A thread that holds the file already looked for unfinished changes when it took it.
    if (heldForWritingHere(identity)) {
        opened_ = stamp;
        oldLength_ = stamp->size;
        return;
    }
    hold_ = HeldForWriting(identity);
    std::optional<std::optional<ChangeMark>> const left = changedHere().take(target_, *stamp);
    if (!left || (*left && !unchangedSince(**left))) {
        bool settled = false;
        if (!recoverBeside(file_, target_, &settled)) {
            refused_ = true;
            file_ = NativeFile();
            return;
        }
        // A journal settled beside the file may have rolled it back: its stamp is taken anew.
        if (settled) stamp = file_.stamp();
        if (!stamp) {
            file_ = NativeFile();
            return;
        }
    }
    opened_ = stamp;
    oldLength_ = stamp->size;
}

FileChange::~FileChange() {
    if (!done_) rollBack();
}

bool FileChange::keep(std::vector<ByteRange> ranges) {
    if (!file_ || journaled_) return false;
    for (ByteRange const& range : ranges) {
        if (range.offset >= oldLength_ || range.length == 0) continue;
        kept_.push_back({range.offset, std::min(range.length, oldLength_ - range.offset)});
    }
    // The file's first bytes give the sample that ties the journal to the file, and the kept bytes that
    // lie among them.
    if (!readHead()) return false;
    std::vector<unsigned char> const& sample = head_;
    std::optional<FileStamp> const stamp = opened_ ? opened_ : file_.stamp();
    NativeFile journal = createWorkCopy(journal_);
    if (!journal) return false;
    Output out(journal);
    out.startChecksum();
    out.writeMagic(kJournalMagic);
    out.writeValue(oldLength_);
    out.writeValue(static_cast<std::uint32_t>(kept_.size()));
    out.writeValue(static_cast<std::uint32_t>(sample.size()));
    out.writeValue(stamp ? stamp->file : std::uint64_t{0});
    out.writeValue(sampleChecksum(sample.data(), sample.size(), kept_));
    // And the bytes just before the change, where the head does not reach.
    ByteRange const near = nearSampleOf(kept_, sample.size());
    std::vector<unsigned char> nearBytes(static_cast<std::size_t>(near.length));
    if (!nearBytes.empty() && readAll(file_, near.offset, nearBytes.data(), nearBytes.size()) != Read::Whole)
        return false;
    out.writeValue(near.offset);
    out.writeValue(static_cast<std::uint32_t>(near.length));
    out.writeValue(std::uint32_t{0});
    out.writeValue(sampleChecksum(nearBytes.data(), nearBytes.size(), kept_, near.offset));
    for (ByteRange const& range : kept_) {
        out.writeValue(range.offset);
        out.writeValue(range.length);
    }
    std::uint64_t at = kJournalHeaderSize + kJournalRangeSize * kept_.size();
    for (ByteRange const& range : kept_) {
        keptAt_.push_back(at);
        std::uint64_t const inSample =
            range.offset < sample.size() ? std::min<std::uint64_t>(range.length, sample.size() - range.offset) : 0;
        out.write(sample.data() + range.offset, static_cast<std::size_t>(inSample));
        out.copyFrom(file_, range.offset + inSample, range.length - inSample);
        at += range.length;
    }
    std::uint64_t const checksum = out.checksum();
    out.writeValue(checksum);
    // The journal and its name are on the disk before the file changes.
    if (!out.flush() || (syncingWrites() && !(journal.sync() && syncFolderOf(journal_)))) {
        // Not whole, or not surely on the disk: never acted on, whatever of it was written goes.
        removeHeldWorkCopy(journal, journal_);
        return false;
    }
    // From here on the journal is in place: rollBack() puts the file back from it. Readers go on until
    // the first write into the file.
    journaled_ = true;
    file_.barReadersBeforeWriting(target_);
    keptBytes_ = std::move(journal);
    return true;
}

bool FileChange::mayChange(std::uint64_t offset, std::uint64_t size) const {
    if (!journaled_ || !keptBytes_) return false;
    // Only bytes the journal can put back: those of one kept range, or beyond the old end.
    std::uint64_t const end = std::min(offset + size, oldLength_);
    if (offset >= end) return true;
    return inKeptRange(kept_, offset, end);
}

bool FileChange::write(std::uint64_t offset, void const* data, std::size_t size) {
    return mayChange(offset, size) && file_.writeAt(offset, data, size);
}

bool FileChange::moveKept(std::uint64_t oldOffset, std::uint64_t newOffset) {
    if (!journaled_ || !keptBytes_) return false;
    for (std::size_t i = 0; i < kept_.size(); ++i) {
        ByteRange const& range = kept_[i];
        if (oldOffset < range.offset || oldOffset > range.offset + range.length) continue;
        if (!mayChange(newOffset, range.offset + range.length - oldOffset)) return false;
        Output out(file_, newOffset);
        out.copyFrom(keptBytes_, keptAt_[i] + (oldOffset - range.offset), range.offset + range.length - oldOffset);
        return out.flush();
    }
    return oldOffset >= oldLength_;  // nothing stood there
}

bool FileChange::resize(std::uint64_t length) {
    return (length >= oldLength_ || mayChange(length, oldLength_ - length)) && journaled_ && file_.resize(length);
}

bool FileChange::appendCounted(std::uint64_t end, void const* data, std::size_t size, std::uint64_t countsAt,
                               void const* counts, std::size_t countsSize) {
    if (!file_ || journaled_ || appended_ || end > oldLength_ || countsAt + countsSize > std::min(end, kSector) ||
        !readHead())
        return false;
    appended_ = true;
    appendEnd_ = end + size;
    // The new bytes, and nothing behind them, are on the disk before anything counts them.
    if (!file_.writeAt(end, data, size) || (oldLength_ > appendEnd_ && !file_.resize(appendEnd_)) ||
        (syncingWrites() && !file_.sync()))
        return false;
    file_.barReadersBeforeWriting(target_);
    countsWritten_ = ByteRange{countsAt, countsSize};
    return file_.writeAt(countsAt, counts, countsSize);
}

std::size_t FileChange::headSize() const {
    return static_cast<std::size_t>(std::min<std::uint64_t>(oldLength_, kSampleSize));
}

bool FileChange::readHead() {
    if (headRead_) return true;
    head_.resize(headSize());
    if (!head_.empty() && readAll(file_, 0, head_.data(), head_.size()) != Read::Whole) return false;
    headRead_ = true;
    return true;
}

bool FileChange::read(std::uint64_t offset, void* data, std::size_t size) {
    if (!file_) return false;
    // Before the first write, the file's first bytes are read once for every reading among them.
    if (!journaled_ && !appended_ && offset + size <= headSize()) {
        if (!readHead()) return false;
        std::memcpy(data, head_.data() + offset, size);
        return true;
    }
    return readAll(file_, offset, data, size) == Read::Whole;
}

bool FileChange::commit() {
    if (done_ || !file_) return false;
    if (appended_ ? !countsWritten_ : (!journaled_ || !keptBytes_)) {
        rollBack();
        return false;
    }
    std::optional<FileStamp> const stamp = file_.stamp();
    // Where the stamp cannot show a later change, the file is marked while still held, so that no other
    // change can fall between this one and the mark.
    bool const stampTells = stamp && file_.laterChangesMoveStamp(*stamp);
    std::optional<ChangeMark> const mark = stamp && !stampTells ? markChanges(target_, *stamp) : std::nullopt;
    // The changed file is on the disk, and what was written known kept, before the journal goes; the
    // file stays held until then: a reader or writer waiting for it never finds the journal of a change
    // that is still under way.
    if ((syncingWrites() && !file_.sync()) || !file_.reportWrites() ||
        (journaled_ && !removeHeldWorkCopy(keptBytes_, journal_))) {
        // Not known to be on the disk: answered as failed even where the old counts cannot be put back
        // (a disk that fails every write), though readers then see the append until the disk loses it.
        rollBack();
        return false;
    }
    file_ = NativeFile();
    hold_ = HeldForWriting();
    done_ = true;
    stampLeft_ = stamp;
    stampTells_ = stampTells;
    markLeft_ = mark;
    if (stampTells || mark) changedHere().put(target_, *stamp, mark);
    return true;
}

void FileChange::rollBack() {
    done_ = true;
    bool asBefore = true;
    if (appended_ && file_) {
        // The old counts from the head read before the append, then the new bytes cut off (where
        // nothing was cut before them).
        if (countsWritten_) {
            // Written back where the counts' write may have changed them (it fails unwritten where the
            // readers did not let go in time).
            auto const size = static_cast<std::size_t>(countsWritten_->length);
            unsigned char const* const old = head_.data() + countsWritten_->offset;
            std::array<unsigned char, kSector> now{};
            bool const unchanged = readAll(file_, countsWritten_->offset, now.data(), size) == Read::Whole &&
                                   std::memcmp(now.data(), old, size) == 0;
            asBefore = unchanged || file_.writeAt(countsWritten_->offset, old, size);
            if (!unchanged && asBefore && syncingWrites()) file_.sync();
        }
        if (asBefore && oldLength_ <= appendEnd_) file_.resize(oldLength_);
    }
    if (journaled_) {
        // The journal is read back through its own opening, or opened again where it was let go.
        if (!keptBytes_) keptBytes_ = openNative(journal_, false);
        Journal const journal{oldLength_, kept_, keptAt_};
        if (file_ && keptBytes_ && applyJournal(journal, keptBytes_, file_)) removeHeldWorkCopy(keptBytes_, journal_);
    }
    keptBytes_ = NativeFile();
    file_ = NativeFile();
    hold_ = HeldForWriting();
}

WriteHold::WriteHold(std::string_view hostPath) {
    std::string native;
    std::optional<FileStamp> stamp;
    std::uint64_t const timeouts = lockTimeouts();
    file_ = openHostFile(hostPath, true, native, stamp, LockMode::Exclusive);
    if (!file_) {
        refused_ = !mayGoOnUnheld(timeouts);
        heldElsewhere_ = lockTimeouts() != timeouts;
        return;
    }
    FileIdentity const identity{stamp->device, stamp->file};
    if (heldForWritingHere(identity)) {
        file_ = NativeFile();
        return;
    }
    hold_ = HeldForWriting(identity, [this] { file_ = NativeFile(); });
    if (!recoverBeside(file_, native)) {
        refused_ = heldElsewhere_ = true;
        hold_ = HeldForWriting();
        file_ = NativeFile();
    }
}

bool interruptedChangeBeside(std::string const& targetNative) {
    // A journal its writer holds is a change that has not begun to write, while the file is read.
    return !eachJournalBeside(targetNative, false, [](NativeFile& journal, std::string const&) {
        return !journal.tryLock(LockMode::Shared);
    });
}

Recovery recoverInterruptedChange(std::string const& targetNative) {
    std::uint64_t const timeouts = lockTimeouts();
    NativeFile target = openNative(targetNative, true, nullptr, LockMode::Exclusive);
    if (!target) {
        if (lockTimeouts() != timeouts) return Recovery::TimedOut;
        // No write access here: the file is read as it stands unless a change left it torn.
        return tornByLeftChange(targetNative) ? Recovery::Torn : Recovery::Unneeded;
    }
    return recoverBeside(target, targetNative) ? Recovery::Done : Recovery::TimedOut;
}

void discardInterruptedChange(std::string const& targetNative) {
    // A journal whose writer still holds it is left to that writer.
    eachJournalBeside(targetNative, true, [](NativeFile& journal, std::string const& journalNative) {
        if (journal.tryLock(LockMode::Exclusive)) removeHeldWorkCopy(journal, journalNative);
        return true;
    });
}

}  // namespace yb::platform
