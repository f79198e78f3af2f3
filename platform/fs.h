// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// File system access by host path (GBK text, '\' or '/' separators, an optional drive letter).
//
// On Linux a host path is mapped to a native one: a drive letter goes to the directory HostBase maps it
// to; '\' and '/' both separate; GBK names become UTF-8; "." and empty components are dropped and ".."
// goes up one level but never above the drive's root; each component is matched case-insensitively
// against what exists (exact spelling first). A path without a drive letter is taken relative to the
// current directory (or as an absolute native path when it starts with a separator). On Windows a host
// path is the native path itself: GBK becomes UTF-16 through code page 936 and goes to the wide API,
// and drives, "..", case and relative paths are the system's own. Native paths are passed around as
// UTF-8 text on both systems. A path that cannot be mapped names no file: opening it fails, testing
// it answers false. (fs_posix.cpp and fs_windows.cpp are the two backends; fs.cpp is shared.)
//
// Every operation that can change or read a file asks HostBase's fault hook first, and counts a failure
// that is not "no such file" as an I/O error of the thread. Writing goes through write_path.h; this
// header offers reading streams and the few primitives the write path is built from (open, create,
// write, read, resize, sync, close, rename over, remove).
#pragma once

#include "file_lock.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace yb::platform {

// The native path of a host path. With `forCreate`, the last component may be missing.
std::optional<std::string> nativePath(std::string_view hostPath, bool forCreate = false);

bool isRegularFile(std::string_view hostPath);
// A null path names no file.
inline bool isRegularFile(char const* hostPath) {
    return hostPath != nullptr && isRegularFile(std::string_view(hostPath));
}
bool isDirectory(std::string_view hostPath);
// Size in bytes of a regular file, or nullopt.
std::optional<std::uint64_t> fileSize(std::string_view hostPath);
// Last modification time in nanoseconds since the epoch, or nullopt when nothing is there.
std::optional<std::int64_t> modificationTime(std::string_view hostPath);
// Removes a file (and what an interrupted change of it left behind); false when it could not be removed.
bool removeFile(std::string_view hostPath);

// The span of one call of the library: one export, with the block workflow it runs. What lookups learn
// of folders on the way (Linux: the index of a folder's names that finds a name in any letter case)
// is kept while the thread's outermost scope lives and dropped at its end, so the next call finds
// what other programs made meanwhile. Scopes nest (an inner one belongs to the outer call); each
// thread has its own. The span is shared by the suite's libraries through HostBase, so a library
// called inside another's call keeps what it learns for that outer call. Every exported function
// opens one (call_barrier.h); a lookup made outside any opens its own, so it keeps nothing beyond its
// operation.
class CallScope {
public:
    CallScope() noexcept;
    ~CallScope();
    CallScope(CallScope const&) = delete;
    CallScope& operator=(CallScope const&) = delete;
};

// What a lookup of many files at once learnt of one of them.
struct FoundFile {
    // Where the file is, as nativePath gives it, or where it would be made (as nativePath with
    // `forCreate`) when it is not there; nothing when its folder is not there or the path cannot be
    // mapped.
    std::optional<std::string> native;
    bool exists = false;  // something of that name is there (a file, or a folder: openFoundFile tells)
    // The work copy of a change left unfinished may lie beside it, so opening or replacing it looks
    // on disk first; false when the folder's index holds no such copy.
    bool mayBeUnfinished = true;
};
// Looks up many paths at once, each as nativePath would. Paths in one folder share one look at the
// folder, so a workflow over thousands of per-image files looks at their folder once rather than three
// times a file. Paths of one folder that differ in letter case only and are not there share the
// first one's place, as they name one file.
// A name the folder's index lacks is looked for on disk all the same, unless the lookup is for a
// removal: it is then not there, with no place, and a file of that name made after the folder was
// looked at is left in place, as if it had been made once the removal was over. A lookup that only
// tells which files are there (a report) takes the index's word too: a file made after the folder was
// looked at is one made after the report.
enum class LookFor { Use, Removal, Presence };
std::vector<FoundFile> findFiles(std::vector<std::string> const& hostPaths, LookFor purpose = LookFor::Use);
// Renames told to the folder indexes together: while a batch is open on this thread (ReplacementBatch
// of write_path.h opens one for its life), the library's renames of a file within its folder reach the
// folder's index when the outermost batch closes, once per folder, rather than one by one (a workflow
// that replaces a file per image). Each rename is counted as a change of its folder when it is made all
// the same.
void openRenameBatch();
void closeRenameBatch();
// Removes many files as removeFile does, each that is there; the number removed.
std::size_t removeFiles(std::vector<std::string> const& hostPaths);
std::size_t removeFoundFiles(std::vector<FoundFile> const& files);
bool makeDirectory(std::string_view hostPath);    // one level; true when it exists afterwards as a directory
bool removeDirectory(std::string_view hostPath);  // one empty level

struct DirectoryEntry {
    std::string name;  // GBK, as a host would see it
    bool isDirectory = false;
};
// Entries of one directory (without "." and ".."), sorted by name, or nullopt when it cannot be read.
std::optional<std::vector<DirectoryEntry>> listDirectory(std::string_view hostDir);

// Failures of file operations on this thread that were not "no such file": a caller that must tell an
// I/O error from damaged or missing content compares the tally before and after its work.
std::uint64_t ioErrorTally();

// Moves or tells the position of a stream in 64 bits, on every system (a long is 32 bits on Windows).
bool seekStream(std::FILE* stream, std::int64_t offset, int origin);
std::optional<std::int64_t> tellStream(std::FILE* stream);

// A new, empty folder or file in the system's temporary folder, its name starting with `stem`: its
// native path in UTF-8, or nullopt. For tools; the library makes no temporary names of this kind.
std::optional<std::string> makeTemporaryDirectory(std::string_view stem);
std::optional<std::string> makeTemporaryFile(std::string_view stem);

// What tells one state of a file from another: the file's identity, length and change times. A
// change by this process or another moves it, save one of the same length made within the clock tick
// that stamped the times (a few milliseconds where times are not finer).
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    // The write time and the change time (of content or attributes). Linux: nanoseconds since 1970;
    // Windows: 100 ns units since 1601.
    std::int64_t modified = 0;
    std::int64_t changed = 0;
    std::uint32_t permissions = 0;  // the mode's permission bits (Linux; 0 on Windows)
    bool operator==(FileStamp const&) const = default;
};
std::optional<FileStamp> stampOf(std::FILE* stream);

// Stamps as a kernel that stamps files from its clock tick gives them, whatever this one does: times
// cut down to the tick, and no stamp finer than it (NativeFile::laterChangesMoveStamp answers false). On while the
// environment variable YB_COARSE_STAMPS is set and not "0" (the benchmarks measure changes in place
// as on distribution kernels so), or while a test sets it; it changes nothing on Windows.
bool coarseStamps();
void setCoarseStamps(std::optional<bool> on);  // nothing: as the environment says

// Whether a stream goes to a terminal (a console window on Windows).
bool isTerminal(std::FILE* stream);

// A stdio stream for reading that closes itself (and gives back the lock it took).
class File {
public:
    File() = default;
    explicit File(std::FILE* stream) : stream_(stream) {}
    File(File&& other) noexcept
        : locked_(std::exchange(other.locked_, false)), buffer_(std::move(other.buffer_)), stream_(other.release()) {}
    File& operator=(File&& other) noexcept;
    File(File const&) = delete;
    File& operator=(File const&) = delete;
    ~File() { close(); }

    explicit operator bool() const { return stream_ != nullptr; }
    std::FILE* get() const { return stream_; }
    void close();

private:
    // Hands the stream to another File, which takes its buffer too.
    std::FILE* release();
    friend File openForReading(std::string const&, std::FILE*, bool);
    bool locked_ = false;
    std::unique_ptr<char[]> buffer_;  // the stream's buffer, when it was given one
    std::FILE* stream_ = nullptr;
};

// The reads refused on this thread so far because a change that a killed program left unfinished
// could not be undone here (no write access) and left the file torn, and the file of the last one.
std::uint64_t tornReads();
std::string const& lastTornRead();

// Opens a file for reading ("rb" or "r"); any other mode gives no stream, since every change of a file
// goes through the write path. Text ("r") is read as it is on every system, so positions are exact;
// readers accept both line ends. The stream holds the file's read lock shared while it is open: a
// change in place that has begun to write into the file is waited for (within the wait limit of
// file_lock.h; no stream when it runs out), and none writes into it until the stream closes, so a
// reader sees the file before or after every change, never within one. A replacement is not waited
// for: the old file is read until the new one takes its place. A change that a killed process left
// unfinished is rolled back first, under the writing lock; where this process may not write the file,
// no stream is given while that change leaves it torn (tornReads()), so nothing half changed is read.
File openFile(std::string_view hostPath, char const* mode);
// Opens a file that findFiles found for reading, as openFile(path, "rb") opens it; no stream for a
// folder.
File openFoundFile(FoundFile const& found);

// ---- primitives of the write path (write_path.h); every call is checked and hooked ----

// A native file handle without buffering.
class NativeFile {
public:
    NativeFile() = default;
    NativeFile(NativeFile&& other) noexcept;
    NativeFile& operator=(NativeFile&& other) noexcept;
    NativeFile(NativeFile const&) = delete;
    NativeFile& operator=(NativeFile const&) = delete;
    ~NativeFile();  // closes without looking at the result: call close() to know

    explicit operator bool() const { return handle_ != kNoHandle; }
    // Takes this opening's lock (file_lock.h), waiting until `deadline`. Where this thread holds the
    // file for writing already, nothing is taken and the answer is Held.
    LockOutcome lock(LockMode mode, std::string const& native, LockClock::time_point deadline);
    LockOutcome lock(LockMode mode, std::string const& native) { return lock(mode, native, lockDeadline()); }
    // The lock when it is had at once (lockAtOnce in file_lock.h); false, nothing held, when it must be
    // waited for, or when this thread holds the file already: lock() then.
    bool lockAtOnce(LockMode mode);
    // One try at this opening's lock, without a wait; false when another opening holds it (true also
    // where the system keeps no locks).
    bool tryLock(LockMode mode);
    // Holds readers of the file back from now until admitReaders or the close (file_lock.h), waiting up
    // to the limit for those reading it; Failed where the system keeps no locks.
    LockOutcome barReaders(std::string const& native);
    void admitReaders();
    // Bars readers (barReaders) once the first write or resize is under way, after the fault hook let
    // it go on; a write whose readers do not let go within the limit fails.
    void barReadersBeforeWriting(std::string const& native) { barBeforeWriting_ = native; }
    // Whether this opening took a lock of its own.
    bool ownsLock() const { return locked_; }
    std::optional<FileIdentity> identity() const;
    // True when `stamp`, taken just now of this file, is finer than the clock tick: the system then
    // stamps any later change of the file later, whatever its length and however soon it comes (Linux
    // stamps a change finely once the file's times were asked after the last one). False where that
    // cannot be told, and on a network share, whose server stamps changes from a clock that may run
    // ahead of this one's.
    bool laterChangesMoveStamp(FileStamp const& stamp) const;
    // Tells what closing would tell (written data the system could not keep, on a network file system)
    // while the file stays open, and locked; after a sync that nothing was written since, there is
    // nothing more to tell.
    bool reportWrites();
    // Writes all `size` bytes at `offset`; false on any error or short write.
    bool writeAt(std::uint64_t offset, void const* data, std::size_t size);
    // Reads up to `size` bytes at `offset`; `got` falls short of `size` only at the end of the file.
    bool readAt(std::uint64_t offset, void* data, std::size_t size, std::size_t& got);
    std::optional<std::uint64_t> length() const;
    std::optional<FileStamp> stamp() const;
    bool resize(std::uint64_t length);
    // Hands what was written to the disk, with what it takes to read it back (the length), and waits
    // for it to be there; false when the system reports it could not be kept.
    bool sync();
    // Starts handing what was written to the disk without waiting for it (a later sync waits less).
    void startWriteOut();
    // False when the system reports that written data could not be kept.
    bool close();

private:
    friend NativeFile openNative(std::string const&, bool, FileStamp*, std::optional<LockMode>);
    friend NativeFile createBeside(std::string const&, std::string&, bool, std::optional<std::uint32_t>);
    friend NativeFile createWorkCopy(std::string const&);
    void closeQuietly();
    bool readyToWrite();
    // A file descriptor on Linux, a HANDLE on Windows.
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t handle_ = kNoHandle;
    bool writable_ = false;
    bool locked_ = false;
    bool unlockBeforeClose_ = !backend::kCloseGivesLocksBack;  // a wait was given up
    bool synced_ = false;           // synced since its last write: closing has nothing left to tell
    std::string barBeforeWriting_;  // the file's path, while readers are to be barred at the first write
};

// An existing regular file, for reading or for reading and writing; its stamp at the opening goes to
// `stamp` when one is given. With `lock`, the opening takes the file's lock before its stamp is taken
// (NativeFile::lock); a file that another opening replaced (renamed a new file over) while this one
// waited is left, and the one now at the path opened and locked instead. No file when the wait ran
// out (lockTimeouts() tells).
NativeFile openNative(std::string const& native, bool forUpdate, FileStamp* stamp = nullptr,
                      std::optional<LockMode> lock = std::nullopt);
// An existing regular file by host path, opened as openNative opens it, with its native path and its
// stamp at the opening. The spelling asked is tried first by opening it, with no look beforehand.
NativeFile openHostFile(std::string_view hostPath, bool forUpdate, std::string& native, std::optional<FileStamp>& stamp,
                        std::optional<LockMode> lock = std::nullopt);
// A new file with a unique name in the directory of `targetNative`, named after it, with the target's
// permission bits when the target exists; its path goes to `created`. A caller that knows the target
// is not there says so with `targetMayExist`, and one that knows its permission bits (FileStamp) gives
// them: either spares the look at it.
NativeFile createBeside(std::string const& targetNative, std::string& created, bool targetMayExist = true,
                        std::optional<std::uint32_t> permissions = std::nullopt);
// The work copy of a change at `native`, made new and empty for reading and writing (what stood under
// the name is removed first, so a link there is never written through), and locked by its maker. Its
// folder's index learns of it only from its removal (removeNative), which a work copy always ends
// with: the pair is one change of the folder's names. On Windows no other opening may delete it while
// it is open.
NativeFile createWorkCopy(std::string const& native);
// Removes a work copy held open (and locked) by `file`, and closes it, in the order that keeps its
// lock for as long as the system allows: removed, then closed, on Linux; closed, then removed, on
// Windows, which removes no file open without leave to.
bool removeHeldWorkCopy(NativeFile& file, std::string const& native);
// Puts `fromNative` in the place of `toNative` in one step, replacing it.
bool renameOver(std::string const& fromNative, std::string const& toNative);
// renameOver while openings of the target stay open (this thread's holds, another program waiting for
// it), as Linux always renames, and Windows where the volume takes a rename with POSIX semantics (NTFS
// since Windows 10 1809): the openings go on with the old file, no longer at the path. Where the system
// refuses that, `letGo` closes this process's openings of the target first and the file is renamed as
// MoveFileEx does, which fails while another program holds the target open.
bool renameOverOpen(std::string const& fromNative, std::string const& toNative, std::function<void()> const& letGo);
bool removeNative(std::string const& native);
bool nativeFileExists(std::string const& native);
// Last modification time of what is at a native path, as modificationTime gives it for a host path.
std::optional<std::int64_t> nativeModificationTime(std::string const& native);
// The same for a regular file; nothing when what is there is not one (or nothing is).
std::optional<std::int64_t> regularFileModificationTime(std::string const& native);

// Whether the write path syncs (HostBase's setting, YB_SYNC): a journal reaches the disk before the
// file it keeps changes, a new file before it is renamed into place.
bool syncingWrites();
// Hands the names of the folder holding `native` to the disk: a file made, renamed or removed there
// before the call survives a power cut. Windows keeps a folder's names with its files' own flushes
// (its file system logs them), so there it syncs nothing.
bool syncFolderOf(std::string const& native);
#ifdef _WIN32
inline constexpr bool kBatchesReplacements = false;  // a batch of replacements goes one by one
#else
inline constexpr bool kBatchesReplacements = true;
#endif

}  // namespace yb::platform
