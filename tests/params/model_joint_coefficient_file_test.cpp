#include "test_support.h"

#include <cstring>
#include <vector>

namespace {

using ModelJointCoefficientFile = yb::test::DriveFixture;

TEST_F(ModelJointCoefficientFile, CreateAppendAndReadBack) {
    double const first[3] = {1.5, 2.5, 3.5};
    ASSERT_EQ(ybCreateNewModelJointCeffFile("D:\\j.mjc", first, 3), 0);
    auto bytes = readNative("j.mjc");
    ASSERT_EQ(bytes.size(), 67u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 31), "YB_MODEL_JOINT_CEFF_FILE_VER1.0");
    std::int32_t head[3];
    std::memcpy(head, bytes.data() + 31, sizeof head);
    EXPECT_EQ(head[0], 1);  // N
    EXPECT_EQ(head[1], 1);  // strip
    EXPECT_EQ(head[2], 3);  // k
    EXPECT_EQ(std::memcmp(bytes.data() + 43, first, sizeof first), 0);

    double const second[2] = {-7.0, 8.25};
    ASSERT_EQ(ybAppendOneStripModelJointCeff("D:\\j.mjc", 2, second, 2), 0);
    bytes = readNative("j.mjc");
    ASSERT_EQ(bytes.size(), 91u);
    EXPECT_EQ(bytes[31], 2);

    double value = 0;
    ASSERT_EQ(ybGetOneModelJointCeff("D:\\j.mjc", 2, 2, &value), 0);
    EXPECT_EQ(value, 8.25);
    ASSERT_EQ(ybGetOneModelJointCeff("D:\\j.mjc", 1, 3, &value), 0);
    EXPECT_EQ(value, 3.5);
    ASSERT_EQ(ybGetOneModelJointCeff("D:\\j.mjc", 2, 1, &value), 0);
    EXPECT_EQ(value, -7.0);
}

TEST_F(ModelJointCoefficientFile, OutOfOrderAppendsAndBadNumbersGive4000015) {
    double const values[3] = {1, 2, 3};
    ASSERT_EQ(ybCreateNewModelJointCeffFile("D:\\j.mjc", values, 3), 0);
    ASSERT_EQ(ybAppendOneStripModelJointCeff("D:\\j.mjc", 2, values, 2), 0);
    auto const before = readNative("j.mjc");
    EXPECT_EQ(ybAppendOneStripModelJointCeff("D:\\j.mjc", 4, values, 1), yb::kInvalidArgument);
    EXPECT_EQ(ybAppendOneStripModelJointCeff("D:\\j.mjc", 2, values, 1), yb::kInvalidArgument);
    EXPECT_EQ(readNative("j.mjc"), before);

    double value = 42;
    EXPECT_EQ(ybGetOneModelJointCeff("D:\\j.mjc", 1, 4, &value), yb::kInvalidArgument);
    EXPECT_EQ(ybGetOneModelJointCeff("D:\\j.mjc", 1, 0, &value), yb::kInvalidArgument);
    EXPECT_EQ(ybGetOneModelJointCeff("D:\\j.mjc", 3, 1, &value), yb::kInvalidArgument);
    EXPECT_EQ(ybGetOneModelJointCeff("D:\\j.mjc", 0, 1, &value), yb::kInvalidArgument);
    EXPECT_EQ(value, 42);
}

TEST_F(ModelJointCoefficientFile, MissingFiles) {
    double const values[2] = {4, 5};
    double value = 0;
    EXPECT_EQ(ybGetOneModelJointCeff("D:\\none.mjc", 1, 1, &value), yb::kCannotOpen);
    EXPECT_EQ(ybAppendOneStripModelJointCeff("D:\\none.mjc", 2, values, 2), yb::kCannotOpen);
    EXPECT_FALSE(existsNative("none.mjc"));
    ASSERT_EQ(ybAppendOneStripModelJointCeff("D:\\none.mjc", 1, values, 2), 0);
    EXPECT_EQ(sizeNative("none.mjc"), 59u);
    ASSERT_EQ(ybGetOneModelJointCeff("D:\\none.mjc", 1, 2, &value), 0);
    EXPECT_EQ(value, 5);
}

TEST_F(ModelJointCoefficientFile, EmptyAndNegativeCountsStoreNoCoefficients) {
    ASSERT_EQ(ybCreateNewModelJointCeffFile("D:\\j.mjc", nullptr, -3), 0);
    auto bytes = readNative("j.mjc");
    ASSERT_EQ(bytes.size(), 43u);
    EXPECT_EQ(bytes[39], 0);  // count stored as 0
    ASSERT_EQ(ybAppendOneStripModelJointCeff("D:\\j.mjc", 2, nullptr, 0), 0);
    double value = 0;
    EXPECT_EQ(ybGetOneModelJointCeff("D:\\j.mjc", 2, 1, &value), yb::kInvalidArgument);
    EXPECT_EQ(ybCreateNewModelJointCeffFile("D:\\k.mjc", nullptr, 2), yb::kInvalidArgument);
    EXPECT_FALSE(existsNative("k.mjc"));
}

TEST_F(ModelJointCoefficientFile, DamagedFiles) {
    writeNative("bad.mjc", yb::test::bytesOf("YB_MODEL_JOINT_CEFF_FILE_VER2.0\x01\0\0\0"));
    double value = 0;
    double const values[1] = {1};
    EXPECT_EQ(ybGetOneModelJointCeff("D:\\bad.mjc", 1, 1, &value), yb::kInvalidContent);
    EXPECT_EQ(ybAppendOneStripModelJointCeff("D:\\bad.mjc", 2, values, 1), yb::kInvalidContent);

    // N says 3 but only strip 1 is present, with a count far beyond the file.
    std::vector<unsigned char> bytes = yb::test::bytesOf("YB_MODEL_JOINT_CEFF_FILE_VER1.0");
    for (std::int32_t v : {3, 1, 0x10000000}) {
        auto const* p = reinterpret_cast<unsigned char const*>(&v);
        bytes.insert(bytes.end(), p, p + 4);
    }
    writeNative("lying.mjc", bytes);
    EXPECT_EQ(ybGetOneModelJointCeff("D:\\lying.mjc", 2, 1, &value), yb::kInvalidArgument);
    EXPECT_EQ(ybGetOneModelJointCeff("D:\\lying.mjc", 1, 1, &value), yb::kInvalidContent);
}

TEST_F(ModelJointCoefficientFile, FailedAppendRestoresTheFile) {
    double const values[3] = {1, 2, 3};
    ASSERT_EQ(ybCreateNewModelJointCeffFile("D:\\j.mjc", values, 3), 0);
    auto const before = readNative("j.mjc");
    for (int good = 0; good < 4; ++good) {
        {
            yb::test::WriteFault fault(good);
            EXPECT_NE(ybAppendOneStripModelJointCeff("D:\\j.mjc", 2, values, 2), 0) << good;
        }
        EXPECT_EQ(readNative("j.mjc"), before) << good;
        EXPECT_FALSE(existsNative("j.mjc.bak")) << good;
    }
}

}  // namespace
