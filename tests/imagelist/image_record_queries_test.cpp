#include "image_list_samples.h"

namespace {

using yb::test::i32At;
using yb::test::sampleImage;
using yb::test::sampleStrip;
using yb::test::sameImage;

constexpr char const* kList = "D:\\Area1.bil";
constexpr char const* kNative = "Area1.bil";

class ImageRecordQueries : public yb::test::DriveFixture {
protected:
    void writeStrip(std::int32_t strip, std::vector<ImageOrderInfo> images, std::int32_t stripCount = 3) {
        ASSERT_EQ(ybWriteOneStripImageRecord(kList, stripCount, strip, images), 0);
    }
};

TEST_F(ImageRecordQueries, AnEmptyListAnswersEachQueryWithItsOwnCode) {
    ASSERT_EQ(ybCreateNewImageRecordFile(kList, 3), 0);
    std::int32_t value = -1;
    EXPECT_EQ(ybGetStripNumberOfImageRecord(kList, &value), 0);
    EXPECT_EQ(value, 3);
    for (std::int32_t strip = 1; strip <= 3; ++strip) {
        value = -1;
        EXPECT_EQ(ybReadImageNumOfOneStrip(kList, strip, &value), 0);
        EXPECT_EQ(value, 0);
    }
    value = -1;
    EXPECT_EQ(ybGetBlockTotalImgNums(kList, &value), yb::kOutOfRange);
    EXPECT_EQ(value, -1);
    value = -1;
    EXPECT_EQ(ybGetImgGroupNumsOfImageRecord(kList, value), 0);
    EXPECT_EQ(value, 0);
    char paths[1][260];
    value = -1;
    EXPECT_EQ(ybReadAllImageDirectary(kList, 2, paths, &value), 0);
    EXPECT_EQ(value, 0);

    EXPECT_EQ(ybReadImageNumOfOneStrip(kList, 4, &value), yb::kOutOfRange);
    EXPECT_EQ(ybReadAllImageDirectary(kList, 4, paths, &value), yb::kStoredCountTooSmall);
    EXPECT_EQ(ybReadImageNumOfOneStrip(kList, 0, &value), yb::kInvalidArgument);
    EXPECT_EQ(ybReadAllImageDirectary(kList, 0, paths, &value), yb::kInvalidArgument);
    EXPECT_EQ(ybGetStripNumberOfImageRecord(kList, nullptr), yb::kInvalidArgument);
    EXPECT_EQ(ybGetBlockTotalImgNums(nullptr, &value), yb::kInvalidArgument);
}

TEST_F(ImageRecordQueries, AnAbsentListGivesEachQuerysCodeAndIsNotCreated) {
    std::int32_t value = 7;
    char paths[1][260];
    ImageOrderInfo record = sampleImage(1, 1);
    EXPECT_EQ(ybGetStripNumberOfImageRecord(kList, &value), yb::kFileNotFound);
    EXPECT_EQ(ybReadAllImageDirectary(kList, 1, paths, &value), yb::kFileNotFound);
    EXPECT_EQ(ybGetBlockTotalImgNums(kList, &value), yb::kFileNotFound);
    EXPECT_EQ(ybReadImageNumOfOneStrip(kList, 1, &value), yb::kCannotOpen);
    EXPECT_EQ(ybReadOneImageRecord(kList, 3, 1, 1, &record), yb::kCannotOpen);
    EXPECT_EQ(ybUpdateOneImageRecord(kList, 101, record), yb::kCannotOpen);
    EXPECT_EQ(ybGetImgGroupNumsOfImageRecord(kList, value), yb::kFileNotFound);
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(existsNative(kNative));

    // Every query opens the list through one header check.
    writeNative(kNative, yb::test::bytesOf("YB_BLOCK_IMAGE_LIST_FILE_VER2.0\3\0\0\0"));
    EXPECT_EQ(ybGetStripNumberOfImageRecord(kList, &value), yb::kInvalidContent);
    EXPECT_EQ(ybReadOneImageRecord(kList, 3, 1, 1, &record), yb::kInvalidContent);
}

TEST_F(ImageRecordQueries, CountsPathsAndGroupsOfAFilledBlock) {
    auto strip1 = sampleStrip(1, 2);
    strip1[0].nGroupNo = 1;
    strip1[1].nGroupNo = 3;
    auto strip2 = sampleStrip(2, 3);
    for (auto& image : strip2) image.nGroupNo = 2;
    writeStrip(1, strip1);
    writeStrip(2, strip2);
    std::int32_t value = 0;
    EXPECT_EQ(ybGetBlockTotalImgNums(kList, &value), 0);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(ybGetImgGroupNumsOfImageRecord(kList, value), 0);
    EXPECT_EQ(value, 3) << "the largest group number, not the number of distinct groups";

    char paths[3][260];
    std::memset(paths, 'x', sizeof paths);
    EXPECT_EQ(ybReadAllImageDirectary(kList, 2, paths, &value), 0);
    ASSERT_EQ(value, 3);
    for (int i = 0; i < 3; ++i) EXPECT_STREQ(paths[i], strip2[static_cast<std::size_t>(i)].szImagePath);
}

TEST_F(ImageRecordQueries, OneRecordIsCheckedAgainstItsImageNumber) {
    writeStrip(2, sampleStrip(2, 3));
    ImageOrderInfo record{};
    ASSERT_EQ(ybReadOneImageRecord(kList, 3, 2, 3, &record), 0);
    EXPECT_TRUE(sameImage(record, sampleImage(2, 3)));

    // The caller's list numbered image 3 of strip 2 as 205.
    auto strip = sampleStrip(2, 3);
    strip[2].nImageNo = 205;
    writeStrip(2, strip);
    ImageOrderInfo untouched = sampleImage(9, 9);
    record = untouched;
    EXPECT_EQ(ybReadOneImageRecord(kList, 3, 2, 3, &record), yb::kImageNumberMismatch);
    EXPECT_EQ(ybReadOneImageRecord(kList, 3, 2, 4, &record), yb::kImageNumberMismatch);
    EXPECT_TRUE(sameImage(record, untouched));

    EXPECT_EQ(ybReadOneImageRecord(kList, 3, 4, 1, &record), yb::kInvalidArgument);
    EXPECT_EQ(ybReadOneImageRecord(kList, 3, 2, 0, &record), yb::kInvalidArgument);
    EXPECT_EQ(ybReadOneImageRecord(kList, 3, 2, 1, nullptr), yb::kInvalidArgument);
    EXPECT_EQ(ybReadOneImageRecord(kList, 4, 2, 1, &record), yb::kInvalidContent);
}

TEST_F(ImageRecordQueries, UpdateWritesOnlyTheImagesTwoEntries) {
    writeStrip(1, sampleStrip(1, 4));
    writeStrip(2, sampleStrip(2, 5));
    writeStrip(3, sampleStrip(3, 1));
    auto before = readNative(kNative);

    ImageOrderInfo record = sampleImage(2, 3, 42);
    std::strcpy(record.szImagePath, "D:\\New\\image.ybi");
    record.nStripNo = 3;
    EXPECT_EQ(ybUpdateOneImageRecord(kList, 203, record), yb::kOutOfRange);
    record.nStripNo = 2;
    EXPECT_EQ(ybUpdateOneImageRecord(kList, 204, record), yb::kOutOfRange);
    EXPECT_EQ(ybUpdateOneImageRecord(kList, 206, record), yb::kOutOfRange);
    EXPECT_EQ(ybUpdateOneImageRecord(kList, 200, record), yb::kOutOfRange);
    EXPECT_EQ(ybUpdateOneImageRecord(kList, 3, record), yb::kInvalidArgument);
    EXPECT_EQ(readNative(kNative), before);

    ASSERT_EQ(ybUpdateOneImageRecord(kList, 203, record), 0);
    auto after = readNative(kNative);
    ASSERT_EQ(after.size(), before.size());
    std::size_t const pathEntry = 1795;  // strip 2's third path entry
    std::size_t const attributeEntry = pathEntry + 264 + 264 * 5 - 712;
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < after.size(); ++i)
        if (after[i] != before[i]) changed.push_back(i);
    for (std::size_t i : changed)
        EXPECT_TRUE((i >= pathEntry && i < pathEntry + 264) || (i >= attributeEntry && i < attributeEntry + 40)) << i;
    EXPECT_EQ(i32At(after, pathEntry), 203);
    EXPECT_EQ(i32At(after, attributeEntry), 203);
    EXPECT_EQ(i32At(after, attributeEntry + 4), 42);

    ImageOrderInfo back{};
    ASSERT_EQ(ybReadOneImageRecord(kList, 3, 2, 3, &back), 0);
    EXPECT_TRUE(sameImage(back, record));
}

TEST_F(ImageRecordQueries, DamagedCountsAreRefusedWithoutHugeAllocations) {
    writeStrip(1, sampleStrip(1, 2));
    auto bytes = readNative(kNative);
    std::int32_t const huge = 0x7FFFFFFF;
    std::memcpy(bytes.data() + 39, &huge, 4);  // strip 1's count
    writeNative(kNative, bytes);
    std::int32_t value = 0;
    char paths[2][260];
    EXPECT_EQ(ybReadImageNumOfOneStrip(kList, 1, &value), yb::kInvalidContent);
    EXPECT_EQ(ybReadAllImageDirectary(kList, 1, paths, &value), yb::kInvalidContent);
    EXPECT_EQ(ybGetBlockTotalImgNums(kList, &value), yb::kInvalidContent);
    EXPECT_EQ(ybGetImgGroupNumsOfImageRecord(kList, value), yb::kInvalidContent);

    std::memcpy(bytes.data() + 31, &huge, 4);  // the strip count
    writeNative(kNative, bytes);
    EXPECT_EQ(ybGetBlockTotalImgNums(kList, &value), yb::kInvalidContent);
    EXPECT_EQ(ybGetImgGroupNumsOfImageRecord(kList, value), yb::kInvalidContent);
    EXPECT_EQ(value, 0);

    // A list that ends before its last strip: the whole-block queries answer as the query of that
    // strip does, not as for a damaged count.
    ASSERT_EQ(ybCreateNewImageRecordFile(kList, 3), 0);
    bytes = readNative(kNative);
    bytes.resize(bytes.size() - 8);
    writeNative(kNative, bytes);
    EXPECT_EQ(ybReadImageNumOfOneStrip(kList, 3, &value), yb::kNotFound);
    EXPECT_EQ(ybGetBlockTotalImgNums(kList, &value), yb::kNotFound);
    EXPECT_EQ(ybGetImgGroupNumsOfImageRecord(kList, value), yb::kNotFound);
}

}  // namespace
