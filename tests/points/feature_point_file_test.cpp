// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

namespace {

using yb::test::bytesOf;

FeaturePoint feature(unsigned char fill) {
    FeaturePoint point;
    for (std::size_t i = 0; i < sizeof point.bytes; ++i) point.bytes[i] = static_cast<unsigned char>(fill + i);
    return point;
}

class FeaturePointFile : public yb::test::DriveFixture {};

TEST_F(FeaturePointFile, RewriteKeepsTheLengthAndReadsTheNewCount) {
    FeaturePoint two[2] = {feature(1), feature(100)};
    ASSERT_EQ(ybWriteImgFeatruePointFile("D:\\f.fea", two, 2), 0);
    yb::test::Le file;
    file << "YB_IMAGE_FEATURE_POINT_FILE_VER1.0" << std::int32_t{2} << two[0] << two[1];
    EXPECT_EQ(readNative("f.fea"), file.bytes);

    // The old second record stays behind the new count.
    FeaturePoint one = feature(50);
    ASSERT_EQ(ybWriteImgFeatruePointFile("D:\\f.fea", &one, 1), 0);
    yb::test::put<std::int32_t>(file.bytes, 34, 1);
    std::memcpy(file.bytes.data() + 38, &one, sizeof one);
    EXPECT_EQ(readNative("f.fea"), file.bytes);

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
    yb::test::put<std::int32_t>(bytes, 34, -1);
    writeNative("f.fea", bytes);
    EXPECT_EQ(ybReadImgFeaturePointFile("D:\\f.fea", points, &count), yb::kInvalidContent);
    EXPECT_EQ(count, 7);
}

TEST_F(FeaturePointFile, RefusedRewritesLeaveTheFileAsItWas) {
    FeaturePoint two[2] = {feature(1), feature(2)}, three[3] = {feature(7), feature(8), feature(9)};
    ASSERT_EQ(ybWriteImgFeatruePointFile("D:\\f.fea", two, 2), 0);
    ASSERT_EQ(ybWriteImgFeatruePointFile("D:\\f.fea", three, 3), 0);
    EXPECT_EQ(yb::test::at<std::int32_t>(readNative("f.fea"), 34), 3);

    EXPECT_EQ(ybWriteImgFeatruePointFile("D:\\f.fea", nullptr, 1), yb::kInvalidArgument);
    EXPECT_EQ(ybWriteImgFeatruePointFile("D:\\f.fea", nullptr, 0), yb::kInvalidArgument);
    EXPECT_EQ(ybWriteImgFeatruePointFile("D:\\new.fea", nullptr, 0), yb::kInvalidArgument);
    EXPECT_FALSE(existsNative("new.fea"));
    EXPECT_EQ(ybWriteImgFeatruePointFile("D:\\f.fea", three, -1), yb::kInvalidArgument);
    EXPECT_EQ(yb::test::at<std::int32_t>(readNative("f.fea"), 34), 3);
}

}  // namespace
