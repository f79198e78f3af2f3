#include "test_support.h"

#include <cstring>
#include <vector>

namespace {

class CameraParameterFile : public yb::test::DriveFixture {
protected:
    static CameraInfo camera() {
        CameraInfo c{};
        c.principalDistance = 152.5;
        c.principalPointX = 0.01;
        c.principalPointY = -0.02;
        c.distortion = {99.0, 98.0, 97.0};  // never stored
        return c;
    }
    static std::vector<RimPoint> rims(int n) {
        std::vector<RimPoint> r(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) r[static_cast<std::size_t>(i)] = {i + 1, 100.0 * i, -100.0 * i};
        return r;
    }
};

TEST_F(CameraParameterFile, EightMarksNoDistortionIs224Bytes) {
    CameraInfo c = camera();
    auto r = rims(8);
    ASSERT_EQ(ybWriteCameraParaFile("D:\\cam.cmr", &c, r.data(), RIM_LAYOUT_EIGHT, nullptr, 0), 0);
    auto bytes = readNative("cam.cmr");
    ASSERT_EQ(bytes.size(), 224u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 32), "YBI_CAMERA_PARAMETER_FILE_VER1.0");
    EXPECT_EQ(std::memcmp(bytes.data() + 32, &c, 24), 0);
    EXPECT_EQ(bytes[56], 2);
    EXPECT_EQ(std::memcmp(bytes.data() + 60, r.data(), 160), 0);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 220, bytes.end()), std::vector<unsigned char>(4, 0));

    CameraInfo back{};
    std::memset(&back, 0x55, sizeof back);
    RimPoint rimsBack[8]{};
    RIMPOINTLAYOUT layout = RIM_LAYOUT_FOUR;
    std::int32_t count = -1;
    ASSERT_EQ(ybReadCameraParaFile("D:\\cam.cmr", &back, rimsBack, &layout, nullptr, &count), 0);
    EXPECT_EQ(layout, RIM_LAYOUT_EIGHT);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(std::memcmp(&back, &c, 24), 0);
    AberranceInfo zero{};
    EXPECT_EQ(std::memcmp(&back.distortion, &zero, sizeof zero), 0);
    EXPECT_EQ(std::memcmp(rimsBack, r.data(), sizeof rimsBack), 0);
}

TEST_F(CameraParameterFile, FourMarksWithDistortionsCopiesTheFirstIntoTheCamera) {
    CameraInfo c = camera();
    auto r = rims(4);
    AberranceInfo d[3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    ASSERT_EQ(ybWriteCameraParaFile("D:\\cam.cmr", &c, r.data(), RIM_LAYOUT_FOUR, d, 3), 0);
    EXPECT_EQ(sizeNative("cam.cmr"), 216u);

    // First call learns the count with everything else null.
    std::int32_t count = 0;
    ASSERT_EQ(ybReadCameraParaFile("D:\\cam.cmr", nullptr, nullptr, nullptr, nullptr, &count), 0);
    ASSERT_EQ(count, 3);
    CameraInfo back{};
    AberranceInfo dBack[3]{};
    RimPoint rimsBack[8]{};
    ASSERT_EQ(ybReadCameraParaFile("D:\\cam.cmr", &back, rimsBack, nullptr, dBack, &count), 0);
    EXPECT_EQ(std::memcmp(&back.distortion, &d[0], sizeof d[0]), 0);
    EXPECT_EQ(std::memcmp(dBack, d, sizeof d), 0);
    RimPoint untouched{};
    EXPECT_EQ(std::memcmp(&rimsBack[4], &untouched, sizeof untouched), 0);  // only 4 marks filled
}

TEST_F(CameraParameterFile, BadArgumentsRemoveTheFileAndGive4000005) {
    CameraInfo c = camera();
    auto r = rims(8);
    ASSERT_EQ(ybWriteCameraParaFile("D:\\cam.cmr", &c, r.data(), RIM_LAYOUT_EIGHT, nullptr, 0), 0);
    EXPECT_EQ(ybWriteCameraParaFile("D:\\cam.cmr", &c, r.data(), static_cast<RIMPOINTLAYOUT>(3), nullptr, 0),
              yb::kOutOfRange);
    EXPECT_FALSE(existsNative("cam.cmr"));

    EXPECT_EQ(ybWriteCameraParaFile("D:\\cam.cmr", nullptr, r.data(), RIM_LAYOUT_EIGHT, nullptr, 0), yb::kOutOfRange);
    EXPECT_EQ(ybWriteCameraParaFile("D:\\cam.cmr", &c, nullptr, RIM_LAYOUT_EIGHT, nullptr, 0), yb::kOutOfRange);
    EXPECT_EQ(ybWriteCameraParaFile("D:\\cam.cmr", &c, r.data(), RIM_LAYOUT_EIGHT, nullptr, -1), yb::kOutOfRange);
    EXPECT_EQ(ybWriteCameraParaFile("D:\\cam.cmr", &c, r.data(), RIM_LAYOUT_EIGHT, nullptr, 2), yb::kOutOfRange);
    EXPECT_FALSE(existsNative("cam.cmr"));
    EXPECT_EQ(ybWriteCameraParaFile(nullptr, &c, r.data(), RIM_LAYOUT_EIGHT, nullptr, 0), yb::kInvalidArgument);
}

TEST_F(CameraParameterFile, ShortWriteLeavesNoFile) {
    CameraInfo c = camera();
    auto r = rims(4);
    AberranceInfo d[1] = {{1, 2, 3}};
    for (int good = 0; good < 6; ++good) {
        yb::test::WriteFault fault(good);
        EXPECT_EQ(ybWriteCameraParaFile("D:\\cam.cmr", &c, r.data(), RIM_LAYOUT_FOUR, d, 1), yb::kCannotWrite) << good;
        EXPECT_FALSE(existsNative("cam.cmr")) << good;
    }
}

TEST_F(CameraParameterFile, DamagedFilesGive4000032AndLeaveOutputsAlone) {
    CameraInfo c = camera();
    auto r = rims(4);
    AberranceInfo d[2] = {{1, 2, 3}, {4, 5, 6}};
    ASSERT_EQ(ybWriteCameraParaFile("D:\\good.cmr", &c, r.data(), RIM_LAYOUT_FOUR, d, 2), 0);
    auto const good = readNative("good.cmr");

    auto expectDamaged = [&](std::vector<unsigned char> const& bytes, char const* what) {
        writeNative("bad.cmr", bytes);
        std::int32_t count = 1234;
        RIMPOINTLAYOUT layout = static_cast<RIMPOINTLAYOUT>(77);
        EXPECT_EQ(ybReadCameraParaFile("D:\\bad.cmr", nullptr, nullptr, &layout, nullptr, &count),
                  yb::kInvalidContent)
            << what;
        EXPECT_EQ(count, 1234) << what;
        EXPECT_EQ(layout, 77) << what;
    };
    auto wrongMagic = good;
    wrongMagic[0] = 'X';
    expectDamaged(wrongMagic, "wrong magic");
    auto badLayout = good;
    badLayout[56] = 3;
    expectDamaged(badLayout, "layout 3");
    auto negative = good;
    negative[140] = negative[141] = negative[142] = negative[143] = 0xFF;  // count at 60 + 80
    expectDamaged(negative, "negative count");
    auto huge = good;
    huge[143] = 0x7F;
    expectDamaged(huge, "count beyond the file");
    for (std::size_t cut : {10u, 40u, 58u, 100u, 142u, 150u}) {
        expectDamaged(std::vector<unsigned char>(good.begin(), good.begin() + static_cast<long>(cut)), "cut");
    }

    std::int32_t count = 0;
    EXPECT_EQ(ybReadCameraParaFile("D:\\missing.cmr", nullptr, nullptr, nullptr, nullptr, &count), yb::kOutOfRange);
}

}  // namespace
