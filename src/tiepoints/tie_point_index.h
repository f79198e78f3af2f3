// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The tie points of a whole file, indexed by image, for workflows that visit every image of a block.
// The file is read once, on the first request, in one piece that the records are then served from
// where they lie; each image gets what reading its own group would give: the records of its first
// group, in file order, or none.
#pragma once

#include "tiepoints/tie_point_file.h"

#include <yb/ybBlockFileIO.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>

namespace yb::tiepoints {

class TiePointIndex {
public:
    explicit TiePointIndex(std::string path) : path_(std::move(path)) {}

    // The records of image `imageNo`, where the index keeps them: a caller may change them on the way
    // out (each image's are its own); a file that cannot be read gives its code.
    std::int32_t recordsOf(std::int32_t imageNo, std::span<tagImagePoint>& records);

private:
    void load();

    std::string path_;
    bool loaded_ = false;
    std::int32_t openCode_ = kSuccess;    // failure to open or to read the header
    std::int32_t damageCode_ = kSuccess;  // failure part-way through the groups
    TiePointFileReader reader_;           // holds the file's bytes
    std::unordered_map<std::int32_t, std::span<tagImagePoint>> groups_;
};

}  // namespace yb::tiepoints
