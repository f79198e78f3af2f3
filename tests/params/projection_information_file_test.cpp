#include "test_support.h"

#include <cstring>

namespace {

using ProjectionInformationFile = yb::test::DriveFixture;

TEST_F(ProjectionInformationFile, RoundTripAndFailures) {
    MAP_PARAstruct info;
    for (std::size_t i = 0; i < sizeof info.bytes; ++i) info.bytes[i] = static_cast<unsigned char>(i * 3 + 1);
    ybWriteSuvProjInfo("D:\\a.prj", &info);
    auto bytes = readNative("a.prj");
    ASSERT_EQ(bytes, yb::test::bytesOf("YBI_PROJTRANS_FILE_VER1.0" +
                                       std::string(reinterpret_cast<char const*>(info.bytes), sizeof info.bytes)));
    MAP_PARAstruct back{};
    ASSERT_EQ(ybReadSuvProjInfo("D:\\a.prj", &back), 0);
    EXPECT_EQ(std::memcmp(&back, &info, sizeof info), 0);

    MAP_PARAstruct untouched{};
    EXPECT_EQ(ybReadSuvProjInfo("", &untouched), yb::kFileNotFound);
    EXPECT_EQ(ybReadSuvProjInfo("D:\\none.prj", &untouched), yb::kFileNotFound);
    bytes[24] = '1';
    writeNative("wrong.prj", bytes);
    EXPECT_EQ(ybReadSuvProjInfo("D:\\wrong.prj", &untouched), yb::kInvalidContent);
    writeNative("cut.prj", yb::test::bytesOf("YBI_PROJTRANS_FILE_VER1.0abc"));
    EXPECT_EQ(ybReadSuvProjInfo("D:\\cut.prj", &untouched), yb::kInvalidContent);
    EXPECT_EQ(untouched.bytes[0], 0);
}

}  // namespace
