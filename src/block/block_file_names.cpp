// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Names of the block-level, image-level, model-level and temporary files of a block, built from the
// block record or from plain paths. Text only: no builder opens or tests a file.
#include "block/file_names.h"
#include "export_frame.h"

#include "gbk.h"
#include "hostpath.h"

#include <yb/HostBase.h>
#include <yb/ybBlockFileIO.h>

#include <string>
#include <string_view>

namespace yb::block {

namespace {

constexpr std::string_view kImagePropertyExtension = "ipp";
constexpr std::string_view kImageListExtension = "bil";
// Longest path the host's path buffers hold (without the terminator).
constexpr std::size_t kMaxPathLength = 259;
// Bytes of the image extension with its dot (".ybi") that an image stem leaves out.
constexpr std::size_t kImageExtensionLength = 4;

// The sub-directory part of an image auxiliary file: "\ImagesPara\" by default, otherwise the given
// name with one backslash on each side, whatever the caller wrote around it.
std::string subDirectoryPart(char const* subDirectory) {
    if (subDirectory == nullptr) return std::string(kImageParameterDirectory);
    std::string_view name(subDirectory);
    while (!name.empty() && name.front() == '\\') name.remove_prefix(1);
    std::string trimmed = platform::withoutTrailingBackslashes(name);
    // Nothing left: the file goes straight into the block directory, still behind a separator.
    if (trimmed.empty()) return "\\";
    return "\\" + trimmed + "\\";
}

std::string optionalText(char const* text) { return text == nullptr ? std::string() : std::string(text); }

// Drive and directory of one path, title of another, and an extension: the files that sit beside the
// block option file.
std::string besideFileName(char const* directoryPath, char const* titlePath, std::string_view extension) {
    if (directoryPath == nullptr || titlePath == nullptr) return {};
    platform::PathParts where = platform::splitPath(directoryPath);
    std::string name = platform::makePath(where.drive, where.directory, titleOf(titlePath), extension);
    // A name the host could not hold names no file.
    if (name.size() > kMaxPathLength) return {};
    return name;
}

}  // namespace

std::string titleOf(std::string_view path) { return platform::splitPath(path).title; }

std::string stemOf(std::string_view path) {
    std::string const name = platform::fileNameOf(path);
    if (name.size() <= kImageExtensionLength) return {};
    // Whole characters only: one that the cut would split stays out.
    return name.substr(0, platform::wholeCharactersWithin(name, name.size() - kImageExtensionLength));
}

std::string dottedExtension(std::string_view extension) {
    while (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
    return "." + std::string(extension);
}

std::string blockDirectoryOf(BlockInfo const& block) {
    return platform::withoutTrailingBackslashes(
        platform::boundedText(block.blockDirectory, sizeof block.blockDirectory));
}

std::string blockNameOf(BlockInfo const& block) {
    return std::string(platform::boundedText(block.blockName, sizeof block.blockName));
}

std::string hostBlockDirectory() {
    unsigned char const* settings = hbGetSettings(0);
    if (settings == nullptr) return {};
    return std::string(platform::boundedText(reinterpret_cast<char const*>(settings) + HB_BLOCK_DIRECTORY_OFFSET,
                                             HB_BLOCK_DIRECTORY_SIZE));
}

std::string blockAuxFileName(BlockInfo const& block, char const* ext, char const* suffix) {
    return blockDirectoryOf(block) + "\\" + blockNameOf(block) + optionalText(suffix) + dottedExtension(textOf(ext));
}

std::string imageAuxFileName(BlockInfo const& block, char const* imagePath, char const* ext, char const* suffix,
                             char const* subDirectory) {
    if (imagePath == nullptr) return {};
    return blockDirectoryOf(block) + subDirectoryPart(subDirectory) + titleOf(imagePath) + optionalText(suffix) +
           dottedExtension(textOf(ext));
}

std::string modelAuxFileName(BlockInfo const& block, char const* leftImage, char const* rightImage, char const* ext,
                             char const* suffix) {
    if (leftImage == nullptr || rightImage == nullptr) return {};
    std::string const model = titleOf(leftImage) + "_" + titleOf(rightImage);
    return blockDirectoryOf(block) + std::string(kModelDirectory) + model + "\\" + model + optionalText(suffix) +
           dottedExtension(textOf(ext));
}

std::string temporaryAuxFileName(BlockInfo const& block, char const* firstImage, char const* secondImage,
                                 char const* ext, char const* suffix) {
    if (firstImage == nullptr) return {};
    std::string name = blockDirectoryOf(block) + std::string(kTemporaryDirectory) + titleOf(firstImage);
    if (secondImage != nullptr && *secondImage != '\0') name += "_" + titleOf(secondImage);
    return name + optionalText(suffix) + dottedExtension(textOf(ext));
}

std::string imagePropertyFileName(char const* imagePath, char const* blockDir) {
    if (imagePath == nullptr || blockDir == nullptr) return {};
    return std::string(blockDir) + std::string(kImageParameterDirectory) + stemOf(imagePath) + ".ipp";
}

}  // namespace yb::block

std::string ybGetBlkAuxFileName(BlockInfo const& block, char const* ext, char const* suffix) {
    return yb::frame::guarded([&] { return yb::block::blockAuxFileName(block, ext, suffix); });
}

std::string ybGetImgAuxFileName(BlockInfo const& block, char const* imagePath, char const* ext, char const* suffix,
                                char const* subDir) {
    return yb::frame::guarded([&] { return yb::block::imageAuxFileName(block, imagePath, ext, suffix, subDir); });
}

std::string ybGetModAuxFileName(BlockInfo const& block, char const* leftImage, char const* rightImage, char const* ext,
                                char const* suffix) {
    return yb::frame::guarded([&] { return yb::block::modelAuxFileName(block, leftImage, rightImage, ext, suffix); });
}

std::string ybGetTempAuxFileName(BlockInfo const& block, char const* firstImage, char const* secondImage,
                                 char const* ext, char const* suffix) {
    return yb::frame::guarded(
        [&] { return yb::block::temporaryAuxFileName(block, firstImage, secondImage, ext, suffix); });
}

std::string ybGetBlkImgPropFileName(char const* dirPath, char const* titlePath) {
    return yb::frame::guarded(
        [&] { return yb::block::besideFileName(dirPath, titlePath, yb::block::kImagePropertyExtension); });
}

std::string ybGetBlkImgListFileName(char const* dirPath, char const* titlePath) {
    return yb::frame::guarded(
        [&] { return yb::block::besideFileName(dirPath, titlePath, yb::block::kImageListExtension); });
}

std::string ybGetImagePropFile(char const* imagePath, char const* blockDir) {
    return yb::frame::guarded([&] { return yb::block::imagePropertyFileName(imagePath, blockDir); });
}
