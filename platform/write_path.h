// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The one way files are written, for the library and the companions alike. Its rules:
//
// 1. Old or new, never a mixture. A file is replaced whole (FileReplacement: a new file beside it
//    under a unique name, renamed over it) or changed in place (FileChange: the bytes it will
//    overwrite and the old length go into a journal beside it, ".bak" or ".tmp", before the first byte
//    changes), or, for a format whose readers read nothing past what its header counts, appended to
//    past the counted bytes and taken in by one write of the counts within the first sector
//    (FileChange::appendCounted). Every write and close is checked (Output); on any failure the
//    target is as it was (but for bytes nothing counts) and what was made for the change is removed.
// 2. On the disk in order, unless syncing is off (syncingWrites): a journal before its file's first
//    byte changes, the changed file before its journal goes, appended bytes before the counts that
//    take them in, a new file before its rename, its folder after. A batch (ReplacementBatch) syncs each new file, then
//    renames them all, then each folder once. Through a power cut the disk holds the old file or the new one.
// 3. Writers one at a time, served in turn; readers held back only while a file's own bytes change
//    (file_lock.h): a change in place bars readers from its first write into counted bytes to its
//    end, a replacement never. Waits are queued and end at one limit for the whole opening (hbGetLockTimeout); a writer
//    that runs out refuses the change (refused()).
// 4. A writer works only on the file at its path: an opening follows a file replaced while it waited,
//    and a replacement holds its new file before the rename, so a waiter finds the new file held and
//    queues for it. Nothing of the old file is merged after it left its path.
// 5. A journal no live writer holds is rolled back, under the write lock, before the file is read or
//    changed, and only onto the file it was written for (file number, old length, two samples);
//    one never completed, or written for another file, is dropped. A reader that cannot write reads
//    the file only where the change left it untouched, and otherwise fails with a message.
// 6. A change in place skips that look only where another change would have shown: the file is as
//    this process's last change left it, and its stamp is finer than the clock tick on a local file
//    system, or the kernel has reported no change since (change_watch.h). A lookup of many files
//    skips it where the folder's index holds no work copy (FoundFile::mayBeUnfinished).
// 7. Case-insensitive names are looked up through an index of the folder (folder_index.h), checked
//    before each use against the folder as it stands and this process's count of its changes, and
//    updated by the library's own changes.
// 8. What outlives a call (a walk of a file's sections, that its last change was this process's) is
//    kept under the file's stamp and trusted only as rule 6 allows; folder indexes die with the call;
//    a read never writes.
#pragma once

#include "change_watch.h"
#include "checksum.h"
#include "fs.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace yb::platform {

// Buffered output into a native file from a given offset on. The first failure is remembered: later
// writes do nothing and flush() answers false.
class Output {
public:
    explicit Output(NativeFile& file, std::uint64_t start = 0);
    Output(Output const&) = delete;
    Output& operator=(Output const&) = delete;

    // Small writes go straight into the buffer while it has room.
    void write(void const* data, std::size_t size) {
        if (ok_ && !hashing_ && size != 0 && size <= room_ - filled_) {
            std::memcpy(buffer_.get() + filled_, data, size);
            filled_ += size;
            return;
        }
        writeFurther(data, size);
    }
    template <class T>
    void writeValue(T const& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        write(&value, sizeof value);
    }
    template <class T>
    void writeRecords(T const* records, std::size_t count) {
        static_assert(std::is_trivially_copyable_v<T>);
        if (count > 0) write(records, count * sizeof(T));
    }
    void writeI32(std::int32_t value) { writeValue(value); }
    // The magic's characters, without a terminator.
    void writeMagic(std::string_view magic) { write(magic.data(), magic.size()); }
    // `text` in a field of `width` bytes, zero bytes after it (cut on a character boundary).
    void writeText(std::string_view text, std::size_t width);
    void writeZeros(std::uint64_t count);
    // Copies `length` bytes of `source` from `offset` on, in large blocks; a source that ends before
    // them is a failure.
    void copyFrom(NativeFile& source, std::uint64_t offset, std::uint64_t length);

    // Writes `size` bytes over bytes written before, from file offset `offset` on: a count that is
    // known only once what it counts is written. Not for an output whose checksum is being taken.
    void overwrite(std::uint64_t offset, void const* data, std::size_t size);
    // Room for the next `size` bytes in the buffer at once (up to its most), for an output that knows
    // how much it will write: one allocation where the buffer would otherwise double its way there.
    void expect(std::size_t size);
    // Hands what is buffered to the file; false when any write so far failed.
    bool flush();
    bool ok() const { return ok_; }
    // Offset in the file where the next byte goes.
    std::uint64_t position() const { return next_ + filled_; }

    // A running checksum (64-bit FNV-1a) of the bytes written from now on.
    void startChecksum();
    std::uint64_t checksum() const { return checksum_.value(); }

private:
    static constexpr std::size_t kBufferSize = std::size_t{256} << 10;
    void writeFurther(void const* data, std::size_t size);
    void grow(std::size_t room);

    NativeFile& file_;
    std::uint64_t next_;                       // file offset of the buffer's first byte
    std::unique_ptr<unsigned char[]> buffer_;  // grown as writes come, up to kBufferSize
    std::size_t room_ = 0;
    std::size_t filled_ = 0;
    bool ok_ = true;
    bool hashing_ = false;
    Fnv1a checksum_;
};

// A whole new content for a file, written beside it and put in its place in one step.
class FileReplacement {
public:
    explicit FileReplacement(std::string_view hostPath);
    // The same for a file that findFiles found, with no look of its own at the file's place.
    explicit FileReplacement(FoundFile const& found);
    FileReplacement(FileReplacement const&) = delete;
    FileReplacement& operator=(FileReplacement const&) = delete;
    ~FileReplacement();  // removes the new file unless it was installed

    // False when the new file could not be created (no such directory, no room, a bad path), or when
    // another process held the file past the wait limit.
    bool opened() const { return output_.has_value(); }
    // Another process held the file past the wait limit.
    bool refused() const { return refused_; }
    Output& out() { return *output_; }
    // The new file's native path, for a writer that writes it by name (a database library); nothing
    // is written through out() then.
    std::string const& created() const { return created_; }
    // Writes out what is buffered and closes the new file; false when any of it could not be kept.
    bool finish();
    // Puts the finished file in the target's place.
    bool install();
    bool commit() { return finish() && install(); }

private:
    bool hold(bool mayBeUnfinished);
    void create(bool targetMayExist);

    std::string target_;
    std::string created_;
    NativeFile held_;  // the old file, locked for writing
    std::optional<FileIdentity> heldIdentity_;
    std::optional<std::uint32_t> heldPermissions_;  // of the old file, for the new one
    HeldForWriting hold_;
    NativeFile file_;
    std::optional<Output> output_;
    bool refused_ = false;
    bool finished_ = false;
    bool installed_ = false;
    bool syncing_ = false;
    bool batched_ = false;  // finished unsynced, for a batch to sync
};

// Whole-file replacements put in place together, for a workflow that writes a file per image. While
// one lives on this thread, its renames reach the folder indexes at its end, once a folder
// (openRenameBatch in fs.h), a finished replacement's install() hands the new file to it, still open,
// and commit() has each new file on the disk (each was handed to the disk when it was finished, and
// is waited for through its opening, one data sync a file whose failure is reported on every kernel;
// the batch waits for a file once kOpenAhead later ones were handed over, so few stay open), renames
// each into place and syncs each folder once, so each file is still old or new through a power cut. A batch ended
// without a commit removes the new files it holds, their targets as they were. Where syncing is off, or on Windows,
// replacements go in place one by one, as outside a batch.
//
// A replacement in a batch lets go of its hold on the old file when it ends, long before the batch
// renames the new one over it. That is safe only for what the batch's one caller, detach, writes: the
// new content of each per-image file comes from the block's tie point file, never from the old
// per-image file, so a change another program makes to the old file in between is overwritten as it
// would be by a detach that came after it, never merged into a stale copy. A workflow whose new
// content depends on the old file must not use a batch.
class ReplacementBatch {
public:
    ReplacementBatch();
    ReplacementBatch(ReplacementBatch const&) = delete;
    ReplacementBatch& operator=(ReplacementBatch const&) = delete;
    ~ReplacementBatch();

    // Puts the held files in place, in the order they came; false when one could not be: those before
    // it are in place (placed() of them), it and the rest are removed. Replacements after the commit
    // go in place one by one.
    bool commit();
    std::size_t placed() const { return placed_; }

private:
    struct Held {
        std::string created;
        std::string target;
        NativeFile file;  // the new file's opening, until it is synced
    };
    // Files handed to the disk and not yet waited for, at most.
    static constexpr std::size_t kOpenAhead = 64;
    void hand(Held&& file);

    ReplacementBatch* outer_ = nullptr;
    std::vector<Held> held_;
    std::size_t placed_ = 0;
    bool unsynced_ = false;  // a file could not be synced
    friend class FileReplacement;
};

// Replaces the file at `hostPath` by what `write` puts out; `write` answers false to give up. True
// when the new file is in place.
bool replaceFile(std::string_view hostPath, std::function<bool(Output&)> const& write);
bool replaceFile(FoundFile const& found, std::function<bool(Output&)> const& write);

// The work copy names of the formats: a journal is a file's path with one of these appended.
enum class WorkCopyName { Bak, Tmp };

struct ByteRange {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// A change in place of an existing file, rolled back unless committed.
//
// Opening it rolls back a change of the file that a killed process left unfinished, unless the file
// is as this process's own last committed change of it left it (the same FileStamp) and that stamp
// was finer than the clock tick (NativeFile::laterChangesMoveStamp), or the system has reported no
// change of the file since (a change mark): any change begun since, by anyone, would have shown.
// Otherwise it looks.
class FileChange {
public:
    FileChange(std::string_view hostPath, WorkCopyName workCopy);
    FileChange(FileChange const&) = delete;
    FileChange& operator=(FileChange const&) = delete;
    ~FileChange();

    // False when the file does not exist or cannot be opened for writing, or when another process held
    // it (or a journal beside it) past the wait limit.
    bool opened() const { return static_cast<bool>(file_); }
    // Another process held the file past the wait limit.
    bool refused() const { return refused_; }
    std::uint64_t oldLength() const { return oldLength_; }
    // The file's stamp when it was opened (after any roll back).
    std::optional<FileStamp> openedStamp() const { return opened_; }
    // Reads `size` bytes at `offset` as the file now stands; false when they are not all there.
    bool read(std::uint64_t offset, void* data, std::size_t size);
    // Keeps the bytes of `ranges` (cut to the old length) and the old length in the journal. Called
    // once, before anything is written; false when the journal could not be written whole, and the
    // file is then untouched. Writes, moves and resizes that would change any other byte of the old
    // length are refused.
    bool keep(std::vector<ByteRange> ranges);
    bool write(std::uint64_t offset, void const* data, std::size_t size);
    // Writes the kept bytes that stood from `oldOffset` to the end of their range at `newOffset`.
    bool moveKept(std::uint64_t oldOffset, std::uint64_t newOffset);
    bool resize(std::uint64_t length);
    // In place of keep() and the writes, an append with no journal, for a format whose readers read
    // nothing past what its header counts: `size` bytes go at `end`, where the counted content ends
    // (what lies from there on, left by an append cut short, is no content and is cut), reach the
    // disk, and only then the header's new counts (`countsSize` bytes at `countsAt`, within the
    // file's first sector, which a disk writes whole or not at all) are written, readers barred. Until
    // that one write readers go on, and a crash leaves the old counts, which reach none of the new
    // bytes. Called once; false: nothing counts the new bytes.
    bool appendCounted(std::uint64_t end, void const* data, std::size_t size, std::uint64_t countsAt,
                       void const* counts, std::size_t countsSize);
    // Closes the file and drops the journal. False: the change failed and the file is as it was (or,
    // when even that could not be written, the journal stays for the next open to roll it back).
    bool commit();
    // The stamp a committed change left the file with (nothing before the commit, or when the system
    // could not tell it).
    std::optional<FileStamp> stampLeft() const { return stampLeft_; }
    // Whether any later change of the file is bound to move the stamp the change left
    // (NativeFile::laterChangesMoveStamp, asked at the commit).
    bool laterChangesMoveStampLeft() const { return stampTells_; }
    // A mark of the state a committed change left, where the stamp is no finer than the clock tick and
    // the system reports the file's changes; nothing otherwise.
    std::optional<ChangeMark> markLeft() const { return markLeft_; }
    // The file's native path.
    std::string const& native() const { return target_; }

private:
    bool mayChange(std::uint64_t offset, std::uint64_t size) const;
    // Puts the file back as it was, as far as the disk lets it (an append's old counts may not go back).
    void rollBack();
    std::size_t headSize() const;
    bool readHead();

    std::string target_;
    std::string journal_;
    NativeFile file_;  // locked for writing from the opening to the end
    HeldForWriting hold_;
    NativeFile keptBytes_;  // the journal, open (and locked) for reading back what it keeps
    std::uint64_t oldLength_ = 0;
    std::vector<ByteRange> kept_;
    std::vector<std::uint64_t> keptAt_;  // where each range's bytes start in the journal
    std::optional<FileStamp> opened_;
    std::optional<FileStamp> stampLeft_;
    std::optional<ChangeMark> markLeft_;
    // The file's first bytes as opened, read once: the header a change reads first, and the sample that
    // ties the journal to the file.
    std::vector<unsigned char> head_;
    bool headRead_ = false;
    bool stampTells_ = false;
    bool refused_ = false;
    bool journaled_ = false;
    bool done_ = false;
    // An append committed by its counts (appendCounted): where the new bytes end, and the counts'
    // place once they may have been written.
    bool appended_ = false;
    std::uint64_t appendEnd_ = 0;
    std::optional<ByteRange> countsWritten_;
};

// Holds an existing file for writing for a scope, for a change made of reads and then a write (a
// merge, an append placed after a count read first, a rewrite that copies the old file): no other
// process changes the file in between, nor reads it while it is changed. FileChange, FileReplacement
// and reads of the file on this thread within the scope go on under the hold. Nothing is held for a
// file that is not there, or that cannot be opened for writing.
class WriteHold {
public:
    explicit WriteHold(std::string_view hostPath);
    WriteHold(WriteHold const&) = delete;
    WriteHold& operator=(WriteHold const&) = delete;

    // Another process held the file past the wait limit (or the file could not be opened to be held,
    // for an I/O error): the change must not go on.
    bool refused() const { return refused_; }
    // Refused for the first reason.
    bool heldElsewhere() const { return heldElsewhere_; }

private:
    NativeFile file_;
    HeldForWriting hold_;
    bool refused_ = false;
    bool heldElsewhere_ = false;
};

// Whether a journal that no live writer holds lies beside the file: a change that a killed process
// left, or that another opening is settling. (Asked by a reader that holds the file's read lock: a
// live writer's journal is then one of a change that has not yet written into the file.)
bool interruptedChangeBeside(std::string const& targetNative);
enum class Recovery {
    Done,      // the file is as the interrupted change found it, or was never touched by it
    TimedOut,  // another program held the file past the wait limit
    Unneeded,  // no write access here, and the file is as the change found it (or not the journal's)
    Torn,      // no write access here, and the file holds an unfinished change that only one can undo
};
// Takes the file's writing lock (waiting up to the limit) and rolls back a change in place that a
// killed process left unfinished (a complete journal beside the file, written for it), and drops a
// journal that was never completed or was written for a file since put in this one's place. Files
// that are not journals are left alone. Where the file cannot be opened for writing, only looks.
Recovery recoverInterruptedChange(std::string const& targetNative);
// Drops the journals of a file that was removed, but for one its writer still holds.
void discardInterruptedChange(std::string const& targetNative);

}  // namespace yb::platform
