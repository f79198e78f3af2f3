#include "test_support.h"

#include <cstring>

namespace {

using DomOptionFiles = yb::test::DriveFixture;

TEST_F(DomOptionFiles, RoundTripsOf1139And38Bytes) {
    SingleImageDomOption option;
    for (std::size_t i = 0; i < sizeof option.bytes; ++i) option.bytes[i] = static_cast<unsigned char>(i % 251);
    ASSERT_EQ(ybWriteSingleImgDomOption("D:\\a.oms", &option), 0);
    auto bytes = readNative("a.oms");
    ASSERT_EQ(bytes.size(), 1139u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 31), "YB_ORTHO_MAP_OPTION_FILE_VER1.0");
    SingleImageDomOption back{};
    ASSERT_EQ(ybReadSingleImgDomOption("D:\\a.oms", &back), 0);
    EXPECT_EQ(std::memcmp(&back, &option, sizeof option), 0);

    eTypeMathModel model = static_cast<eTypeMathModel>(5);
    ASSERT_EQ(ybWriteSingleDomOption("D:\\s.oms", &model), 0);
    bytes = readNative("s.oms");
    ASSERT_EQ(bytes.size(), 38u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 34), "YB_ORTHO_SINGLE_OPTION_FILE_VER1.0");
    eTypeMathModel modelBack{};
    ASSERT_EQ(ybReadSingleDomOption("D:\\s.oms", &modelBack), 0);
    EXPECT_EQ(modelBack, 5);
}

TEST_F(DomOptionFiles, CheckedReadsAndWrites) {
    SingleImageDomOption back{};
    EXPECT_EQ(ybReadSingleImgDomOption(nullptr, &back), yb::kInvalidArgument);
    EXPECT_EQ(ybReadSingleImgDomOption("D:\\missing.oms", &back), yb::kCannotOpen);
    writeNative("tiny.oms", yb::test::bytesOf("YB_ORTHO"));
    EXPECT_EQ(ybReadSingleImgDomOption("D:\\tiny.oms", &back), yb::kInvalidContent);
    writeNative("other.oms", yb::test::bytesOf("YB_ORTHO_SINGLE_OPTION_FILE_VER1.0\x05"));
    EXPECT_EQ(ybReadSingleImgDomOption("D:\\other.oms", &back), yb::kWrongMagic);
    // An ortho map option file passes the magic check but its record is too short.
    writeNative("ortho.oms", yb::test::bytesOf("YB_ORTHO_MAP_OPTION_FILE_VER1.0" + std::string(844, 'o')));
    EXPECT_EQ(ybReadSingleImgDomOption("D:\\ortho.oms", &back), yb::kInvalidContent);
    EXPECT_EQ(back.bytes[0], 0);  // nothing of a failed read reaches the caller
    eTypeMathModel model = static_cast<eTypeMathModel>(9);
    writeNative("cut.oms", yb::test::bytesOf("YB_ORTHO_SINGLE_OPTION_FILE_VER1.0\x05"));
    EXPECT_EQ(ybReadSingleDomOption("D:\\cut.oms", &model), yb::kInvalidContent);
    EXPECT_EQ(model, 9);

    EXPECT_EQ(ybWriteSingleDomOption("D:\\a.oms", nullptr), yb::kInvalidArgument);
}

}  // namespace
