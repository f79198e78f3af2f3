// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The ".ybi" image file by its path: the reader and writer of its header and control point table. The
// layout and its reading are in ybi_image_format.h.
#pragma once

#include "ybi_image_format.h"

#include <cstdint>
#include <string>

namespace yb::ybi {

// Reads the header and the control point table. `tableEnd`, when given, receives the offset where the
// pixel data begins. Returns 0 or a YBI_E_* code.
std::int32_t readImageFile(std::string const& path, ImageContent& content, std::uint64_t* tableEnd = nullptr);

// Writes the header and table. With `keepPixels`, the existing file's table is rewritten in place and
// whatever followed it is carried over; otherwise the file is replaced by one that ends after the
// table. Either way a failed write leaves an existing file unchanged.
std::int32_t writeImageFile(std::string const& path, ImageContent const& content, bool keepPixels);

}  // namespace yb::ybi
