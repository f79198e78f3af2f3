// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "option_file.h"

#include "binary_io.h"
#include "fs.h"
#include "write_path.h"

namespace yb::frame {

OptionReadStatus readOptionFile(char const* path, std::string_view magic, void* record, std::size_t recordSize) {
    std::uint64_t const ioErrors = platform::ioErrorTally();
    platform::File file = platform::openFile(path, "rb");
    if (!file) return OptionReadStatus::CannotOpen;
    platform::BinaryStream stream(file.get());
    bool const magicMatches = stream.readMagic(magic);
    bool const whole = magicMatches && stream.readSome(record, recordSize) == recordSize;
    // A file that cannot be read is no short file: its record is not handed out as if it were whole.
    if (platform::ioErrorTally() != ioErrors) return OptionReadStatus::CannotOpen;
    if (!magicMatches) return OptionReadStatus::WrongMagic;
    return whole ? OptionReadStatus::Ok : OptionReadStatus::ShortRecord;
}

std::int32_t optionReadResult(OptionReadStatus status, OptionReadCodes const& codes) {
    switch (status) {
        case OptionReadStatus::Ok: return kSuccess;
        case OptionReadStatus::CannotOpen: return codes.cannotOpen;
        case OptionReadStatus::WrongMagic: return codes.wrongMagic;
        case OptionReadStatus::ShortRecord: return codes.shortRecord;
    }
    return kInvalidContent;  // not a status readOptionFile gives
}

bool writeOptionFile(char const* path, std::string_view magic, void const* record, std::size_t recordSize) {
    return path != nullptr && platform::replaceFile(path, [&](platform::Output& out) {
               out.writeMagic(magic);
               out.write(record, recordSize);
               return true;
           });
}

}  // namespace yb::frame
