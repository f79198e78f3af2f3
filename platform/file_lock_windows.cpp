// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// File locks on Windows: LockFileEx on one byte (file_lock.h). A lock belongs to the handle that took
// it; it is given back before the handle closes, since the system frees a closed handle's locks only
// in its own time.
#include "file_lock.h"

#include <windows.h>

namespace yb::platform::backend {
namespace {

// Far beyond the content of any file: the lock is mandatory here, and no read or write goes there.
constexpr std::uint64_t kLockByte = std::uint64_t{1} << 62;

OVERLAPPED lockByte() {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(kLockByte & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(kLockByte >> 32);
    return at;
}

}  // namespace

TryLock tryLock(std::intptr_t handle, LockMode mode) {
    OVERLAPPED at = lockByte();
    DWORD const flags = LOCKFILE_FAIL_IMMEDIATELY | (mode == LockMode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (::LockFileEx(reinterpret_cast<HANDLE>(handle), flags, 0, 1, 0, &at)) return TryLock::Held;
    DWORD const error = ::GetLastError();
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? TryLock::Busy : TryLock::Failed;
}

void unlock(std::intptr_t handle) {
    OVERLAPPED at = lockByte();
    ::UnlockFileEx(reinterpret_cast<HANDLE>(handle), 0, 1, 0, &at);
}

}  // namespace yb::platform::backend
