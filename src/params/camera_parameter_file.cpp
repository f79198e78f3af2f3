// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The camera parameter file: the magic "YBI_CAMERA_PARAMETER_FILE_VER1.0", the 24-byte camera block of
// CameraInfo, the fiducial layout, its 4 or 8 fiducial marks, then a counted list of lens distortion
// records. The camera record's second half is not stored: it is filled from the first distortion
// record when the file is read.
#include "file_kinds.h"
#include "binary_io.h"
#include "export_frame.h"
#include "params/parameter_files.h"
#include "fs.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <cstring>
#include <string_view>
#include <vector>

namespace yb::params {
namespace {

constexpr std::string_view kCameraMagic = frame::magicOf(frame::FileKind::Camera);
static_assert(kCameraMagic.size() == 32);
constexpr std::size_t kCameraBlockSize = offsetof(CameraInfo, distortion);
static_assert(kCameraBlockSize == 24, "the file keeps the first half of the camera record");
// Magic, camera block, layout, fiducials, distortion count.
constexpr std::size_t kFileSizeWithoutRecords = 32 + 24 + 4 + 4;
static_assert(kFileSizeWithoutRecords + 8 * sizeof(RimPoint) == 224);

// Number of fiducial marks of a layout, or 0 for a value that is no layout.
std::size_t fiducialCount(std::int32_t layout) {
    switch (layout) {
        case RIM_LAYOUT_FOUR:
        case RIM_LAYOUT_FOUR_ALT: return 4;
        case RIM_LAYOUT_EIGHT: return 8;
        default: return 0;
    }
}

std::int32_t writeCameraFile(char const* path, CameraInfo const* camera, RimPoint const* rims, RIMPOINTLAYOUT layout,
                             AberranceInfo const* aberrations, std::int32_t aberrationCount) {
    if (path == nullptr) return kInvalidArgument;
    std::size_t const rimCount = fiducialCount(layout);
    if (camera == nullptr || rims == nullptr || rimCount == 0 || aberrationCount < 0 ||
        (aberrationCount > 0 && aberrations == nullptr)) {
        // A rejected camera leaves no file behind, not even an older one.
        platform::removeFile(path);
        return kOutOfRange;
    }
    bool const written = platform::replaceFile(path, [&](platform::Output& out) {
        out.writeMagic(kCameraMagic);
        out.write(camera, kCameraBlockSize);
        out.writeI32(layout);
        out.writeRecords(rims, rimCount);
        out.writeI32(aberrationCount);
        out.writeRecords(aberrations, static_cast<std::size_t>(aberrationCount));
        return true;
    });
    return written ? kSuccess : kCannotWrite;
}

}  // namespace

std::int32_t readCameraFile(char const* path, CameraInfo* camera, RimPoint* rims, RIMPOINTLAYOUT* layout,
                            AberranceInfo* aberrations, std::int32_t* aberrationCount) {
    if (!platform::isRegularFile(path)) return kOutOfRange;
    platform::File file = platform::openFile(path, "rb");
    if (!file) return kCannotOpen;
    platform::BinaryStream stream(file.get());
    if (!stream.readMagic(kCameraMagic)) return kInvalidContent;

    // Everything is read into local copies; the caller's outputs change only after the whole file
    // has been read.
    CameraInfo record{};
    std::int32_t layoutValue = 0;
    if (!stream.read(&record, kCameraBlockSize) || !stream.readI32(layoutValue)) return kInvalidContent;
    std::size_t const rimCount = fiducialCount(layoutValue);
    if (rimCount == 0) return kInvalidContent;
    std::vector<RimPoint> fiducials;
    if (!stream.readRecords(fiducials, rimCount)) return kInvalidContent;
    std::int32_t count = 0;
    if (!stream.readI32(count) || count < 0) return kInvalidContent;
    auto const remaining = stream.remaining();
    if (!remaining || !platform::countFits(count, sizeof(AberranceInfo), *remaining)) return kInvalidContent;
    std::vector<AberranceInfo> distortions;
    if (!stream.readRecords(distortions, static_cast<std::size_t>(count))) return kInvalidContent;
    if (!distortions.empty()) record.distortion = distortions.front();

    if (camera != nullptr) *camera = record;
    if (layout != nullptr) *layout = static_cast<RIMPOINTLAYOUT>(layoutValue);
    if (aberrationCount != nullptr) *aberrationCount = count;
    if (rims != nullptr) std::memcpy(rims, fiducials.data(), fiducials.size() * sizeof(RimPoint));
    if (aberrations != nullptr && count > 0)
        std::memcpy(aberrations, distortions.data(), distortions.size() * sizeof(AberranceInfo));
    return kSuccess;
}

}  // namespace yb::params

std::int32_t ybReadCameraParaFile(char const* path, CameraInfo* camera, RimPoint* rims, RIMPOINTLAYOUT* layout,
                                  AberranceInfo* aberrations, std::int32_t* aberrationCount) {
    return yb::frame::guarded(
        [&] { return yb::params::readCameraFile(path, camera, rims, layout, aberrations, aberrationCount); });
}

std::int32_t ybWriteCameraParaFile(char const* path, CameraInfo const* camera, RimPoint const* rims,
                                   RIMPOINTLAYOUT layout, AberranceInfo const* aberrations,
                                   std::int32_t aberrationCount) {
    return yb::frame::guarded(
        [&] { return yb::params::writeCameraFile(path, camera, rims, layout, aberrations, aberrationCount); });
}
