#include "point_file_fixture.h"

namespace {

using yb::test::bytesOf;

FeaturePoint feature(unsigned char fill) {
    FeaturePoint point;
    for (std::size_t i = 0; i < sizeof point.bytes; ++i) point.bytes[i] = static_cast<unsigned char>(fill + i);
    return point;
}

class FeaturePointFile : public yb::test::PointFileFixture {};

TEST_F(FeaturePointFile, RewriteKeepsTheLengthAndReadsTheNewCount) {
    FeaturePoint two[2] = {feature(1), feature(100)};
    ASSERT_EQ(ybWriteImgFeatruePointFile("D:\\f.fea", two, 2), 0);
    auto bytes = readNative("f.fea");
    ASSERT_EQ(bytes.size(), 134u);
    EXPECT_EQ(textAt(bytes, 0, 34), "YB_IMAGE_FEATURE_POINT_FILE_VER1.0");
    EXPECT_EQ(int32At(bytes, 34), 2);
    EXPECT_EQ(bytes[38 + 48], 100);

    FeaturePoint one = feature(50);
    ASSERT_EQ(ybWriteImgFeatruePointFile("D:\\f.fea", &one, 1), 0);
    bytes = readNative("f.fea");
    ASSERT_EQ(bytes.size(), 134u);  // the old second record stays behind the count
    EXPECT_EQ(int32At(bytes, 34), 1);
    EXPECT_EQ(bytes[38], 50);
    EXPECT_EQ(bytes[38 + 48], 100);

    FeaturePoint back[2] = {feature(0), feature(0)};
    std::int32_t count = -1;
    ASSERT_EQ(ybGetFeaturePointNumsOfFile("D:\\f.fea", &count), 0);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(ybReadImgFeaturePointFile("D:\\f.fea", back, &count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(std::memcmp(&back[0], &one, sizeof one), 0);
    EXPECT_EQ(back[1].bytes[0], 0);
    EXPECT_EQ(listNative(), std::vector<std::string>{"f.fea"});
}

TEST_F(FeaturePointFile, MissingAndDamagedFiles) {
    std::int32_t count = 7;
    FeaturePoint points[2];
    EXPECT_EQ(ybGetFeaturePointNumsOfFile("D:\\none.fea", &count), yb::kCannotOpen);
    writeNative("other.fea", bytesOf("YB_IMAGE_JOINT_POINT_FILE_VER1.0\0\0\0\0\0\0"));
    EXPECT_EQ(ybGetFeaturePointNumsOfFile("D:\\other.fea", &count), yb::kInvalidContent);
    // Rewriting a file of another kind is refused and leaves it alone.
    auto const other = readNative("other.fea");
    EXPECT_EQ(ybWriteImgFeatruePointFile("D:\\other.fea", points, 0), yb::kInvalidContent);
    EXPECT_EQ(readNative("other.fea"), other);

    FeaturePoint two[2] = {feature(1), feature(2)};
    ASSERT_EQ(ybWriteImgFeatruePointFile("D:\\f.fea", two, 2), 0);
    auto bytes = readNative("f.fea");
    bytes.resize(bytes.size() - 1);
    writeNative("f.fea", bytes);
    EXPECT_EQ(ybGetFeaturePointNumsOfFile("D:\\f.fea", &count), yb::kInvalidContent);
    EXPECT_EQ(ybReadImgFeaturePointFile("D:\\f.fea", points, &count), yb::kInvalidContent);
    putInt32(bytes, 34, -1);
    writeNative("f.fea", bytes);
    EXPECT_EQ(ybReadImgFeaturePointFile("D:\\f.fea", points, &count), yb::kInvalidContent);
    EXPECT_EQ(count, 7);
}

TEST_F(FeaturePointFile, RefusedRewritesLeaveTheFileAsItWas) {
    FeaturePoint two[2] = {feature(1), feature(2)}, three[3] = {feature(7), feature(8), feature(9)};
    ASSERT_EQ(ybWriteImgFeatruePointFile("D:\\f.fea", two, 2), 0);
    ASSERT_EQ(ybWriteImgFeatruePointFile("D:\\f.fea", three, 3), 0);
    EXPECT_EQ(int32At(readNative("f.fea"), 34), 3);

    EXPECT_EQ(ybWriteImgFeatruePointFile("D:\\f.fea", nullptr, 1), yb::kInvalidArgument);
    EXPECT_EQ(ybWriteImgFeatruePointFile("D:\\f.fea", nullptr, 0), yb::kInvalidArgument);
    EXPECT_EQ(ybWriteImgFeatruePointFile("D:\\new.fea", nullptr, 0), yb::kInvalidArgument);
    EXPECT_FALSE(existsNative("new.fea"));
    EXPECT_EQ(ybWriteImgFeatruePointFile("D:\\f.fea", three, -1), yb::kInvalidArgument);
    EXPECT_EQ(ybWriteImgFeatruePointFile(nullptr, three, 1), yb::kInvalidArgument);
    EXPECT_EQ(int32At(readNative("f.fea"), 34), 3);
}

}  // namespace
