// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "test_support.h"

#include <vector>

namespace {

using OrientationCoefficients = yb::test::DriveFixture;

TEST_F(OrientationCoefficients, EachReaderDeliversItsOrder) {
    double const inner[6] = {1.5, -2, 3, 4, 5, 6.25};
    double const relative[5] = {1, 2, 3, 4, 5};
    double const absolute[7] = {1, 2, 3, 4, 5, 6, 7};
    ASSERT_EQ(ybWriteOrientCeff("D:\\a.ioc", 0, inner), 0);
    ASSERT_EQ(ybWriteOrientCeff("D:\\a.roc", 1, relative), 0);
    ASSERT_EQ(ybWriteOrientCeff("D:\\a.aoc", 2, absolute), 0);
    std::vector<double> out(7, 9.0);
    ASSERT_EQ(ybReadInnefCeff("D:\\a.ioc", out.data()), 0);
    EXPECT_EQ(out, (std::vector<double>{1.5, -2, 3, 4, 5, 6.25, 9}));
    ASSERT_EQ(ybReadSingleRelaCeff("D:\\a.roc", out.data()), 0);
    EXPECT_EQ(out, (std::vector<double>{1, 0, 2, 3, 4, 5, 9}));
    ASSERT_EQ(ybReadAbsoluteCeff("D:\\a.aoc", out.data()), 0);
    EXPECT_EQ(out, (std::vector<double>{4, 5, 6, 7, 1, 2, 3}));
}

TEST_F(OrientationCoefficients, FailuresPassTheLibraryCodeAndLeaveTheArray) {
    std::vector<double> out(7, 8.0);
    std::int32_t const missing = ybReadInnefCeff("D:\\none.ioc", out.data());
    EXPECT_NE(missing, 0);
    EXPECT_EQ(ybReadAbsoluteCeff("D:\\none.aoc", out.data()), missing);
    writeNative("junk.roc", yb::test::bytesOf("not a coefficient file at all"));
    EXPECT_NE(ybReadSingleRelaCeff("D:\\junk.roc", out.data()), 0);
    EXPECT_EQ(out, std::vector<double>(7, 8.0));
    EXPECT_EQ(ybReadAbsoluteCeff("D:\\a.aoc", nullptr), yb::kInvalidArgument);
}

}  // namespace
