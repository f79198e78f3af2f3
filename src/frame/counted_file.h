// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Files that are a magic text, a signed 32-bit record count and that many fixed-size records (the image
// point, feature point and GCP layout files). What each file answers to a fault differs, so these
// helpers report what happened and leave the result codes to the file.
#pragma once

#include "binary_io.h"
#include "fs.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace yb::frame {

enum class CountedHeader {
    Ok,
    ShortMagic,     // the file ends inside the magic
    WrongMagic,     // the magic's bytes differ
    ShortCount,     // the file ends inside the count
    NegativeCount,  // the stored count is below zero
    ShortRecords,   // the file ends before the last record the count promises
};

// Reads the magic and the count from the stream's start.
CountedHeader readCountedHeader(platform::BinaryStream& stream, std::string_view magic, std::int32_t& count);

// True when the `count` records of `recordSize` bytes that follow the header are all in the file.
bool recordsPresent(platform::BinaryStream& stream, std::string_view magic, std::int32_t count, std::size_t recordSize);

// Reads the header of the file open in `file` (closed: ShortMagic) and checks that the records of
// `recordSize` bytes it counts are all there, leaving the stream at the first record.
CountedHeader readCountedRecords(platform::File& file, std::string_view magic, std::size_t recordSize,
                                 std::int32_t& count);

// Writes magic, count and records as the file's whole new content. On any failure the file is as it
// was and false is returned.
bool writeCountedFile(char const* path, std::string_view magic, void const* records, std::int32_t count,
                      std::size_t recordSize);
// The same into a file that platform::findFiles found.
bool writeCountedFile(platform::FoundFile const& file, std::string_view magic, void const* records, std::int32_t count,
                      std::size_t recordSize);

}  // namespace yb::frame
