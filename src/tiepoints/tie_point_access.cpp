// Views over the tie point file: one image's points, one named point, a stereo model's point set and
// the points two neighbouring models share. Models are built on the fly from the image groups; names
// are matched ignoring case through hash maps of lower-cased names, keeping the order of the file.
#include "export_frame.h"
#include "points/point_records.h"
#include "tiepoints/tie_point_file.h"
#include "tiepoints/tie_point_messages.h"

#include <yb/ybiOrient.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace yb::tiepoints {

std::int32_t readOneImageTiePoints(char const* path, std::int32_t imageNo, std::vector<tagImagePoint>& points) {
    points.clear();
    TiePointFileReader reader;
    std::int32_t code = reader.open(path, HB_MESSAGE_PLAIN);
    for (std::int32_t g = 0; code == kSuccess && g < reader.groupCount(); ++g) {
        std::int32_t groupImage = 0;
        std::int32_t recordCount = 0;
        code = reader.nextGroup(groupImage, recordCount);
        if (code != kSuccess) break;
        if (groupImage == imageNo) {
            std::vector<tagImagePoint> read;
            code = reader.readRecords(recordCount, read);
            if (code == kSuccess) points.swap(read);
            break;
        }
        code = reader.skipRecords(recordCount);
    }
    return code;
}

namespace {

// A model's right image is the next image number; the last number has none.
bool hasRightImage(std::int32_t modelNo) { return modelNo < std::numeric_limits<std::int32_t>::max(); }

std::string nameKeyOf(tagImagePoint const& point) { return points::nameKey(points::pointName(point)); }
std::string nameKeyOf(CONTROLPOINT_INFO const& entry) { return points::nameKey(points::pointName(entry)); }

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
std::int32_t readModelImages(char const* path, std::int32_t modelNo, std::vector<tagImagePoint>& left,
                             std::vector<tagImagePoint>& right) {
    if (!hasRightImage(modelNo)) return kInvalidArgument;
    if (std::int32_t code = readOneImageTiePoints(path, modelNo, left); code != kSuccess) return code;
    return readOneImageTiePoints(path, modelNo + 1, right);
}

std::int32_t countModelPoints(char const* path, std::int32_t modelNo, std::int32_t& count) {
    count = 0;
    std::vector<tagImagePoint> left;
    std::vector<tagImagePoint> right;
    if (std::int32_t code = readModelImages(path, modelNo, left, right); code != kSuccess) return code;
    std::unordered_set<std::string> rightNames;
    rightNames.reserve(right.size());
    for (tagImagePoint const& point : right) rightNames.insert(nameKeyOf(point));
    // Right points are not used up here: every left point whose name the right image carries counts.
    std::int32_t found = 0;
    for (tagImagePoint const& point : left) {
        if (rightNames.count(nameKeyOf(point)) != 0) ++found;
    }
    count = found;
    return kSuccess;
}

// Entry `index` of a set, through the orientation library.
std::int32_t fetchEntry(CONTROLPOINT_STORAGE* set, std::int32_t index, CONTROLPOINT_INFO& entry) {
    return ybGetOneGcpInfo(set, &entry, index);
}

// Both models' point sets; either may be missing (a model without pairs).
struct ModelPair {
    OwnedSet first;
    OwnedSet second;
};

}  // namespace

std::int32_t MatchOneModPnts(char const* path, std::int32_t modelNo, CONTROLPOINT_STORAGE*& set) {
    set = nullptr;
    std::vector<tagImagePoint> left;
    std::vector<tagImagePoint> right;
    if (std::int32_t code = readModelImages(path, modelNo, left, right); code != kSuccess) return code;

    // Right points of each name chained in file order; pairing takes the head of a chain, so every
    // right point pairs at most once and always with the earliest left point that asks for it.
    constexpr std::size_t kEnd = std::numeric_limits<std::size_t>::max();
    std::vector<std::size_t> nextOfSameName(right.size(), kEnd);
    std::unordered_map<std::string, std::size_t> firstOfName;
    firstOfName.reserve(right.size());
    for (std::size_t i = right.size(); i-- > 0;) {
        auto [it, added] = firstOfName.try_emplace(nameKeyOf(right[i]), i);
        if (!added) {
            nextOfSameName[i] = it->second;
            it->second = i;
        }
    }
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (std::size_t l = 0; l < left.size(); ++l) {
        auto it = firstOfName.find(nameKeyOf(left[l]));
        if (it == firstOfName.end() || it->second == kEnd) continue;
        pairs.emplace_back(l, it->second);
        it->second = nextOfSameName[it->second];
    }
    if (pairs.empty()) return kSuccess;

    OwnedSet made;
    auto pairCount = static_cast<std::int32_t>(pairs.size());
    if (std::int32_t code = ybAllocControlPointMem(&made.slot(), pairCount); code != kSuccess) return code;
    if (std::int32_t code = ybInitControlPoint(made.get(), 1); code != kSuccess) return code;
    for (std::int32_t i = 0; i < pairCount; ++i) {
        auto const& [l, r] = pairs[static_cast<std::size_t>(i)];
        CONTROLPOINT_INFO entry = points::modelPointFromImagePoints(left[l], right[r], i);
        if (std::int32_t code = ybAddOneGcpPoint(made.get(), entry, 1); code != kSuccess) return code;
    }
    set = made.release();
    return kSuccess;
}

namespace {

std::int32_t buildModelPair(char const* path, std::int32_t modelA, std::int32_t modelB, ModelPair& pair) {
    if (std::int32_t code = MatchOneModPnts(path, modelA, pair.first.slot()); code != kSuccess) return code;
    return MatchOneModPnts(path, modelB, pair.second.slot());
}

// The entries of a set, in order.
std::int32_t fetchEntries(CONTROLPOINT_STORAGE* set, std::int32_t entryCount, std::vector<CONTROLPOINT_INFO>& entries) {
    entries.resize(static_cast<std::size_t>(entryCount));
    for (std::int32_t i = 0; i < entryCount; ++i) {
        if (std::int32_t code = fetchEntry(set, i, entries[static_cast<std::size_t>(i)]); code != kSuccess) return code;
    }
    return kSuccess;
}

// Index of the first entry of each name.
std::unordered_map<std::string, std::size_t> firstEntryOfName(std::vector<CONTROLPOINT_INFO> const& entries) {
    std::unordered_map<std::string, std::size_t> first;
    first.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) first.try_emplace(nameKeyOf(entries[i]), i);
    return first;
}

// Both models' point sets and their entry counts; a model without pairs leaves its set empty and
// the counts 0.
std::int32_t buildCountedModelPair(char const* path, std::int32_t modelA, std::int32_t modelB, ModelPair& pair,
                                   std::int32_t& countA, std::int32_t& countB) {
    if (std::int32_t code = buildModelPair(path, modelA, modelB, pair); code != kSuccess) return code;
    if (pair.first.get() == nullptr || pair.second.get() == nullptr) return kSuccess;
    if (std::int32_t code = ybGetGcpNum(pair.first.get(), &countA); code != kSuccess) return code;
    return ybGetGcpNum(pair.second.get(), &countB);
}

std::int32_t countCommonPoints(char const* path, std::int32_t modelA, std::int32_t modelB, std::int32_t& count) {
    count = 0;
    ModelPair pair;
    std::int32_t countA = 0;
    std::int32_t countB = 0;
    if (std::int32_t code = buildCountedModelPair(path, modelA, modelB, pair, countA, countB); code != kSuccess)
        return code;
    if (pair.first.get() == nullptr || pair.second.get() == nullptr) return kSuccess;
    std::vector<CONTROLPOINT_INFO> entriesB;
    if (std::int32_t code = fetchEntries(pair.second.get(), std::max(countB, 0), entriesB); code != kSuccess) return code;
    auto namesB = firstEntryOfName(entriesB);
    std::int32_t found = 0;
    for (std::int32_t i = 0; i < countA; ++i) {
        CONTROLPOINT_INFO entry{};
        if (std::int32_t code = fetchEntry(pair.first.get(), i, entry); code != kSuccess) return code;
        if (namesB.count(nameKeyOf(entry)) != 0) ++found;
    }
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
    ModelPair pair;
    std::int32_t countA = 0;
    std::int32_t countB = 0;
    if (std::int32_t code = buildCountedModelPair(path, modelA, modelB, pair, countA, countB); code != kSuccess)
        return code;
    if (pair.first.get() == nullptr || pair.second.get() == nullptr) return kSuccess;
    if (countA <= 0 || countB <= 0) return kSuccess;

    std::int32_t const capacity = std::min(countA, countB);
    std::unique_ptr<ModelCommonPoint, FreeDeleter> array(
        static_cast<ModelCommonPoint*>(std::malloc(static_cast<std::size_t>(capacity) * sizeof(ModelCommonPoint))));
    if (!array) {
        text::showErrorText(text::kNoMemory);
        return kNoMemory;
    }
    std::vector<CONTROLPOINT_INFO> entriesB;
    if (std::int32_t code = fetchEntries(pair.second.get(), countB, entriesB); code != kSuccess) return code;
    auto namesB = firstEntryOfName(entriesB);
    std::int32_t filled = 0;
    // With a name repeated in the first model more of its entries can find a partner than the array
    // has room for; filling stops when it is full.
    for (std::int32_t i = 0; i < countA && filled < capacity; ++i) {
        CONTROLPOINT_INFO entry{};
        if (std::int32_t code = fetchEntry(pair.first.get(), i, entry); code != kSuccess) return code;
        auto it = namesB.find(nameKeyOf(entry));
        if (it == namesB.end()) continue;
        array.get()[filled++] = points::commonPointFromModelPoints(entry, entriesB[it->second], entry);
    }
    points = array.release();
    count = filled;
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
