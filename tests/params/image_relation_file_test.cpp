// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "test_support.h"

#include <string>
#include <vector>

namespace {

// The record is packed: its doubles are copied out before the comparisons take references to them.
double xOf(ImageLayoutStru const& r) { return r.x; }
double yOf(ImageLayoutStru const& r) { return r.y; }

using ImageRelationFile = yb::test::DriveFixture;

TEST_F(ImageRelationFile, WritesTabSeparatedLinesAndReadsThemBack) {
    ASSERT_EQ(ybWriteImageRelaFile("D:\\rel.txt", {{1, 10.5, 20.25}, {2, -3, 4}}), 0);
    EXPECT_EQ(readNativeText("rel.txt"), "2\n1\t10.500000\t20.250000\n2\t-3.000000\t4.000000\n");
    std::vector<ImageLayoutStru> back{{9, 9, 9}};
    ASSERT_EQ(ybReadImageRelaFile("D:\\rel.txt", back), 0);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(xOf(back[0]), 10.5);
    EXPECT_EQ(back[1].imageNo, 2);
    EXPECT_EQ(yOf(back[1]), 4.0);

    // Blanks instead of tabs, Windows line ends, long trailing text and extra lines are all accepted.
    writeNative("loose.txt", yb::test::bytesOf("2\r\n7 1.5 2.5\r\n8\t-1\t2 " + std::string(900, 'z') + "\r\nextra\n"));
    ASSERT_EQ(ybReadImageRelaFile("D:\\loose.txt", back), 0);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].imageNo, 7);
    EXPECT_EQ(yOf(back[0]), 2.5);
    EXPECT_EQ(yOf(back[1]), 2.0);
}

TEST_F(ImageRelationFile, FailuresEmptyTheArrayOrLeaveNoFile) {
    std::vector<ImageLayoutStru> back;
    for (char const* text : {"3\n1\t1\t1\n2\t2\t2\n", "0\n", "", "2000000000\n1 1 1\n"}) {
        back.assign(1, {1, 1, 1});
        writeNative("bad.txt", yb::test::bytesOf(text));
        EXPECT_EQ(ybReadImageRelaFile("D:\\bad.txt", back), yb::kInvalidContent) << text;
        EXPECT_EQ(back.capacity(), 0u);
    }
    EXPECT_EQ(ybReadImageRelaFile("D:\\missing.txt", back), yb::kCannotOpen);

    EXPECT_EQ(ybWriteImageRelaFile("D:\\rel.txt", {}), yb::kInvalidArgument);
    EXPECT_EQ(ybWriteImageRelaFile("Q:\\rel.txt", {{1, 1, 1}}), yb::kCannotWrite);

    // A value too wide for a usual line still comes out whole.
    ASSERT_EQ(ybWriteImageRelaFile("D:\\wide.txt", {{5, 1e200, -2}}), 0);
    ASSERT_EQ(ybReadImageRelaFile("D:\\wide.txt", back), 0);
    EXPECT_EQ(yOf(back.at(0)), -2.0);
}

}  // namespace
