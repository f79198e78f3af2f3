// Test fixtures shared by every test program.
#pragma once

#include <yb/ybBlockFileIO.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace yb::test {

// A fresh temporary folder, mapped as drive D: for the length of a test. Host paths such as
// "D:\\Blk\\a.dms" then name files under native().
class DriveFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The native path of a name relative to the mapped folder ("Blk/a.dms").
    std::string native(std::string const& relative = {}) const;
    // Bytes of a native file, or empty when it cannot be read.
    std::vector<unsigned char> readNative(std::string const& relative) const;
    void writeNative(std::string const& relative, std::vector<unsigned char> const& bytes) const;
    bool existsNative(std::string const& relative) const;
    std::uint64_t sizeNative(std::string const& relative) const;
    // Names in the mapped folder, recursively, sorted ("Blk/a.dms").
    std::vector<std::string> listNative() const;

    std::string root_;
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
    std::vector<Message> messages;
};

// Bytes written as hex ("D3 C3 BB A7"); spaces are ignored.
std::string hexBytes(char const* hex);
std::string utf8ToGbk(std::string const& utf8);
std::vector<unsigned char> bytesOf(std::string const& text);

}  // namespace yb::test
