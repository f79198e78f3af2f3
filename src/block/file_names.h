// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Pieces shared by the builders of block, image, model and product file names. All pure text: nothing
// here touches the file system. Every search walks whole GBK characters, so the second byte of a
// double-byte character is never taken for a separator, a dot or a letter.
#pragma once

#include <yb/ybBlockFileIO.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace yb::block {

// Sub-directories of the block folder that names point into. The file system ignores letter case, so
// the lower-case temporary directory is the folder's "\Temp".
inline constexpr std::string_view kImageParameterDirectory = "\\ImagesPara\\";
inline constexpr std::string_view kModelDirectory = "\\Model\\";
inline constexpr std::string_view kTemporaryDirectory = "\\temp\\";

// A caller's text, or an empty view for a null pointer.
inline std::string_view textOf(char const* text) {
    return text == nullptr ? std::string_view() : std::string_view(text);
}

// The file name after the last separator, up to its last dot.
std::string titleOf(std::string_view path);
// The file name after the last separator without its last four bytes (the image extension with its
// dot, ".ybi"). A name of four bytes or fewer has an empty stem; a cut that would fall inside a
// double-byte character keeps that character out of the stem.
std::string stemOf(std::string_view path);
// ".ioc", "ioc" and "..ioc" all give ".ioc"; an empty extension gives a lone ".".
std::string dottedExtension(std::string_view extension);

// The block directory of the record without trailing backslashes, and the block name.
std::string blockDirectoryOf(BlockInfo const& block);
std::string blockNameOf(BlockInfo const& block);

// The directory of the block the host has open, from the host's settings record.
std::string hostBlockDirectory();

// The name builders behind the naming exports, for the library's own callers (empty text where the
// export gives empty text).
std::string blockAuxFileName(BlockInfo const& block, char const* ext, char const* suffix);
std::string imageAuxFileName(BlockInfo const& block, char const* imagePath, char const* ext, char const* suffix,
                             char const* subDirectory);
std::string modelAuxFileName(BlockInfo const& block, char const* leftImage, char const* rightImage, char const* ext,
                             char const* suffix);
std::string temporaryAuxFileName(BlockInfo const& block, char const* firstImage, char const* secondImage,
                                 char const* ext, char const* suffix);
std::string imagePropertyFileName(char const* imagePath, char const* blockDir);
std::string orientationFileNameByModel(char const* blockDir, std::int32_t kind, char const* modelName,
                                       bool coefficients);
std::string modelName(char const* left, char const* right);
// A file inside the model directory named after the model: stems, or titles for the model grid.
std::string modelProductFileName(char const* blockDir, char const* left, char const* right, std::string_view tail,
                                 bool byTitles = false);
// The left (or right) epipolar image of a model.
std::string epipolarFileName(char const* blockDir, char const* left, char const* right, bool leftImage);

}  // namespace yb::block
