// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// File locks on Linux: open file description locks on one byte (file_lock.h). They belong to the
// opening, not to the process, so the library's own openings of one file conflict as other processes'
// do, and closing another opening of the file in the process keeps them. NFS takes them to the
// server's lock manager; a file system that keeps none answers that the lock failed.
#include "file_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace yb::platform::backend {
namespace {

// Far beyond the content of any file, within what every file system takes as an offset.
constexpr off_t kFirstLockByte = off_t{1} << 62;
constexpr off_t kLockBytes = 4;

struct flock describe(off_t start, off_t length, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    return lock;
}

struct flock describe(LockByte byte, LockMode mode) {
    return describe(kFirstLockByte + static_cast<off_t>(byte), 1, mode == LockMode::Shared ? F_RDLCK : F_WRLCK);
}

TryLock tryOnce(int descriptor, struct flock lock) {
    for (;;) {
        if (::fcntl(descriptor, F_OFD_SETLK, &lock) == 0) return TryLock::Held;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EACCES ? TryLock::Busy : TryLock::Failed;
    }
}

// A wait in the kernel's queue, made by a thread of its own on a second descriptor of the opening (the
// lock is the opening's, whichever descriptor took it), so that the caller can stop waiting when its
// limit runs out: the system has no lock wait with a time limit. A wait given up goes on in its
// thread, which gives the lock back at once should it come.
struct Waiter {
    std::mutex mutex;
    std::condition_variable done;
    bool answered = false;
    bool givenUp = false;
    TryLock outcome = TryLock::Failed;
};

void waitInQueue(std::shared_ptr<Waiter> waiter, int descriptor, struct flock lock) {
    int result = 0;
    do {
        result = ::fcntl(descriptor, F_OFD_SETLKW, &lock);
    } while (result != 0 && errno == EINTR);
    std::lock_guard const guard(waiter->mutex);
    if (!waiter->givenUp) {
        // Closed before the answer: the opening is then left to the caller's descriptor alone, whose
        // close gives its locks back.
        ::close(descriptor);
        waiter->answered = true;
        waiter->outcome = result == 0 ? TryLock::Held : TryLock::Failed;
        waiter->done.notify_one();
        return;
    }
    if (result == 0) {
        lock.l_type = F_UNLCK;
        ::fcntl(descriptor, F_OFD_SETLK, &lock);
    }
    ::close(descriptor);
}

}  // namespace

TryLock lock(std::intptr_t handle, LockByte byte, LockMode mode, LockClock::time_point deadline) {
    int const descriptor = static_cast<int>(handle);
    struct flock const wanted = describe(byte, mode);
    TryLock const tried = tryOnce(descriptor, wanted);
    if (tried != TryLock::Busy || LockClock::now() >= deadline) return tried;
    int const second = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (second < 0) return TryLock::Failed;
    auto waiter = std::make_shared<Waiter>();
    try {
        std::thread(waitInQueue, waiter, second, wanted).detach();
    } catch (std::system_error const&) {
        ::close(second);
        return TryLock::Failed;
    }
    std::unique_lock hold(waiter->mutex);
    if (waiter->done.wait_until(hold, deadline, [&] { return waiter->answered; })) return waiter->outcome;
    waiter->givenUp = true;
    return TryLock::Busy;
}

TryLock tryPair(std::intptr_t handle, LockByte first, LockMode mode) {
    return tryOnce(static_cast<int>(handle), describe(kFirstLockByte + static_cast<off_t>(first), 2,
                                                      mode == LockMode::Shared ? F_RDLCK : F_WRLCK));
}

void unlock(std::intptr_t handle, LockByte byte) {
    struct flock lock = describe(kFirstLockByte + static_cast<off_t>(byte), 1, F_UNLCK);
    ::fcntl(static_cast<int>(handle), F_OFD_SETLK, &lock);
}

void unlockAll(std::intptr_t handle) {
    struct flock lock = describe(kFirstLockByte, kLockBytes, F_UNLCK);
    ::fcntl(static_cast<int>(handle), F_OFD_SETLK, &lock);
}

}  // namespace yb::platform::backend
