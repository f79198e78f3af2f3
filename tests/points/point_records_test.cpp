#include "points/point_records.h"

#include "test_support.h"

#include <array>
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

TEST(PointRecords, NamesCompareIgnoringCaseAndAreReadBounded) {
    EXPECT_TRUE(yb::points::sameName("A7", "a7"));
    EXPECT_FALSE(yb::points::sameName("A7", "A8"));
    EXPECT_EQ(yb::points::nameKey("P0312a"), "p0312a");
    // A name that fills its field without a terminator is read bounded.
    tagImagePoint point{};
    std::memset(point.name, 'N', sizeof point.name);
    EXPECT_EQ(yb::points::pointName(point).size(), 32u);
}

// Two image points make a model point and an in-use model point gives them back, photo coordinates cleared.
TEST(PointRecords, ModelPointAndImagePointsRoundTrip) {
    tagImagePoint const left = imagePoint("T1", 203, 1, 2, 7), right = imagePoint("t1", 204, 3, 4);
    CONTROLPOINT_INFO entry = yb::points::modelPointFromImagePoints(left, right, 5);
    EXPECT_EQ(entry.serial, 5);
    EXPECT_EQ(entry.inUse, 1);
    EXPECT_EQ((std::array{entry.leftX, entry.leftY, entry.rightX, entry.rightY}), (std::array{1.0, 2.0, 3.0, 4.0}));
    auto pair = yb::points::imagePointsFromModelPoint(entry, 203);
    ASSERT_TRUE(pair.has_value());
    for (auto [back, original] : {std::pair{pair->first, left}, std::pair{pair->second, right}}) {
        original.photoX = 0;
        std::memcpy(original.name, left.name, sizeof original.name);  // both take the model point's name
        original.type = left.type;
        EXPECT_EQ(std::memcmp(&back, &original, sizeof back), 0) << +original.imageNo;
    }
    entry.inUse = 0;
    EXPECT_FALSE(yb::points::imagePointsFromModelPoint(entry, 203).has_value());
}

}  // namespace
