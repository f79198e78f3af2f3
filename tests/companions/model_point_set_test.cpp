// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "test_support.h"

#include <cstring>

namespace {

CONTROLPOINT_INFO entry(std::int32_t serial, char const* name) {
    CONTROLPOINT_INFO info{};
    info.serial = serial;
    std::strncpy(info.name, name, sizeof info.name - 1);
    info.type = 3;
    info.inUse = 1;
    info.leftX = serial + 0.25;
    info.leftY = -serial;
    info.rightX = serial * 10.0;
    info.rightY = 7.5;
    return info;
}

bool sameBytes(CONTROLPOINT_INFO const& a, CONTROLPOINT_INFO const& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class ModelPointSet : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(ybAllocControlPointMem(&set, 3), 0); }
    void TearDown() override {
        if (set != nullptr) {
            EXPECT_EQ(ybFreeControlPointMem(set), 0);
        }
    }
    CONTROLPOINT_STORAGE* set = nullptr;
};

TEST_F(ModelPointSet, NewSetHasItsCapacityAndNoEntriesAtTheByteOffsetsCallersUse) {
    unsigned char const* bytes = reinterpret_cast<unsigned char const*>(set);
    void* entries = nullptr;
    std::int32_t count = -1;
    std::int32_t capacity = -1;
    std::memcpy(&entries, bytes + 3, sizeof entries);
    std::memcpy(&count, bytes + 7 + sizeof(void*), 4);
    std::memcpy(&capacity, bytes + 11 + sizeof(void*), 4);
    EXPECT_NE(entries, nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(capacity, 3);
}

TEST_F(ModelPointSet, AddingPastTheCapacityGrowsTheSetAndKeepsEveryEntryInOrder) {
    ASSERT_EQ(ybInitControlPoint(set, 1), 0);
    for (std::int32_t i = 0; i < 40; ++i)
        ASSERT_EQ(ybAddOneGcpPoint(set, entry(i, ("P" + std::to_string(i)).c_str()), 1), 0);
    std::int32_t count = 0;
    ASSERT_EQ(ybGetGcpNum(set, &count), 0);
    ASSERT_EQ(count, 40);
    std::int32_t const capacity = set->capacity;  // copied: the packed field cannot bind a reference
    EXPECT_GE(capacity, 40);
    for (std::int32_t i = 0; i < 40; ++i) {
        CONTROLPOINT_INFO got{};
        ASSERT_EQ(ybGetOneGcpInfo(set, &got, i), 0);
        EXPECT_TRUE(sameBytes(got, entry(i, ("P" + std::to_string(i)).c_str()))) << i;
        // The header's pointer reaches the same entries after growing.
        EXPECT_TRUE(sameBytes(set->entries[i], got)) << i;
    }
    // Init empties the set for a fresh round of adding.
    ASSERT_EQ(ybInitControlPoint(set, 1), 0);
    ASSERT_EQ(ybGetGcpNum(set, &count), 0);
    EXPECT_EQ(count, 0);
    CONTROLPOINT_INFO got{};
    EXPECT_EQ(ybGetOneGcpInfo(set, &got, 0), ORIENT_E_RANGE);
}

TEST_F(ModelPointSet, EntriesFilledThroughTheHeaderAreSeenByTheLibrary) {
    // File readers write entries through the pointer and then set the count, without the library.
    set->entries[0] = entry(0, "A7");
    set->entries[1] = entry(1, "B8");
    set->count = 2;
    CONTROLPOINT_INFO got{};
    ASSERT_EQ(ybGetOneGcpInfo(set, &got, 1), 0);
    EXPECT_STREQ(got.name, "B8");
    // Appending continues after them.
    ASSERT_EQ(ybAddOneGcpPoint(set, entry(2, "C9"), 1), 0);
    ASSERT_EQ(ybGetOneGcpInfo(set, &got, 2), 0);
    EXPECT_STREQ(got.name, "C9");
}

TEST_F(ModelPointSet, BadArgumentsAndDamagedHeadersGiveCodes) {
    CONTROLPOINT_INFO got{};
    std::int32_t count = 0;
    EXPECT_EQ(ybGetOneGcpInfo(set, &got, -1), ORIENT_E_RANGE);
    EXPECT_EQ(ybGetOneGcpInfo(set, nullptr, 0), ORIENT_E_NULL_ARGUMENT);
    EXPECT_EQ(ybGetGcpNum(set, nullptr), ORIENT_E_NULL_ARGUMENT);

    set->count = 4;  // beyond the capacity of 3
    EXPECT_EQ(ybGetGcpNum(set, &count), ORIENT_E_RANGE);
    EXPECT_EQ(ybAddOneGcpPoint(set, entry(0, "X"), 1), ORIENT_E_RANGE);
    set->count = 0;
    CONTROLPOINT_INFO* own = set->entries;
    set->entries = &got;  // a header pointing elsewhere is never written through
    EXPECT_EQ(ybAddOneGcpPoint(set, entry(0, "X"), 1), ORIENT_E_RANGE);
    set->entries = own;
    EXPECT_EQ(ybAddOneGcpPoint(set, entry(0, "X"), 1), 0);
}

// Every call finds its set through one registry: a null, foreign or freed set is refused.
TEST(ModelPointSetHandles, NullForeignAndFreedSetsGiveCodesNeverACrash) {
    CONTROLPOINT_STORAGE* set = nullptr;
    EXPECT_EQ(ybAllocControlPointMem(nullptr, 3), ORIENT_E_NULL_ARGUMENT);
    EXPECT_EQ(ybAllocControlPointMem(&set, -1), ORIENT_E_RANGE);
    EXPECT_EQ(ybAllocControlPointMem(&set, 1 << 30), ORIENT_E_RANGE);
    EXPECT_EQ(set, nullptr);

    std::int32_t count = 0;
    EXPECT_EQ(ybGetGcpNum(nullptr, &count), ORIENT_E_NULL_ARGUMENT);
    CONTROLPOINT_INFO storage[2]{};
    CONTROLPOINT_STORAGE foreign{};
    foreign.entries = storage;
    foreign.capacity = 2;
    EXPECT_EQ(ybAddOneGcpPoint(&foreign, entry(0, "X"), 1), ORIENT_E_UNKNOWN_SET);

    // A set of capacity 0 is valid and grows on the first add.
    ASSERT_EQ(ybAllocControlPointMem(&set, 0), 0);
    ASSERT_EQ(ybAddOneGcpPoint(set, entry(0, "X"), 1), 0);
    CONTROLPOINT_INFO got{};
    ASSERT_EQ(ybGetOneGcpInfo(set, &got, 0), 0);
    EXPECT_STREQ(got.name, "X");
    ASSERT_EQ(ybFreeControlPointMem(set), 0);
    EXPECT_EQ(ybFreeControlPointMem(set), ORIENT_E_UNKNOWN_SET);
}

}  // namespace
