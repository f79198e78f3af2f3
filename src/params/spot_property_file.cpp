// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The SPOT property file: the magic, then one double.
#include "file_kinds.h"
#include "params/image_property_files.h"

#include "export_frame.h"

#include "fs.h"

#include <string_view>

namespace yb::params {
namespace {

constexpr std::string_view kSpotPropertyMagic = frame::magicOf(frame::FileKind::SpotProperty);
static_assert(kSpotPropertyMagic.size() == 33);

std::int32_t readSpotProperties(char const* path, double* value) {
    if (value == nullptr) return kInvalidArgument;
    if (!platform::isRegularFile(path)) return kCannotOpen;
    double stored = 0.0;
    std::int32_t const result = frame::optionReadResult(
        frame::readOptionFile(path, kSpotPropertyMagic, &stored, sizeof stored), kPropertyReadCodes);
    if (result == kSuccess) *value = stored;
    return result;
}

std::int32_t writeSpotProperties(char const* path, double value) {
    if (path == nullptr) return kInvalidArgument;
    return frame::writeOptionFile(path, kSpotPropertyMagic, &value, sizeof value) ? kSuccess : kCannotWrite;
}

}  // namespace
}  // namespace yb::params

using yb::frame::guarded;

std::int32_t ybReadSPOTPropInfoFile(char const* path, double* value) {
    return guarded([&] { return yb::params::readSpotProperties(path, value); });
}

std::int32_t ybWriteSPOTPropInfoFile(char const* path, double value) {
    return guarded([&] { return yb::params::writeSpotProperties(path, value); });
}
