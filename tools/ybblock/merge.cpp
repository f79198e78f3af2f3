// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "merge.h"

#include "points/point_records.h"

#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace ybblock {
namespace {

// The key of every observation of a set: image, name folded as the library folds names, and for a
// name seen again on the same image its occurrence.
std::vector<std::string> keysOf(std::vector<tagImagePoint> const& points) {
    std::vector<std::string> keys;
    keys.reserve(points.size());
    std::unordered_map<std::string, int> seen;
    for (tagImagePoint const& point : points) {
        std::string key = yb::points::observationKey(point);
        if (int const before = seen[key]++; before > 0) key += '/' + std::to_string(before);
        keys.push_back(std::move(key));
    }
    return keys;
}

std::unordered_map<std::string, std::size_t> indexOf(std::vector<std::string> const& keys) {
    std::unordered_map<std::string, std::size_t> index;
    index.reserve(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) index.emplace(keys[i], i);
    return index;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Name, type and measured coordinates: what an operator edits.
bool sameMeasured(tagImagePoint const& a, tagImagePoint const& b) {
    return yb::points::pointName(a) == yb::points::pointName(b) && a.type == b.type && sameBits(a.x, b.x) &&
           sameBits(a.y, b.y);
}

bool sameRecord(tagImagePoint const& a, tagImagePoint const& b) {
    return sameMeasured(a, b) && sameBits(a.photoX, b.photoX) && sameBits(a.photoY, b.photoY);
}

std::string nameOf(tagImagePoint const& point) { return std::string(yb::points::pointName(point)); }

}  // namespace

std::vector<Change> changesBetween(std::vector<tagImagePoint> const& before, std::vector<tagImagePoint> const& after) {
    std::vector<std::string> const beforeKeys = keysOf(before), afterKeys = keysOf(after);
    auto const beforeIndex = indexOf(beforeKeys);
    std::unordered_set<std::string> const afterSet(afterKeys.begin(), afterKeys.end());
    std::vector<Change> changes;
    for (std::size_t i = 0; i < after.size(); ++i) {
        auto const found = beforeIndex.find(afterKeys[i]);
        if (found == beforeIndex.end())
            changes.push_back({Change::Added, after[i].imageNo, nameOf(after[i])});
        else if (!sameRecord(before[found->second], after[i]))
            changes.push_back({Change::Changed, after[i].imageNo, nameOf(after[i])});
    }
    for (std::size_t i = 0; i < before.size(); ++i)
        if (afterSet.count(beforeKeys[i]) == 0)
            changes.push_back({Change::Removed, before[i].imageNo, nameOf(before[i])});
    return changes;
}

MergeResult mergeObservations(std::vector<tagImagePoint> const& base, std::vector<ImagePoints> const& ours,
                              std::vector<tagImagePoint> const& theirs, Prefer prefer) {
    std::vector<tagImagePoint> oursAll;
    std::unordered_set<std::int32_t> listed;
    for (ImagePoints const& image : ours) {
        listed.insert(image.image);
        oursAll.insert(oursAll.end(), image.points.begin(), image.points.end());
    }
    std::vector<std::string> const baseKeys = keysOf(base), oursKeys = keysOf(oursAll), theirsKeys = keysOf(theirs);
    auto const baseIndex = indexOf(baseKeys), oursIndex = indexOf(oursKeys), theirsIndex = indexOf(theirsKeys);
    auto const lookUp = [](auto const& index, std::vector<tagImagePoint> const& points,
                           std::string const& key) -> std::optional<tagImagePoint> {
        auto const found = index.find(key);
        if (found == index.end()) return std::nullopt;
        return points[found->second];
    };

    MergeResult result;
    // The merged observation of a key, if any.
    auto const decide = [&](std::string const& key, std::int32_t image) -> std::optional<tagImagePoint> {
        std::optional<tagImagePoint> const b = lookUp(baseIndex, base, key);
        std::optional<tagImagePoint> const t = lookUp(theirsIndex, theirs, key);
        // Images outside the image list have no per-image file: the per-image side left them as they were.
        std::optional<tagImagePoint> const o = listed.count(image) ? lookUp(oursIndex, oursAll, key) : b;
        bool const oursChanged = b ? !o || !sameMeasured(*o, *b) : o.has_value();
        bool const theirsChanged = b ? !t || !sameRecord(*t, *b) : t.has_value();
        if (!theirsChanged) {
            result.fromOurs += oursChanged;
            return o;
        }
        if (!oursChanged) {
            ++result.fromTheirs;
            return t;
        }
        if ((!o && !t) || (o && t && sameMeasured(*o, *t))) {
            ++result.fromOurs;  // both made the same change
            return o;
        }
        tagImagePoint const& any = o ? *o : t ? *t : *b;
        result.conflicts.push_back({image, nameOf(any), b, o, t});
        return prefer == Prefer::Theirs ? t : o;
    };

    // Each image's observations in the tie point file and the base, found without a scan per image.
    auto const byImage = [](std::vector<tagImagePoint> const& points) {
        std::unordered_map<std::int32_t, std::vector<std::size_t>> of;
        for (std::size_t i = 0; i < points.size(); ++i) of[std::int32_t{points[i].imageNo}].push_back(i);
        return of;
    };
    auto const theirsOf = byImage(theirs), baseOf = byImage(base);
    std::vector<std::size_t> const none;
    auto const of = [&](auto const& groups, std::int32_t image) -> std::vector<std::size_t> const& {
        auto const found = groups.find(image);
        return found == groups.end() ? none : found->second;
    };

    std::unordered_set<std::string> done;
    std::size_t at = 0;
    for (ImagePoints const& image : ours) {
        std::vector<tagImagePoint> piece;
        for (std::size_t k = 0; k < image.points.size(); ++k, ++at) {
            done.insert(oursKeys[at]);
            if (auto const point = decide(oursKeys[at], image.image)) piece.push_back(*point);
        }
        for (std::size_t const i : of(theirsOf, image.image)) {
            if (!done.insert(theirsKeys[i]).second) continue;
            if (auto const point = decide(theirsKeys[i], image.image)) piece.push_back(*point);
        }
        // Observations of the base that neither side holds any more were removed by both.
        for (std::size_t const i : of(baseOf, image.image))
            if (done.insert(baseKeys[i]).second) decide(baseKeys[i], image.image);
        bool same = piece.size() == image.points.size();
        for (std::size_t k = 0; same && k < piece.size(); ++k) same = sameRecord(piece[k], image.points[k]);
        if (!same) result.changedForOurs.push_back({image.image, piece});
        if (!piece.empty()) result.groups.push_back(std::move(piece));
    }
    // Images only the tie point file (or its base) holds, in the tie point file's order.
    std::unordered_map<std::int32_t, std::size_t> pieceOf;
    std::vector<std::vector<tagImagePoint>> others;
    auto const keep = [&](std::string const& key, std::int32_t image) {
        if (!done.insert(key).second) return;
        std::optional<tagImagePoint> const point = decide(key, image);
        if (!point) return;
        auto const [slot, added] = pieceOf.try_emplace(image, others.size());
        if (added) others.emplace_back();
        others[slot->second].push_back(*point);
    };
    for (std::size_t i = 0; i < theirs.size(); ++i) keep(theirsKeys[i], theirs[i].imageNo);
    for (std::size_t i = 0; i < base.size(); ++i) keep(baseKeys[i], base[i].imageNo);
    for (auto& piece : others) result.groups.push_back(std::move(piece));
    return result;
}

}  // namespace ybblock
