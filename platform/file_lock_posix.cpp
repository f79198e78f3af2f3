// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// File locks on Linux: open file description locks on one byte (file_lock.h). They belong to the
// opening, not to the process, so the library's own openings of one file conflict as other processes'
// do, and closing another opening of the file in the process keeps them. NFS takes them to the
// server's lock manager; a file system that keeps none answers that the lock failed.
#include "file_lock.h"

#include <fcntl.h>

#include <cerrno>

namespace yb::platform::backend {
namespace {

// Far beyond the content of any file, within what every file system takes as an offset.
constexpr off_t kLockByte = off_t{1} << 62;

}  // namespace

TryLock tryLock(std::intptr_t handle, LockMode mode) {
    struct flock lock {};
    lock.l_type = mode == LockMode::Shared ? F_RDLCK : F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kLockByte;
    lock.l_len = 1;
    for (;;) {
        if (::fcntl(static_cast<int>(handle), F_OFD_SETLK, &lock) == 0) return TryLock::Held;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EACCES ? TryLock::Busy : TryLock::Failed;
    }
}

// Closing the opening gives the lock back.
void unlock(std::intptr_t) {}

}  // namespace yb::platform::backend
