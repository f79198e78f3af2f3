#include "test_support.h"

#include <cstring>

namespace {

class DomOptionFiles : public yb::test::DriveFixture {
protected:
    static SingleImageDomOption sample() {
        SingleImageDomOption option;
        for (std::size_t i = 0; i < sizeof option.bytes; ++i) option.bytes[i] = static_cast<unsigned char>(i % 251);
        return option;
    }
};

TEST_F(DomOptionFiles, SingleImageDomRoundTripIs1139Bytes) {
    SingleImageDomOption const option = sample();
    ASSERT_EQ(ybWriteSingleImgDomOption("D:\\a.oms", &option), 0);
    auto bytes = readNative("a.oms");
    ASSERT_EQ(bytes.size(), 1139u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 31), "YB_ORTHO_MAP_OPTION_FILE_VER1.0");
    SingleImageDomOption back{};
    ASSERT_EQ(ybReadSingleImgDomOption("D:\\a.oms", &back), 0);
    EXPECT_EQ(std::memcmp(&back, &option, sizeof option), 0);
}

TEST_F(DomOptionFiles, SingleDomRoundTripIs38Bytes) {
    eTypeMathModel model = static_cast<eTypeMathModel>(5);
    ASSERT_EQ(ybWriteSingleDomOption("D:\\s.oms", &model), 0);
    auto bytes = readNative("s.oms");
    ASSERT_EQ(bytes.size(), 38u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 34), "YB_ORTHO_SINGLE_OPTION_FILE_VER1.0");
    EXPECT_EQ(bytes[34], 5);
    eTypeMathModel back = static_cast<eTypeMathModel>(0);
    ASSERT_EQ(ybReadSingleDomOption("D:\\s.oms", &back), 0);
    EXPECT_EQ(back, 5);
}

TEST_F(DomOptionFiles, ReadCodesOfTheCheckedFamily) {
    SingleImageDomOption back = sample();
    SingleImageDomOption const before = back;
    EXPECT_EQ(ybReadSingleImgDomOption(nullptr, &back), yb::kInvalidArgument);
    EXPECT_EQ(ybReadSingleImgDomOption("D:\\a.oms", nullptr), yb::kInvalidArgument);
    EXPECT_EQ(ybReadSingleImgDomOption("D:\\missing.oms", &back), yb::kCannotOpen);
    writeNative("tiny.oms", yb::test::bytesOf("YB_ORTHO"));
    EXPECT_EQ(ybReadSingleImgDomOption("D:\\tiny.oms", &back), yb::kInvalidContent);
    writeNative("other.oms", yb::test::bytesOf("YB_ORTHO_SINGLE_OPTION_FILE_VER1.0\x05"));
    EXPECT_EQ(ybReadSingleImgDomOption("D:\\other.oms", &back), yb::kWrongMagic);
    // An ortho map option file has the same magic but a shorter record.
    writeNative("ortho.oms", yb::test::bytesOf("YB_ORTHO_MAP_OPTION_FILE_VER1.0" + std::string(844, 'o')));
    EXPECT_EQ(ybReadSingleImgDomOption("D:\\ortho.oms", &back), yb::kInvalidContent);
    EXPECT_EQ(std::memcmp(&back, &before, sizeof back), 0);

    eTypeMathModel model = static_cast<eTypeMathModel>(9);
    writeNative("cut.oms", yb::test::bytesOf("YB_ORTHO_SINGLE_OPTION_FILE_VER1.0\x05"));
    EXPECT_EQ(ybReadSingleDomOption("D:\\cut.oms", &model), yb::kInvalidContent);
    EXPECT_EQ(model, 9);
}

TEST_F(DomOptionFiles, WriteFailuresDeleteTheFile) {
    SingleImageDomOption const option = sample();
    EXPECT_EQ(ybWriteSingleImgDomOption(nullptr, &option), yb::kInvalidArgument);
    EXPECT_EQ(ybWriteSingleImgDomOption("D:\\a.oms", nullptr), yb::kInvalidArgument);
    EXPECT_EQ(ybWriteSingleDomOption("D:\\a.oms", nullptr), yb::kInvalidArgument);
    EXPECT_FALSE(existsNative("a.oms"));
    for (int good = 0; good < 2; ++good) {
        yb::test::WriteFault fault(good);
        EXPECT_EQ(ybWriteSingleImgDomOption("D:\\a.oms", &option), yb::kCannotWrite);
        EXPECT_FALSE(existsNative("a.oms"));
    }
    EXPECT_EQ(ybWriteSingleImgDomOption("Q:\\a.oms", &option), yb::kCannotWrite);
}

}  // namespace
