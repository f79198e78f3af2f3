// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The image types a block option file names (BlockInfo::imageType), in one place: their numbers, their
// names, and what a type says of the block's other files. Plain constexpr data, as file_kinds.h.
#pragma once

#include <cstdint>

namespace yb::frame {

enum ImageType : std::int32_t {
    kMetricCamera = 0,
    kDigitalCamera = 1,
    kNonMetricCamera = 2,
    kGeneralSatellite = 3,
    kSpotSatellite = 4,
    kIkonosSatellite = 5,
    kQuickbirdSatellite = 6,
};
inline constexpr std::int32_t kImageTypeCount = 7;

inline constexpr bool validImageType(std::int32_t type) { return type >= 0 && type < kImageTypeCount; }

// Frame images of a camera that has a camera file and an inner orientation for each image.
inline constexpr bool framesOfCamera(std::int32_t type) { return type == kMetricCamera || type == kDigitalCamera; }

// The English name of a type, as the tool and the COLMAP exchange show it; "invalid" for a number of
// none.
inline constexpr char const* imageTypeName(std::int32_t type) {
    constexpr char const* kNames[kImageTypeCount] = {
        "metric camera",        "digital camera",         "non-metric camera",        "general satellite image",
        "SPOT satellite image", "IKONOS satellite image", "QUICKBIRD satellite image"};
    return validImageType(type) ? kNames[type] : "invalid";
}

}  // namespace yb::frame
