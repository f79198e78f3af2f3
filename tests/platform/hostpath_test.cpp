// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "hostpath.h"
#include "text_scan.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace yb::platform;
using yb::test::hexBytes;

namespace {

// 嘰 is 0x87 0x5C in GBK: its second byte is a backslash. 丄 is 0x81 0x41: its second byte is 'A'.
std::string const kBackslashChar = hexBytes("87 5C");
std::string const kLetterChar = hexBytes("81 41");

std::vector<std::string> partsOf(std::string const& path) {
    PathParts parts = splitPath(path);
    return {parts.drive, parts.directory, parts.title, parts.extension};
}

TEST(HostPath, SplitsDriveDirectoryTitleExtension) {
    using Parts = std::vector<std::string>;
    EXPECT_EQ(partsOf("D:\\Blk\\temp\\a.b.ijp"), (Parts{"D:", "\\Blk\\temp\\", "a.b", ".ijp"}));
    EXPECT_EQ(makePath("D:", "\\Blk\\temp\\", "a.b", ".ijp"), "D:\\Blk\\temp\\a.b.ijp");
    EXPECT_EQ(partsOf("name"), (Parts{"", "", "name", ""}));
    // A dot in a directory is not an extension; '/' separates as well.
    EXPECT_EQ(partsOf("D:/v1.2/file"), (Parts{"D:", "/v1.2/", "file", ""}));
}

TEST(HostPath, DoubleByteCharactersAreNeverSplit) {
    std::string dir = "D:\\" + kBackslashChar;  // a folder named 嘰
    std::string path = dir + "\\x" + kBackslashChar + ".dat";
    PathParts parts = splitPath(path);
    EXPECT_EQ(parts.directory, "\\" + kBackslashChar + "\\");
    EXPECT_EQ(parts.title, "x" + kBackslashChar);
    EXPECT_EQ(fileNameOf(path), "x" + kBackslashChar + ".dat");
    EXPECT_EQ(directoryOf(path), dir + "\\");
    EXPECT_EQ(joinPath(dir, "a"), dir + "\\a");
    EXPECT_EQ(makePath("", dir, "a", ".b"), dir + "\\a.b");
    // A trailing 嘰 is not a trailing backslash.
    EXPECT_EQ(withoutTrailingBackslashes(dir), dir);
    EXPECT_EQ(withoutTrailingBackslashes("D:\\Blk\\\\"), "D:\\Blk");
    EXPECT_EQ(lastSeparator(kBackslashChar), npos);
    EXPECT_EQ(findFirstChar("a" + kBackslashChar + "\\", '\\'), 3u);
    // ".dms" inside a character sequence is found only on character boundaries.
    EXPECT_EQ(replaceAll("d:\\a.dms", ".dms", ".prj"), "d:\\a.prj");
}

TEST(HostPath, LowerCasingKeepsDoubleByteCharactersWhole) {
    std::string path = "D:\\ABC\\" + kLetterChar + "Q.DMS";
    EXPECT_EQ(toLower(path), "d:\\abc\\" + kLetterChar + "q.dms");
    EXPECT_TRUE(equalsIgnoreCase("D:\\Blk\\A7", "d:\\blk\\a7"));
    // 丄 (81 41) and 81 61 are different characters, not two spellings of one.
    EXPECT_FALSE(equalsIgnoreCase(kLetterChar, hexBytes("81 61")));
    EXPECT_FALSE(equalsIgnoreCase("ab", "abc"));
}

TEST(HostPath, FixedFieldsAreReadAndStoredBounded) {
    char field[8];
    std::memset(field, 'x', sizeof field);
    EXPECT_EQ(boundedText(field, sizeof field), std::string(8, 'x'));  // no terminator: stops at the width
    storeText(field, sizeof field, "abcdefghij");
    EXPECT_EQ(std::string(field), "abcdefg");
    storeText(field, sizeof field, "ab");
    EXPECT_EQ(std::string(field, sizeof field), std::string("ab\0\0\0\0\0\0", 8));
    // A double-byte character that would not fit whole is left out.
    storeText(field, 4, "ab" + kLetterChar);
    EXPECT_EQ(std::string(field), "ab");
}

}  // namespace

TEST(TextScan, NumbersReadAsTheCLibraryReadsThem) {
    std::string_view text = " \t+12 -3.5e1 x";
    EXPECT_EQ(takeNumber<std::int32_t>(text), 12);
    EXPECT_EQ(takeNumber<double>(text), -35.0);
    EXPECT_EQ(text, " x");
    EXPECT_EQ(takeNumber<double>(text), std::nullopt);
    EXPECT_EQ(text, " x");  // nothing taken
    for (std::string_view refused : {"2147483648", "+-1", "+ 1"})
        EXPECT_EQ(takeNumber<std::int32_t>(refused), std::nullopt);
    EXPECT_EQ(wholeNumber<std::int32_t>("7"), 7);
    for (char const* notWhole : {"", " 7", "7 ", "7x", "0x10"})
        EXPECT_EQ(wholeNumber<std::int32_t>(notWhole), std::nullopt) << notWhole;
}
