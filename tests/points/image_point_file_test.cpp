// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

#include <cstring>

namespace {

using yb::test::Le;

std::vector<tagImagePoint> samplePoints(std::int32_t count, std::int32_t imageNo = 203) {
    std::vector<tagImagePoint> points;
    for (std::int32_t i = 0; i < count; ++i) {
        points.push_back(yb::test::tiePoint(("P" + std::to_string(100000 + i)).c_str(), imageNo, 100 + i, 200 + i,
                                            static_cast<std::int16_t>(i % 3)));
        points.back().photoX = i * 0.5;
    }
    return points;
}

// The file holding `points`, as written.
std::vector<unsigned char> fileOf(std::vector<tagImagePoint> const& points) {
    return (Le() << "YB_IMAGE_JOINT_POINT_FILE_VER1.0" << static_cast<std::int32_t>(points.size()))
        .raw(points.data(), points.size() * sizeof(tagImagePoint))
        .bytes;
}

using ImagePointFile = yb::test::DriveFixture;

TEST_F(ImagePointFile, IsMagicCountAndPackedRecordsReadBackInFileOrder) {
    ASSERT_EQ(ybWriteImgGcpFile("D:\\a.ijp", nullptr, 0), 0);
    EXPECT_EQ(readNative("a.ijp"), fileOf({}));
    std::vector<tagImagePoint> back = samplePoints(2);
    ASSERT_EQ(ybReadImgGcpFileToAry("D:\\a.ijp", back), 0);
    EXPECT_TRUE(back.empty());

    auto const points = samplePoints(2500);  // the growable reader takes three portions of at most 1024
    ASSERT_EQ(ybWriteImgGcpFile("D:\\a.ijp", points.data(), 2500), 0);
    EXPECT_EQ(readNative("a.ijp"), fileOf(points));
    std::int32_t count = -1;
    std::vector<tagImagePoint> array(2500);
    ASSERT_EQ(ybGetImageGcpNumsOfFile("d:\\A.IJP", &count), 0);
    EXPECT_EQ(count, 2500);
    ASSERT_EQ(ybReadImgGcpFile("D:\\a.ijp", array.data(), &count), 0);
    EXPECT_EQ(fileOf(array), fileOf(points));
    ASSERT_EQ(ybReadImgGcpFileToAry("D:\\a.ijp", back), 0);
    EXPECT_EQ(fileOf(back), fileOf(points));
}

TEST_F(ImagePointFile, DamagedFilesGiveTheirCodesAndAreNotAppendedTo) {
    auto bytes = fileOf(samplePoints(3));
    bytes.resize(bytes.size() - 1);  // one byte short of the count's promise
    writeNative("a.ijp", bytes);
    std::int32_t count = 0;
    std::vector<tagImagePoint> array(3), growable = samplePoints(4);
    EXPECT_EQ(ybGetImageGcpNumsOfFile("D:\\a.ijp", &count), 0);
    EXPECT_EQ(ybReadImgGcpFile("D:\\a.ijp", array.data(), &count), yb::kInvalidContent);
    EXPECT_EQ(ybReadImgGcpFileToAry("D:\\a.ijp", growable), yb::kInvalidContent);
    EXPECT_TRUE(growable.empty());
    // A file shorter than its count is refused rather than extended behind a gap.
    EXPECT_EQ(ybAppendImgJointPntToFile("D:\\a.ijp", array.data(), 3), yb::kInvalidContent);
    EXPECT_EQ(readNative("a.ijp"), bytes);

    bytes[5] = 'x';
    writeNative("a.ijp", bytes);
    EXPECT_EQ(ybGetImageGcpNumsOfFile("D:\\a.ijp", &count), yb::kWrongMagic);
    EXPECT_EQ(ybGetImageGcpNumsOfFile("D:\\none.ijp", &count), yb::kCannotOpen);
}

TEST_F(ImagePointFile, AppendAddsRecordsLastAndRaisesTheCount) {
    auto first = samplePoints(5, 101), more = samplePoints(3, 102);
    ASSERT_EQ(ybWriteImgGcpFile("D:\\a.ijp", first.data(), 5), 0);
    ASSERT_EQ(ybAppendImgJointPntToFile("D:\\a.ijp", more.data(), 3), 0);
    first.insert(first.end(), more.begin(), more.end());
    EXPECT_EQ(readNative("a.ijp"), fileOf(first));
    EXPECT_EQ(listNative(), std::vector<std::string>{"a.ijp"});

    EXPECT_EQ(ybAppendImgJointPntToFile("D:\\none.ijp", more.data(), 3), yb::kCannotOpen);
    EXPECT_FALSE(existsNative("none.ijp"));
}

TEST_F(ImagePointFile, RefusedAppendsKeepTheFileAndRefusedWritesDeleteIt) {
    auto points = samplePoints(2);
    ASSERT_EQ(ybWriteImgGcpFile("D:\\a.ijp", points.data(), 2), 0);
    auto const before = readNative("a.ijp");
    EXPECT_EQ(ybAppendImgJointPntToFile("D:\\a.ijp", nullptr, 1), yb::kInvalidArgument);
    EXPECT_EQ(ybAppendImgJointPntToFile("D:\\a.ijp", nullptr, 0), yb::kInvalidArgument);
    EXPECT_EQ(ybAppendImgJointPntToFile("D:\\a.ijp", points.data(), -2), yb::kInvalidArgument);
    EXPECT_EQ(readNative("a.ijp"), before);
    // A write's refused records leave no file that could be taken for them; no records at all is a
    // header-only file.
    EXPECT_EQ(ybWriteImgGcpFile("D:\\a.ijp", points.data(), -1), yb::kInvalidArgument);
    EXPECT_FALSE(existsNative("a.ijp"));
    ASSERT_EQ(ybWriteImgGcpFile("D:\\a.ijp", points.data(), 2), 0);
    EXPECT_EQ(ybWriteImgGcpFile("D:\\a.ijp", nullptr, 2), yb::kInvalidArgument);
    EXPECT_FALSE(existsNative("a.ijp"));
    EXPECT_EQ(ybWriteImgGcpFile("D:\\a.ijp", nullptr, 0), 0);
    EXPECT_EQ(sizeNative("a.ijp"), 36u);
}

}  // namespace
