// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// What the block subsystem reads for the library's other subsystems: the readers behind the block
// option, model option and folder listing exports, called directly rather than through the exports.
#pragma once

#include <yb/ybBlockFileIO.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace yb::block {

std::int32_t readBlockOptionFile(char const* path, BlockInfo* block);
// The block option file read as every program above the library takes it: the reader's code, or, for
// a record the reader takes but no block has (cut short or too long, an image type none of 0 to 6, no
// block folder or name), kInvalidContent; with what to say. Nullopt when the record is sound.
struct BlockOptionProblem {
    std::int32_t code = 0;
    std::string what;
};
std::optional<BlockOptionProblem> readSoundBlockOption(std::string const& hostPath, BlockInfo& info);
std::int32_t readModelOptionFile(char const* path, ModelInfo* info);
// The titles of the files with extension `ext` in `dir` (and, when `recursive` is non-zero, below it).
std::int32_t listSameExtension(char const* dir, char const* ext, std::vector<std::string>& titles, int recursive);
// The same, not recursive, for several extensions from one listing of `dir`: each list of titles as
// listSameExtension gives it for its extension alone (all empty when the folder cannot be listed).
struct ExtensionTitles {
    std::string_view extension;
    std::vector<std::string>* titles;
};
std::int32_t listSameExtensions(char const* dir, std::vector<ExtensionTitles> const& wanted);

}  // namespace yb::block
