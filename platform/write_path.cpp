#include "write_path.h"

#include "hostpath.h"
#include "stamped_memo.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_set>
#include <utility>

namespace yb::platform {
namespace {

// The batch of replacements this thread now holds back, if any.
thread_local ReplacementBatch* currentBatch = nullptr;

constexpr std::size_t kBufferSize = std::size_t{256} << 10;
constexpr std::size_t kCopyBlockSize = std::size_t{1} << 20;

constexpr std::uint64_t kFnvOffset = 0xcbf29ce484222325ull;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ull;

// The journal of a change in place, beside the file:
//
//   offset   size     content
//   0        8        magic "YBJRNL01"
//   8        8        the file's old length
//   16       4        number r of kept ranges
//   20       4        zero
//   24       16 * r   each range: offset, length (64-bit)
//   24+16r   ...      the kept bytes of each range, in range order
//   end-8    8        FNV-1a (64-bit) of everything before it
//
// A journal is written at its place; one whose checksum does not match is taken for one that never
// became complete (the change writes nothing to the file before its journal is whole), so the file
// was never touched.
constexpr std::string_view kJournalMagic = "YBJRNL01";
constexpr std::uint64_t kJournalHeaderSize = 24;
constexpr std::uint64_t kJournalRangeSize = 16;
constexpr std::uint64_t kChecksumSize = 8;
constexpr std::array<std::string_view, 2> kWorkCopySuffixes = {".bak", ".tmp"};

// The files this process last changed in place, with the stamp each committed change left, where any
// later change is bound to move it.
StampedMemo<bool, 8>& changedHere() {
    static StampedMemo<bool, 8> files;
    return files;
}

std::string_view suffixOf(WorkCopyName name) { return name == WorkCopyName::Bak ? ".bak" : ".tmp"; }

struct Journal {
    std::uint64_t oldLength = 0;
    std::vector<ByteRange> ranges;
    std::vector<std::uint64_t> rangeAt;  // where each range's bytes start
};

enum class Read { Whole, CutShort, Failed };

Read readAll(NativeFile& file, std::uint64_t offset, void* data, std::size_t size) {
    std::size_t got = 0;
    if (!file.readAt(offset, data, size, got)) return Read::Failed;
    return got == size ? Read::Whole : Read::CutShort;
}

enum class JournalState { Complete, Incomplete, Unreadable };

// Reads and checks a journal: Incomplete when it was cut short before its checksum was written (or is
// not a journal), Unreadable when reading it failed.
JournalState readJournal(NativeFile& file, Journal& journal) {
    auto length = file.length();
    if (!length) return JournalState::Unreadable;
    if (*length < kJournalHeaderSize + kChecksumSize) return JournalState::Incomplete;
    auto check = [](Read read) { return read == Read::Failed ? JournalState::Unreadable : JournalState::Incomplete; };
    unsigned char header[kJournalHeaderSize];
    if (Read read = readAll(file, 0, header, sizeof header); read != Read::Whole) return check(read);
    if (std::memcmp(header, kJournalMagic.data(), kJournalMagic.size()) != 0) return JournalState::Incomplete;
    std::uint32_t count = 0;
    std::memcpy(&journal.oldLength, header + 8, 8);
    std::memcpy(&count, header + 16, 4);
    std::uint64_t const body = *length - kJournalHeaderSize - kChecksumSize;
    if (count > body / kJournalRangeSize) return JournalState::Incomplete;
    std::vector<std::uint64_t> table(std::size_t{count} * 2);
    if (count > 0) {
        if (Read read = readAll(file, kJournalHeaderSize, table.data(), table.size() * 8); read != Read::Whole)
            return check(read);
    }
    std::uint64_t at = kJournalHeaderSize + kJournalRangeSize * count;
    for (std::uint32_t i = 0; i < count; ++i) {
        ByteRange const range{table[2 * i], table[2 * i + 1]};
        if (range.length > *length || at > *length - range.length) return JournalState::Incomplete;
        journal.ranges.push_back(range);
        journal.rangeAt.push_back(at);
        at += range.length;
    }
    if (at + kChecksumSize != *length) return JournalState::Incomplete;
    // The checksum covers everything before it.
    std::uint64_t hash = kFnvOffset;
    std::vector<unsigned char> block(static_cast<std::size_t>(std::min<std::uint64_t>(at, kCopyBlockSize)));
    for (std::uint64_t offset = 0; offset < at;) {
        std::size_t const size = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), at - offset));
        if (Read read = readAll(file, offset, block.data(), size); read != Read::Whole) return check(read);
        for (std::size_t i = 0; i < size; ++i) hash = (hash ^ block[i]) * kFnvPrime;
        offset += size;
    }
    std::uint64_t stored = 0;
    if (Read read = readAll(file, at, &stored, sizeof stored); read != Read::Whole) return check(read);
    return stored == hash ? JournalState::Complete : JournalState::Incomplete;
}

// Whether a work copy is one of our journals, whole or cut short (a journal is written at its place,
// so one that a kill or a failure stopped early may hold any first part of its magic, or nothing);
// nothing when it cannot be read.
std::optional<bool> isJournal(std::string const& native) {
    NativeFile file = openNative(native, false);
    if (!file) return std::nullopt;
    char magic[kJournalMagic.size()] = {};
    std::size_t got = 0;
    if (!file.readAt(0, magic, sizeof magic, got)) return std::nullopt;
    return std::string_view(magic, got) == kJournalMagic.substr(0, got);
}

// Puts the kept bytes back and the old length, then drops the journal. When any step fails the
// journal stays, so the next open tries again.
void rollBackFrom(std::string const& journalNative, std::string const& targetNative) {
    NativeFile journalFile = openNative(journalNative, false);
    if (!journalFile) return;
    Journal journal;
    switch (readJournal(journalFile, journal)) {
        case JournalState::Unreadable: return;
        case JournalState::Incomplete:
            // Never completed, so the file was never touched.
            journalFile = NativeFile();
            removeNative(journalNative);
            return;
        case JournalState::Complete: break;
    }
    if (!nativeFileExists(targetNative)) {
        journalFile = NativeFile();
        removeNative(journalNative);
        return;
    }
    NativeFile target = openNative(targetNative, true);
    if (!target) return;
    bool ok = true;
    for (std::size_t i = 0; ok && i < journal.ranges.size(); ++i) {
        Output out(target, journal.ranges[i].offset);
        out.copyFrom(journalFile, journal.rangeAt[i], journal.ranges[i].length);
        ok = out.flush();
    }
    ok = ok && target.resize(journal.oldLength);
    // The file is on the disk as it was before the journal goes.
    ok = ok && (!syncingWrites() || target.sync());
    ok = target.close() && ok;
    journalFile = NativeFile();
    if (ok) removeNative(journalNative);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Output

Output::Output(NativeFile& file, std::uint64_t start) : file_(file), next_(start) {}

void Output::hash(void const* data, std::size_t size) {
    auto const* bytes = static_cast<unsigned char const*>(data);
    for (std::size_t i = 0; i < size; ++i) checksum_ = (checksum_ ^ bytes[i]) * kFnvPrime;
}

void Output::startChecksum() {
    hashing_ = true;
    checksum_ = kFnvOffset;
}

void Output::write(void const* data, std::size_t size) {
    if (!ok_ || size == 0) return;
    if (hashing_) hash(data, size);
    if (buffer_.size() + size > kBufferSize && !flush()) return;
    if (size >= kBufferSize) {
        ok_ = file_.writeAt(next_, data, size);
        next_ += size;
        return;
    }
    auto const* bytes = static_cast<unsigned char const*>(data);
    buffer_.insert(buffer_.end(), bytes, bytes + size);
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

bool Output::flush() {
    if (ok_ && !buffer_.empty()) ok_ = file_.writeAt(next_, buffer_.data(), buffer_.size());
    next_ += buffer_.size();
    buffer_.clear();
    return ok_;
}

// ---------------------------------------------------------------------------------------------
// Replacing a whole file

FileReplacement::FileReplacement(std::string_view hostPath) {
    auto native = nativePath(hostPath, true);
    if (!native) return;
    target_ = *native;
    // A change in place that a kill cut short is rolled back first: if this replacement fails, the
    // file is left as it was before that change.
    recoverInterruptedChange(target_);
    create(true);
}

FileReplacement::FileReplacement(FoundFile const& found) {
    if (!found.native) return;
    target_ = *found.native;
    if (found.mayBeUnfinished) recoverInterruptedChange(target_);
    create(found.exists);
}

void FileReplacement::create(bool targetMayExist) {
    file_ = createBeside(target_, created_, targetMayExist);
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
    batched_ = syncing_ && kSyncsFileSystemAtOnce && currentBatch != nullptr;
    bool const synced = written && (!syncing_ || batched_ || file_.sync());
    bool const closed = file_.close();
    finished_ = synced && closed;
    return finished_;
}

bool FileReplacement::install() {
    if (!finished_ || installed_) return installed_;
    if (batched_ && currentBatch != nullptr) {
        currentBatch->held_.push_back({std::exchange(created_, {}), target_});
        installed_ = true;
        return installed_;
    }
    if (batched_ && !syncFileSystemOf(created_)) return false;
    installed_ = renameOver(created_, target_);
    // The new name reaches the disk too. The file is in place whatever this answers: a folder that
    // cannot be synced fails no call that has already replaced the file.
    if (installed_ && syncing_) syncFolderOf(target_);
    return installed_;
}

// ---------------------------------------------------------------------------------------------
// Replacements put in place together

ReplacementBatch::ReplacementBatch() : outer_(currentBatch) { currentBatch = this; }

ReplacementBatch::~ReplacementBatch() {
    currentBatch = outer_;
    for (std::size_t i = placed_; i < held_.size(); ++i) removeNative(held_[i].created);
}

bool ReplacementBatch::commit() {
    if (currentBatch == this) currentBatch = outer_;
    if (held_.empty()) return true;
    // One sync puts every new file's content on the disk before any of them is renamed into place.
    if (!syncFileSystemOf(held_.front().created)) return false;
    for (; placed_ < held_.size(); ++placed_)
        if (!renameOver(held_[placed_].created, held_[placed_].target)) return false;
    // And their names, once a folder (as outside a batch, whatever this answers).
    std::unordered_set<std::string> folders;
    for (Held const& file : held_)
        if (folders.insert(file.target.substr(0, file.target.find_last_of("/\\") + 1)).second) syncFolderOf(file.target);
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
    file_ = openHostFile(hostPath, true, target_, stamp);
    if (!file_) return;
    journal_ = target_ + std::string(suffixOf(workCopy));
    if (!changedHere().take(target_, *stamp)) {
        recoverInterruptedChange(target_);
        stamp = file_.stamp();
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
    NativeFile journal = createWorkCopy(journal_);
    if (!journal) return false;
    Output out(journal);
    out.startChecksum();
    out.writeMagic(kJournalMagic);
    out.writeValue(oldLength_);
    out.writeValue(static_cast<std::uint32_t>(kept_.size()));
    out.writeValue(std::uint32_t{0});
    for (ByteRange const& range : kept_) {
        out.writeValue(range.offset);
        out.writeValue(range.length);
    }
    std::uint64_t at = kJournalHeaderSize + kJournalRangeSize * kept_.size();
    for (ByteRange const& range : kept_) {
        keptAt_.push_back(at);
        out.copyFrom(file_, range.offset, range.length);
        at += range.length;
    }
    std::uint64_t const checksum = out.checksum();
    out.writeValue(checksum);
    // The journal and its name are on the disk before the file changes.
    if (!out.flush() || (syncingWrites() && !(journal.sync() && syncFolderOf(journal_)))) {
        // Not whole, or not surely on the disk: never acted on, whatever of it was written goes.
        journal = NativeFile();
        removeNative(journal_);
        return false;
    }
    // From here on the journal is in place: rollBack() puts the file back from it.
    journaled_ = true;
    keptBytes_ = std::move(journal);
    return true;
}

bool FileChange::mayChange(std::uint64_t offset, std::uint64_t size) const {
    if (!journaled_ || !keptBytes_) return false;
    // Only bytes the journal can put back: those of one kept range, or beyond the old end.
    std::uint64_t const end = std::min(offset + size, oldLength_);
    if (offset >= end) return true;
    return std::any_of(kept_.begin(), kept_.end(), [&](ByteRange const& range) {
        return range.offset <= offset && end <= range.offset + range.length;
    });
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
    return (length >= oldLength_ || mayChange(length, oldLength_ - length)) && file_.resize(length);
}

bool FileChange::read(std::uint64_t offset, void* data, std::size_t size) {
    return file_ && readAll(file_, offset, data, size) == Read::Whole;
}

bool FileChange::commit() {
    if (done_ || !file_) return false;
    if (!journaled_ || !keptBytes_) {
        rollBack();
        return false;
    }
    std::optional<FileStamp> const stamp = file_.stamp();
    // The changed file is on the disk before its journal goes.
    bool const synced = !syncingWrites() || file_.sync();
    bool const closed = file_.close();
    keptBytes_ = NativeFile();
    if (!synced || !closed || !removeNative(journal_)) {
        rollBack();
        return false;
    }
    done_ = true;
    stampLeft_ = stamp;
    if (stamp && laterChangesMoveStamp(*stamp)) changedHere().put(target_, *stamp, true);
    return true;
}

void FileChange::rollBack() {
    done_ = true;
    file_ = NativeFile();
    keptBytes_ = NativeFile();
    if (journaled_) rollBackFrom(journal_, target_);
}

void recoverInterruptedChange(std::string const& targetNative) {
    for (std::string_view suffix : kWorkCopySuffixes) {
        std::string const journal = targetNative + std::string(suffix);
        if (nativeFileExists(journal) && isJournal(journal).value_or(false)) rollBackFrom(journal, targetNative);
    }
}

void discardInterruptedChange(std::string const& targetNative) {
    for (std::string_view suffix : kWorkCopySuffixes) {
        std::string const journal = targetNative + std::string(suffix);
        if (nativeFileExists(journal) && isJournal(journal).value_or(false)) removeNative(journal);
    }
}

}  // namespace yb::platform
