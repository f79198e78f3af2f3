// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The image relation file: a text file whose first line is the number of records and whose following
// lines hold one ImageLayoutStru each, as "image number <tab> x <tab> y" with six decimals.
#include "binary_io.h"
#include "export_frame.h"
#include "fs.h"
#include "text_scan.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace yb::params {
namespace {

// A line is kept up to this many bytes; the rest of a longer line is skipped, so it still counts as one.
constexpr std::size_t kLineWidth = 511;
// The shortest record line, "1 2 3\n", bounds how many records a file of a given size can hold.
constexpr std::uint64_t kShortestRecordLine = 6;

// "%ld\t%.6f\t%.6f\n"; a huge value needs more room than the usual line and gets it.
void appendRecordLine(std::string& out, ImageLayoutStru const& record) {
    char constexpr format[] = "%d\t%.6f\t%.6f\n";
    std::array<char, 128> line{};
    int const length = std::snprintf(line.data(), line.size(), format, record.imageNo, record.x, record.y);
    if (length < 0) throw std::runtime_error("a record cannot be formatted");
    std::size_t const size = static_cast<std::size_t>(length);
    if (size < line.size()) {
        out.append(line.data(), size);
        return;
    }
    std::size_t const start = out.size();
    out.resize(start + size + 1);
    std::snprintf(out.data() + start, size + 1, format, record.imageNo, record.x, record.y);
    out.resize(start + size);
}

std::int32_t writeRelations(char const* path, std::vector<ImageLayoutStru> const& records) {
    if (path == nullptr || records.empty()) return kInvalidArgument;
    if (records.size() > static_cast<std::size_t>(INT32_MAX)) return kInvalidArgument;
    bool const written = platform::replaceFile(path, [&](platform::Output& out) {
        std::string line = std::to_string(records.size()) + "\n";
        out.write(line.data(), line.size());
        for (ImageLayoutStru const& record : records) {
            line.clear();
            appendRecordLine(line, record);
            out.write(line.data(), line.size());
        }
        return true;
    });
    return written ? kSuccess : kCannotWrite;
}

// Parses "number real real" from the start of a line; text after the third number is ignored, and
// from a field that holds no number on, the fields are zero.
ImageLayoutStru parseRecord(std::string_view line) {
    ImageLayoutStru record{};
    auto const number = platform::takeNumber<long long>(line);
    if (!number) return record;
    record.imageNo = static_cast<std::int32_t>(std::clamp<long long>(*number, INT32_MIN, INT32_MAX));
    auto const x = platform::takeNumber<double>(line);
    if (!x) return record;
    record.x = *x;
    record.y = platform::takeNumber<double>(line).value_or(0.0);
    return record;
}

std::int32_t readRelationsInto(std::FILE* stream, std::vector<ImageLayoutStru>& records) {
    std::string line;
    if (!platform::readLine(stream, line, kLineWidth)) return kInvalidContent;
    std::string_view countText = line;
    long long const count = platform::takeNumber<long long>(countText).value_or(0);
    if (count < 1 || count > INT32_MAX) return kInvalidContent;
    // A count beyond what the file could hold is not trusted for the allocation.
    platform::BinaryStream binary(stream);
    auto const remaining = binary.remaining();
    std::uint64_t const possible = remaining ? *remaining / kShortestRecordLine + 1 : 0;
    records.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(count), possible)));
    for (long long i = 0; i < count; ++i) {
        if (!platform::readLine(stream, line, kLineWidth)) return kInvalidContent;
        records.push_back(parseRecord(line));
    }
    return kSuccess;
}

std::int32_t readRelations(char const* path, std::vector<ImageLayoutStru>& records) {
    if (path == nullptr) return kInvalidArgument;
    platform::File file = platform::openFile(path, "r");
    if (!file) return kCannotOpen;
    records.clear();
    std::int32_t const code = readRelationsInto(file.get(), records);
    if (code != kSuccess) std::vector<ImageLayoutStru>().swap(records);
    return code;
}

}  // namespace
}  // namespace yb::params

std::int32_t ybWriteImageRelaFile(char const* path, std::vector<ImageLayoutStru> const& records) {
    return yb::frame::guarded([&] { return yb::params::writeRelations(path, records); });
}

std::int32_t ybReadImageRelaFile(char const* path, std::vector<ImageLayoutStru>& records) {
    return yb::frame::guarded([&] { return yb::params::readRelations(path, records); });
}
