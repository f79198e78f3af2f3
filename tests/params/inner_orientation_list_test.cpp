// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "test_support.h"

#include <cstdio>
#include <string>

namespace {

struct InnerOrientationList : yb::test::DriveFixture {
    std::FILE* openText(std::string const& content) {
        writeNative("skip.txt", yb::test::bytesOf(content));
        return std::fopen(native("skip.txt").c_str(), "rb");
    }
};

TEST_F(InnerOrientationList, WritesAndReadsEntries) {
    ASSERT_EQ(ybWriteInnOrientImgListFile("D:\\list.txt", {"C:\\a.ybi", "D:\\b.ybi"}), 0);
    EXPECT_EQ(readNativeText("list.txt"), "2\nC:\\a.ybi\nD:\\b.ybi\n");
    std::int32_t count = 0;
    ASSERT_EQ(ybReadImgNumsOfInnOrient("D:\\list.txt", &count), 0);
    EXPECT_EQ(count, 2);
    char name[128] = {};
    ASSERT_EQ(ybReadOneInnOrientImgFileName("D:\\list.txt", 2, name), 0);
    EXPECT_STREQ(name, "D:\\b.ybi");
    EXPECT_EQ(ybReadOneInnOrientImgFileName("D:\\list.txt", 3, name), yb::kOutOfRange);
    EXPECT_EQ(ybReadOneInnOrientImgFileName("D:\\list.txt", 0, name), yb::kOutOfRange);

    // Windows line ends and trailing blanks go; a long line comes back cut to 127 characters.
    writeNative("crlf.txt", yb::test::bytesOf("2\r\nC:\\a.ybi  \r\n" + std::string(200, 'x') + "\r\n"));
    ASSERT_EQ(ybReadOneInnOrientImgFileName("D:\\crlf.txt", 1, name), 0);
    EXPECT_STREQ(name, "C:\\a.ybi");
    ASSERT_EQ(ybReadOneInnOrientImgFileName("D:\\crlf.txt", 2, name), 0);
    EXPECT_EQ(std::string(name), std::string(127, 'x'));
}

TEST_F(InnerOrientationList, FailureCodes) {
    std::int32_t count = 9;
    char name[128] = {};
    writeNative("zero.txt", yb::test::bytesOf("0\nC:\\a.ybi\n"));
    EXPECT_EQ(ybReadImgNumsOfInnOrient("D:\\zero.txt", &count), yb::kInvalidContent);
    EXPECT_EQ(ybReadOneInnOrientImgFileName("D:\\zero.txt", 1, name), yb::kInvalidContent);
    EXPECT_EQ(count, 9);
    EXPECT_EQ(ybReadImgNumsOfInnOrient("D:\\missing.txt", &count), yb::kCannotOpen);
    writeNative("short.txt", yb::test::bytesOf("3\na\n"));  // more entries promised than present
    EXPECT_EQ(ybReadOneInnOrientImgFileName("D:\\short.txt", 3, name), yb::kInvalidContent);

    EXPECT_EQ(ybWriteInnOrientImgListFile("D:\\new.txt", {}), yb::kOutOfRange);
    EXPECT_FALSE(existsNative("new.txt"));
    EXPECT_EQ(ybWriteInnOrientImgListFile("Q:\\unmapped.txt", {"a"}), yb::kCannotWrite);
}

TEST_F(InnerOrientationList, SkipAtTheEndWithAndWithoutFinalNewline) {
    std::int32_t position = -1;
    std::FILE* open = openText("a\nb\nc");
    EXPECT_EQ(ybJumpTextFileLines(open, 3, 0, &position), 0);
    EXPECT_EQ(position, 5);
    EXPECT_EQ(ybJumpTextFileLines(open, 4, 0, &position), yb::kOutOfRange);
    std::fclose(open);

    std::FILE* closed = openText("a\nb\nc\n");
    EXPECT_EQ(ybJumpTextFileLines(closed, 4, 0, &position), yb::kInvalidContent);
    EXPECT_EQ(ybJumpTextFileLines(closed, 1, 0, nullptr), 0);
    EXPECT_EQ(ybJumpTextFileLines(closed, 1, 1, &position), 0);  // from the current position
    EXPECT_EQ(position, 4);
    EXPECT_EQ(ybJumpTextFileLines(closed, 1, 3, nullptr), yb::kOutOfRange);
    EXPECT_EQ(ybJumpTextFileLines(nullptr, 1, 0, nullptr), yb::kOutOfRange);
    std::fclose(closed);

    std::FILE* wide = openText(std::string(600, 'x') + "\nnext\n");  // 600 characters count as two lines
    EXPECT_EQ(ybJumpTextFileLines(wide, 2, 0, &position), 0);
    EXPECT_EQ(position, 601);
    std::fclose(wide);
}

}  // namespace
