// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The camera parameter and inner orientation readers behind their exports, for the library's own
// callers.
#pragma once

#include "fs.h"

#include <yb/ybBlockFileIO.h>

#include <cstdint>

namespace yb::params {

std::int32_t readCameraFile(char const* path, CameraInfo* camera, RimPoint* rims, RIMPOINTLAYOUT* layout,
                            AberranceInfo* aberrations, std::int32_t* aberrationCount);
std::int32_t readInner(char const* path, double* coefficients);
// The same for a file a lookup of many found (one look at its folder), read through this library's own
// file access with the orientation library's reading of the format.
std::int32_t readInner(platform::FoundFile const& found, double* coefficients);

}  // namespace yb::params
