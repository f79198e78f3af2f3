// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Changes to the tie point file: the replace-or-add merge, the write-back of a model's point set and
// the removal of automatically extracted points. Every change rewrites the file whole and leaves it
// grouped as the grouping writer does: a file already so grouped a group at a time, any other read
// whole into memory and regrouped.
#include "export_frame.h"
#include "scratch.h"
#include "points/point_records.h"
#include "tiepoints/tie_point_file.h"
#include "tiepoints/tie_point_messages.h"

#include "fs.h"
#include "work_copies.h"
#include "write_path.h"

#include <yb/ybiOrient.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace yb::tiepoints {
namespace {

constexpr std::int16_t kAutoExtractedType = 1;

// The backup of a merge, which earlier versions made under the work copy's name: a merge leaves none
// behind, not even one an interrupted merge of an earlier version left.
void removeBackup(char const* path) {
    std::string const backupPath = std::string(path) + std::string(platform::kBakSuffix);
    if (platform::isRegularFile(backupPath)) platform::removeFile(backupPath);
}

// The given points as a merge applies them: each image and name (ignoring case) once, in the order
// first given, carrying the last point given for it; images in the order first given.
struct AddedPoints {
    struct Key {
        tagImagePoint point;
        points::NameKey name;
        bool placed = false;  // written: in place of a point of the file, or after them
    };
    std::vector<Key> keys;
    std::unordered_map<std::string, std::size_t> keyOf;
    std::unordered_map<std::int32_t, std::vector<std::size_t>> keysOfImage;
    std::vector<std::int32_t> images;

    AddedPoints(tagImagePoint const* added, std::int32_t count) {
        for (std::int32_t i = 0; i < count; ++i) {
            auto const [at, isNew] = keyOf.try_emplace(points::observationKey(added[i]), keys.size());
            if (!isNew) {
                keys[at->second].point = added[i];
                continue;
            }
            keys.push_back({added[i], points::nameKeyOf(added[i])});
            std::int32_t const imageNo = added[i].imageNo;  // copied out of the packed record
            auto [image, firstOfImage] = keysOfImage.try_emplace(imageNo);
            if (firstOfImage) images.push_back(imageNo);
            image->second.push_back(at->second);
        }
    }
    // Puts given point k in place of `point`, unless it took a place already.
    void place(tagImagePoint& point, std::size_t k) {
        if (!std::exchange(keys[k].placed, true)) point = keys[k].point;
    }
};

// Puts each given point of an image (`keys`) in place of the first of the image's points with its
// name, unless one took it already.
void placeOnImage(std::span<tagImagePoint> group, std::vector<std::size_t> const& keys, AddedPoints& added) {
    // Most merges give an image a few points; a model's points written back give it thousands.
    constexpr std::size_t kFewKeys = 16;
    if (keys.size() <= kFewKeys) {
        for (tagImagePoint& point : group) {
            points::NameKey const name = points::nameKeyOf(point);
            for (std::size_t k : keys)
                if (added.keys[k].name == name) {
                    added.place(point, k);
                    break;
                }
        }
        return;
    }
    points::NameTable table(keys.size());
    for (std::size_t k : keys) table.tryEmplace(added.keys[k].name, static_cast<std::uint32_t>(k));
    for (tagImagePoint& point : group)
        if (std::uint32_t const* k = table.find(points::nameKeyOf(point))) added.place(point, *k);
}

// Merges `added` into a whole file's points, in any grouping: the first point of each given image and
// name is replaced where it stands, and the given points no point of the file takes follow them.
void mergePoints(std::vector<tagImagePoint>& working, AddedPoints& added) {
    for (tagImagePoint& point : working) {
        std::int32_t const imageNo = point.imageNo;  // copied out of the packed record
        if (!added.keysOfImage.contains(imageNo)) continue;
        if (auto const key = added.keyOf.find(points::observationKey(point)); key != added.keyOf.end())
            added.place(point, key->second);
    }
    for (std::size_t k = 0; k < added.keys.size(); ++k)
        if (!std::exchange(added.keys[k].placed, true)) working.push_back(added.keys[k].point);
}

using GroupPoints = platform::UninitialisedVector<tagImagePoint>;

// Rewrites a file whose every image has at most one group holding points and whose points each carry
// their group's image (as the grouping writer leaves a file) a group at a time, as the new file is
// written: a change of a file of millions of points holds one group in memory, not the file twice.
// change(imageNo, points) changes a group's points in place, drops some or adds some; a group left
// without points is not written. more(imagesOfFile, writeGroup) then writes groups of images the file
// holds no points of, through writeGroup(imageNo, points). The new file is what the grouping writer
// makes of the whole file so changed, and a damaged file gives what reading it whole gives. Nothing
// when the file is not grouped so, or the new file cannot be made (the new file, if begun, is
// dropped); the whole rewrite then answers.
template <class Change, class More>
std::optional<std::int32_t> rewriteGroupByGroup(char const* path, char const* installFailure, Change change,
                                                More more) {
    std::optional<TiePointFileReader> reading(std::in_place);
    TiePointFileReader& read = *reading;
    if (std::int32_t code = read.open(path, HB_MESSAGE_PLAIN); code != kSuccess) return code;
    TiePointGroupWriter writer(path);
    if (writer.begin(0, true) != kSuccess) return std::nullopt;
    std::int64_t groups = 0;
    std::int64_t records = 0;
    auto writeGroup = [&](std::int32_t imageNo, std::span<tagImagePoint const> points) {
        records += static_cast<std::int64_t>(points.size());
        if (points.empty() || records > std::numeric_limits<std::int32_t>::max()) return;
        writer.group(imageNo, static_cast<std::int32_t>(points.size()));
        writer.records(points.data(), points.size());
        ++groups;
    };
    std::unordered_set<std::int32_t> imagesOfFile;
    platform::ScratchVector<tagImagePoint, platform::UninitialisedAllocator<tagImagePoint>> group;
    for (std::int32_t g = 0; g < read.groupCount(); ++g) {
        std::int32_t imageNo = 0;
        std::int32_t count = 0;
        if (std::int32_t code = read.nextGroup(imageNo, count); code != kSuccess) return code;
        if (count <= 0) continue;  // no points: no group of the new file
        group->clear();
        if (std::int32_t code = read.readRecords(count, *group); code != kSuccess) return code;
        if (!imagesOfFile.insert(imageNo).second) return std::nullopt;
        for (tagImagePoint const& point : *group)
            if (point.imageNo != imageNo) return std::nullopt;  // the grouping writer would move it
        change(imageNo, *group);
        writeGroup(imageNo, *group);
    }
    more(imagesOfFile, writeGroup);
    // Every group holds a point, and the points are fewer than 2^31: the count fits.
    if (records > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    writer.setGroupCount(static_cast<std::int32_t>(groups));
    // Closed before the new file takes the old one's place: Windows replaces no file open for reading.
    reading.reset();
    return writer.finish(installFailure);
}

// The merge a group at a time (rewriteGroupByGroup), giving what mergePoints and the grouping writer
// make of the whole file.
std::optional<std::int32_t> mergeGroupByGroup(char const* path, AddedPoints& added) {
    return rewriteGroupByGroup(
        path, text::kCopyBackFailure,
        [&](std::int32_t imageNo, GroupPoints& points) {
            auto const keys = added.keysOfImage.find(imageNo);
            if (keys == added.keysOfImage.end()) return;
            placeOnImage(points, keys->second, added);
            for (std::size_t k : keys->second)
                if (!std::exchange(added.keys[k].placed, true)) points.push_back(added.keys[k].point);
        },
        [&](std::unordered_set<std::int32_t> const& imagesOfFile, auto&& writeGroup) {
            std::vector<tagImagePoint> points;
            for (std::int32_t imageNo : added.images) {
                if (imagesOfFile.contains(imageNo)) continue;
                points.clear();
                for (std::size_t k : added.keysOfImage.at(imageNo)) points.push_back(added.keys[k].point);
                writeGroup(imageNo, points);
            }
        });
}

std::int32_t mergeIntoFile(char const* path, tagImagePoint const* added, std::int32_t count) {
    // The file is held from the read to the replacement: no other program's points are lost between.
    platform::WriteHold const hold(path);
    // A merge needs a file to merge into; one that cannot even be opened (or that another program
    // held past the wait limit) is answered as the copy to the backup always answered it.
    if (hold.refused() || !platform::openFile(path, "rb")) {
        frame::showErrorF(text::kOpenFileFailure, path);
        return kCannotWrite;
    }
    if (AddedPoints plan(added, count); std::optional<std::int32_t> const code = mergeGroupByGroup(path, plan))
        return *code;
    // A file of another grouping is merged whole in memory, from a fresh plan.
    std::vector<tagImagePoint> working;
    if (std::int32_t code = readAllTiePoints(path, working); code != kSuccess) return code;
    AddedPoints plan(added, count);
    mergePoints(working, plan);
    // The merged points replace the file in one step: the new file takes the backup's part, and a
    // failure to put it in place answers as a failed copy back.
    return writeTiePointGroups(path, working, text::kCopyBackFailure);
}

std::int32_t mergeTiePoints(char const* path, tagImagePoint const* added, std::int32_t count) {
    if (path == nullptr) return kInvalidArgument;
    if (count > 0 && added == nullptr) {
        text::showErrorText(text::kInvalidAddress);
        return kInvalidArgument;
    }
    std::int32_t const code = mergeIntoFile(path, added, count);
    removeBackup(path);
    return code;
}

std::int32_t writeModelPoints(char const* path, std::int32_t modelNo, CONTROLPOINT_STORAGE* set) {
    if (set == nullptr) {
        text::showErrorText(text::kInvalidPointerAddress);
        return kOutOfRange;
    }
    if (path == nullptr || modelNo == std::numeric_limits<std::int32_t>::max()) return kInvalidArgument;
    std::int32_t const entryCount = set->count;
    std::vector<tagImagePoint> imagePoints;
    for (std::int32_t i = 0; i < entryCount; ++i) {
        CONTROLPOINT_INFO entry{};
        if (std::int32_t code = ybGetOneGcpInfo(set, &entry, i); code != kSuccess) {
            text::showErrorText(text::kModelPointDamaged);
            return code;
        }
        if (auto pair = points::imagePointsFromModelPoint(entry, modelNo)) {
            imagePoints.push_back(pair->first);
            imagePoints.push_back(pair->second);
        }
    }
    if (imagePoints.empty()) return kSuccess;
    if (imagePoints.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return kOutOfRange;
    return mergeTiePoints(path, imagePoints.data(), static_cast<std::int32_t>(imagePoints.size()));
}

// The strip number written in characters 1 and 2 of an automatically extracted point's name, read as
// strtol reads that two-character text (blanks, a sign, digits; 0 without digits).
long stripTagOf(tagImagePoint const& point) {
    std::string_view name = points::pointName(point);
    char digits[3] = {};
    if (name.size() > 1) digits[0] = name[1];
    if (name.size() > 2) digits[1] = name[2];
    return std::strtol(digits, nullptr, 10);
}

template <class ShouldRemove>
std::int32_t removePoints(char const* path, ShouldRemove shouldRemove) {
    if (path == nullptr) return kInvalidArgument;
    if (!platform::isRegularFile(path)) return kSuccess;  // nothing to remove
    // Held from the read to the replacement, as a merge is.
    platform::WriteHold const hold(path);
    if (hold.refused()) {
        frame::showErrorF(text::kCreateFileFailure, path);
        return kCannotWrite;
    }
    if (std::optional<std::int32_t> const code = rewriteGroupByGroup(
            path, nullptr,
            [&](std::int32_t, GroupPoints& points) {
                std::erase_if(points, [&](auto const& p) { return shouldRemove(p); });
            },
            [](std::unordered_set<std::int32_t> const&, auto&&) {}))
        return *code;
    // A file of another grouping is rewritten whole.
    std::vector<tagImagePoint> original;
    if (std::int32_t code = readAllTiePoints(path, original); code != kSuccess) return code;
    std::vector<tagImagePoint> kept;
    kept.reserve(original.size());
    for (tagImagePoint const& point : original) {
        if (!shouldRemove(point)) kept.push_back(point);
    }
    return writeTiePointGroups(path, kept);
}

std::int32_t removeAutoExtracted(char const* path) {
    return removePoints(path, [](tagImagePoint const& point) { return point.type == kAutoExtractedType; });
}

std::int32_t removeAutoExtractedOfOtherStrips(char const* path) {
    return removePoints(path, [](tagImagePoint const& point) {
        return point.type == kAutoExtractedType && stripTagOf(point) != point.imageNo / 100;
    });
}

// A merge interrupted before it could clean up leaves its backup behind; removing it is the one piece
// of context the store keeps on disk.
std::int32_t removeContext(char const* path) {
    if (path == nullptr) return kInvalidArgument;
    removeBackup(path);
    return kSuccess;
}

}  // namespace
}  // namespace yb::tiepoints

std::int32_t ybAppendTiePntToFile(char const* path, tagImagePoint const* points, std::int32_t count) {
    return yb::frame::guarded([&] { return yb::tiepoints::mergeTiePoints(path, points, count); });
}

std::int32_t ybWriteOneImgTiePntToFile(char const* path, tagImagePoint const* points, std::int32_t count) {
    return yb::frame::guarded([&] { return yb::tiepoints::mergeTiePoints(path, points, count); });
}

std::int32_t ybWriteOneModPnts(char const* path, std::int32_t modelNo, CONTROLPOINT_STORAGE* set) {
    return yb::frame::guarded([&] { return yb::tiepoints::writeModelPoints(path, modelNo, set); });
}

std::int32_t ybRemoveAutoExtractTiePnt(char const* path) {
    return yb::frame::guarded([&] { return yb::tiepoints::removeAutoExtracted(path); });
}

std::int32_t ybRemoveAutoExtractStripTiePnt(char const* path) {
    return yb::frame::guarded([&] { return yb::tiepoints::removeAutoExtractedOfOtherStrips(path); });
}

std::int32_t ybRemoveTiePntContext(char const* path) {
    return yb::frame::guarded([&] { return yb::tiepoints::removeContext(path); });
}
