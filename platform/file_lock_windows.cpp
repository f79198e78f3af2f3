// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// File locks on Windows: LockFileEx on one byte (file_lock.h). A lock belongs to the handle that took
// it; it is given back before the handle closes, since the system frees a closed handle's locks only
// in its own time.
#include "file_lock.h"

#include <windows.h>

#include <algorithm>
#include <thread>

namespace yb::platform::backend {
namespace {

// Far beyond the content of any file: the locks are mandatory here, and no read or write goes there.
constexpr std::uint64_t kFirstLockByte = std::uint64_t{1} << 62;
constexpr DWORD kLockBytes = 4;

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED place{};
    place.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    place.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return place;
}

TryLock tryOnce(std::intptr_t handle, LockByte byte, LockMode mode) {
    OVERLAPPED place = at(kFirstLockByte + static_cast<std::uint64_t>(byte));
    DWORD const flags = LOCKFILE_FAIL_IMMEDIATELY | (mode == LockMode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (::LockFileEx(reinterpret_cast<HANDLE>(handle), flags, 0, 1, 0, &place)) return TryLock::Held;
    DWORD const error = ::GetLastError();
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? TryLock::Busy : TryLock::Failed;
}

}  // namespace

// A handle opened for plain (not overlapped) I/O has no lock wait with a time limit: the lock is tried
// again after pauses that grow, short at first since changes take milliseconds.
TryLock lock(std::intptr_t handle, LockByte byte, LockMode mode, LockClock::time_point deadline) {
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

// A region is given back only whole here, so the bytes are always taken one by one.
TryLock tryPair(std::intptr_t, LockByte, LockMode) { return TryLock::Busy; }

void unlock(std::intptr_t handle, LockByte byte) {
    OVERLAPPED place = at(kFirstLockByte + static_cast<std::uint64_t>(byte));
    ::UnlockFileEx(reinterpret_cast<HANDLE>(handle), 0, 1, 0, &place);
}

void unlockAll(std::intptr_t handle) {
    for (DWORD byte = 0; byte < kLockBytes; ++byte) unlock(handle, static_cast<LockByte>(byte));
}

}  // namespace yb::platform::backend
