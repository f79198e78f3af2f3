#include "points/point_records.h"

#include "test_support.h"

#include <cstring>

namespace {

tagImagePoint imagePoint(char const* name, std::int32_t imageNo, double x, double y, std::int16_t type = 0) {
    tagImagePoint point{};
    std::strcpy(point.name, name);
    point.imageNo = imageNo;
    point.x = x;
    point.y = y;
    point.photoX = 99;
    point.type = type;
    return point;
}

TEST(PointRecords, ImagePointArraysArePacked) {
    tagImagePoint points[3]{};
    points[1].imageNo = 0x01020304;
    auto const* bytes = reinterpret_cast<unsigned char const*>(points);
    EXPECT_EQ(sizeof points, 210u);
    EXPECT_EQ(bytes[102], 0x04);
    EXPECT_EQ(bytes[105], 0x01);
}

TEST(PointRecords, NamesCompareIgnoringCase) {
    EXPECT_TRUE(yb::points::sameName("A7", "a7"));
    EXPECT_FALSE(yb::points::sameName("A7", "A8"));
    EXPECT_EQ(yb::points::nameKey("P0312a"), "p0312a");
    // A name that fills its field without a terminator is read bounded.
    tagImagePoint point{};
    std::memset(point.name, 'N', sizeof point.name);
    EXPECT_EQ(yb::points::pointName(point).size(), 32u);
}

TEST(PointRecords, ModelPointFromTwoImagePoints) {
    CONTROLPOINT_INFO entry =
        yb::points::modelPointFromImagePoints(imagePoint("T1", 101, 1, 2, 1), imagePoint("t1", 102, 3, 4), 5);
    EXPECT_EQ(entry.serial, 5);
    EXPECT_STREQ(entry.name, "T1");
    EXPECT_EQ(entry.type, 1);
    EXPECT_EQ(entry.inUse, 1);
    EXPECT_EQ(entry.leftX, 1);
    EXPECT_EQ(entry.leftY, 2);
    EXPECT_EQ(entry.rightX, 3);
    EXPECT_EQ(entry.rightY, 4);
}

TEST(PointRecords, ImagePointsFromModelPointOnlyWhenInUse) {
    CONTROLPOINT_INFO entry{};
    std::strcpy(entry.name, "M");
    entry.type = 7;
    entry.leftX = 1;
    entry.leftY = 2;
    entry.rightX = 3;
    entry.rightY = 4;
    EXPECT_FALSE(yb::points::imagePointsFromModelPoint(entry, 203).has_value());
    entry.inUse = 1;
    auto pair = yb::points::imagePointsFromModelPoint(entry, 203);
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(std::int32_t{pair->first.imageNo}, 203);
    EXPECT_EQ(std::int32_t{pair->second.imageNo}, 204);
    EXPECT_EQ(pair->first.photoX, 0);
    EXPECT_EQ(pair->second.x, 3);
    EXPECT_EQ(pair->second.y, 4);
    EXPECT_EQ(std::int16_t{pair->second.type}, 7);
    EXPECT_STREQ(pair->second.name, "M");
}

TEST(PointRecords, CommonPointTakesTheSecondModelsRightImage) {
    CONTROLPOINT_INFO a{}, b{};
    std::strcpy(a.name, "A");
    std::strcpy(b.name, "B");
    a.leftX = 1, a.leftY = 2, a.rightX = 3, a.rightY = 4;
    b.leftX = 30, b.leftY = 40, b.rightX = 5, b.rightY = 6;
    ModelCommonPoint common = yb::points::commonPointFromModelPoints(a, b, b);
    EXPECT_STREQ(common.name, "B");
    EXPECT_EQ(common.x1, 1);
    EXPECT_EQ(common.y2, 4);
    EXPECT_EQ(common.x3, 5);
    EXPECT_EQ(common.y3, 6);
}

}  // namespace
