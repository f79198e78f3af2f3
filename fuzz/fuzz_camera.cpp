// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The camera parameter file, read the way callers read it: first for the layout and the distortion
// count alone, then with room for exactly what the file says, and with the camera record alone.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using yb::fuzz::Drive;
    Drive& drive = Drive::get();
    std::string const path = drive.start("a.cmr", data, size);

    RIMPOINTLAYOUT layout{};
    std::int32_t count = 0;
    if (ybReadCameraParaFile(path.c_str(), nullptr, nullptr, &layout, nullptr, &count) == yb::kSuccess && count >= 0 &&
        static_cast<std::size_t>(count) <= size / sizeof(AberranceInfo) + 4) {
        CameraInfo camera{};
        std::vector<RimPoint> rims(layout == RIM_LAYOUT_EIGHT ? 8 : 4);
        std::vector<AberranceInfo> distortions(static_cast<std::size_t>(count));
        if (ybReadCameraParaFile(path.c_str(), &camera, rims.data(), &layout, distortions.data(), &count) ==
            yb::kSuccess)
            ybWriteCameraParaFile(Drive::host("copy.cmr").c_str(), &camera, rims.data(), layout, distortions.data(),
                                  count);
    }
    CameraInfo camera{};
    ybReadCameraParaFile(path.c_str(), &camera, nullptr, nullptr, nullptr, nullptr);
    return 0;
}
