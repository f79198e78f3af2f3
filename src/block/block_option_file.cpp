// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The block option file (".dms"): the magic "YB_BLOCK_OPTION_FILE_VER1.0" and one BlockInfo record.
#include "file_kinds.h"
#include "block/block_files.h"
#include "export_frame.h"
#include "option_file.h"

#include "fs.h"

#include <yb/ybBlockFileIO.h>

#include <cstring>
#include <string_view>

namespace yb::block {
namespace {

constexpr std::string_view kBlockOptionMagic = frame::magicOf(frame::FileKind::BlockOption);
static_assert(kBlockOptionMagic.size() == 27);
constexpr std::size_t kBlockOptionFileSize = kBlockOptionMagic.size() + sizeof(BlockInfo);
static_assert(kBlockOptionFileSize == 739);

std::int32_t writeBlockOptionFile(char const* path, BlockInfo const* block) {
    if (path == nullptr || block == nullptr) return kInvalidArgument;
    return frame::writeOptionFile(path, kBlockOptionMagic, block, sizeof *block) ? kSuccess : kCannotWrite;
}

}  // namespace

std::int32_t readBlockOptionFile(char const* path, BlockInfo* block) {
    // The record is cleared first, so every failure below leaves it all zero.
    if (block != nullptr) std::memset(block, 0, sizeof *block);
    if (path == nullptr || block == nullptr) return kInvalidArgument;
    if (!platform::isRegularFile(path)) return kCannotOpen;
    // A short record keeps the bytes present and the rest stays zero; a wrong magic reads no record
    // bytes, so the record stays cleared.
    return frame::optionReadResult(frame::readOptionFile(path, kBlockOptionMagic, block, sizeof *block),
                                   {.cannotOpen = kCannotOpen, .wrongMagic = kWrongMagic});
}

}  // namespace yb::block

std::int32_t ybReadBlockOptionFile(char const* path, BlockInfo* block) {
    return yb::frame::guarded([&] { return yb::block::readBlockOptionFile(path, block); });
}

std::int32_t ybWriteBlockOptionFile(char const* path, BlockInfo* block) {
    return yb::frame::guarded([&] { return yb::block::writeBlockOptionFile(path, block); });
}
