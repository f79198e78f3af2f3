// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Test support on Windows: D: is a real drive given to the test run for scratch. Its whole content is
// removed before and after each test, so the run must say that this is allowed:
// YB_TEST_SCRATCH_DRIVE=D: (the Wine setup of the tests maps a folder of the build as D: and sets it).
#include "test_support.h"

#include <yb/HostBaseInternal.h>

#include <cstdlib>
#include <string_view>

namespace yb::test {
namespace {

bool emptyDrive(std::filesystem::path const& root) {
    std::error_code ec;
    std::filesystem::directory_iterator it(root, ec);
    // The root of an empty drive has not even "." and "..": its search finds nothing at all.
    if (ec) return ec == std::errc::no_such_file_or_directory && std::filesystem::is_directory(root);
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::filesystem::remove_all(it->path(), ec);
        if (ec) return false;
    }
    return !ec;
}

}  // namespace

void DriveFixture::SetUp() {
    char const* scratch = std::getenv("YB_TEST_SCRATCH_DRIVE");
    ASSERT_TRUE(scratch != nullptr && std::string_view(scratch) == "D:")
        << "these tests empty drive D:; run them where D: is a scratch drive and YB_TEST_SCRATCH_DRIVE=D:";
    root_ = "D:/";
    ASSERT_TRUE(std::filesystem::is_directory(root_)) << "drive D: is missing";
    ASSERT_TRUE(emptyDrive(root_));
}

void DriveFixture::TearDown() {
    hbSetFileFault(0, false);
    if (!root_.empty()) emptyDrive(root_);
}

void setEnvironment(char const* name, char const* value) { ::_putenv_s(name, value != nullptr ? value : ""); }

bool hostPathsAreMapped() { return false; }

std::optional<int> runInChildProcess(std::function<void()> const&) { return std::nullopt; }

std::optional<ChildOutcome> runUnprivileged(std::function<ChildOutcome()> const&) { return std::nullopt; }

bool limitFileSize(std::optional<std::uint64_t>) { return false; }

}  // namespace yb::test
