// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Image property files: the binary property file of one image (".ipp", magic + one IMAGEPROPINFO),
// the binary SPOT property file (magic + one double) and the two-line text file that describes a
// sensor (".ipc"). What the library itself uses of them.
#pragma once

#include "option_file.h"

#include <yb/ybBlockFileIO.h>

#include <cstdint>

namespace yb::params {

// Both binary property files answer the same way when a read fails.
inline constexpr frame::OptionReadCodes kPropertyReadCodes{.cannotOpen = kCannotOpen, .wrongMagic = kWrongMagic};

// Reads an image property file; a short record keeps the bytes present and the rest stays zero.
std::int32_t readImageProperties(char const* path, IMAGEPROPINFO* info);

// Writes the default sensor property files of the SPOT sensors into `directory` (given without a
// trailing backslash). When either cannot be written, neither is left behind.
std::int32_t writeSpotSensorFiles(char const* directory);

}  // namespace yb::params
