// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The ortho map option file: the magic "YB_ORTHO_MAP_OPTION_FILE_VER1.0" and one raw OrthoInfo record,
// and the rectangle an ortho map covers. Single-image DOM option files carry the same magic, so this
// reader accepts them and takes the first bytes of their longer record.
#include "file_kinds.h"
#include "export_frame.h"
#include "ybi_image.h"
#include "hostpath.h"
#include "option_file.h"

#include <yb/ybBlockFileIO.h>

#include <cmath>
#include <string>
#include <string_view>

namespace yb::block {
namespace {

constexpr std::string_view kOrthoMapMagic = frame::magicOf(frame::FileKind::OrthoMapOption);
static_assert(kOrthoMapMagic.size() == 31);
static_assert(kOrthoMapMagic.size() + sizeof(OrthoInfo) == 875, "an ortho map option file is 875 bytes");

// A rectangle value this small counts as not set.
constexpr double kUnsetLimit = 1e-20;

std::int32_t readOrthoMapOption(char const* path, OrthoInfo* info) {
    if (path == nullptr || info == nullptr) return kOrthoNullArgument;
    // The record is read straight into the caller's: a record that ends early keeps the caller's
    // bytes after the ones present.
    return frame::optionReadResult(frame::readOptionFile(path, kOrthoMapMagic, info, sizeof *info),
                                   {.cannotOpen = kOrthoCannotOpen, .wrongMagic = kInvalidContent});
}

std::int32_t writeOrthoMapOption(char const* path, OrthoInfo const* info) {
    if (path == nullptr || info == nullptr) return kInvalidArgument;
    return frame::writeOptionFile(path, kOrthoMapMagic, info, sizeof *info) ? kSuccess : kCannotWrite;
}

bool isSet(double value) { return std::fabs(value) > kUnsetLimit; }  // false for a NaN

std::int32_t calculateDomRect(OrthoInfo const& info, D_RECT& rect) {
    D_RECT const stored = info.domRect;  // a packed field: copy it before looking at its members
    if (isSet(stored.xMin) && isSet(stored.yMin) && isSet(stored.xMax) && isSet(stored.yMax)) {
        rect = stored;
        return kSuccess;
    }
    std::string const image(platform::boundedText(info.extentImage, sizeof info.extentImage));
    frame::YbiImage opened;
    if (std::int32_t const code = opened.open(image.c_str(), frame::YbiImage::Mode::Read); code != kSuccess)
        return code;
    return ybGetUserCoordinateRangle(opened.get(), 1, &rect.xMin, &rect.xMax, &rect.yMin, &rect.yMax);
}

}  // namespace
}  // namespace yb::block

std::int32_t ybReadOrthoMapOption(char const* path, OrthoInfo* info) {
    return yb::frame::guarded([&] { return yb::block::readOrthoMapOption(path, info); });
}

std::int32_t ybWriteOrthoMapOption(char const* path, OrthoInfo* info) {
    return yb::frame::guarded([&] { return yb::block::writeOrthoMapOption(path, info); });
}

std::int32_t ybCalDomRectByOrthOpt(OrthoInfo const& info, D_RECT& rect) {
    return yb::frame::guarded([&] { return yb::block::calculateDomRect(info, rect); });
}
