// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// File locks on Windows: LockFileEx on one byte (file_lock.h). A lock belongs to the opening (the file
// object) that took it, whichever of its handles took it; it is given back before the handle closes,
// since the system frees a closed opening's locks only in its own time.
#include "file_lock.h"

#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace yb::platform::backend {
namespace {

// Far beyond the content of any file: the locks are mandatory here, and no read or write goes there.
constexpr std::uint64_t kFirstLockByte = std::uint64_t{1} << 62;
constexpr DWORD kLockBytes = 4;

OVERLAPPED at(LockByte byte) {
    std::uint64_t const offset = kFirstLockByte + static_cast<std::uint64_t>(byte);
    OVERLAPPED place{};
    place.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    place.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return place;
}

DWORD flagsFor(LockMode mode) { return mode == LockMode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0; }

TryLock tryOnce(HANDLE handle, LockByte byte, LockMode mode) {
    OVERLAPPED place = at(byte);
    if (::LockFileEx(handle, LOCKFILE_FAIL_IMMEDIATELY | flagsFor(mode), 0, 1, 0, &place)) return TryLock::Held;
    DWORD const error = ::GetLastError();
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? TryLock::Busy : TryLock::Failed;
}

void unlockByte(HANDLE handle, LockByte byte) {
    OVERLAPPED place = at(byte);
    ::UnlockFileEx(handle, 0, 1, 0, &place);
}

// Where no wait in the queue can be made: the lock is tried again after pauses that grow, short at
// first since changes take milliseconds.
TryLock poll(HANDLE handle, LockByte byte, LockMode mode, LockClock::time_point deadline) {
    TryLock tried = tryOnce(handle, byte, mode);
    auto pause = std::chrono::microseconds(200);
    while (tried == TryLock::Busy) {
        auto const now = LockClock::now();
        if (now >= deadline) break;
        std::this_thread::sleep_for(std::min<LockClock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::microseconds(20'000));
        tried = tryOnce(handle, byte, mode);
    }
    return tried;
}

// A wait in the system's queue. LockFileEx without LOCKFILE_FAIL_IMMEDIATELY waits until the lock
// comes, with no time limit, so a thread of its own makes the call, on a duplicate of the handle (the
// same opening, so the lock it gets is the opening's), while the caller waits up to its limit. When
// the limit runs out the caller cancels the call (CancelSynchronousIo); where the system cannot
// cancel such a wait (Wine), the wait goes on in its thread, the duplicate open, and the thread gives
// the lock back at once should it come. The caller does no I/O through the opening while the call
// lasts: the system serialises the I/O of an opening made for plain (not overlapped) I/O. (An
// overlapped opening of its own would own the lock in the file's place, and Wine never ends an
// overlapped lock wait.)
enum class Stage { Starting, Waiting, Answered };

struct Waiter {
    std::mutex mutex;
    std::condition_variable done;
    Stage stage = Stage::Starting;
    bool givenUp = false;
    TryLock outcome = TryLock::Failed;
    HANDLE thread = nullptr;  // the waiting thread, for CancelSynchronousIo
    ~Waiter() {
        if (thread != nullptr) ::CloseHandle(thread);
    }
};

void waitInQueue(std::shared_ptr<Waiter> const& waiter, HANDLE duplicate, LockByte byte, LockMode mode) {
    {
        std::lock_guard const guard(waiter->mutex);
        if (waiter->givenUp) {
            ::CloseHandle(duplicate);
            return;
        }
        waiter->thread = ::OpenThread(THREAD_TERMINATE, FALSE, ::GetCurrentThreadId());
        waiter->stage = Stage::Waiting;
    }
    OVERLAPPED place = at(byte);
    bool const got = ::LockFileEx(duplicate, flagsFor(mode), 0, 1, 0, &place) != 0;
    std::lock_guard const guard(waiter->mutex);
    if (!waiter->givenUp) {
        waiter->outcome = got ? TryLock::Held : TryLock::Failed;
    } else if (got) {
        unlockByte(duplicate, byte);
    }
    // Closed before the answer, so that no opening of the file outlives a wait that ended (one would
    // bar a rename over the file where renames with POSIX semantics are refused); the lock stays with
    // the caller's handle.
    ::CloseHandle(duplicate);
    waiter->stage = Stage::Answered;
    waiter->done.notify_all();
}

// Busy at the limit; Failed where the system refuses to wait (the caller polls then).
TryLock waitForTurn(HANDLE handle, LockByte byte, LockMode mode, LockClock::time_point deadline) {
    HANDLE const process = ::GetCurrentProcess();
    HANDLE duplicate = nullptr;
    if (!::DuplicateHandle(process, handle, process, &duplicate, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return TryLock::Failed;
    auto waiter = std::make_shared<Waiter>();
    try {
        std::thread(waitInQueue, waiter, duplicate, byte, mode).detach();
    } catch (std::system_error const&) {
        ::CloseHandle(duplicate);
        return TryLock::Failed;
    }
    std::unique_lock hold(waiter->mutex);
    if (waiter->done.wait_until(hold, deadline, [&] { return waiter->stage == Stage::Answered; }))
        return waiter->outcome;
    waiter->givenUp = true;
    // A call just made may not be in the queue yet, where a cancel finds nothing: it is asked again
    // for a moment.
    for (int attempt = 0; attempt < 50 && waiter->stage == Stage::Waiting && waiter->thread != nullptr; ++attempt) {
        ::CancelSynchronousIo(waiter->thread);
        waiter->done.wait_for(hold, std::chrono::milliseconds(1), [&] { return waiter->stage == Stage::Answered; });
    }
    return TryLock::Busy;
}

}  // namespace

TryLock lock(std::intptr_t handle, LockByte byte, LockMode mode, LockClock::time_point deadline) {
    HANDLE const file = reinterpret_cast<HANDLE>(handle);
    TryLock const tried = tryOnce(file, byte, mode);
    if (tried != TryLock::Busy || LockClock::now() >= deadline) return tried;
    TryLock const waited = waitForTurn(file, byte, mode, deadline);
    return waited == TryLock::Failed ? poll(file, byte, mode, deadline) : waited;
}

// A region is given back only whole here, so the bytes are always taken one by one.
TryLock tryPair(std::intptr_t, LockByte, LockMode) { return TryLock::Busy; }

void unlock(std::intptr_t handle, LockByte byte) { unlockByte(reinterpret_cast<HANDLE>(handle), byte); }

void unlockAll(std::intptr_t handle) {
    for (DWORD byte = 0; byte < kLockBytes; ++byte) unlock(handle, static_cast<LockByte>(byte));
}

}  // namespace yb::platform::backend
