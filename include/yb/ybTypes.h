// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
/// \file
/// Records shared by ybBlockFileIO and its companion libraries.
/// Every record is standard-layout and trivially copyable; its size and key offsets are file format.
#ifndef YB_YBTYPES_H
#define YB_YBTYPES_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

// Marks a function that a library of the suite exports; each library's version script names its own.
// On Windows the marked functions are exactly what each DLL exports; the suite's own sources are
// built with YB_BUILDING_SUITE, everything else imports.
#if defined(_WIN32)
#if defined(YB_BUILDING_SUITE)
#define YB_API __declspec(dllexport)
#else
#define YB_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define YB_API __attribute__((visibility("default")))
#else
#define YB_API
#endif

/// A rectangle in the order x minimum, y minimum, x maximum, y maximum.
struct D_RECT {
    double xMin;  ///< x minimum
    double yMin;  ///< y minimum
    double xMax;  ///< x maximum
    double yMax;  ///< y maximum
};
static_assert(sizeof(D_RECT) == 32, "D_RECT is four doubles");

/// One lens distortion record of a camera parameter file; its fields are the camera's, carried unchanged.
struct AberranceInfo {
    double radius;  ///< radial distance
    double deltaX;  ///< distortion in x
    double deltaY;  ///< distortion in y
};
static_assert(sizeof(AberranceInfo) == 24, "AberranceInfo is 24 bytes");

/// The camera record: the 24-byte camera block (principal distance, principal point) that the
/// camera file stores, then a copy of the camera file's first distortion record.
struct CameraInfo {
    double principalDistance;  ///< principal distance (mm)
    double principalPointX;    ///< principal point x (mm)
    double principalPointY;    ///< principal point y (mm)
    AberranceInfo distortion;  ///< copy of the camera file's first distortion record
};
static_assert(sizeof(CameraInfo) == 48, "CameraInfo is 48 bytes");
static_assert(offsetof(CameraInfo, principalPointX) == 8 && offsetof(CameraInfo, principalPointY) == 16,
              "the principal point lies at bytes 8 and 16");
static_assert(offsetof(CameraInfo, distortion) == 24, "the distortion block is the second half");

/// One entry of a model point set: a point with its coordinates on the left and the right image.
struct CONTROLPOINT_INFO {
    std::int32_t serial;   ///< serial number
    char name[32];         ///< point name (GBK, NUL-terminated)
    std::int16_t type;     ///< point type
    std::int16_t inUse;    ///< non-zero when the entry is in use
    double leftX;          ///< x on the left image
    double leftY;          ///< y on the left image
    double leftReserved;   ///< kept by the orientation library
    double rightX;         ///< x on the right image
    double rightY;         ///< y on the right image
    double rightReserved;  ///< kept by the orientation library
};
static_assert(sizeof(CONTROLPOINT_INFO) == 88, "CONTROLPOINT_INFO is 88 bytes");
static_assert(offsetof(CONTROLPOINT_INFO, name) == 4 && offsetof(CONTROLPOINT_INFO, type) == 36 &&
                  offsetof(CONTROLPOINT_INFO, inUse) == 38 && offsetof(CONTROLPOINT_INFO, leftX) == 40 &&
                  offsetof(CONTROLPOINT_INFO, leftY) == 48 && offsetof(CONTROLPOINT_INFO, rightX) == 64 &&
                  offsetof(CONTROLPOINT_INFO, rightY) == 72,
              "CONTROLPOINT_INFO field offsets");

#pragma pack(push, 1)
/// The point set of one stereo model. The header is packed on single bytes: the entry pointer at
/// byte 3, then 4 reserved bytes, the count and the capacity.
struct CONTROLPOINT_STORAGE {
    unsigned char reserved0[3];  ///< reserved
    CONTROLPOINT_INFO* entries;  ///< the entries (`capacity` of them)
    unsigned char reserved1[4];  ///< reserved
    std::int32_t count;          ///< entries in use
    std::int32_t capacity;       ///< entries there is room for
};
#pragma pack(pop)
static_assert(offsetof(CONTROLPOINT_STORAGE, entries) == 3, "entry pointer at byte 3");
static_assert(offsetof(CONTROLPOINT_STORAGE, count) == 7 + sizeof(void*), "count follows the reserved bytes");
static_assert(offsetof(CONTROLPOINT_STORAGE, capacity) == 11 + sizeof(void*), "capacity follows the count");

/// An image opened through YbiBase; opaque to every other library.
using YbiHandle = struct YbiImage*;

static_assert(std::is_trivially_copyable_v<D_RECT> && std::is_trivially_copyable_v<CameraInfo> &&
                  std::is_trivially_copyable_v<CONTROLPOINT_INFO> && std::is_trivially_copyable_v<CONTROLPOINT_STORAGE>,
              "shared records are trivially copyable");

#endif
