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
#include <thread>
#include <utility>

namespace yb::platform {
namespace {

thread_local std::uint64_t timeouts = 0;
thread_local std::string timedOutFile;
struct Held {
    FileIdentity identity;
    std::uint64_t serial = 0;
    std::function<void()> letGo;
};
thread_local std::vector<Held> heldHere;
thread_local std::uint64_t nextSerial = 0;

}  // namespace

LockOutcome waitForLock(std::intptr_t handle, LockMode mode, std::string const& native) {
    using Clock = std::chrono::steady_clock;
    backend::TryLock tried = backend::tryLock(handle, mode);
    if (tried == backend::TryLock::Busy) {
        // Changes take milliseconds: the first pauses are short, later ones longer, so that a long wait
        // costs little and a short one ends soon after the holder lets go.
        auto const deadline = Clock::now() + std::chrono::milliseconds(std::max(0, hbGetLockTimeout()));
        auto pause = std::chrono::microseconds(200);
        while (tried == backend::TryLock::Busy) {
            auto const now = Clock::now();
            if (now >= deadline) break;
            std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
            pause = std::min(pause * 2, std::chrono::microseconds(20'000));
            tried = backend::tryLock(handle, mode);
        }
    }
    switch (tried) {
        case backend::TryLock::Held: return LockOutcome::Held;
        case backend::TryLock::Failed: return LockOutcome::Failed;
        case backend::TryLock::Busy: break;
    }
    ++timeouts;
    timedOutFile = native;
    errno = EAGAIN;
    io::failed();
    return LockOutcome::TimedOut;
}

std::uint64_t lockTimeouts() { return timeouts; }
std::string const& lastLockTimeoutFile() { return timedOutFile; }

HeldForWriting::HeldForWriting(FileIdentity identity, std::function<void()> letGo)
    : identity_(identity), serial_(++nextSerial) {
    heldHere.push_back({identity, serial_, std::move(letGo)});
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
    // Holds end in reverse order as a rule; any order is taken.
    auto const found =
        std::find_if(heldHere.rbegin(), heldHere.rend(), [&](Held const& held) { return held.serial == serial_; });
    if (found != heldHere.rend()) heldHere.erase(std::next(found).base());
    identity_.reset();
}

bool holdingFilesForWriting() { return !heldHere.empty(); }

bool heldForWritingHere(FileIdentity const& identity) {
    return std::any_of(heldHere.begin(), heldHere.end(), [&](Held const& held) { return held.identity == identity; });
}

void letGoHeldOpenings(FileIdentity const& identity) {
    for (Held& held : heldHere) {
        if (held.identity == identity && held.letGo) std::exchange(held.letGo, {})();
    }
}

}  // namespace yb::platform
