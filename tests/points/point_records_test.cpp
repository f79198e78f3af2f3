#include "points/point_records.h"

#include "test_support.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

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

// Name keys are the lower-cased name (GBK-aware), cut at the terminator, whatever the bytes after
// it; the table finds each name by its key, under many names.
TEST(PointRecords, NameKeysFoldCaseAndIndexManyNames) {
    using yb::points::nameKeyOf;
    auto keyText = [](tagImagePoint const& point) {
        auto const key = nameKeyOf(point);
        return std::string(key.bytes.data(), strnlen(key.bytes.data(), key.bytes.size()));
    };
    tagImagePoint point{};
    std::string const gbkWithLetterTrail = yb::test::hexBytes("D6 41") + "Ab";  // trail byte 0x41 stays
    struct Case {
        std::string name;
        std::string key;
    };
    for (auto const& [name, key] : {Case{"P0312A", "p0312a"}, Case{"abcdefghIJKLMNOPqrstuvwxYZ@[`{", "abcdefghijklmnopqrstuvwxyz@[`{"},
                                    Case{gbkWithLetterTrail, yb::test::hexBytes("D6 41") + "ab"}, Case{"", ""}}) {
        std::memset(point.name, 'Z', sizeof point.name);
        std::memcpy(point.name, name.c_str(), name.size() + 1);  // bytes after the terminator differ
        EXPECT_EQ(keyText(point), key) << name;
        EXPECT_EQ(nameKeyOf(point), nameKeyOf(imagePoint(key.c_str(), 1, 0, 0))) << name;
    }
    std::memset(point.name, 'N', sizeof point.name);  // no terminator: all 32 bytes
    EXPECT_EQ(keyText(point), std::string(32, 'n'));

    yb::points::NameTable table(4);  // grows past what it was made for
    std::vector<tagImagePoint> points;
    for (int i = 0; i < 3000; ++i) points.push_back(imagePoint(("Pt" + std::to_string(i)).c_str(), 1, 0, 0));
    for (std::uint32_t i = 0; i < points.size(); ++i) EXPECT_TRUE(table.tryEmplace(nameKeyOf(points[i]), i).second);
    EXPECT_FALSE(table.tryEmplace(nameKeyOf(imagePoint("PT17", 1, 0, 0)), 0).second);
    for (std::uint32_t i = 0; i < points.size(); i += 7) {
        std::uint32_t const* found = table.find(nameKeyOf(imagePoint(("pT" + std::to_string(i)).c_str(), 1, 0, 0)));
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(*found, i);
    }
    EXPECT_EQ(table.find(nameKeyOf(imagePoint("Pt3000", 1, 0, 0))), nullptr);
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
