// The magic text at the start of a companion file, told apart as present, cut short, or different, so a
// truncated file of the right kind and a file of another kind get different codes.
#pragma once

#include "binary_io.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace yb::companion {

enum class MagicStatus { Present, CutShort, Different };

// Reads the magic from the stream's position; `length` is the file's length.
inline MagicStatus readMagic(platform::BinaryStream& stream, std::uint64_t length, std::string_view magic) {
    std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(length, magic.size())), '\0');
    if (!stream.read(head.data(), head.size())) return MagicStatus::CutShort;
    if (magic.substr(0, head.size()) != head) return MagicStatus::Different;
    return head.size() < magic.size() ? MagicStatus::CutShort : MagicStatus::Present;
}

}  // namespace yb::companion
