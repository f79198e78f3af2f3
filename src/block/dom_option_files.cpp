// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The single-image DOM option file (magic "YB_ORTHO_MAP_OPTION_FILE_VER1.0", one raw
// SingleImageDomOption) and the single DOM option file (magic "YB_ORTHO_SINGLE_OPTION_FILE_VER1.0",
// one eTypeMathModel). Unlike the other option files these two verify every read and write: a record
// that comes up short is an error, and a file that could not be written completely is removed.
#include "file_kinds.h"
#include "export_frame.h"
#include "fs.h"
#include "option_file.h"

#include <yb/ybBlockFileIO.h>

#include <cstring>
#include <string_view>
#include <vector>

namespace yb::block {
namespace {

constexpr std::string_view kSingleImageDomMagic =
    frame::magicOf(frame::FileKind::SingleImageDomOption);  // shared with the ortho map file
constexpr std::string_view kSingleDomMagic = frame::magicOf(frame::FileKind::SingleDomOption);
static_assert(kSingleImageDomMagic.size() == 31 && kSingleDomMagic.size() == 34);
static_assert(kSingleImageDomMagic.size() + sizeof(SingleImageDomOption) == 1139);
static_assert(kSingleDomMagic.size() + sizeof(eTypeMathModel) == 38);

// The record reaches the caller only when the whole file was read.
std::int32_t readCheckedOption(char const* path, std::string_view magic, void* record, std::size_t recordSize) {
    if (path == nullptr || record == nullptr) return kInvalidArgument;
    std::vector<unsigned char> buffer(recordSize);
    switch (frame::readOptionFile(path, magic, buffer.data(), buffer.size())) {
        case frame::OptionReadStatus::Ok: std::memcpy(record, buffer.data(), recordSize); return kSuccess;
        case frame::OptionReadStatus::CannotOpen: return kCannotOpen;
        case frame::OptionReadStatus::ShortRecord: return kInvalidContent;
        case frame::OptionReadStatus::WrongMagic: {
            // A file too short to hold the magic is damaged; one whose magic differs is another kind.
            auto const size = platform::fileSize(path);
            return (size && *size < magic.size()) ? kInvalidContent : kWrongMagic;
        }
    }
    return kInvalidContent;
}

std::int32_t writeCheckedOption(char const* path, std::string_view magic, void const* record, std::size_t recordSize) {
    if (path == nullptr || record == nullptr) return kInvalidArgument;
    return frame::writeOptionFile(path, magic, record, recordSize) ? kSuccess : kCannotWrite;
}

}  // namespace
}  // namespace yb::block

std::int32_t ybReadSingleImgDomOption(char const* path, SingleImageDomOption* option) {
    return yb::frame::guarded(
        [&] { return yb::block::readCheckedOption(path, yb::block::kSingleImageDomMagic, option, sizeof *option); });
}

std::int32_t ybWriteSingleImgDomOption(char const* path, SingleImageDomOption const* option) {
    return yb::frame::guarded(
        [&] { return yb::block::writeCheckedOption(path, yb::block::kSingleImageDomMagic, option, sizeof *option); });
}

std::int32_t ybReadSingleDomOption(char const* path, eTypeMathModel* model) {
    return yb::frame::guarded(
        [&] { return yb::block::readCheckedOption(path, yb::block::kSingleDomMagic, model, sizeof *model); });
}

std::int32_t ybWriteSingleDomOption(char const* path, eTypeMathModel* model) {
    return yb::frame::guarded(
        [&] { return yb::block::writeCheckedOption(path, yb::block::kSingleDomMagic, model, sizeof *model); });
}
