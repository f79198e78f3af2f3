// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Locks that keep the processes sharing a block from meeting half of one another's changes: a ladder
// in which writers exclude each other for the whole of a change, and readers are held back only while
// a file's own bytes change.
//
// A file's locks are four bytes far beyond any data (file_lock_posix.cpp, file_lock_windows.cpp):
// - write: held exclusively by a writer for the whole of its change, whether it replaces the file or
//   changes it in place. To get it, a writer first takes the turn byte, which it gives back once it
//   has the write byte: a writer that waits holds the turn, so the one that just let go cannot take the
//   file again before it (writers are served in turn).
// - read: held shared by a reader while it reads, and exclusively by a change in place from its first
//   write into the file to its end (barReaders). A replacement never takes it: readers read the old
//   file until the rename and the new one after it.
// - pending: taken shared by a reader for a moment on its way to the read byte, and held exclusively by
//   a change in place while it waits for the readers it must see out: readers that come meanwhile wait
//   behind it, rather than keeping it waiting for ever.
// On Linux these are open file description locks, on Windows LockFileEx locks: both belong to one
// opening of the file, so two openings conflict even within one process, and both die with the
// process that held them, so a killed writer leaves nothing to clean by hand. The bytes lie where no
// read or write of the file's content ever goes, so the mandatory locks of Windows and of SMB servers
// bar no one from the content itself.
//
// A lock not had at once is waited for in the system's own queue, so that the waiter is woken as the
// holder lets go (a blocking lock call made by a helper thread, given up at the limit), until the wait
// limit of HostBase (hbGetLockTimeout: 10 s unless set, 0 for no wait) runs out. Where the system
// refuses the blocking call, Windows tries again after growing pauses. One limit covers the whole of an
// opening's wait, however many files it goes through.
//
// A thread that holds a file for writing (HeldForWriting) opens it again freely within the hold: its
// own openings neither wait for it nor take a lock of their own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace yb::platform {

enum class LockMode { Shared, Exclusive };
// The bytes a file's locks are taken on, one after the other.
enum class LockByte { Turn, Write, Pending, Read };
enum class LockOutcome {
    Held,      // the lock is held (or this thread holds the file for writing already)
    TimedOut,  // another opening held it longer than the wait limit
    Failed,    // the system keeps no such locks here (a file system without them, a read-only opening)
};

using LockClock = std::chrono::steady_clock;
// When a wait for a lock begun now runs out (HostBase's limit).
LockClock::time_point lockDeadline();

namespace backend {
enum class TryLock { Held, Busy, Failed };
// Takes a lock byte of an open native handle (a descriptor on Linux, a HANDLE on Windows), waiting
// until `deadline` at most (no wait when it has passed): Busy when another opening held it throughout.
TryLock lock(std::intptr_t handle, LockByte byte, LockMode mode, LockClock::time_point deadline);
// One try at `first` and the byte after it together, without a wait: Held when both were had (one
// system call where the system locks ranges); otherwise nothing is held.
TryLock tryPair(std::intptr_t handle, LockByte first, LockMode mode);
// Gives a lock byte back, or every one (Windows frees a closed handle's locks only in its own time;
// on Linux a waiting helper may keep the opening alive past its close).
void unlock(std::intptr_t handle, LockByte byte);
void unlockAll(std::intptr_t handle);
// Whether closing an opening gives its locks back at once. On Linux it does when the closed
// descriptor was the opening's last: a wait given up (its helper's descriptor still open) is the one
// exception, and an opening that gave one up gives its locks back before it closes.
#ifdef _WIN32
inline constexpr bool kCloseGivesLocksBack = false;
#else
inline constexpr bool kCloseGivesLocksBack = true;
#endif
}  // namespace backend

// Takes the lock of an open handle for reading (Shared) or writing (Exclusive), waiting until
// `deadline`; a wait that runs out is counted for this thread (lockTimeouts) with `native`, the file's
// path, for messages.
LockOutcome waitForLock(std::intptr_t handle, LockMode mode, std::string const& native, LockClock::time_point deadline);
// The same lock when it is had at once, no other opening holding or waiting for it: true then, as
// waitForLock would answer Held; false, with nothing held, otherwise. It asks nothing of the clock or of
// the wait limit: an opening works out its limit only once it must wait.
bool lockAtOnce(std::intptr_t handle, LockMode mode);
// Counts a wait that ran out, as waitForLock does.
LockOutcome lockTimedOut(std::string const& native);
// Holds readers back from a file whose writer is about to change its bytes: waits for those reading it
// to finish, and keeps new ones waiting until admitReaders (or the opening's close).
LockOutcome barReaders(std::intptr_t handle, std::string const& native, LockClock::time_point deadline);
void admitReaders(std::intptr_t handle);

// The lock waits that ran out on this thread so far, and the file of the last one: a caller that must
// tell "another program is changing the file" from other failures compares the count before and
// after its work.
std::uint64_t lockTimeouts();
std::string const& lastLockTimeoutFile();

// Which file an opening is: device (or volume) and file number.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    bool operator==(FileIdentity const&) const = default;
};

// While one lives, this thread holds the file for writing: its own further openings of the file skip
// the lock (they would otherwise wait for the thread itself). `letGo` closes the opening that holds
// it, once a replacement has put another file in its place (passHolds).
class HeldForWriting {
public:
    HeldForWriting() = default;
    explicit HeldForWriting(FileIdentity identity, std::function<void()> letGo = {});
    HeldForWriting(HeldForWriting&& other) noexcept;
    HeldForWriting& operator=(HeldForWriting&& other) noexcept;
    HeldForWriting(HeldForWriting const&) = delete;
    HeldForWriting& operator=(HeldForWriting const&) = delete;
    ~HeldForWriting();

private:
    void release();
    std::optional<FileIdentity> identity_;
    std::uint64_t serial_ = 0;
};

// Whether this thread holds any file for writing (no look at a file is needed when not), and whether
// it holds this one.
bool holdingFilesForWriting();
bool heldForWritingHere(FileIdentity const& identity);
// Passes this thread's holds of a file that a replacement has just put another in the place of to the
// new one (`to`): the openings that held the old file are closed, so that writers waiting for it go
// on to the new one, where they wait their turn behind this thread; `keep`, the opening that holds
// the new one, lives until the outermost of those holds ends. False when the thread held no such file
// (`keep` is then let go at once).
bool passHolds(FileIdentity const& from, FileIdentity const& to, std::shared_ptr<void> keep);
// Closes this thread's openings that hold the file (their holds stay, so the thread's own openings go
// on without a lock until they end), for a system that renames no file over an open one.
void letGoHeldOpenings(FileIdentity const& identity);

}  // namespace yb::platform
