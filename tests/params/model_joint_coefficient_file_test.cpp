// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "test_support.h"

#include <cstring>
#include <vector>

namespace {

using ModelJointCoefficientFile = yb::test::DriveFixture;

TEST_F(ModelJointCoefficientFile, CreateAppendAndRead) {
    double const first[3] = {1.5, 2.5, 3.5};
    double const second[2] = {-7.0, 8.25};
    ASSERT_EQ(ybCreateNewModelJointCeffFile("D:\\j.mjc", first, 3), 0);
    auto bytes = readNative("j.mjc");
    ASSERT_EQ(bytes.size(), 67u);
    std::int32_t head[3];
    std::memcpy(head, bytes.data() + 31, sizeof head);
    EXPECT_EQ(std::vector<std::int32_t>(head, head + 3), (std::vector<std::int32_t>{1, 1, 3}));
    ASSERT_EQ(ybAppendOneStripModelJointCeff("D:\\j.mjc", 2, second, 2), 0);
    EXPECT_EQ(sizeNative("j.mjc"), 91u);
    EXPECT_EQ(readNative("j.mjc")[31], 2);
    double value = 0;
    ASSERT_EQ(ybGetOneModelJointCeff("D:\\j.mjc", 2, 2, &value), 0);
    EXPECT_EQ(value, 8.25);

    auto const before = readNative("j.mjc");
    EXPECT_EQ(ybAppendOneStripModelJointCeff("D:\\j.mjc", 4, first, 1), yb::kInvalidArgument);
    EXPECT_EQ(readNative("j.mjc"), before);
    for (auto [strip, model] : {std::pair{1, 4}, {1, 0}, {3, 1}, {0, 1}})
        EXPECT_EQ(ybGetOneModelJointCeff("D:\\j.mjc", strip, model, &value), yb::kInvalidArgument);
}

TEST_F(ModelJointCoefficientFile, MissingFileIsCreatedOnlyForStripOne) {
    double const values[2] = {4, 5};
    double value = 0;
    EXPECT_EQ(ybGetOneModelJointCeff("D:\\j.mjc", 1, 1, &value), yb::kCannotOpen);
    EXPECT_EQ(ybAppendOneStripModelJointCeff("D:\\j.mjc", 2, values, 2), yb::kCannotOpen);
    EXPECT_FALSE(existsNative("j.mjc"));
    ASSERT_EQ(ybAppendOneStripModelJointCeff("D:\\j.mjc", 1, values, 2), 0);
    EXPECT_EQ(sizeNative("j.mjc"), 59u);
    // A negative count stores no coefficients, as 0.
    ASSERT_EQ(ybCreateNewModelJointCeffFile("D:\\k.mjc", nullptr, -3), 0);
    EXPECT_EQ(readNative("k.mjc")[39], 0);
}

TEST_F(ModelJointCoefficientFile, DamagedFilesAndFailedAppends) {
    double value = 0;
    // N says 3; strip 1 claims far more coefficients than the file holds.
    auto lying = yb::test::bytesOf("YB_MODEL_JOINT_CEFF_FILE_VER1.0");
    for (std::int32_t v : {3, 1, 0x10000000}) {
        auto const* p = reinterpret_cast<unsigned char const*>(&v);
        lying.insert(lying.end(), p, p + 4);
    }
    writeNative("lying.mjc", lying);
    EXPECT_EQ(ybGetOneModelJointCeff("D:\\lying.mjc", 2, 1, &value), yb::kInvalidArgument);
    EXPECT_EQ(ybGetOneModelJointCeff("D:\\lying.mjc", 1, 1, &value), yb::kInvalidContent);
    // A negative count on the wanted strip holds no model; on a strip to skip it damages the walk.
    std::int32_t const negative = -2;
    std::memcpy(lying.data() + 39, &negative, sizeof negative);
    writeNative("lying.mjc", lying);
    EXPECT_EQ(ybGetOneModelJointCeff("D:\\lying.mjc", 1, 1, &value), yb::kInvalidArgument);
    EXPECT_EQ(ybGetOneModelJointCeff("D:\\lying.mjc", 2, 1, &value), yb::kInvalidContent);
}

}  // namespace
