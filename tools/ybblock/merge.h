// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Observations compared and merged one by one. An observation is keyed by its image and its point name
// (compared ignoring case, as the library compares names); a name seen twice on one image keys its
// second observation apart. Between the per-image files ("ours") and the detach's base, only what an
// operator measures counts (name, type, x, y): detach fills photo coordinates from them.
#pragma once

#include <yb/ybBlockFileIO.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ybblock {

// What became of one observation from an old set of observations to a new one.
struct Change {
    enum Kind { Added, Removed, Changed } kind;
    std::int32_t image = 0;
    std::string name;  // GBK, as written
};
// The changes from `before` to `after`, in the order of `after` (removals last, in the order of `before`).
std::vector<Change> changesBetween(std::vector<tagImagePoint> const& before, std::vector<tagImagePoint> const& after);

struct Conflict {
    std::int32_t image = 0;
    std::string name;                                 // GBK
    std::optional<tagImagePoint> base, ours, theirs;  // nullopt: not there (never there, or removed)
};

enum class Prefer { Neither, Ours, Theirs };

struct ImagePoints {
    std::int32_t image = 0;
    std::vector<tagImagePoint> points;
};

struct MergeResult {
    std::vector<std::vector<tagImagePoint>> groups;  // the merged observations, one piece per image
    std::vector<ImagePoints> changedForOurs;         // images whose merged points differ from their per-image file
    std::size_t fromOurs = 0;                        // observations changed, added or removed on each side
    std::size_t fromTheirs = 0;
    std::vector<Conflict> conflicts;  // all of them; resolved ones too when `prefer` decided
};

// Merges the per-image files (`ours`, one entry per image of the image list, in its order) and the
// tie point file (`theirs`) from their common `base`: a change on one side is kept; a change on both
// is the same when it agrees, else a conflict, decided by `prefer` (Neither: the result is not to be
// used). The merged groups hold each image of the list in its order, then images only the tie point
// file holds, in its order.
MergeResult mergeObservations(std::vector<tagImagePoint> const& base, std::vector<ImagePoints> const& ours,
                              std::vector<tagImagePoint> const& theirs, Prefer prefer);

}  // namespace ybblock
