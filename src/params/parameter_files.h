// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The camera parameter and inner orientation readers behind their exports, for the library's own
// callers.
#pragma once

#include <yb/ybBlockFileIO.h>

#include <cstdint>

namespace yb::params {

std::int32_t readCameraFile(char const* path, CameraInfo* camera, RimPoint* rims, RIMPOINTLAYOUT* layout,
                            AberranceInfo* aberrations, std::int32_t* aberrationCount);
std::int32_t readInner(char const* path, double* coefficients);

}  // namespace yb::params
