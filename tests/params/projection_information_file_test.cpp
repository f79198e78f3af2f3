#include "test_support.h"

#include <cstring>

namespace {

using ProjectionInformationFile = yb::test::DriveFixture;

MAP_PARAstruct sample() {
    MAP_PARAstruct info{};
    for (std::size_t i = 0; i < sizeof info.bytes; ++i) info.bytes[i] = static_cast<unsigned char>(i * 3 + 1);
    return info;
}

TEST_F(ProjectionInformationFile, RoundTripIs194Bytes) {
    MAP_PARAstruct const info = sample();
    ybWriteSuvProjInfo("D:\\a.prj", &info);
    auto bytes = readNative("a.prj");
    ASSERT_EQ(bytes.size(), 194u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 25), "YBI_PROJTRANS_FILE_VER1.0");
    MAP_PARAstruct back{};
    ASSERT_EQ(ybReadSuvProjInfo("D:\\a.prj", &back), 0);
    EXPECT_EQ(std::memcmp(&back, &info, sizeof info), 0);
}

TEST_F(ProjectionInformationFile, FailuresLeaveTheRecordAlone) {
    MAP_PARAstruct const info = sample();
    ybWriteSuvProjInfo("D:\\a.prj", &info);
    auto bytes = readNative("a.prj");

    MAP_PARAstruct back{};
    EXPECT_EQ(ybReadSuvProjInfo("", &back), yb::kFileNotFound);
    EXPECT_EQ(ybReadSuvProjInfo(nullptr, &back), yb::kFileNotFound);
    EXPECT_EQ(ybReadSuvProjInfo("D:\\none.prj", &back), yb::kFileNotFound);
    EXPECT_EQ(ybReadSuvProjInfo("D:\\a.prj", nullptr), yb::kInvalidArgument);

    auto wrong = bytes;
    wrong[24] = '1';
    writeNative("wrong.prj", wrong);
    EXPECT_EQ(ybReadSuvProjInfo("D:\\wrong.prj", &back), yb::kInvalidContent);
    writeNative("cut.prj", std::vector<unsigned char>(bytes.begin(), bytes.begin() + 100));
    EXPECT_EQ(ybReadSuvProjInfo("D:\\cut.prj", &back), yb::kInvalidContent);
    MAP_PARAstruct zero{};
    EXPECT_EQ(std::memcmp(&back, &zero, sizeof zero), 0);

    // The writer reports nothing, and leaves nothing half-written.
    {
        yb::test::WriteFault fault(1);
        ybWriteSuvProjInfo("D:\\b.prj", &info);
    }
    EXPECT_FALSE(existsNative("b.prj"));
    ybWriteSuvProjInfo(nullptr, &info);
    ybWriteSuvProjInfo("D:\\c.prj", nullptr);
    EXPECT_FALSE(existsNative("c.prj"));
}

}  // namespace
