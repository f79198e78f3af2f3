// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Test fixtures shared by every test program.
#pragma once

#include <yb/ybBlockFileIO.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace yb::test {

// A fresh, empty drive D: for the length of a test. Host paths such as "D:\\Blk\\a.dms" then name
// files under native(). On Linux a temporary folder is mapped as D: through HostBase's drive table; on
// Windows D: is a real drive that the test run provides for scratch (under Wine, a folder mapped as D:
// in the prefix), emptied before and after each test.
class DriveFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The native path of a name relative to the drive's root ("Blk/a.dms"), in UTF-8.
    std::string native(std::string const& relative = {}) const;
    // The same as a path for std::filesystem (whose narrow text is not UTF-8 on Windows).
    std::filesystem::path nativeFsPath(std::string const& relative = {}) const;
    // Bytes of a native file, or empty when it cannot be read.
    std::vector<unsigned char> readNative(std::string const& relative) const;
    std::string readNativeText(std::string const& relative) const;
    void writeNative(std::string const& relative, std::vector<unsigned char> const& bytes) const;
    bool existsNative(std::string const& relative) const;
    std::uint64_t sizeNative(std::string const& relative) const;
    // Names in the mapped folder, recursively, sorted ("Blk/a.dms").
    std::vector<std::string> listNative() const;

    std::string root_;
    // The drive is in memory (tmpfs) where the system has one, so the write path's syncs cost nothing;
    // a fixture that sets this before SetUp() gets a folder on the disk instead.
    bool onDisk_ = false;
};

// Records the messages shown through HostBase while alive.
class MessageRecorder {
public:
    struct Message {
        HbMessageStyle style;
        std::string gbk;
    };
    MessageRecorder();
    ~MessageRecorder();
    // The messages shown since the last take, as "error: TEXT" or "plain: TEXT" (TEXT in GBK), forgotten.
    std::vector<std::string> take();
    std::vector<Message> messages;
};

// Sets an environment variable of the process, or removes it when `value` is null.
void setEnvironment(char const* name, char const* value);
// True on Linux, where host paths are mapped onto the disk; false on Windows, where they are native.
bool hostPathsAreMapped();
// Runs `work` in a child process, which `work` ends itself with std::_Exit(code) where it wants to be
// cut short, as a killed process would be; gives that code, or nullopt where the system cannot fork
// (Windows).
std::optional<int> runInChildProcess(std::function<void()> const& work);
// Runs `work` in a child process that file permissions hold back: as user nobody when this process
// is the superuser, whom they do not stop. The child's exit status and the text `work` gives, or
// nullopt where the system cannot fork (Windows).
struct ChildOutcome {
    int status = 0;
    std::string text;
};
std::optional<ChildOutcome> runUnprivileged(std::function<ChildOutcome()> const& work);
// Limits the size of any file this process writes, as a full disk would (a write past it fails);
// nullopt lifts the limit. False where the system has no such limit (Windows).
bool limitFileSize(std::optional<std::uint64_t> limit);

// Bytes written as hex ("D3 C3 BB A7"); spaces are ignored.
std::string hexBytes(char const* hex);
std::string utf8ToGbk(std::string const& utf8);
std::vector<unsigned char> bytesOf(std::string const& text);

// A model point set of the orientation library holding `count` in-use entries named prefix0,
// prefix1, ..., with room for `capacity`.
CONTROLPOINT_STORAGE* modelPointSet(int count, int capacity = 64, char const* prefix = "P");

}  // namespace yb::test
