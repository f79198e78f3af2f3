// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The projection information file: the magic "YBI_PROJTRANS_FILE_VER1.0" and one raw MAP_PARAstruct.
#include "file_kinds.h"
#include "export_frame.h"
#include "option_file.h"

#include "fs.h"

#include <yb/ybBlockFileIO.h>

#include <string_view>

namespace yb::params {
namespace {

constexpr std::string_view kProjectionMagic = frame::magicOf(frame::FileKind::ProjectionInformation);
static_assert(kProjectionMagic.size() == 25);
static_assert(kProjectionMagic.size() + sizeof(MAP_PARAstruct) == 194, "a projection file is 194 bytes");

std::int32_t readProjection(char const* path, MAP_PARAstruct* info) {
    if (path == nullptr || path[0] == '\0' || !platform::isRegularFile(path)) return kFileNotFound;
    if (info == nullptr) return kInvalidArgument;
    // The caller's record changes only when the whole record was read.
    MAP_PARAstruct stored{};
    constexpr frame::OptionReadCodes kCodes{
        .cannotOpen = kCannotOpen, .wrongMagic = kInvalidContent, .shortRecord = kInvalidContent};
    std::int32_t const result =
        frame::optionReadResult(frame::readOptionFile(path, kProjectionMagic, &stored, sizeof stored), kCodes);
    if (result == kSuccess) *info = stored;
    return result;
}

// Failures are not reported: a caller that must know reads the file back.
void writeProjection(char const* path, MAP_PARAstruct const* info) {
    if (path == nullptr || info == nullptr) return;
    frame::writeOptionFile(path, kProjectionMagic, info, sizeof *info);
}

}  // namespace
}  // namespace yb::params

std::int32_t ybReadSuvProjInfo(char const* path, MAP_PARAstruct* info) {
    return yb::frame::guarded([&] { return yb::params::readProjection(path, info); });
}

void ybWriteSuvProjInfo(char const* path, MAP_PARAstruct const* info) {
    yb::frame::guarded([&] { yb::params::writeProjection(path, info); });
}
