#include "option_file.h"

#include "binary_io.h"
#include "fs.h"
#include "write_path.h"

namespace yb::frame {

OptionReadStatus readOptionFile(char const* path, std::string_view magic, void* record, std::size_t recordSize) {
    platform::File file = platform::openFile(path, "rb");
    if (!file) return OptionReadStatus::CannotOpen;
    platform::BinaryStream stream(file.get());
    if (!stream.readMagic(magic)) return OptionReadStatus::WrongMagic;
    return stream.readSome(record, recordSize) == recordSize ? OptionReadStatus::Ok : OptionReadStatus::ShortRecord;
}

std::int32_t optionReadResult(OptionReadStatus status, OptionReadCodes const& codes) {
    switch (status) {
        case OptionReadStatus::Ok:
            return kSuccess;
        case OptionReadStatus::CannotOpen:
            return codes.cannotOpen;
        case OptionReadStatus::WrongMagic:
            return codes.wrongMagic;
        case OptionReadStatus::ShortRecord:
            return codes.shortRecord;
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
