// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Orientation coefficient files (their layout: orient_coefficient_format.h), read and written by path.
#include "call_barrier.h"
#include "orient_coefficient_format.h"

#include "binary_io.h"
#include "fs.h"
#include "write_path.h"

#include <yb/ybiOrient.h>

#include <array>
#include <cstring>
#include <string_view>

namespace yb::orient {
namespace {

std::int32_t readCoefficients(char const* path, void* record) {
    if (path == nullptr || record == nullptr) return ORIENT_E_NULL_ARGUMENT;
    platform::File file = platform::openFile(path, "rb");
    return readCoefficientFile(file.get(), record);
}

std::int32_t writeCoefficients(char const* path, std::int32_t kind, double const* values) {
    if (path == nullptr || values == nullptr) return ORIENT_E_NULL_ARGUMENT;
    if (!knownKind(kind)) return ORIENT_E_RANGE;
    std::int32_t const count = ORIENT_RECORD_VALUE_COUNT[kind];
    bool const written = platform::replaceFile(path, [&](platform::Output& out) {
        out.writeMagic(kMagic);
        out.writeI32(kind);
        out.writeI32(count);
        out.writeRecords(values, static_cast<std::size_t>(count));
        return true;
    });
    return written ? 0 : ORIENT_E_WRITE;
}

}  // namespace
}  // namespace yb::orient

std::int32_t ybReadOrientCeff(char const* path, void* record) {
    return yb::platform::callBarrier(ORIENT_E_NO_MEMORY, ORIENT_E_BAD_MAGIC,
                                     [&] { return yb::orient::readCoefficients(path, record); });
}

std::int32_t ybWriteOrientCeff(char const* path, std::int32_t kind, double const* values) {
    return yb::platform::callBarrier(ORIENT_E_NO_MEMORY, ORIENT_E_WRITE,
                                     [&] { return yb::orient::writeCoefficients(path, kind, values); });
}
