// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Test support on Linux: drive D: is a fresh temporary folder mapped through HostBase's drive table.
#include "test_support.h"

#include <yb/HostBaseInternal.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

namespace yb::test {

namespace {

// Memory (tmpfs) where the system offers it: the write path syncs there as everywhere, each sync asked
// of the fault hook, but a sync costs nothing, so the suite does not wait on the disk.
std::filesystem::path scratchFolder(bool onDisk) {
    std::error_code error;
    if (!onDisk && std::filesystem::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK | X_OK) == 0)
        return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

}  // namespace

void DriveFixture::SetUp() {
    std::string pattern = (scratchFolder(onDisk_) / "yb-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    hbSetDriveRoot('D', pattern.c_str());
}

void DriveFixture::TearDown() {
    hbSetDriveRoot('D', nullptr);
    hbSetFileFault(0, false);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

void setEnvironment(char const* name, char const* value) {
    if (value != nullptr) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
}

bool hostPathsAreMapped() { return true; }

std::optional<int> runInChildProcess(std::function<void()> const& work) {
    pid_t const child = ::fork();
    if (child == 0) {
        work();
        std::_Exit(127);  // `work` was to end the child itself
    }
    if (child < 0) return -1;
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

std::optional<ChildOutcome> runUnprivileged(std::function<ChildOutcome()> const& work) {
    int pipe[2];
    if (::pipe(pipe) != 0) return std::nullopt;
    pid_t const child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        constexpr uid_t kNobody = 65534;
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) std::_Exit(126);
        ChildOutcome const outcome = work();
        for (std::size_t at = 0; at < outcome.text.size();) {
            ssize_t const wrote = ::write(pipe[1], outcome.text.data() + at, outcome.text.size() - at);
            if (wrote <= 0) break;
            at += static_cast<std::size_t>(wrote);
        }
        std::_Exit(outcome.status);
    }
    ::close(pipe[1]);
    ChildOutcome outcome;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        outcome.text.append(buffer, static_cast<std::size_t>(got));
    ::close(pipe[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return std::nullopt;
    outcome.status = WEXITSTATUS(status);
    return outcome;
}

bool limitFileSize(std::optional<std::uint64_t> limit) {
    static rlimit const original = [] {
        std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
        rlimit current{};
        ::getrlimit(RLIMIT_FSIZE, &current);
        return current;
    }();
    rlimit wanted = original;
    if (limit) wanted.rlim_cur = static_cast<rlim_t>(*limit);
    return ::setrlimit(RLIMIT_FSIZE, &wanted) == 0;
}

}  // namespace yb::test
