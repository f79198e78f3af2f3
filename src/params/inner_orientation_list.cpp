// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The inner orientation image list: a text file whose first line is the number of images and whose
// following lines are the image paths, one per line. Lines are read into 128-byte buffers (a longer
// line comes back cut); the general line skipper reads lines of up to 511 characters, so a longer line
// counts as more than one there.
#include "binary_io.h"
#include "export_frame.h"
#include "fs.h"
#include "text_scan.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace yb::params {
namespace {

constexpr std::size_t kListLineBuffer = 128;  // the list's own line buffer, terminator included
constexpr std::size_t kSkipLineBuffer = 512;  // the line skipper's buffer, terminator included

std::int32_t skipTextLines(std::FILE* stream, std::int32_t lineCount, std::int32_t origin, std::int32_t* position) {
    if (stream == nullptr || lineCount < 1 || (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END))
        return kOutOfRange;
    static_assert(SEEK_SET == 0 && SEEK_CUR == 1 && SEEK_END == 2, "the origins are the stdio ones");
    if (std::fseek(stream, 0, origin) != 0) return kInvalidContent;
    std::array<char, kSkipLineBuffer> line{};
    // Counted down, so a count of INT32_MAX never steps past the largest number.
    for (std::int32_t left = lineCount; left > 0; --left) {
        if (std::fgets(line.data(), static_cast<int>(line.size()), stream) == nullptr) return kInvalidContent;
        // The last line may lack its newline: reaching the end on the last wanted line still counts.
        if (std::feof(stream) != 0 && left > 1) return kOutOfRange;
    }
    if (position != nullptr) {
        long const offset = std::ftell(stream);
        if (offset < 0 || offset > INT32_MAX) return kInvalidContent;
        *position = static_cast<std::int32_t>(offset);
    }
    return kSuccess;
}

// One line into the list's 128-byte buffer; false when nothing could be read.
bool readListLine(std::FILE* stream, std::array<char, kListLineBuffer>& line) {
    return std::fgets(line.data(), static_cast<int>(line.size()), stream) != nullptr;
}

std::int32_t writeList(char const* path, std::vector<std::string> const& names) {
    if (path == nullptr || names.empty()) return kOutOfRange;
    if (names.size() > static_cast<std::size_t>(INT32_MAX)) return kOutOfRange;
    // The list replaces the old one only when every line is written: no partial list is ever left.
    bool const written = platform::replaceFile(path, [&](platform::Output& out) {
        std::string const count = std::to_string(names.size()) + "\n";
        out.write(count.data(), count.size());
        for (std::string const& name : names) {
            out.write(name.c_str(), std::strlen(name.c_str()));  // a name ends at its first NUL, as a C string does
            out.write("\n", 1);
        }
        return true;
    });
    return written ? kSuccess : kCannotWrite;
}

std::int32_t readListCount(char const* path, std::int32_t& count) {
    platform::File file = platform::openFile(path, "r");
    if (!file) return kCannotOpen;
    std::array<char, kListLineBuffer> line{};
    if (!readListLine(file.get(), line)) return kInvalidContent;
    std::string_view text(line.data());
    auto const value = platform::takeNumber<std::int32_t>(text);
    if (!value || *value < 1) return kInvalidContent;
    count = *value;
    return kSuccess;
}

std::int32_t readCount(char const* path, std::int32_t* count) {
    if (path == nullptr || count == nullptr) return kOutOfRange;
    return readListCount(path, *count);
}

std::int32_t readEntry(char const* path, std::int32_t index, char* name) {
    if (path == nullptr || name == nullptr || index < 1) return kOutOfRange;
    std::int32_t count = 0;
    if (std::int32_t const code = readListCount(path, count); code != kSuccess) return code;
    if (index > count) return kOutOfRange;
    platform::File file = platform::openFile(path, "r");
    if (!file) return kCannotOpen;
    // The count line and the entries before this one.
    std::int32_t position = 0;
    if (std::int32_t const code = skipTextLines(file.get(), index, SEEK_SET, &position); code != kSuccess) return code;
    if (std::fseek(file.get(), position, SEEK_SET) != 0) return kInvalidContent;
    std::array<char, kListLineBuffer> line{};
    if (!readListLine(file.get(), line)) return kInvalidContent;
    std::size_t length = std::strlen(line.data());
    while (length > 0 && platform::isBlank(line[length - 1])) --length;
    std::memcpy(name, line.data(), length);
    name[length] = '\0';
    return kSuccess;
}

}  // namespace
}  // namespace yb::params

std::int32_t ybJumpTextFileLines(std::FILE* stream, std::int32_t lineCount, std::int32_t origin,
                                 std::int32_t* position) {
    return yb::frame::guarded([&] { return yb::params::skipTextLines(stream, lineCount, origin, position); });
}

std::int32_t ybReadOneInnOrientImgFileName(char const* path, std::int32_t index, char* name) {
    return yb::frame::guarded([&] { return yb::params::readEntry(path, index, name); });
}

std::int32_t ybReadImgNumsOfInnOrient(char const* path, std::int32_t* count) {
    return yb::frame::guarded([&] { return yb::params::readCount(path, count); });
}

std::int32_t ybWriteInnOrientImgListFile(char const* path, std::vector<std::string> const& names) {
    return yb::frame::guarded([&] { return yb::params::writeList(path, names); });
}
