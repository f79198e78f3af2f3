#include "test_support.h"

namespace {

using OrientationCoefficients = yb::test::DriveFixture;

TEST_F(OrientationCoefficients, InnerCoefficientsKeepTheirOrder) {
    double const stored[6] = {1.5, -2, 3, 4, 5, 6.25};
    ASSERT_EQ(ybWriteOrientCeff("D:\\a.ioc", 0, stored), 0);
    double out[6] = {};
    ASSERT_EQ(ybReadInnefCeff("D:\\a.ioc", out), 0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], stored[i]) << i;
}

TEST_F(OrientationCoefficients, RelativeElementsGetAZeroInSecondPlace) {
    double const stored[5] = {1, 2, 3, 4, 5};
    ASSERT_EQ(ybWriteOrientCeff("D:\\a.roc", 1, stored), 0);
    double out[6] = {9, 9, 9, 9, 9, 9};
    ASSERT_EQ(ybReadSingleRelaCeff("D:\\a.roc", out), 0);
    double const expected[6] = {1, 0, 2, 3, 4, 5};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], expected[i]) << i;
}

TEST_F(OrientationCoefficients, AbsoluteElementsPutTheLastFourFirst) {
    double const stored[7] = {1, 2, 3, 4, 5, 6, 7};
    ASSERT_EQ(ybWriteOrientCeff("D:\\a.aoc", 2, stored), 0);
    double out[7] = {};
    ASSERT_EQ(ybReadAbsoluteCeff("D:\\a.aoc", out), 0);
    double const expected[7] = {4, 5, 6, 7, 1, 2, 3};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(out[i], expected[i]) << i;
}

TEST_F(OrientationCoefficients, FailuresPassTheLibraryCodeAndLeaveTheArray) {
    double out[7] = {8, 8, 8, 8, 8, 8, 8};
    std::int32_t const missing = ybReadInnefCeff("D:\\none.ioc", out);
    EXPECT_NE(missing, 0);
    EXPECT_EQ(ybReadSingleRelaCeff("D:\\none.roc", out), missing);
    EXPECT_EQ(ybReadAbsoluteCeff("D:\\none.aoc", out), missing);
    writeNative("junk.ioc", yb::test::bytesOf("not a coefficient file at all"));
    EXPECT_NE(ybReadInnefCeff("D:\\junk.ioc", out), 0);
    for (double v : out) EXPECT_EQ(v, 8.0);

    EXPECT_EQ(ybReadInnefCeff(nullptr, out), yb::kInvalidArgument);
    EXPECT_EQ(ybReadSingleRelaCeff("D:\\a.roc", nullptr), yb::kInvalidArgument);
    EXPECT_EQ(ybReadAbsoluteCeff(nullptr, nullptr), yb::kInvalidArgument);
}

}  // namespace
