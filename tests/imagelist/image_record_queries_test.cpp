// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

#include <array>
#include <functional>

namespace {

using yb::test::sameImage;
using yb::test::sampleImage;
using yb::test::sampleStrip;

constexpr char const* kList = "D:\\Area1.bil";
constexpr char const* kNative = "Area1.bil";

class ImageRecordQueries : public yb::test::DriveFixture {
protected:
    void writeStrip(std::int32_t strip, std::vector<ImageOrderInfo> images, std::int32_t stripCount = 3,
                    char const* list = kList) {
        ASSERT_EQ(ybWriteOneStripImageRecord(list, stripCount, strip, images), 0);
    }
};

// Each query on a list in one state, with the code it gives; `value` is what it answers.
struct Query {
    char const* what;
    std::function<std::int32_t(std::int32_t& value)> call;
    std::int32_t code;
    std::int32_t value = -1;  // -1: left as it was
};

void expectAnswers(std::vector<Query> const& queries) {
    for (Query const& query : queries) {
        std::int32_t value = -1;
        EXPECT_EQ(query.call(value), query.code) << query.what;
        EXPECT_EQ(value, query.value) << query.what;
    }
}

char paths[3][260];
auto stripCount = [](std::int32_t& v) { return ybGetStripNumberOfImageRecord(kList, &v); };
auto total = [](std::int32_t& v) { return ybGetBlockTotalImgNums(kList, &v); };
auto groups = [](std::int32_t& v) { return ybGetImgGroupNumsOfImageRecord(kList, v); };
auto imagesOf = [](std::int32_t strip) {
    return [strip](std::int32_t& v) { return ybReadImageNumOfOneStrip(kList, strip, &v); };
};
auto pathsOf = [](std::int32_t strip) {
    return [strip](std::int32_t& v) { return ybReadAllImageDirectary(kList, strip, paths, &v); };
};

TEST_F(ImageRecordQueries, AnEmptyListAnswersEachQueryWithItsOwnCode) {
    ASSERT_EQ(ybCreateNewImageRecordFile(kList, 3), 0);
    expectAnswers({{"strips", stripCount, 0, 3},
                   {"images of strip 3", imagesOf(3), 0, 0},
                   {"total", total, yb::kOutOfRange},
                   {"groups", groups, 0, 0},
                   {"paths of strip 2", pathsOf(2), 0, 0},
                   {"images of strip 4", imagesOf(4), yb::kOutOfRange},
                   {"paths of strip 4", pathsOf(4), yb::kStoredCountTooSmall},
                   {"images of strip 0", imagesOf(0), yb::kInvalidArgument},
                   {"paths of strip 0", pathsOf(0), yb::kInvalidArgument}});
    EXPECT_EQ(ybGetStripNumberOfImageRecord(kList, nullptr), yb::kInvalidArgument);
}

TEST_F(ImageRecordQueries, AnAbsentListGivesEachQuerysCodeAndIsNotCreated) {
    ImageOrderInfo record = sampleImage(1, 1);
    expectAnswers(
        {{"strips", stripCount, yb::kFileNotFound},
         {"paths", pathsOf(1), yb::kFileNotFound},
         {"total", total, yb::kFileNotFound},
         {"images", imagesOf(1), yb::kCannotOpen},
         {"one image", [&](std::int32_t&) { return ybReadOneImageRecord(kList, 3, 1, 1, &record); }, yb::kCannotOpen},
         {"update", [&](std::int32_t&) { return ybUpdateOneImageRecord(kList, 101, record); }, yb::kCannotOpen},
         {"groups", groups, yb::kFileNotFound, 0}});
    EXPECT_FALSE(existsNative(kNative));

    // Every query opens the list through one header check.
    writeNative(kNative, yb::test::bytesOf("YB_BLOCK_IMAGE_LIST_FILE_VER2.0\3\0\0\0"));
    expectAnswers({{"strips", stripCount, yb::kInvalidContent},
                   {"one image", [&](std::int32_t&) { return ybReadOneImageRecord(kList, 3, 1, 1, &record); },
                    yb::kInvalidContent}});
}

TEST_F(ImageRecordQueries, CountsPathsAndGroupsOfAFilledBlock) {
    auto strip1 = sampleStrip(1, 2);
    strip1[1].nGroupNo = 3;
    auto strip2 = sampleStrip(2, 3);
    for (auto& image : strip2) image.nGroupNo = 2;
    writeStrip(1, strip1);
    writeStrip(2, strip2);
    std::memset(paths, 'x', sizeof paths);
    // The group count is the largest group number, not the number of distinct groups.
    expectAnswers({{"total", total, 0, 5}, {"groups", groups, 0, 3}, {"paths", pathsOf(2), 0, 3}});
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
    ImageOrderInfo const untouched = sampleImage(9, 9);
    record = untouched;
    for (auto [strips, stripNo, index, code] : {std::array{3, 2, 3, yb::kImageNumberMismatch},
                                                {3, 2, 4, yb::kImageNumberMismatch},
                                                {3, 4, 1, yb::kInvalidArgument},
                                                {3, 2, 0, yb::kInvalidArgument},
                                                {4, 2, 1, yb::kInvalidContent}})
        EXPECT_EQ(ybReadOneImageRecord(kList, strips, stripNo, index, &record), code) << stripNo << index;
    EXPECT_TRUE(sameImage(record, untouched));
    EXPECT_EQ(ybReadOneImageRecord(kList, 3, 2, 1, nullptr), yb::kInvalidArgument);
}

TEST_F(ImageRecordQueries, UpdateWritesOnlyTheImagesTwoEntries) {
    auto strip2 = sampleStrip(2, 5);
    for (char const* list : {kList, "D:\\expected.bil"}) {
        writeStrip(1, sampleStrip(1, 4), 3, list);
        writeStrip(2, strip2, 3, list);
        writeStrip(3, sampleStrip(3, 1), 3, list);
    }
    auto const before = readNative(kNative);

    ImageOrderInfo record = sampleImage(2, 3, 42);
    std::strcpy(record.szImagePath, "D:\\New\\image.ybi");
    record.nStripNo = 3;  // a strip that does not hold image 203
    EXPECT_EQ(ybUpdateOneImageRecord(kList, 203, record), yb::kOutOfRange);
    record.nStripNo = 2;
    for (std::int32_t imageNo : {204, 206, 200})
        EXPECT_EQ(ybUpdateOneImageRecord(kList, imageNo, record), yb::kOutOfRange);
    EXPECT_EQ(ybUpdateOneImageRecord(kList, 3, record), yb::kInvalidArgument);
    EXPECT_EQ(readNative(kNative), before);

    // The update gives the bytes a rewrite of the strip with the new record gives.
    ASSERT_EQ(ybUpdateOneImageRecord(kList, 203, record), 0);
    strip2[2] = record;
    writeStrip(2, strip2, 3, "D:\\expected.bil");
    EXPECT_EQ(readNative(kNative), readNative("expected.bil"));
}

TEST_F(ImageRecordQueries, DamagedCountsAreRefusedWithoutHugeAllocations) {
    writeStrip(1, sampleStrip(1, 2));
    auto bytes = readNative(kNative);
    yb::test::put<std::int32_t>(bytes, 39, 0x7FFFFFFF);  // strip 1's count
    writeNative(kNative, bytes);
    expectAnswers({{"images", imagesOf(1), yb::kInvalidContent},
                   {"paths", pathsOf(1), yb::kInvalidContent},
                   {"total", total, yb::kInvalidContent},
                   {"groups", groups, yb::kInvalidContent, 0}});

    // A list that ends before its last strip: the whole-block queries answer as the query of that
    // strip does, not as for a damaged count.
    ASSERT_EQ(ybCreateNewImageRecordFile(kList, 3), 0);
    bytes = readNative(kNative);
    bytes.resize(bytes.size() - 8);
    writeNative(kNative, bytes);
    expectAnswers({{"images", imagesOf(3), yb::kNotFound},
                   {"total", total, yb::kNotFound},
                   {"groups", groups, yb::kNotFound, 0}});
}

}  // namespace
