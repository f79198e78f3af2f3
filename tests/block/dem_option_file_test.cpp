#include "test_support.h"

#include <cstring>

namespace {

using DemOptionFile = yb::test::DriveFixture;

TEST_F(DemOptionFile, FirstReadWritesTheDefaults) {
    DemInfo info;
    std::memset(&info, 0x5A, sizeof info);
    ASSERT_EQ(ybReadDemGenOption("D:\\a.dem", &info), 0);
    EXPECT_EQ(sizeNative("a.dem"), 593u);
    EXPECT_EQ(info.area[3], 0.0);
    EXPECT_EQ(info.spacingX, 10.0);
    EXPECT_EQ(info.spacingY, 10.0);
    EXPECT_EQ(info.secondText[0], 0);
    EXPECT_EQ(info.firstText[1], 0x5A);  // only the first byte of each text is a default
    auto bytes = readNative("a.dem");
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 25), "YB_DEM_OPTION_FILE_VER1.0");
    EXPECT_EQ(std::memcmp(bytes.data() + 25, &info, sizeof info), 0);
    DemInfo again{};
    ASSERT_EQ(ybReadDemGenOption("D:\\a.dem", &again), 0);
    EXPECT_EQ(std::memcmp(&again, &info, sizeof info), 0);
}

TEST_F(DemOptionFile, FailureCodes) {
    DemInfo info{};
    writeNative("bad.dem", yb::test::bytesOf("YB_DEM_OPTION_FILE_VER9.9" + std::string(568, 'x')));
    EXPECT_EQ(ybReadDemGenOption("D:\\bad.dem", &info), yb::kInvalidContent);
    writeNative("tiny.dem", yb::test::bytesOf("YB_DEM"));
    EXPECT_EQ(ybReadDemGenOption("D:\\tiny.dem", &info), yb::kInvalidContent);
    EXPECT_EQ(ybReadDemGenOption("D:\\c.dem", nullptr), yb::kInvalidArgument);
    EXPECT_FALSE(existsNative("c.dem"));
    EXPECT_EQ(ybWriteDemGenOption(nullptr, &info), yb::kInvalidArgument);

    // Defaults that cannot be stored are not handed out either.
    std::memset(&info, 0x11, sizeof info);
    hbSetFileFault(1, true);
    EXPECT_EQ(ybReadDemGenOption("D:\\d.dem", &info), yb::kCannotWrite);
    EXPECT_FALSE(existsNative("d.dem"));
    EXPECT_NE(info.spacingX, 10.0);
}

}  // namespace
