// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The model option file (".mod"): the magic "YB_MODEL_OPTION_FILE_VER1.0" and a 1080-byte record that
// holds the four image texts of ModelInfo and its trailing host bytes. The option path and the model
// name are not stored: the reader derives them from the path it reads.
#include "file_kinds.h"
#include "block/block_files.h"
#include "export_frame.h"
#include "hostpath.h"
#include "option_file.h"

#include "fs.h"

#include <yb/ybBlockFileIO.h>

#include <cstring>
#include <string_view>

namespace yb::block {
namespace {

constexpr std::string_view kModelOptionMagic = frame::magicOf(frame::FileKind::ModelOption);
static_assert(kModelOptionMagic.size() == 27);

constexpr std::size_t kTextWidth = 260;

// The record as it lies in the file.
struct ModelOptionRecord {
    char leftImage[kTextWidth];
    char rightImage[kTextWidth];
    char hostText0[kTextWidth];
    char hostText1[kTextWidth];
    unsigned char hostReserved[40];
};
static_assert(sizeof(ModelOptionRecord) == 1080, "the stored model record is 1080 bytes");
static_assert(sizeof(ModelOptionRecord) == frame::fileKindInfo(frame::FileKind::ModelOption).recordSize);
static_assert(offsetof(ModelOptionRecord, hostReserved) == 1040);
static_assert(kModelOptionMagic.size() + sizeof(ModelOptionRecord) == 1107, "a model option file is 1107 bytes");
static_assert(sizeof(ModelOptionRecord::hostReserved) == sizeof(ModelInfo::hostReserved));

// Copies a text up to its terminator; a field without one is cut so that the copy always ends in one.
void copyText(char (&to)[kTextWidth], char const (&from)[kTextWidth]) {
    platform::storeText(to, kTextWidth, platform::boundedText(from, kTextWidth));
}

std::int32_t writeModelOptionFile(char const* path, ModelInfo const* info) {
    if (path == nullptr || info == nullptr) return kInvalidArgument;
    ModelOptionRecord stored{};
    copyText(stored.leftImage, info->leftImage);
    copyText(stored.rightImage, info->rightImage);
    copyText(stored.hostText0, info->hostText0);
    copyText(stored.hostText1, info->hostText1);
    std::memcpy(stored.hostReserved, info->hostReserved, sizeof stored.hostReserved);
    return frame::writeOptionFile(path, kModelOptionMagic, &stored, sizeof stored) ? kSuccess : kCannotWrite;
}

}  // namespace

std::int32_t readModelOptionFile(char const* path, ModelInfo* info) {
    if (path == nullptr || info == nullptr) return kInvalidArgument;
    if (!platform::isRegularFile(path)) return kCannotOpen;
    std::memset(info, 0, sizeof *info);
    ModelOptionRecord stored{};  // a file that ends early leaves the missing bytes zero
    std::int32_t const result =
        frame::optionReadResult(frame::readOptionFile(path, kModelOptionMagic, &stored, sizeof stored),
                                {.cannotOpen = kCannotOpen, .wrongMagic = kWrongMagic});
    if (result != kSuccess) return result;
    copyText(info->leftImage, stored.leftImage);
    copyText(info->rightImage, stored.rightImage);
    copyText(info->hostText0, stored.hostText0);
    copyText(info->hostText1, stored.hostText1);
    std::memcpy(info->hostReserved, stored.hostReserved, sizeof info->hostReserved);
    platform::storeText(info->optionPath, kTextWidth, path);
    platform::storeText(info->modelName, kTextWidth, platform::splitPath(path).title);
    return kSuccess;
}

}  // namespace yb::block

std::int32_t ybReadModelOptionFile(char const* path, ModelInfo* info) {
    return yb::frame::guarded([&] { return yb::block::readModelOptionFile(path, info); });
}

std::int32_t ybWriteModelOptionFile(char const* path, ModelInfo* info) {
    return yb::frame::guarded([&] { return yb::block::writeModelOptionFile(path, info); });
}
