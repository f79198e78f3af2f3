// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Orientation coefficient files: the result of one inner, relative or absolute orientation. All numbers
// are little-endian, with no padding:
//
//   offset  size  field
//   0       34    magic "YBI_ORIENT_COEFFICIENT_FILE_VER1.0" (no terminator)
//   34      4     kind, signed 32-bit: 0 inner, 1 relative, 2 absolute orientation
//   38      4     value count, signed 32-bit: 6, 5 or 7, the kind's own count
//   42      8*n   the values, doubles, in the order they were given
//
// Read into the caller's orientation record (packed on 2-byte boundaries) at the offsets its callers
// read: inner from byte 0, relative from byte 14, absolute from byte 2, each value 8 bytes after the one
// before, and the kind as a 16-bit integer at byte 58. Bytes 0 to 59 of the record are written and
// nothing else, and only when the whole file was read.
//
// ybiOrient reads a file by its path; the block library's workflows, which find a block's files in one
// look at each folder, read the ones they opened themselves through the same code.
#pragma once

#include "binary_io.h"

#include <yb/ybiOrient.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace yb::orient {

inline constexpr std::string_view kMagic{ORIENT_CEFF_MAGIC};
static_assert(kMagic.size() == 34);
inline constexpr std::int32_t kKinds = 3;
inline constexpr std::int32_t kMostValues = 7;

// Each kind's values end before the kind field, within the bytes the record promises to write.
constexpr bool recordLayoutFits() {
    for (std::int32_t kind = 0; kind < kKinds; ++kind) {
        std::size_t const end = ORIENT_RECORD_FIRST_VALUE[kind] + 8 * std::size_t(ORIENT_RECORD_VALUE_COUNT[kind]);
        if (end > ORIENT_RECORD_KIND_OFFSET || ORIENT_RECORD_VALUE_COUNT[kind] > kMostValues) return false;
    }
    return ORIENT_RECORD_KIND_OFFSET + sizeof(std::int16_t) == ORIENT_RECORD_FILLED_BYTES &&
           ORIENT_RECORD_FILLED_BYTES <= 128;
}
static_assert(recordLayoutFits());
static_assert(ORIENT_RECORD_FIRST_VALUE[ORIENT_KIND_INNER] == 0 &&
              ORIENT_RECORD_FIRST_VALUE[ORIENT_KIND_RELATIVE] == 14 &&
              ORIENT_RECORD_FIRST_VALUE[ORIENT_KIND_ABSOLUTE] == 2);

inline bool knownKind(std::int32_t kind) { return kind >= 0 && kind < kKinds; }

// Reads the open file `file` (none: the file is missing) into `record`.
inline std::int32_t readCoefficientFile(std::FILE* file, void* record) {
    if (file == nullptr) return ORIENT_E_FILE_MISSING;
    platform::BinaryStream stream(file);
    auto length = stream.length();
    if (!length) return ORIENT_E_FILE_MISSING;
    if (std::int32_t const magic =
            stream.readMagicAs<std::int32_t>(kMagic, *length, 0, ORIENT_E_SHORT_FILE, ORIENT_E_BAD_MAGIC);
        magic != 0)
        return magic;
    std::int32_t kind = 0;
    std::int32_t count = 0;
    if (!stream.readI32(kind) || !stream.readI32(count)) return ORIENT_E_SHORT_FILE;
    if (!knownKind(kind) || count != ORIENT_RECORD_VALUE_COUNT[kind]) return ORIENT_E_BAD_MAGIC;
    std::array<double, kMostValues> values{};
    if (!stream.read(values.data(), sizeof(double) * static_cast<std::size_t>(count))) return ORIENT_E_SHORT_FILE;

    std::array<unsigned char, ORIENT_RECORD_FILLED_BYTES> filled{};
    std::memcpy(filled.data() + ORIENT_RECORD_FIRST_VALUE[kind], values.data(),
                sizeof(double) * static_cast<std::size_t>(count));
    std::int16_t const storedKind = static_cast<std::int16_t>(kind);
    std::memcpy(filled.data() + ORIENT_RECORD_KIND_OFFSET, &storedKind, sizeof storedKind);
    std::memcpy(record, filled.data(), filled.size());
    return 0;
}

}  // namespace yb::orient
