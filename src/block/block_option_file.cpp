// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The block option file (".dms"): the magic "YB_BLOCK_OPTION_FILE_VER1.0" and one BlockInfo record.
#include "file_kinds.h"
#include "image_types.h"
#include "block/block_files.h"
#include "export_frame.h"
#include "option_file.h"

#include "fs.h"
#include "hostpath.h"

#include <yb/ybBlockFileIO.h>

#include <cstring>
#include <string>
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

std::optional<BlockOptionProblem> readSoundBlockOption(std::string const& hostPath, BlockInfo& info) {
    if (std::int32_t code = readBlockOptionFile(hostPath.c_str(), &info); code != kSuccess)
        return BlockOptionProblem{code, "cannot read the block option file"};
    std::uint64_t const size = platform::fileSize(hostPath).value_or(0);
    if (size != kBlockOptionFileSize)
        return BlockOptionProblem{kInvalidContent, "the block option file is damaged: it is " + std::to_string(size) +
                                                       " bytes; every block option file is " +
                                                       std::to_string(kBlockOptionFileSize) + " bytes"};
    if (!frame::validImageType(info.imageType))
        return BlockOptionProblem{kInvalidContent, "the block option file is damaged: its image type " +
                                                       std::to_string(info.imageType) + " is none of 0 to 6"};
    if (platform::boundedText(info.blockDirectory, sizeof info.blockDirectory).empty() ||
        platform::boundedText(info.blockName, sizeof info.blockName).empty())
        return BlockOptionProblem{kInvalidContent,
                                  "the block option file is damaged: it names no block folder or name"};
    return std::nullopt;
}

}  // namespace yb::block

std::int32_t ybReadBlockOptionFile(char const* path, BlockInfo* block) {
    return yb::frame::guarded([&] { return yb::block::readBlockOptionFile(path, block); });
}

std::int32_t ybWriteBlockOptionFile(char const* path, BlockInfo* block) {
    return yb::frame::guarded([&] { return yb::block::writeBlockOptionFile(path, block); });
}
