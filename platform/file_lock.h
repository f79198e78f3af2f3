// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Locks that keep the processes sharing a block from meeting half of one another's changes.
//
// A file's lock is one byte far beyond any data (file_lock_posix.cpp, file_lock_windows.cpp): a writer
// holds it exclusively for the whole of its change, a reader holds it shared while it reads. On Linux
// it is an open file description lock, on Windows a LockFileEx lock: both belong to one opening of the
// file, so two openings conflict even within one process, and both die with the process that held
// them, so a killed writer leaves nothing to clean by hand. The byte lies where no read or write of
// the file's content ever goes, so the mandatory locks of Windows and of SMB servers bar no one from
// the content itself.
//
// A lock not had at once is tried again, with growing pauses, until the wait limit of HostBase
// (hbGetLockTimeout: 10 s unless set, 0 for no wait) runs out.
//
// A thread that holds a file for writing (HeldForWriting) opens it again freely within the hold: its
// own openings neither wait for it nor take a lock of their own.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace yb::platform {

enum class LockMode { Shared, Exclusive };
enum class LockOutcome {
    Held,      // the lock is held (or this thread holds the file for writing already)
    TimedOut,  // another opening held it longer than the wait limit
    Failed,    // the system keeps no such locks here (a file system without them, a read-only opening)
};

namespace backend {
enum class TryLock { Held, Busy, Failed };
// One try at the lock byte of an open native handle (a descriptor on Linux, a HANDLE on Windows).
TryLock tryLock(std::intptr_t handle, LockMode mode);
// Gives the lock byte back (Windows frees a closed handle's locks only in its own time).
void unlock(std::intptr_t handle);
}  // namespace backend

// Takes the lock of an open handle, waiting up to the limit; a wait that runs out is counted for this
// thread (lockTimeouts) with `native`, the file's path, for messages.
LockOutcome waitForLock(std::intptr_t handle, LockMode mode, std::string const& native);

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
// it, for a replacement on a system that renames no file over an open one (letGoHeldOpenings).
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
// Closes this thread's openings that hold the file (their holds stay, so the thread's own openings go
// on without a lock until they end).
void letGoHeldOpenings(FileIdentity const& identity);

}  // namespace yb::platform
