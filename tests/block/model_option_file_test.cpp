#include "test_support.h"

#include <cstring>

namespace {

using ModelOptionFile = yb::test::DriveFixture;

TEST_F(ModelOptionFile, RoundTripStoresFourTextsAndDerivesPathAndTitle) {
    ModelInfo info;
    std::memset(&info, 0xCD, sizeof info);  // bytes after each terminator must not reach the file
    std::strcpy(info.leftImage, "D:\\Img\\0101.ybi");
    std::strcpy(info.rightImage, "D:\\Img\\0102.ybi");
    std::strcpy(info.hostText0, "dem");
    std::strcpy(info.hostText1, "");
    writeNative("Model/keep", {});
    ASSERT_EQ(ybWriteModelOptionFile("D:\\Model\\0101_0102.mod", &info), 0);
    auto bytes = readNative("Model/0101_0102.mod");
    ASSERT_EQ(bytes.size(), 1107u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 27), "YB_MODEL_OPTION_FILE_VER1.0");
    EXPECT_EQ(std::string(reinterpret_cast<char const*>(bytes.data()) + 27), "D:\\Img\\0101.ybi");
    EXPECT_EQ(bytes[27 + 259], 0);
    EXPECT_EQ(bytes[27 + 520], 'd');
    EXPECT_EQ(std::memcmp(bytes.data() + 27 + 1040, info.hostReserved, 40), 0);

    ModelInfo back;
    std::memset(&back, 0x77, sizeof back);
    ASSERT_EQ(ybReadModelOptionFile("D:\\Model\\0101_0102.mod", &back), 0);
    EXPECT_STREQ(back.optionPath, "D:\\Model\\0101_0102.mod");
    EXPECT_STREQ(back.modelName, "0101_0102");
    EXPECT_STREQ(back.rightImage, "D:\\Img\\0102.ybi");
    EXPECT_STREQ(back.hostText0, "dem");
    EXPECT_EQ(back.leftImage[200], 0);
    EXPECT_EQ(std::memcmp(back.hostReserved, info.hostReserved, 40), 0);
}

TEST_F(ModelOptionFile, FailureCodes) {
    ModelInfo back;
    std::memset(&back, 0x77, sizeof back);
    EXPECT_EQ(ybReadModelOptionFile("D:\\missing.mod", &back), yb::kCannotOpen);
    EXPECT_EQ(static_cast<unsigned char>(back.leftImage[0]), 0x77);  // untouched
    EXPECT_EQ(ybReadModelOptionFile(nullptr, &back), yb::kInvalidArgument);
    writeNative("wrong.mod", yb::test::bytesOf("YB_MODEL_OPTION_FILE_VER2.0" + std::string(1080, 'a')));
    EXPECT_EQ(ybReadModelOptionFile("D:\\wrong.mod", &back), yb::kWrongMagic);
    EXPECT_EQ(back.leftImage[0], 0);  // cleared
    writeNative("tiny.mod", yb::test::bytesOf("YB_MODEL"));
    EXPECT_EQ(ybReadModelOptionFile("D:\\tiny.mod", &back), yb::kWrongMagic);

    // A file that ends early gives what it has; a text without a terminator is cut to fit.
    writeNative("short.mod", yb::test::bytesOf("YB_MODEL_OPTION_FILE_VER1.0" + std::string(300, 'L')));
    ASSERT_EQ(ybReadModelOptionFile("D:\\short.mod", &back), 0);
    EXPECT_EQ(std::string(back.leftImage), std::string(259, 'L'));
    EXPECT_EQ(std::string(back.rightImage), std::string(40, 'L'));

    EXPECT_EQ(ybWriteModelOptionFile("D:\\x.mod", nullptr), yb::kInvalidArgument);
}

}  // namespace
