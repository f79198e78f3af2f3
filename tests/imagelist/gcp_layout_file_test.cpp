// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

#include <initializer_list>

namespace {

constexpr char const* kPath = "D:\\Blk\\gcp.lay";
constexpr char const* kNative = "Blk/gcp.lay";

BLOCKGCPLAYOUTINFO point(char tag, std::initializer_list<std::int32_t> images, std::int32_t count = -1) {
    BLOCKGCPLAYOUTINFO record;
    std::memset(&record, 0, sizeof record);
    std::memset(record.callerData, tag, sizeof record.callerData);
    std::int32_t i = 0;
    for (std::int32_t image : images) record.imageNo[i++] = image;
    record.imageCount = count >= 0 ? count : i;
    return record;
}

class GcpLayoutFile : public yb::test::DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        writeNative("Blk/placeholder", {});
    }
    std::vector<char> tagsOfStrip(std::int32_t strip) {
        std::int32_t count = -1;
        EXPECT_EQ(ybGetImgGcpNumOfOneStrip(kPath, strip, &count), 0);
        std::vector<BLOCKGCPLAYOUTINFO> records(static_cast<std::size_t>(std::max(count, 1)));
        std::int32_t copied = -1;
        EXPECT_EQ(ybGetGcpInfoOfOneStrip(kPath, strip, records.data(), &copied), 0);
        EXPECT_EQ(copied, count);
        std::vector<char> tags;
        for (std::int32_t i = 0; i < copied; ++i)
            tags.push_back(static_cast<char>(records[static_cast<std::size_t>(i)].callerData[0]));
        return tags;
    }
};

TEST_F(GcpLayoutFile, WrittenWholeAndReadBack) {
    std::vector<BLOCKGCPLAYOUTINFO> records{point('a', {105, 203}), point('b', {101, 102, 103})};
    ASSERT_EQ(ybWriteBlockGcpLayoutFile(kPath, records.data(), 2), 0);
    EXPECT_EQ(
        readNative(kNative),
        (yb::test::Le() << "YB_BLOCK_GCP_LAYOUT_FILE_VER1.0" << std::int32_t{2}).raw(records.data(), 2 * 84).bytes);

    std::int32_t count = 0;
    EXPECT_EQ(ybGetGcpNumsOfGcpLayoutFile(kPath, &count), 0);
    EXPECT_EQ(count, 2);
    std::vector<BLOCKGCPLAYOUTINFO> back(2);
    EXPECT_EQ(ybReadBlockGcpLayoutFile(kPath, back.data(), &count), 0);
    EXPECT_EQ(std::memcmp(back.data(), records.data(), 2 * 84), 0);

    ASSERT_EQ(ybWriteBlockGcpLayoutFile(kPath, records.data(), 0), 0);
    EXPECT_EQ(sizeNative(kNative), 35u);
    EXPECT_TRUE(tagsOfStrip(1).empty());
}

TEST_F(GcpLayoutFile, StripMembershipUsesOnlyTheMeaningfulImages) {
    std::vector<BLOCKGCPLAYOUTINFO> records{
        point('a', {105, 203}), point('b', {101, 102, 103}),
        point('c', {}),         point('d', {301, 204, 401}, 1),  // 204 lies beyond the image count
        point('e', {210}),
    };
    ASSERT_EQ(ybWriteBlockGcpLayoutFile(kPath, records.data(), 5), 0);
    EXPECT_EQ(tagsOfStrip(1), (std::vector<char>{'a', 'b'}));
    EXPECT_EQ(tagsOfStrip(2), (std::vector<char>{'a', 'e'}));
    EXPECT_EQ(tagsOfStrip(3), (std::vector<char>{'d'}));
    EXPECT_TRUE(tagsOfStrip(4).empty());

    // A stored count above 12 reads as 12; a negative one as none.
    writeNative(kNative, yb::test::patched(yb::test::patched(readNative(kNative), 35 + 32, std::int32_t{1000}),
                                           35 + 84 + 32, std::int32_t{-5}));
    EXPECT_EQ(tagsOfStrip(1), (std::vector<char>{'a'}));
}

TEST_F(GcpLayoutFile, RefusedAndFailedWritesLeaveNoFile) {
    std::vector<BLOCKGCPLAYOUTINFO> records{point('a', {101})};
    ASSERT_EQ(ybWriteBlockGcpLayoutFile(kPath, records.data(), 1), 0);
    EXPECT_EQ(ybWriteBlockGcpLayoutFile(kPath, nullptr, 1), yb::kInvalidArgument);
    EXPECT_FALSE(existsNative(kNative));

    ASSERT_EQ(ybWriteBlockGcpLayoutFile(kPath, records.data(), 1), 0);
    EXPECT_EQ(ybWriteBlockGcpLayoutFile(kPath, records.data(), -1), yb::kInvalidArgument);
    EXPECT_TRUE(existsNative(kNative));
    records[0].imageCount = 13;
    EXPECT_EQ(ybWriteBlockGcpLayoutFile(kPath, records.data(), 1), yb::kInvalidArgument);
    EXPECT_FALSE(existsNative(kNative));

    records[0].imageCount = 1;
    EXPECT_EQ(ybWriteBlockGcpLayoutFile("D:\\Missing\\gcp.lay", records.data(), 1), yb::kCannotWrite);
}

TEST_F(GcpLayoutFile, ReadersRefuseAbsentForeignAndDamagedFiles) {
    std::int32_t count = 9;
    BLOCKGCPLAYOUTINFO records[2];
    EXPECT_EQ(ybGetGcpNumsOfGcpLayoutFile(kPath, &count), yb::kCannotOpen);
    EXPECT_EQ(ybReadBlockGcpLayoutFile(kPath, records, &count), yb::kCannotOpen);
    EXPECT_EQ(ybGetImgGcpNumOfOneStrip(kPath, 1, &count), yb::kCannotOpen);
    EXPECT_EQ(ybGetGcpInfoOfOneStrip(kPath, 1, records, &count), yb::kCannotOpen);
    EXPECT_EQ(ybGetGcpNumsOfGcpLayoutFile(kPath, nullptr), yb::kInvalidArgument);
    EXPECT_EQ(ybReadBlockGcpLayoutFile(kPath, nullptr, &count), yb::kInvalidArgument);
    EXPECT_EQ(ybGetGcpInfoOfOneStrip(kPath, 1, nullptr, &count), yb::kInvalidArgument);

    writeNative(kNative, yb::test::bytesOf("YB_BLOCK_GCP_LAYOUT_FILE_VER1."));
    EXPECT_EQ(ybGetGcpNumsOfGcpLayoutFile(kPath, &count), yb::kInvalidContent);

    // A count beyond what the file holds, or negative.
    for (std::int32_t stored : {3, -1, 0x7FFFFFFF}) {
        auto bytes = yb::test::bytesOf("YB_BLOCK_GCP_LAYOUT_FILE_VER1.0");
        bytes.resize(31 + 4 + 2 * 84);
        writeNative(kNative, yb::test::patched(bytes, 31, stored));
        EXPECT_EQ(ybGetGcpNumsOfGcpLayoutFile(kPath, &count), yb::kInvalidContent) << stored;
        EXPECT_EQ(ybReadBlockGcpLayoutFile(kPath, records, &count), yb::kInvalidContent) << stored;
        EXPECT_EQ(ybGetImgGcpNumOfOneStrip(kPath, 1, &count), yb::kInvalidContent) << stored;
    }
    EXPECT_EQ(count, 9) << "failures leave the out value alone";
}

}  // namespace
