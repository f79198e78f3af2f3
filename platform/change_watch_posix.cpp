// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// File change marks on Linux: one inotify queue per process, read without waiting when a mark is made
// or asked about.
#include "change_watch.h"

#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <climits>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <vector>

namespace yb::platform {
namespace {

constexpr std::size_t kMostWatched = 16;
constexpr std::uint32_t kChanges = IN_MODIFY | IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF;

// File systems whose every change passes through this kernel (no other host writes to them), so a
// watch misses none.
bool reportsEveryChange(struct statfs const& system) {
    switch (static_cast<unsigned long>(system.f_type)) {
        case EXT4_SUPER_MAGIC:  // ext2, ext3 and ext4
        case TMPFS_MAGIC:
        case RAMFS_MAGIC:
        case XFS_SUPER_MAGIC:
        case BTRFS_SUPER_MAGIC:
        case F2FS_SUPER_MAGIC: return true;
        default: return false;
    }
}

// Forks of this process into a child, counted in the child: the queue belongs to the parent.
std::atomic<std::uint64_t> forkCount{0};
void countFork() { forkCount.fetch_add(1, std::memory_order_relaxed); }

struct Watched {
    int watch = -1;
    std::uint64_t generation = 0;
    std::uint64_t changes = 0;
    std::uint64_t device = 0;  // the file watched
    std::uint64_t file = 0;
};

class Watcher {
public:
    std::optional<ChangeMark> mark(std::string const& native, FileStamp const& stamp) {
        std::lock_guard guard(lock_);
        if (!ready()) return std::nullopt;
        // A watch still in place on the stamp's file goes on: the stamp was taken of the file as it
        // stands, and the end of the watch of a file that went, whose number a new file may take, was
        // reported before that, so the reports just read dropped it.
        drain();
        auto const kept = std::find_if(files_.begin(), files_.end(), [&](Watched const& file) {
            return file.device == stamp.device && file.file == stamp.file;
        });
        if (kept != files_.end()) {
            std::rotate(kept, kept + 1, files_.end());
            return ChangeMark{files_.back().watch, files_.back().generation, files_.back().changes};
        }
        // A watch still in place was set on a file system that reports every change (the system ends
        // a watch when its file system goes, and numbers a new one anew); a new one is asked about it.
        int const watch = ::inotify_add_watch(descriptor_, native.c_str(), kChanges);
        if (watch < 0) return std::nullopt;
        if (Watched* file = find(watch)) {
            std::rotate(files_.begin() + (file - files_.data()), files_.begin() + (file - files_.data()) + 1,
                        files_.end());
        } else {
            if (!changesPassThisKernel(native)) {
                ::inotify_rm_watch(descriptor_, watch);
                return std::nullopt;
            }
            if (files_.size() >= kMostWatched) {
                ::inotify_rm_watch(descriptor_, files_.front().watch);
                files_.erase(files_.begin());
            }
            files_.push_back(Watched{watch, ++generations_, 0, 0, 0});
        }
        // The watch is on the file the name gives now: it must be the stamp's.
        struct stat info {};
        if (::stat(native.c_str(), &info) != 0 || static_cast<std::uint64_t>(info.st_dev) != stamp.device ||
            static_cast<std::uint64_t>(info.st_ino) != stamp.file)
            return std::nullopt;
        drain();
        Watched* file = find(watch);
        if (file == nullptr) return std::nullopt;
        file->device = stamp.device;
        file->file = stamp.file;
        return ChangeMark{watch, file->generation, file->changes};
    }

    bool unchanged(ChangeMark const& mark) {
        std::lock_guard guard(lock_);
        if (!ready()) return false;
        drain();
        Watched const* file = find(mark.watch);
        return file != nullptr && file->generation == mark.generation && file->changes == mark.changes;
    }

private:
    // The queue of this process: a child of a fork shares its parent's, and so opens its own and forgets
    // the parent's watches.
    bool ready() {
        // A child learns that it was forked from the count its fork handler moves.
        std::uint64_t const forks = forkCount.load(std::memory_order_relaxed);
        if (descriptor_ >= 0 && forksSeen_ == forks) return true;
        if (descriptor_ >= 0) ::close(descriptor_);
        files_.clear();
        forksSeen_ = forks;
        descriptor_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        return descriptor_ >= 0;
    }

    Watched* find(int watch) {
        auto it = std::find_if(files_.begin(), files_.end(), [&](Watched const& file) { return file.watch == watch; });
        return it == files_.end() ? nullptr : &*it;
    }

    // Counts every change reported since the last look; a lost report counts as a change of every file.
    void drain() {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            ssize_t const got = ::read(descriptor_, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return;
            // A read that left room for one more report of the longest name took all there were.
            bool const emptied = static_cast<std::size_t>(got) + sizeof(inotify_event) + NAME_MAX + 1 <= sizeof buffer;
            for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
                inotify_event const* event = reinterpret_cast<inotify_event const*>(buffer + at);
                if (event->mask & IN_Q_OVERFLOW) {
                    // Lost reports may have told of a watch's end: every watch is forgotten.
                    for (Watched const& file : files_) ::inotify_rm_watch(descriptor_, file.watch);
                    files_.clear();
                } else if (Watched* file = find(event->wd)) {
                    ++file->changes;
                    // A watch the system ended (the file is gone) tells nothing more.
                    if (event->mask & IN_IGNORED) files_.erase(files_.begin() + (file - files_.data()));
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
            if (emptied) return;
        }
    }

    std::mutex lock_;
    int descriptor_ = -1;
    std::uint64_t forksSeen_ = 0;
    std::uint64_t generations_ = 0;
    std::vector<Watched> files_;  // the oldest marked first
};

Watcher& watcher() {
    static Watcher instance = [] {
        ::pthread_atfork(nullptr, nullptr, countFork);
        return Watcher();
    }();
    return instance;
}

}  // namespace

bool changesPassThisKernel(std::string const& native) {
    struct statfs system {};
    return ::statfs(native.c_str(), &system) == 0 && reportsEveryChange(system);
}

bool NativeFile::laterChangesMoveStamp(FileStamp const& stamp) const {
    // A change stamped from the coarse clock is never later than it.
    timespec now{};
    if (handle_ == kNoHandle || coarseStamps() || ::clock_gettime(CLOCK_REALTIME_COARSE, &now) != 0) return false;
    struct statfs system {};
    return stamp.changed > std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec &&
           ::fstatfs(static_cast<int>(handle_), &system) == 0 && reportsEveryChange(system);
}

std::optional<ChangeMark> markChanges(std::string const& native, FileStamp const& stamp) {
    return watcher().mark(native, stamp);
}

bool unchangedSince(ChangeMark const& mark) { return watcher().unchanged(mark); }

}  // namespace yb::platform
