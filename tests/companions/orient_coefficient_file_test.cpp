// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

#include <array>
#include <cstring>

namespace {

struct Kind {
    std::int32_t kind;
    std::size_t count;
    std::size_t firstOffset;
};
constexpr Kind kKinds[] = {{0, 6, 0}, {1, 5, 14}, {2, 7, 2}};

template <class T>
T valueAt(unsigned char const* bytes, std::size_t offset) {
    T value{};
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

class CoefficientFile : public yb::test::DriveFixture {
protected:
    using Record = std::array<unsigned char, 128>;
    static Record untouched() {
        Record record;
        record.fill(0xAB);
        return record;
    }
};

TEST_F(CoefficientFile, EachKindIsStoredAndLandsAtItsRecordOffsets) {
    double const values[] = {1.5, -2.0, 3.25, 4.0, 5.5, 6.0, 7.75};
    for (Kind const& k : kKinds) {
        ASSERT_EQ(ybWriteOrientCeff("D:\\NoFolder\\m.ioc", k.kind, values), ORIENT_E_WRITE);
        ASSERT_EQ(ybWriteOrientCeff("D:\\m.ioc", k.kind, values), 0);
        auto bytes = readNative("m.ioc");
        ASSERT_EQ(bytes.size(), 42u + 8u * k.count);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 34), "YBI_ORIENT_COEFFICIENT_FILE_VER1.0");
        EXPECT_EQ(valueAt<std::int32_t>(bytes.data(), 34), k.kind);
        EXPECT_EQ(valueAt<std::uint32_t>(bytes.data(), 38), k.count);
        EXPECT_EQ(valueAt<double>(bytes.data(), 42 + 8 * (k.count - 1)), values[k.count - 1]);

        Record record = untouched();
        ASSERT_EQ(ybReadOrientCeff("d:\\M.IOC", record.data()), 0);
        for (std::size_t i = 0; i < k.count; ++i)
            EXPECT_EQ(valueAt<double>(record.data(), k.firstOffset + 8 * i), values[i]) << k.kind << " " << i;
        EXPECT_EQ(valueAt<std::int16_t>(record.data(), 58), k.kind);
        // Bytes of the record outside the values are zero up to 60 and untouched beyond.
        for (std::size_t at = 0; at < k.firstOffset; ++at) EXPECT_EQ(record[at], 0) << at;
        for (std::size_t at = k.firstOffset + 8 * k.count; at < 58; ++at) EXPECT_EQ(record[at], 0) << at;
        for (std::size_t at = 60; at < record.size(); ++at) ASSERT_EQ(record[at], 0xAB) << at;
    }
}

TEST_F(CoefficientFile, MissingDamagedAndNullInputGiveCodesAndLeaveTheRecord) {
    double const values[] = {1, 2, 3, 4, 5, 6, 7};
    ASSERT_EQ(ybWriteOrientCeff("D:\\good.roc", 1, values), 0);
    auto const good = readNative("good.roc");
    auto expectCode = [&](std::vector<unsigned char> const& bytes, std::int32_t code, char const* what) {
        writeNative("bad.roc", bytes);
        Record record = untouched();
        EXPECT_EQ(ybReadOrientCeff("D:\\bad.roc", record.data()), code) << what;
        EXPECT_EQ(record, untouched()) << what;
    };
    auto patched = [&](std::size_t offset, std::int32_t value) { return yb::test::patched(good, offset, value); };

    Record record = untouched();
    EXPECT_EQ(ybReadOrientCeff("D:\\missing.roc", record.data()), ORIENT_E_FILE_MISSING);
    EXPECT_EQ(record, untouched());
    expectCode(yb::test::bytesOf("YB_BLOCK_OPTION_FILE_VER1.0 and then other bytes............"), ORIENT_E_BAD_MAGIC,
               "other magic");
    expectCode(patched(34, 3), ORIENT_E_BAD_MAGIC, "unknown kind");
    expectCode(patched(38, 6), ORIENT_E_BAD_MAGIC, "count of another kind");
    expectCode(yb::test::cut(good, 20), ORIENT_E_SHORT_FILE, "inside the magic");
    expectCode(yb::test::cut(good, good.size() - 1), ORIENT_E_SHORT_FILE, "inside the last value");

    EXPECT_EQ(ybReadOrientCeff(nullptr, record.data()), ORIENT_E_NULL_ARGUMENT);
    EXPECT_EQ(ybReadOrientCeff("D:\\good.roc", nullptr), ORIENT_E_NULL_ARGUMENT);
    EXPECT_EQ(ybWriteOrientCeff(nullptr, 0, values), ORIENT_E_NULL_ARGUMENT);
    EXPECT_EQ(ybWriteOrientCeff("D:\\x.ioc", 0, nullptr), ORIENT_E_NULL_ARGUMENT);
    EXPECT_EQ(ybWriteOrientCeff("D:\\x.ioc", -1, values), ORIENT_E_RANGE);
    EXPECT_EQ(ybWriteOrientCeff("D:\\x.ioc", 3, values), ORIENT_E_RANGE);
    EXPECT_FALSE(existsNative("x.ioc"));
}

}  // namespace
