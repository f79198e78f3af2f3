// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// How the tie points of a block tie its images together, counted in one pass over the tie point file.
// `check` reports weak ties from these counts and `plot` draws them, so both always agree.
#pragma once

#include "tool.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace ybblock {

struct ImageTies {
    std::int64_t observations = 0;  // records of the image
    std::int64_t tiedPoints = 0;    // distinct point names of the image that another image sees too
};

// Two images, or two strips, and the number of distinct point names seen on both.
struct SharedPoints {
    std::int32_t first = 0;  // first < second
    std::int32_t second = 0;
    std::int64_t points = 0;
};

struct NamedObservation {
    std::string name;  // GBK, as first written
    std::int32_t image = 0;
};

struct TieCounts {
    std::int64_t observations = 0;
    std::int64_t points = 0;                             // distinct point names (compared ignoring case)
    std::unordered_map<std::int32_t, ImageTies> images;  // every image that has a tie point group
    std::vector<SharedPoints> imagePairs;                // by image number, sorted
    std::vector<SharedPoints> stripPairs;                // by strip number (image number / 100), sorted
    std::vector<NamedObservation> lonePoints;            // names seen on one image only, first occurrence first
    std::vector<NamedObservation> nonFinite;             // observations with a coordinate that is nan or inf
    std::vector<std::int64_t> multiplicity;              // [k]: names seen on k distinct images

    ImageTies imageTies(std::int32_t image) const;
    std::int64_t sharedByImages(std::int32_t first, std::int32_t second) const;
    std::int64_t sharedByStrips(std::int32_t first, std::int32_t second) const;
};

// Reads the tie point file once and counts. The reader's code on failure.
std::int32_t countTies(std::string const& tiePointPath, TieCounts& counts);

struct WeakTies {
    std::int64_t threshold = kDefaultMinTies;
    std::vector<std::pair<std::int32_t, std::int64_t>> images;  // image of the list, its tied points
    std::vector<SharedPoints> strips;  // neighbouring strips that both hold images, and what they share
    std::vector<SharedPoints> links;   // consecutive images of a strip (list order), and what they share
};
// The images of the list, the pairs of neighbouring strips and of consecutive images in a strip, tied
// by fewer than `threshold` points.
WeakTies findWeakTies(TieCounts const& counts, std::vector<BlockImage> const& images, std::int64_t threshold);

}  // namespace ybblock
