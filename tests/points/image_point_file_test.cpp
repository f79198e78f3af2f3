#include "points/image_point_file.h"

#include "point_file_fixture.h"

#include <cstring>

namespace {

using yb::test::bytesOf;

std::vector<tagImagePoint> samplePoints(std::int32_t count, std::int32_t imageNo = 203) {
    std::vector<tagImagePoint> points(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        tagImagePoint& point = points[static_cast<std::size_t>(i)];
        point.photoX = i * 0.5;
        point.x = 100 + i;
        point.y = 200 + i;
        point.imageNo = imageNo;
        point.type = static_cast<std::int16_t>(i % 3);
        std::snprintf(point.name, sizeof point.name, "P%05d", i);
    }
    return points;
}

bool samePoints(std::vector<tagImagePoint> const& a, std::vector<tagImagePoint> const& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(tagImagePoint)) == 0;
}

class ImagePointFile : public yb::test::PointFileFixture {};

TEST_F(ImagePointFile, LayoutIsMagicCountAndPackedRecords) {
    ASSERT_EQ(ybWriteImgGcpFile("D:\\a.ijp", nullptr, 0), 0);
    auto bytes = readNative("a.ijp");
    ASSERT_EQ(bytes.size(), 36u);
    EXPECT_EQ(textAt(bytes, 0, 32), "YB_IMAGE_JOINT_POINT_FILE_VER1.0");
    EXPECT_EQ(int32At(bytes, 32), 0);
    std::vector<tagImagePoint> back = samplePoints(2);
    ASSERT_EQ(ybReadImgGcpFileToAry("D:\\a.ijp", back), 0);
    EXPECT_TRUE(back.empty());

    auto points = samplePoints(2);
    ASSERT_EQ(ybWriteImgGcpFile("D:\\a.ijp", points.data(), 2), 0);
    bytes = readNative("a.ijp");
    ASSERT_EQ(bytes.size(), 36u + 140u);
    EXPECT_EQ(int32At(bytes, 32), 2);
    EXPECT_EQ(int32At(bytes, 36 + 70 + 32), 203);  // image number of the second record
    EXPECT_EQ(textAt(bytes, 36 + 70 + 38, 7), std::string("P00001\0", 7));

    std::int32_t count = -1;
    std::vector<tagImagePoint> array(2);
    ASSERT_EQ(ybGetImageGcpNumsOfFile("d:\\A.IJP", &count), 0);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(ybReadImgGcpFile("D:\\a.ijp", array.data(), &count), 0);
    EXPECT_TRUE(samePoints(array, points));
}

TEST_F(ImagePointFile, GrowableReaderKeepsFileOrderAcrossPortions) {
    auto points = samplePoints(2500);  // three portions of at most 1024 records
    ASSERT_EQ(ybWriteImgGcpFile("D:\\big.ijp", points.data(), 2500), 0);
    std::vector<tagImagePoint> back;
    ASSERT_EQ(ybReadImgGcpFileToAry("D:\\big.ijp", back), 0);
    EXPECT_TRUE(samePoints(back, points));
}

TEST_F(ImagePointFile, DamagedFilesGiveTheirCodes) {
    auto points = samplePoints(3);
    ASSERT_EQ(ybWriteImgGcpFile("D:\\a.ijp", points.data(), 3), 0);
    auto bytes = readNative("a.ijp");
    std::int32_t count = 0;
    std::vector<tagImagePoint> array(3), growable = samplePoints(4);

    bytes.resize(bytes.size() - 1);  // one byte short of the count's promise
    writeNative("a.ijp", bytes);
    EXPECT_EQ(ybGetImageGcpNumsOfFile("D:\\a.ijp", &count), 0);
    EXPECT_EQ(ybReadImgGcpFile("D:\\a.ijp", array.data(), &count), yb::kInvalidContent);
    EXPECT_EQ(ybReadImgGcpFileToAry("D:\\a.ijp", growable), yb::kInvalidContent);
    EXPECT_TRUE(growable.empty());

    putInt32(bytes, 32, -1);
    writeNative("a.ijp", bytes);
    EXPECT_EQ(ybGetImageGcpNumsOfFile("D:\\a.ijp", &count), yb::kInvalidContent);

    bytes[5] = 'x';
    writeNative("a.ijp", bytes);
    EXPECT_EQ(ybGetImageGcpNumsOfFile("D:\\a.ijp", &count), yb::kWrongMagic);
    writeNative("a.ijp", bytesOf("YB_IMAGE_JOINT"));
    EXPECT_EQ(ybGetImageGcpNumsOfFile("D:\\a.ijp", &count), yb::kInvalidContent);
    writeNative("a.ijp", bytesOf("YB_IMAGE_JOINT_POINT_FILE_VER1.0\1"));
    EXPECT_EQ(ybGetImageGcpNumsOfFile("D:\\a.ijp", &count), yb::kInvalidContent);
    EXPECT_EQ(ybGetImageGcpNumsOfFile("D:\\none.ijp", &count), yb::kCannotOpen);
}

TEST_F(ImagePointFile, AppendAddsRecordsLastAndRaisesTheCount) {
    auto first = samplePoints(5, 101), more = samplePoints(3, 102);
    ASSERT_EQ(ybWriteImgGcpFile("D:\\a.ijp", first.data(), 5), 0);
    ASSERT_EQ(ybAppendImgJointPntToFile("D:\\a.ijp", more.data(), 3), 0);
    auto bytes = readNative("a.ijp");
    EXPECT_EQ(bytes.size(), 36u + 8 * 70u);
    EXPECT_EQ(int32At(bytes, 32), 8);
    std::vector<tagImagePoint> back;
    ASSERT_EQ(ybReadImgGcpFileToAry("D:\\a.ijp", back), 0);
    first.insert(first.end(), more.begin(), more.end());
    EXPECT_TRUE(samePoints(back, first));
    EXPECT_EQ(listNative(), std::vector<std::string>{"a.ijp"});

    EXPECT_EQ(ybAppendImgJointPntToFile("D:\\none.ijp", more.data(), 3), yb::kCannotOpen);
    EXPECT_FALSE(existsNative("none.ijp"));
}

TEST_F(ImagePointFile, AppendToAFileShorterThanItsCountIsRefused) {
    auto first = samplePoints(5), more = samplePoints(3);
    ASSERT_EQ(ybWriteImgGcpFile("D:\\a.ijp", first.data(), 5), 0);
    // A file shorter than its count is refused rather than extended behind a gap.
    auto bytes = readNative("a.ijp");
    bytes.resize(bytes.size() - 70);
    writeNative("a.ijp", bytes);
    EXPECT_EQ(ybAppendImgJointPntToFile("D:\\a.ijp", more.data(), 3), yb::kInvalidContent);
    EXPECT_EQ(readNative("a.ijp"), bytes);
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
