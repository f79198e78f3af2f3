// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The image point file: the points measured on one image, as a flat list of tagImagePoint records.
// The block tie point operations write and read the per-image files through these functions too.
#pragma once

#include "fs.h"

#include <yb/ybBlockFileIO.h>

#include <cstdint>
#include <vector>

namespace yb::points {

// The stored record count, after checking magic and count.
std::int32_t readImagePointCount(char const* path, std::int32_t& count);
// All records into a caller array that holds at least the stored count.
std::int32_t readImagePoints(char const* path, tagImagePoint* points, std::int32_t& count);
// All records into `points` (emptied first; emptied and released on failure).
std::int32_t readImagePoints(char const* path, std::vector<tagImagePoint>& points);
// Creates or replaces the file with exactly these records; a failure leaves no file.
std::int32_t writeImagePoints(char const* path, tagImagePoint const* points, std::int32_t count);
// The same reading and writing for a file that platform::findFiles found, as the block workflows
// visit a file per image.
std::int32_t readImagePoints(platform::FoundFile const& file, std::vector<tagImagePoint>& points);
std::int32_t writeImagePoints(platform::FoundFile const& file, tagImagePoint const* points, std::int32_t count);
// Adds records after those of an existing file; the file changes only when every step succeeded.
std::int32_t appendImagePoints(char const* path, tagImagePoint const* points, std::int32_t count);

}  // namespace yb::points
