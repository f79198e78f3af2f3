// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The DEM option file: the magic "YB_DEM_OPTION_FILE_VER1.0" and one raw DemInfo record. Reading a
// file that does not exist yet creates it with the default options and hands those to the caller.
#include "file_kinds.h"
#include "export_frame.h"
#include "option_file.h"

#include "fs.h"

#include <yb/ybBlockFileIO.h>

#include <string_view>

namespace yb::block {
namespace {

constexpr std::string_view kDemOptionMagic = frame::magicOf(frame::FileKind::DemOption);
static_assert(kDemOptionMagic.size() == 25);
static_assert(kDemOptionMagic.size() + sizeof(DemInfo) == 593, "a DEM option file is 593 bytes");

constexpr double kDefaultSpacing = 10.0;

// Only the numbers and the first byte of each text are defaults; the other text bytes stay as given.
void setDefaults(DemInfo& info) {
    for (double& value : info.area) value = 0.0;
    info.spacingX = kDefaultSpacing;
    info.spacingY = kDefaultSpacing;
    info.firstText[0] = '\0';
    info.secondText[0] = '\0';
}

std::int32_t readDemGenOption(char const* path, DemInfo* info) {
    if (path == nullptr || info == nullptr) return kInvalidArgument;
    if (!platform::isRegularFile(path)) {
        DemInfo defaults = *info;
        setDefaults(defaults);
        if (!frame::writeOptionFile(path, kDemOptionMagic, &defaults, sizeof defaults)) return kCannotWrite;
        *info = defaults;
        return kSuccess;
    }
    return frame::optionReadResult(frame::readOptionFile(path, kDemOptionMagic, info, sizeof *info),
                                   {.cannotOpen = kCannotOpen, .wrongMagic = kInvalidContent});
}

std::int32_t writeDemGenOption(char const* path, DemInfo const* info) {
    if (path == nullptr || info == nullptr) return kInvalidArgument;
    return frame::writeOptionFile(path, kDemOptionMagic, info, sizeof *info) ? kSuccess : kCannotWrite;
}

}  // namespace
}  // namespace yb::block

std::int32_t ybReadDemGenOption(char const* path, DemInfo* info) {
    return yb::frame::guarded([&] { return yb::block::readDemGenOption(path, info); });
}

std::int32_t ybWriteDemGenOption(char const* path, DemInfo* info) {
    return yb::frame::guarded([&] { return yb::block::writeDemGenOption(path, info); });
}
