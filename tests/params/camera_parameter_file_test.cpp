// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

#include <cstring>
#include <vector>

namespace {

struct CameraParameterFile : yb::test::DriveFixture {
    CameraInfo camera{152.5, 0.01, -0.02, {99, 98, 97}};  // the distortion half is never stored
    RimPoint rims[8] = {{1, 1, 2}, {2, 3, 4}, {3, 5, 6}, {4, 7, 8}, {5, 9, 1}, {6, 2, 3}, {7, 4, 5}, {8, 6, 7}};
    AberranceInfo distortions[3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
};

TEST_F(CameraParameterFile, LayoutsAndDistortionsRoundTrip) {
    ASSERT_EQ(ybWriteCameraParaFile("D:\\eight.cmr", &camera, rims, RIM_LAYOUT_EIGHT, nullptr, 0), 0);
    auto bytes = readNative("eight.cmr");
    ASSERT_EQ(bytes.size(), 224u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 32), "YBI_CAMERA_PARAMETER_FILE_VER1.0");
    EXPECT_EQ(bytes[56], 2);
    CameraInfo back;
    std::memset(&back, 0x55, sizeof back);
    ASSERT_EQ(ybReadCameraParaFile("D:\\eight.cmr", &back, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(back.distortion.radius, 0.0);  // no distortion record: a zero second half

    ASSERT_EQ(ybWriteCameraParaFile("D:\\four.cmr", &camera, rims, RIM_LAYOUT_FOUR, distortions, 3), 0);
    EXPECT_EQ(sizeNative("four.cmr"), 216u);
    std::int32_t count = 0;  // a caller learns the count with every other output null
    ASSERT_EQ(ybReadCameraParaFile("D:\\four.cmr", nullptr, nullptr, nullptr, nullptr, &count), 0);
    ASSERT_EQ(count, 3);
    RimPoint rimsBack[8]{};
    AberranceInfo distortionsBack[3]{};
    RIMPOINTLAYOUT layout = RIM_LAYOUT_EIGHT;
    ASSERT_EQ(ybReadCameraParaFile("D:\\four.cmr", &back, rimsBack, &layout, distortionsBack, &count), 0);
    EXPECT_EQ(layout, RIM_LAYOUT_FOUR);
    EXPECT_EQ(std::memcmp(&back.distortion, &distortions[0], sizeof(AberranceInfo)), 0);
    EXPECT_EQ(std::memcmp(distortionsBack, distortions, sizeof distortions), 0);
    EXPECT_EQ(std::memcmp(rimsBack, rims, 4 * sizeof(RimPoint)), 0);
    EXPECT_EQ(rimsBack[4].number, 0);  // only four marks filled
}

TEST_F(CameraParameterFile, RejectedWritesLeaveNoFile) {
    auto refused = [&](CameraInfo const* c, RimPoint const* r, int layout, AberranceInfo const* d, std::int32_t n) {
        writeNative("cam.cmr", {1, 2, 3});
        EXPECT_EQ(ybWriteCameraParaFile("D:\\cam.cmr", c, r, static_cast<RIMPOINTLAYOUT>(layout), d, n),
                  yb::kOutOfRange);
        EXPECT_FALSE(existsNative("cam.cmr"));
    };
    refused(&camera, rims, 3, nullptr, 0);
    refused(nullptr, rims, 0, nullptr, 0);
    refused(&camera, rims, 0, nullptr, -1);
    refused(&camera, rims, 0, nullptr, 2);
}

TEST_F(CameraParameterFile, DamagedFilesGive4000032AndLeaveOutputsAlone) {
    ASSERT_EQ(ybWriteCameraParaFile("D:\\good.cmr", &camera, rims, RIM_LAYOUT_FOUR, distortions, 2), 0);
    auto const good = readNative("good.cmr");
    using yb::test::patched;
    std::vector<std::vector<unsigned char>> files = {
        patched<unsigned char>(good, 0, 'X'), patched<unsigned char>(good, 56, 3),
        patched<unsigned char>(good, 143, 0x80), patched<unsigned char>(good, 143, 0x7F)};
    for (long cut : {10, 40, 58, 100, 142, 150}) files.emplace_back(good.begin(), good.begin() + cut);
    for (auto const& bytes : files) {
        writeNative("bad.cmr", bytes);
        std::int32_t count = 1234;
        EXPECT_EQ(ybReadCameraParaFile("D:\\bad.cmr", nullptr, nullptr, nullptr, nullptr, &count), yb::kInvalidContent);
        EXPECT_EQ(count, 1234);
    }
    std::int32_t count = 0;
    EXPECT_EQ(ybReadCameraParaFile("D:\\missing.cmr", nullptr, nullptr, nullptr, nullptr, &count), yb::kOutOfRange);
}

}  // namespace
