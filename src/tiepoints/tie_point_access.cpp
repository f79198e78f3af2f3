// Views over the tie point file: one image's points, one named point, a stereo model's point set and
// the points two neighbouring models share. Models are built on the fly from the image groups, all
// of one query read in one walk; names are matched ignoring case through hash tables of lower-cased
// names, keeping the order of the file.
#include "export_frame.h"
#include "points/point_records.h"
#include "tiepoints/tie_point_file.h"
#include "tiepoints/tie_point_messages.h"

#include "scratch.h"

#include <yb/ybiOrient.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <string>

namespace yb::tiepoints {
namespace {

using platform::ScratchVector;
using Points = std::vector<tagImagePoint>;

// The records of the first group of each image of `images` (distinct numbers) into the array beside
// it, read in one walk that ends once all are found. Reading them one image at a time meets the same
// groups, the same damage and the same messages: a damaged part of the file before the last of the
// groups stops both. Every way out but success leaves the arrays empty.
std::int32_t readImagesTiePoints(char const* path, std::span<std::int32_t const> images, std::span<Points* const> out) {
    struct EmptyUnlessRead {
        std::span<Points* const> out;
        bool read = false;
        ~EmptyUnlessRead() {
            if (!read)
                for (Points* points : out) points->clear();
        }
    } guard{out};
    for (Points* points : out) points->clear();
    TiePointFileReader reader;
    std::int32_t code = reader.open(path, HB_MESSAGE_PLAIN);
    std::vector<bool> found(images.size(), false);
    std::size_t remaining = images.size();
    for (std::int32_t g = 0; code == kSuccess && remaining > 0 && g < reader.groupCount(); ++g) {
        std::int32_t groupImage = 0;
        std::int32_t recordCount = 0;
        if ((code = reader.nextGroup(groupImage, recordCount)) != kSuccess) break;
        auto const wanted = std::find(images.begin(), images.end(), groupImage);
        std::size_t const at = static_cast<std::size_t>(wanted - images.begin());
        if (wanted == images.end() || found[at]) {
            code = reader.skipRecords(recordCount);
            continue;
        }
        code = reader.readRecords(recordCount, *out[at]);
        found[at] = true;
        --remaining;
    }
    guard.read = code == kSuccess;
    return code;
}

// The key of record i of `records`, for NameTable::forEachKey.
template <class Record>
auto keyOfRecord(std::vector<Record> const& records) {
    return [&records](std::size_t i) { return points::nameKeyOf(records[i]); };
}

// A model's right image is the next image number; the last number has none.
bool hasRightImage(std::int32_t modelNo) { return modelNo < std::numeric_limits<std::int32_t>::max(); }

// Releases a model point set on every way out unless handed over.
class OwnedSet {
public:
    OwnedSet() = default;
    OwnedSet(OwnedSet const&) = delete;
    OwnedSet& operator=(OwnedSet const&) = delete;
    ~OwnedSet() {
        if (set_ != nullptr) ybFreeControlPointMem(set_);
    }
    CONTROLPOINT_STORAGE*& slot() { return set_; }
    CONTROLPOINT_STORAGE* get() const { return set_; }
    CONTROLPOINT_STORAGE* release() { return std::exchange(set_, nullptr); }

private:
    CONTROLPOINT_STORAGE* set_ = nullptr;
};

std::int32_t countOneImage(char const* path, std::int32_t imageNo, std::int32_t& count) {
    TiePointFileReader reader;
    std::int32_t code = reader.open(path, HB_MESSAGE_ERROR);
    if (code == kCannotOpen || code == kInvalidArgument) return code;  // the count is left as it was
    count = 0;
    // Every group is walked: in a file not made by the grouping writer a later group of the same image
    // decides, as it always has.
    for (std::int32_t g = 0; code == kSuccess && g < reader.groupCount(); ++g) {
        std::int32_t groupImage = 0;
        std::int32_t recordCount = 0;
        code = reader.nextGroup(groupImage, recordCount);
        if (code != kSuccess) break;
        if (groupImage == imageNo) {
            if (recordCount < 0) {
                text::showErrorText(text::kGroupCountDamaged);
                code = kOutOfRange;
                break;
            }
            count = recordCount;
        }
        code = reader.skipRecords(recordCount);
    }
    if (code != kSuccess) count = 0;
    return code;
}

}  // namespace

std::int32_t readOneImageTiePoints(char const* path, std::int32_t imageNo, std::vector<tagImagePoint>& points) {
    std::int32_t const images[] = {imageNo};
    Points* const out[] = {&points};
    return readImagesTiePoints(path, images, out);
}

namespace {

std::int32_t readOneNamedPoint(char const* path, std::int32_t imageNo, char const* name, tagImagePoint& point) {
    std::memset(&point, 0, sizeof point);
    if (name == nullptr) return kInvalidArgument;
    std::vector<tagImagePoint> imagePoints;
    if (std::int32_t code = readOneImageTiePoints(path, imageNo, imagePoints); code != kSuccess) return code;
    for (tagImagePoint const& candidate : imagePoints) {
        if (points::sameName(points::pointName(candidate), name)) {
            point = candidate;
            return kSuccess;
        }
    }
    frame::showErrorF(text::kPointNotOnImage, name, static_cast<long>(imageNo));
    return kNotFound;
}

// The points of a model's left and right image.
std::int32_t readModelImages(char const* path, std::int32_t modelNo, Points& left, Points& right) {
    if (!hasRightImage(modelNo)) return kInvalidArgument;
    std::int32_t const images[] = {modelNo, modelNo + 1};
    Points* const out[] = {&left, &right};
    return readImagesTiePoints(path, images, out);
}

std::int32_t countModelPoints(char const* path, std::int32_t modelNo, std::int32_t& count) {
    count = 0;
    ScratchVector<tagImagePoint> left;
    ScratchVector<tagImagePoint> right;
    if (std::int32_t code = readModelImages(path, modelNo, *left, *right); code != kSuccess) return code;
    points::NameTable rightNames(right->size());
    rightNames.forEachKey(right->size(), keyOfRecord(*right),
                          [&](std::size_t, points::NameKey const& key) { rightNames.tryEmplace(key, 0); });
    // Right points are not used up here: every left point whose name the right image carries counts.
    std::int32_t found = 0;
    rightNames.forEachKey(left->size(), keyOfRecord(*left), [&](std::size_t, points::NameKey const& key) {
        if (rightNames.find(key) != nullptr) ++found;
    });
    count = found;
    return kSuccess;
}

// A model's pairs of points, from its left and right image's points: for each left point in file
// order, the first right point of its name not yet paired. Every right point pairs at most once and
// always with the earliest left point that asks for it.
struct PointPair {
    std::uint32_t left;
    std::uint32_t right;
};
void pairModelPoints(Points const& left, Points const& right, std::vector<PointPair>& pairs) {
    constexpr std::uint32_t kEnd = std::numeric_limits<std::uint32_t>::max();
    // Right points of each name chained in file order, built from the last one; pairing takes the
    // head of a chain.
    std::size_t const rights = right.size();
    ScratchVector<std::uint32_t> nextOfSameName;
    nextOfSameName->assign(rights, kEnd);
    points::NameTable firstOfName(rights);
    firstOfName.forEachKey(
        rights, [&](std::size_t r) { return points::nameKeyOf(right[rights - 1 - r]); },
        [&](std::size_t r, points::NameKey const& key) {
            auto const i = static_cast<std::uint32_t>(rights - 1 - r);
            auto [first, added] = firstOfName.tryEmplace(key, i);
            if (!added) {
                (*nextOfSameName)[i] = *first;
                *first = i;
            }
        });
    pairs.clear();
    pairs.reserve(std::min(left.size(), rights));
    firstOfName.forEachKey(left.size(), keyOfRecord(left), [&](std::size_t l, points::NameKey const& key) {
        std::uint32_t* first = firstOfName.find(key);
        if (first == nullptr || *first == kEnd) return;
        pairs.push_back({static_cast<std::uint32_t>(l), *first});
        *first = (*nextOfSameName)[*first];
    });
}

// The entries of a model's point set, one per pair.
void fillEntries(Points const& left, Points const& right, std::vector<PointPair> const& pairs,
                 CONTROLPOINT_INFO* entries) {
    for (std::size_t i = 0; i < pairs.size(); ++i)
        entries[i] = points::modelPointFromImagePoints(left[pairs[i].left], right[pairs[i].right],
                                                       static_cast<std::int32_t>(i));
}

}  // namespace

std::int32_t MatchOneModPnts(char const* path, std::int32_t modelNo, CONTROLPOINT_STORAGE*& set) {
    set = nullptr;
    ScratchVector<tagImagePoint> left;
    ScratchVector<tagImagePoint> right;
    if (std::int32_t code = readModelImages(path, modelNo, *left, *right); code != kSuccess) return code;
    ScratchVector<PointPair> pairs;
    pairModelPoints(*left, *right, *pairs);
    if (pairs->empty()) return kSuccess;

    OwnedSet made;
    auto const entryCount = static_cast<std::int32_t>(pairs->size());
    if (std::int32_t code = ybAllocControlPointMem(&made.slot(), entryCount); code != kSuccess) return code;
    if (std::int32_t code = ybInitControlPoint(made.get(), 1); code != kSuccess) return code;
    // The set's header is shared with its holder by design: the entries go straight into the room the
    // set was made with, which adding them one call at a time would fill the same way.
    fillEntries(*left, *right, *pairs, made.get()->entries);
    made.get()->count = entryCount;
    set = made.release();
    return kSuccess;
}

namespace {

// The entries of two models' point sets, from one walk over the file; a model without pairs has none.
std::int32_t readModelPair(char const* path, std::int32_t modelA, std::int32_t modelB,
                           std::vector<CONTROLPOINT_INFO>& entriesA, std::vector<CONTROLPOINT_INFO>& entriesB) {
    if (!hasRightImage(modelA)) return kInvalidArgument;
    std::vector<std::int32_t> images{modelA, modelA + 1};
    bool const bReadable = hasRightImage(modelB);
    if (bReadable) {
        for (std::int32_t image : {modelB, modelB + 1})
            if (std::find(images.begin(), images.end(), image) == images.end()) images.push_back(image);
    }
    ScratchVector<tagImagePoint> read[4];
    Points* const out[] = {&*read[0], &*read[1], &*read[2], &*read[3]};
    if (std::int32_t code = readImagesTiePoints(path, images, std::span(out, images.size())); code != kSuccess)
        return code;
    // As building the first model's set before the second's: a second model without a right image
    // is refused once the first one's images were read.
    if (!bReadable) return kInvalidArgument;
    auto pointsOf = [&](std::int32_t image) -> Points const& {
        return *out[static_cast<std::size_t>(std::find(images.begin(), images.end(), image) - images.begin())];
    };
    ScratchVector<PointPair> pairs;
    for (auto [model, entries] : {std::pair{modelA, &entriesA}, std::pair{modelB, &entriesB}}) {
        Points const& left = pointsOf(model);
        Points const& right = pointsOf(model + 1);
        pairModelPoints(left, right, *pairs);
        entries->resize(pairs->size());
        fillEntries(left, right, *pairs, entries->data());
    }
    return kSuccess;
}

// Index of the first entry of each name.
void indexFirstEntries(std::vector<CONTROLPOINT_INFO> const& entries, points::NameTable& first) {
    first.forEachKey(entries.size(), keyOfRecord(entries), [&](std::size_t i, points::NameKey const& key) {
        first.tryEmplace(key, static_cast<std::uint32_t>(i));
    });
}

std::int32_t countCommonPoints(char const* path, std::int32_t modelA, std::int32_t modelB, std::int32_t& count) {
    count = 0;
    ScratchVector<CONTROLPOINT_INFO> entriesA;
    ScratchVector<CONTROLPOINT_INFO> entriesB;
    if (std::int32_t code = readModelPair(path, modelA, modelB, *entriesA, *entriesB); code != kSuccess) return code;
    if (entriesA->empty() || entriesB->empty()) return kSuccess;
    points::NameTable namesB(entriesB->size());
    indexFirstEntries(*entriesB, namesB);
    std::int32_t found = 0;
    namesB.forEachKey(entriesA->size(), keyOfRecord(*entriesA), [&](std::size_t, points::NameKey const& key) {
        if (namesB.find(key) != nullptr) ++found;
    });
    count = found;
    return kSuccess;
}

struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};

std::int32_t readCommonPoints(char const* path, std::int32_t modelA, std::int32_t modelB, ModelCommonPoint*& points,
                              std::int32_t& count) {
    points = nullptr;
    count = 0;
    ScratchVector<CONTROLPOINT_INFO> entriesA;
    ScratchVector<CONTROLPOINT_INFO> entriesB;
    if (std::int32_t code = readModelPair(path, modelA, modelB, *entriesA, *entriesB); code != kSuccess) return code;
    if (entriesA->empty() || entriesB->empty()) return kSuccess;

    std::size_t const capacity = std::min(entriesA->size(), entriesB->size());
    std::unique_ptr<ModelCommonPoint, FreeDeleter> array(
        static_cast<ModelCommonPoint*>(std::malloc(capacity * sizeof(ModelCommonPoint))));
    if (!array) {
        text::showErrorText(text::kNoMemory);
        return kNoMemory;
    }
    points::NameTable namesB(entriesB->size());
    indexFirstEntries(*entriesB, namesB);
    std::size_t filled = 0;
    // With a name repeated in the first model more of its entries can find a partner than the array
    // has room for; filling stops when it is full.
    auto const& a = *entriesA;
    auto const& b = *entriesB;
    namesB.forEachKey(a.size(), keyOfRecord(a), [&](std::size_t i, points::NameKey const& key) {
        std::uint32_t const* partner = filled < capacity ? namesB.find(key) : nullptr;
        if (partner != nullptr) array.get()[filled++] = points::commonPointFromModelPoints(a[i], b[*partner], a[i]);
    });
    points = array.release();
    count = static_cast<std::int32_t>(filled);
    return kSuccess;
}

}  // namespace
}  // namespace yb::tiepoints

std::int32_t ybGetOneImgTiePntNums(char const* path, std::int32_t imageNo, std::int32_t& count) {
    return yb::frame::guarded([&] { return yb::tiepoints::countOneImage(path, imageNo, count); });
}

std::int32_t ybReadOneTiePntInfo(char const* path, std::int32_t imageNo, char const* name, tagImagePoint& point) {
    return yb::frame::guarded([&] { return yb::tiepoints::readOneNamedPoint(path, imageNo, name, point); });
}

std::int32_t ybReadOneImgTiePntToAry(char const* path, std::int32_t imageNo, std::vector<tagImagePoint>& points) {
    return yb::frame::guarded([&] { return yb::tiepoints::readOneImageTiePoints(path, imageNo, points); });
}

std::int32_t ybGetOneModCommPntNums(char const* path, std::int32_t modelA, std::int32_t modelB, std::int32_t& count) {
    return yb::frame::guarded([&] { return yb::tiepoints::countCommonPoints(path, modelA, modelB, count); });
}

std::int32_t ybReadOneModCommPnts(char const* path, std::int32_t modelA, std::int32_t modelB, ModelCommonPoint*& points,
                                  std::int32_t& count) {
    return yb::frame::guarded([&] { return yb::tiepoints::readCommonPoints(path, modelA, modelB, points, count); });
}

std::int32_t ybGetOneModPntNums(char const* path, std::int32_t modelNo, std::int32_t& count) {
    return yb::frame::guarded([&] { return yb::tiepoints::countModelPoints(path, modelNo, count); });
}

std::int32_t ybReadOneModPnts(char const* path, std::int32_t modelNo, CONTROLPOINT_STORAGE*& set) {
    return yb::frame::guarded([&] { return yb::tiepoints::MatchOneModPnts(path, modelNo, set); });
}
