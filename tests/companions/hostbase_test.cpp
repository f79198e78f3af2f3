// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "test_support.h"

#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(HostBase, SettingsRecordHoldsTheTwoDirectories) {
    hbSetBlockDirectory("D:\\Blk");
    hbSetLayoutDirectory("C:\\Work");
    unsigned char const* record = hbGetSettings(0);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(reinterpret_cast<char const*>(record + 256), "D:\\Blk");
    EXPECT_STREQ(reinterpret_cast<char const*>(record + 384), "C:\\Work");
    // An over-long directory is cut to its field and stays terminated.
    hbSetBlockDirectory(std::string(300, 'x').c_str());
    EXPECT_EQ(std::strlen(reinterpret_cast<char const*>(record + 256)), 127u);
    hbSetBlockDirectory(nullptr);
    EXPECT_EQ(record[256], 0);
    EXPECT_EQ(hbGetSettings(1), nullptr);
}

// Installed sinks are exercised by every test that records messages.
TEST(HostBase, DefaultMessageSinkWritesUtf8) {
    // The default sink writes UTF-8 with the style to standard error.
    testing::internal::CaptureStderr();
    hbMessageBox(HB_MESSAGE_PLAIN, yb::test::hexBytes("C1 BF B2 E2").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[message] \xE9\x87\x8F\xE6\xB5\x8B\n");
}

TEST(HostBase, DrivesMapFromTheTableAndTheEnvironment) {
    yb::test::setEnvironment("YB_DRIVE_K", "/from/env");
    EXPECT_STREQ(hbGetDriveRoot('k'), "/from/env");
    EXPECT_TRUE(hbSetDriveRoot('K', "/from/table"));
    EXPECT_STREQ(hbGetDriveRoot('K'), "/from/table");
    hbSetDriveRoot('K', nullptr);
    EXPECT_STREQ(hbGetDriveRoot('K'), "/from/env");
    yb::test::setEnvironment("YB_DRIVE_K", nullptr);
    EXPECT_EQ(hbGetDriveRoot('K'), nullptr);
    EXPECT_FALSE(hbSetDriveRoot('1', "/x"));
}

// A root handed out stays valid while other threads map the drive again and again.
TEST(HostBase, DriveRootsStayValidWhileOtherThreadsRemapThem) {
    std::string const first = "/a/root/long/enough/to/live/on/the/heap";
    ASSERT_TRUE(hbSetDriveRoot('M', first.c_str()));
    char const* held = hbGetDriveRoot('M');
    std::atomic<bool> done{false};
    std::atomic<int> wrong{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t) {
        readers.emplace_back([&] {
            while (!done) {
                char const* root = hbGetDriveRoot('M');
                if (root == nullptr || std::strncmp(root, "/a/root/", 8) != 0) ++wrong;
            }
        });
    }
    for (int i = 0; i < 20000; ++i) hbSetDriveRoot('M', (first + "/" + std::to_string(i % 50)).c_str());
    done = true;
    for (auto& reader : readers) reader.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(std::string(held), first);
    hbSetDriveRoot('M', nullptr);
}

class FileExists : public yb::test::DriveFixture {};

TEST_F(FileExists, AnswersForRegularFilesOnly) {
    writeNative("a.ybi", {1});
    std::filesystem::create_directories(native("dir"));
    EXPECT_NE(ybIsFileExist("D:\\A.YBI"), 0);
    EXPECT_EQ(ybIsFileExist("D:\\dir"), 0);
    EXPECT_EQ(ybIsFileExist("D:\\none"), 0);
    EXPECT_EQ(ybIsFileExist(nullptr), 0);
}

}  // namespace
