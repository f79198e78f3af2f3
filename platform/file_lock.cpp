// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The wait for a lock and the record of what this thread holds, the same on every system.
#include "file_lock.h"

#include "io_errors.h"

#include <yb/HostBase.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <iterator>
#include <utility>

namespace yb::platform {
namespace {

thread_local std::uint64_t timeouts = 0;
thread_local std::string timedOutFile;
struct Held {
    FileIdentity identity;
    std::uint64_t serial = 0;
    std::function<void()> letGo;
    std::shared_ptr<void> keep;  // the opening that holds the file, when it was passed on (passHolds)
};
// This thread's holds: made with the first and dropped with the last, so that a thread that ends
// leaves nothing for its end to destroy. (With MinGW's runtime the destructor of a thread-local object
// runs at the end of a thread after the object's storage was freed: a thread that had held a file
// crashed there.)
thread_local std::vector<Held>* heldHere = nullptr;
thread_local std::uint64_t nextSerial = 0;

}  // namespace

LockClock::time_point lockDeadline() {
    return LockClock::now() + std::chrono::milliseconds(std::max(0, hbGetLockTimeout()));
}

LockOutcome lockTimedOut(std::string const& native) {
    ++timeouts;
    timedOutFile = native;
    errno = EAGAIN;
    io::failed();
    return LockOutcome::TimedOut;
}

namespace {

LockOutcome outcomeOf(backend::TryLock tried, std::string const& native) {
    switch (tried) {
        case backend::TryLock::Held: return LockOutcome::Held;
        case backend::TryLock::Failed: return LockOutcome::Failed;
        case backend::TryLock::Busy: break;
    }
    return lockTimedOut(native);
}

// Takes `first` and then `second`; `first` is given back unless `keepFirst`, or when `second` is not had.
backend::TryLock lockTwo(std::intptr_t handle, LockByte first, LockByte second, LockMode mode,
                         LockClock::time_point deadline, bool keepFirst) {
    backend::TryLock tried = backend::lock(handle, first, mode, deadline);
    if (tried != backend::TryLock::Held) return tried;
    tried = backend::lock(handle, second, mode, deadline);
    if (!keepFirst || tried != backend::TryLock::Held) backend::unlock(handle, first);
    return tried;
}

}  // namespace

bool lockAtOnce(std::intptr_t handle, LockMode mode) {
    // A reader passes the pending byte on its way, so that it waits behind a change in place that is
    // waiting for the readers before it; a writer takes its turn first. Where no one holds either byte,
    // both come in one try, and the first is given back: what a wait byte by byte would leave.
    LockByte const first = mode == LockMode::Shared ? LockByte::Pending : LockByte::Turn;
    if (backend::tryPair(handle, first, mode) != backend::TryLock::Held) return false;
    backend::unlock(handle, first);
    return true;
}

LockOutcome waitForLock(std::intptr_t handle, LockMode mode, std::string const& native,
                        LockClock::time_point deadline) {
    if (lockAtOnce(handle, mode)) return LockOutcome::Held;
    return outcomeOf(mode == LockMode::Shared
                         ? lockTwo(handle, LockByte::Pending, LockByte::Read, mode, deadline, false)
                         : lockTwo(handle, LockByte::Turn, LockByte::Write, mode, deadline, false),
                     native);
}

LockOutcome barReaders(std::intptr_t handle, std::string const& native, LockClock::time_point deadline) {
    if (backend::tryPair(handle, LockByte::Pending, LockMode::Exclusive) == backend::TryLock::Held)
        return LockOutcome::Held;
    return outcomeOf(lockTwo(handle, LockByte::Pending, LockByte::Read, LockMode::Exclusive, deadline, true), native);
}

void admitReaders(std::intptr_t handle) {
    backend::unlock(handle, LockByte::Read);
    backend::unlock(handle, LockByte::Pending);
}

std::uint64_t lockTimeouts() { return timeouts; }
std::string const& lastLockTimeoutFile() { return timedOutFile; }

HeldForWriting::HeldForWriting(FileIdentity identity, std::function<void()> letGo)
    : identity_(identity), serial_(++nextSerial) {
    if (heldHere == nullptr) heldHere = new std::vector<Held>();
    heldHere->push_back({identity, serial_, std::move(letGo), nullptr});
}

HeldForWriting::HeldForWriting(HeldForWriting&& other) noexcept
    : identity_(std::exchange(other.identity_, std::nullopt)), serial_(other.serial_) {}

HeldForWriting& HeldForWriting::operator=(HeldForWriting&& other) noexcept {
    if (this != &other) {
        release();
        identity_ = std::exchange(other.identity_, std::nullopt);
        serial_ = other.serial_;
    }
    return *this;
}

HeldForWriting::~HeldForWriting() { release(); }

void HeldForWriting::release() {
    if (!identity_) return;
    identity_.reset();
    if (heldHere == nullptr) return;
    // Holds end in reverse order as a rule; any order is taken.
    auto const found =
        std::find_if(heldHere->rbegin(), heldHere->rend(), [&](Held const& held) { return held.serial == serial_; });
    if (found != heldHere->rend()) heldHere->erase(std::next(found).base());
    if (heldHere->empty()) delete std::exchange(heldHere, nullptr);
}

bool holdingFilesForWriting() { return heldHere != nullptr; }

bool heldForWritingHere(FileIdentity const& identity) {
    return heldHere != nullptr &&
           std::any_of(heldHere->begin(), heldHere->end(), [&](Held const& held) { return held.identity == identity; });
}

bool passHolds(FileIdentity const& from, FileIdentity const& to, std::shared_ptr<void> keep) {
    bool passed = false;
    if (heldHere == nullptr) return false;
    for (Held& held : *heldHere) {
        if (held.identity != from) continue;
        held.identity = to;
        if (held.letGo) std::exchange(held.letGo, {})();
        // The outermost hold keeps the new file's opening.
        if (!passed) held.keep = std::move(keep);
        passed = true;
    }
    return passed;
}

void letGoHeldOpenings(FileIdentity const& identity) {
    if (heldHere == nullptr) return;
    for (Held& held : *heldHere)
        if (held.identity == identity && held.letGo) std::exchange(held.letGo, {})();
}

}  // namespace yb::platform
