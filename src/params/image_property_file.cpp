// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The image property file (".ipp"): the magic, then one IMAGEPROPINFO.
#include "file_kinds.h"
#include "params/image_property_files.h"

#include "export_frame.h"

#include "fs.h"

#include <cstring>
#include <string_view>

namespace yb::params {
namespace {

constexpr std::string_view kImagePropertyMagic = frame::magicOf(frame::FileKind::ImageProperty);
static_assert(kImagePropertyMagic.size() == 29);
static_assert(kImagePropertyMagic.size() + sizeof(IMAGEPROPINFO) == 190);

std::int32_t writeImageProperties(char const* path, IMAGEPROPINFO const* info) {
    if (path == nullptr || info == nullptr) return kInvalidArgument;
    return frame::writeOptionFile(path, kImagePropertyMagic, info, sizeof *info) ? kSuccess : kCannotWrite;
}

}  // namespace

std::int32_t readImageProperties(char const* path, IMAGEPROPINFO* info) {
    if (info == nullptr) return kStoredCountTooSmall;
    if (!platform::isRegularFile(path)) return kCannotOpen;
    std::memset(info, 0, sizeof *info);
    // A short record keeps the bytes present and the rest stays zero; on a wrong magic it stays cleared.
    return frame::optionReadResult(frame::readOptionFile(path, kImagePropertyMagic, info, sizeof *info),
                                   kPropertyReadCodes);
}

}  // namespace yb::params

using yb::frame::guarded;

std::int32_t ybReadImagePropInfoFile(char const* path, IMAGEPROPINFO* info) {
    return guarded([&] { return yb::params::readImageProperties(path, info); });
}

std::int32_t ybWriteImagePropInfoFile(char const* path, IMAGEPROPINFO const* info) {
    return guarded([&] { return yb::params::writeImageProperties(path, info); });
}
