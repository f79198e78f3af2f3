// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

namespace {

using yb::test::TestSet;

class ModelControlPointFile : public yb::test::DriveFixture {
protected:
    static constexpr char const* kPath = "D:\\b.bjp";

    std::int32_t writeModel(std::int32_t strip, std::int32_t model, std::int32_t count, double seed) {
        TestSet points(count);
        for (std::int32_t k = 0; k < count; ++k) {
            std::string name = "G" + std::to_string(static_cast<int>(seed) + k);
            points.add(name.c_str(), seed + k, static_cast<std::int16_t>(k + 1));
        }
        return ybWriteModelGcpFile(kPath, strip, model, &points.set);
    }
    std::int32_t header(std::int32_t (*get)(char const*, std::int32_t*)) {
        std::int32_t value = -1;
        EXPECT_EQ(get(kPath, &value), 0);
        return value;
    }
    std::int32_t countAt(std::int32_t position) {
        std::int32_t count = -1;
        EXPECT_EQ(ybGetOneModelTiePntNums(kPath, position, &count), 0);
        return count;
    }
};

// A section as written by writeModel: strip, model, count, then per point name, four coordinates, type.
yb::test::Le& section(yb::test::Le& bytes, std::int32_t strip, std::int32_t model, std::int32_t count, double seed) {
    bytes << strip << model << count;
    for (std::int32_t k = 0; k < count; ++k)
        bytes.text("G" + std::to_string(static_cast<int>(seed) + k), 32)
            << seed + k + 0.25 << seed + k + 0.5 << seed + k + 0.75 << seed + k + 1.0
            << static_cast<std::int16_t>(k + 1);
    return bytes;
}

TEST_F(ModelControlPointFile, SectionsKeepTheirOrderAndGrowInPlace) {
    ASSERT_EQ(ybCreateOneModelGcpFile(kPath, 3), 0);
    yb::test::Le head;
    head << "YB_BLOCK_JOINT_POINT_FILE_VER1.0" << std::int32_t{3};
    EXPECT_EQ(readNative("b.bjp"), (yb::test::Le(head) << std::int32_t{0} << std::int32_t{0}).bytes);
    ASSERT_EQ(writeModel(1, 2, 5, 100), 0);
    ASSERT_EQ(writeModel(1, 1, 3, 200), 0);
    yb::test::Le expected(head);
    expected << std::int32_t{2} << std::int32_t{8};
    section(section(expected, 1, 2, 5, 100), 1, 1, 3, 200);
    EXPECT_EQ(readNative("b.bjp"), expected.bytes);
    EXPECT_EQ(header(ybGetStripNumsOfModelGcpFile), 3);
    EXPECT_EQ(header(ybGetModelNumsOfModelGcpFile), 2);
    EXPECT_EQ(header(ybGetBlockTiePntNumsOfFile), 8);
    EXPECT_EQ(countAt(1), 5);
    EXPECT_EQ(countAt(2), 3);

    ASSERT_EQ(writeModel(1, 2, 2, 300), 0);
    EXPECT_EQ(header(ybGetBlockTiePntNumsOfFile), 10);
    TestSet grown(7);
    ASSERT_EQ(ybReadModelGcpFile(kPath, 1, 2, &grown.set), 0);
    ASSERT_EQ(grown.count(), 7);
    EXPECT_STREQ(grown.entries[4].name, "G104");
    EXPECT_STREQ(grown.entries[5].name, "G300");
    EXPECT_EQ(grown.entries[5].serial, 5);
    EXPECT_EQ(grown.entries[5].type, 1);
    EXPECT_EQ(grown.entries[5].leftY, 300.5);
    EXPECT_EQ(grown.entries[5].rightX, 300.75);
    TestSet following(3);
    ASSERT_EQ(ybReadOneModelTiePnt(kPath, 2, &following.set), 0);
    ASSERT_EQ(following.count(), 3);
    EXPECT_STREQ(following.entries[2].name, "G202");
    EXPECT_EQ(following.entries[2].inUse, 1);
    EXPECT_EQ(following.entries[2].type, 0);  // the read by position leaves the type alone
    EXPECT_EQ(listNative(), std::vector<std::string>{"b.bjp"});
    EXPECT_EQ(ybCreateOneModelGcpFile(kPath, 0), yb::kInvalidArgument);
    EXPECT_EQ(ybGetStripNumsOfModelGcpFile(kPath, nullptr), yb::kInvalidArgument);
}

TEST_F(ModelControlPointFile, EmptyAndMissingSections) {
    ASSERT_EQ(ybCreateOneModelGcpFile(kPath, 2), 0);
    ASSERT_EQ(ybWriteModelGcpFile(kPath, 2, 4, nullptr), 0);
    EXPECT_EQ(header(ybGetModelNumsOfModelGcpFile), 1);
    EXPECT_EQ(countAt(1), 0);
    EXPECT_EQ(sizeNative("b.bjp"), 44u + 12);

    std::int32_t count = -1;
    TestSet set(2);
    set.add("old", 1);
    EXPECT_EQ(ybGetModelGcpNumsOfFile(kPath, 1, 1, &count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(ybReadModelGcpFile(kPath, 1, 1, &set.set), 0);
    EXPECT_EQ(set.count(), 0);

    TestSet empty(1);
    EXPECT_EQ(ybWriteModelGcpFile(kPath, 1, 1, &empty.set), yb::kInvalidArgument);
    EXPECT_EQ(writeModel(3, 1, 1, 0), yb::kInvalidArgument);  // beyond the file's strips
}

TEST_F(ModelControlPointFile, PositionsAndSmallSets) {
    ASSERT_EQ(ybCreateOneModelGcpFile(kPath, 1), 0);
    ASSERT_EQ(writeModel(1, 1, 7, 0), 0);
    ASSERT_EQ(writeModel(1, 2, 1, 50), 0);
    std::int32_t count = -1;
    EXPECT_EQ(ybGetOneModelTiePntNums(kPath, 3, &count), yb::kOutOfRange);
    EXPECT_EQ(ybGetOneModelTiePntNums(kPath, 0, &count), yb::kOutOfRange);

    TestSet small(5);
    small.add("keep", 9);
    auto const before = small.entries;
    EXPECT_EQ(ybReadOneModelTiePnt(kPath, 1, &small.set), yb::kPointSetTooSmall);
    EXPECT_EQ(ybReadModelGcpFile(kPath, 1, 1, &small.set), yb::kPointSetTooSmall);
    EXPECT_EQ(small.count(), 1);
    EXPECT_EQ(std::memcmp(small.entries.data(), before.data(), before.size() * sizeof before[0]), 0);
}

TEST_F(ModelControlPointFile, DamagedFilesGiveTheirCodes) {
    std::int32_t count = -1;
    EXPECT_EQ(ybGetOneModelTiePntNums("D:\\none.bjp", 1, &count), yb::kCannotOpen);
    EXPECT_EQ(ybGetModelNumsOfModelGcpFile("D:\\none.bjp", &count), yb::kInvalidContent);
    EXPECT_EQ(ybGetModelGcpNumsOfFile("D:\\none.bjp", 1, 1, &count), yb::kInvalidContent);

    ASSERT_EQ(ybCreateOneModelGcpFile(kPath, 1), 0);
    ASSERT_EQ(writeModel(1, 1, 2, 0), 0);
    ASSERT_EQ(writeModel(1, 2, 3, 0), 0);
    auto bytes = readNative("b.bjp");
    bytes.resize(bytes.size() - 1);  // the last section is one byte short
    writeNative("b.bjp", bytes);
    TestSet set(3);
    EXPECT_EQ(ybGetModelGcpNumsOfFile(kPath, 1, 2, &count), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(ybReadModelGcpFile(kPath, 1, 2, &set.set), yb::kInvalidContent);
    EXPECT_EQ(ybReadOneModelTiePnt(kPath, 2, &set.set), yb::kInvalidContent);
    EXPECT_EQ(set.count(), 0);
    EXPECT_EQ(writeModel(1, 3, 1, 0), yb::kInvalidContent);
    EXPECT_EQ(readNative("b.bjp"), bytes);

    bytes[3] = 'x';
    writeNative("b.bjp", bytes);
    EXPECT_EQ(ybGetOneModelTiePntNums(kPath, 1, &count), yb::kInvalidContent);
    EXPECT_EQ(ybGetStripNumsOfModelGcpFile(kPath, &count), yb::kInvalidContent);
}

}  // namespace
