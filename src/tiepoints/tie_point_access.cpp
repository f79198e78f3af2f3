// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Views over the tie point file: one image's points, one named point, a stereo model's point set and
// the points two neighbouring models share. Models are built on the fly from the image groups, all
// of one query read in one walk. Names are matched ignoring case, keeping the order of the file: by
// merging two lists when both list their names in rising order, through a table of the names' hashes
// when the names are plain ASCII in any order, through a table of lower-cased names otherwise.
#include "export_frame.h"
#include "points/hash_slots.h"
#include "points/point_records.h"
#include "tiepoints/tie_point_file.h"
#include "tiepoints/tie_point_messages.h"

#include "scratch.h"

#include <yb/ybiOrient.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <type_traits>

namespace yb::tiepoints {
namespace {

using platform::ScratchVector;
using Points = std::vector<tagImagePoint>;
// An image's points as the model queries hold them: read straight into room kept from call to call.
using ModelImagePoints = platform::UninitialisedVector<tagImagePoint>;

// The records of the first group of each image of `images` (distinct numbers) into the array beside
// it, read in one walk that ends once all are found. Reading them one image at a time meets the same
// groups, the same damage and the same messages: a damaged part of the file before the last of the
// groups stops both. Every way out but success leaves the arrays empty. `arrived(k, first, count)`, when
// given, is told of each stretch of image k's records as soon as it is read; once it answers false the
// rest of the group comes in one read.
struct NothingOnArrival {};
template <class Vector, class Arrived = NothingOnArrival>
std::int32_t readImagesTiePoints(char const* path, std::span<std::int32_t const> images, std::span<Vector* const> out,
                                 Arrived const& arrived = {}) {
    struct EmptyUnlessRead {
        std::span<Vector* const> out;
        bool read = false;
        ~EmptyUnlessRead() {
            if (!read)
                for (Vector* points : out) points->clear();
        }
    } guard{out};
    for (Vector* points : out) points->clear();
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
        if constexpr (std::is_same_v<Arrived, NothingOnArrival>)
            code = reader.readRecords(recordCount, *out[at]);
        else
            code = reader.readRecords(recordCount, *out[at],
                                      [&](std::size_t first, std::size_t count) { return arrived(at, first, count); });
        found[at] = true;
        --remaining;
    }
    guard.read = code == kSuccess;
    return code;
}

// The key of record i of `records`, for NameTable::forEachKey.
template <class Records>
auto keyOfRecord(Records const& records) {
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
    ~OwnedSet() { reset(); }
    void reset() {
        if (set_ != nullptr) ybFreeControlPointMem(std::exchange(set_, nullptr));
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
    return readImagesTiePoints<Points>(path, images, out);
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

// An image's points, read for a model query, with the order keys of their names made as far as a
// query needed them. The writers of tie points list an image's points by rising name, so most lists
// are matched by merging them.
struct ImagePoints {
    ScratchVector<tagImagePoint, platform::UninitialisedAllocator<tagImagePoint>> points;
    ScratchVector<points::NameOrder, platform::UninitialisedAllocator<points::NameOrder>> keys;
    std::size_t made = 0;        // keys made, each rising over the one before
    bool broken = false;         // a name without a key, or not rising: the list cannot be merged
    bool keyedAll = false;       // every name has the hash of its key, rising or not
    bool namesDistinct = false;  // known to name no point twice
    ScratchVector<std::uint64_t, platform::UninitialisedAllocator<std::uint64_t>> hashes;
    std::size_t hashedEarly = 0;  // hashes made as the points arrived, from the first on
    bool hashingEarly = false;
    bool unkeyedEarly = false;  // a name without a key was met as the points arrived

    // Told of each stretch of points as it is read. When the first names do not rise the list will
    // not be merged but joined through the hashes of its names, and these are made while the points
    // are still in the nearest caches, sparing keyAll a walk over the whole list in memory. Whether
    // more stretches are wanted: a list that will be merged, or one that turned out to have a name
    // without a key, is read on in one go.
    bool arrived(std::size_t first, std::size_t count) {
        if (first == 0) hashingEarly = !firstNamesRise(count);
        if (!hashingEarly || unkeyedEarly || first != hashedEarly) return false;
        if (hashes->size() != points->size()) hashes->resize(points->size());
        if (!points::hashNames(points->data() + first, count, hashes->data() + first)) {
            unkeyedEarly = true;
            return false;
        }
        hashedEarly = first + count;
        return true;
    }
    bool firstNamesRise(std::size_t count) const {
        constexpr std::size_t kLooked = 16;
        points::NameOrder before;
        points::NameOrder key;
        for (std::size_t i = 0; i < std::min(count, kLooked); ++i) {
            if (!points::nameOrderOf(point(i), key)) return false;
            if (i > 0 && points::compareNames(before, key) >= 0) return false;
            before = key;
        }
        return true;
    }

    // True when every name has an order key and the keys rise strictly (the names are then distinct,
    // ASCII and shorter than their field).
    bool keysRise();
    // Makes the hash of every name's order key, rising or not; false when a name has no key (a byte
    // above 0x7F, or no terminator in its field).
    bool keyAll() {
        if (keyedAll) return true;
        if (unkeyedEarly) return false;
        std::size_t const count = points->size();
        hashes->resize(count);
        tagImagePoint const* records = points->data();
        points::NameOrder const* madeKeys = keys->data();
        std::uint64_t* out = hashes->data();
        std::size_t keyed = std::min(hashedEarly, count);
        if (keyed == 0) {
            keyed = std::min(made, count);
            for (std::size_t i = 0; i < keyed; ++i) out[i] = points::hashOfOrder(madeKeys[i]);
        }
        if (!points::hashNames(records + keyed, count - keyed, out + keyed)) return false;
        keyedAll = true;
        return true;
    }
    tagImagePoint const& point(std::size_t i) const { return (*points)[i]; }
    std::uint64_t hash(std::size_t i) const { return (*hashes)[i]; }
};

// Makes an image's keys in order, keeping its state in locals while it works.
class KeyMaker {
public:
    explicit KeyMaker(ImagePoints& image)
        : image_(image),
          points_(image.points->data()),
          count_(image.points->size()),
          made_(image.made),
          broken_(image.broken) {
        if (image.keys->size() != count_) image.keys->resize(count_);
        keys_ = image.keys->data();
    }
    KeyMaker(KeyMaker const&) = delete;
    KeyMaker& operator=(KeyMaker const&) = delete;
    ~KeyMaker() {
        image_.made = made_;
        image_.broken = broken_;
    }

    bool broken() const { return broken_; }
    bool has(std::size_t i) const { return i < made_; }
    tagImagePoint const& point(std::size_t i) const { return points_[i]; }
    points::NameOrder const& key(std::size_t i) const { return keys_[i]; }

    // Makes the next key; false when that name has none or does not rise.
    bool makeNext() {
        if (!points::nameOrderOf(points_[made_], keys_[made_])) return fail();
        return rise(false);
    }
    // Takes `key` for the next point, whose name has the same bytes as the one `key` was made for;
    // `rises`: known to rise over the key before it.
    bool takeNext(points::NameOrder const& key, bool rises) {
        keys_[made_] = key;
        return rise(rises);
    }
    bool finish() {
        while (!broken_ && made_ < count_) makeNext();
        return !broken_;
    }

private:
    bool rise(bool known) {
        if (!known && made_ > 0 && points::compareNames(keys_[made_ - 1], keys_[made_]) >= 0) return fail();
        ++made_;
        return true;
    }
    bool fail() {
        broken_ = true;
        return false;
    }

    ImagePoints& image_;
    tagImagePoint const* points_;
    points::NameOrder* keys_;
    std::size_t count_;
    std::size_t made_;
    bool broken_;
};

bool ImagePoints::keysRise() { return KeyMaker(*this).finish(); }

// The points of a model's left and right image.
std::int32_t readModelImages(char const* path, std::int32_t modelNo, ImagePoints& left, ImagePoints& right) {
    if (!hasRightImage(modelNo)) return kInvalidArgument;
    std::int32_t const images[] = {modelNo, modelNo + 1};
    ModelImagePoints* const out[] = {&*left.points, &*right.points};
    ImagePoints* const read[] = {&left, &right};
    return readImagesTiePoints<ModelImagePoints>(
        path, images, out,
        [&](std::size_t k, std::size_t first, std::size_t count) { return read[k]->arrived(first, count); });
}

// Points met out of file order are announced this many ahead of their use. Only the bytes an entry
// takes from such a point are asked for: its coordinates and the first half of its name, which the
// check of a pair compares (a longer name is rare). They lie on one cache line more often than the
// whole record does.
constexpr std::size_t kPointsAhead = 8;
inline void prefetchPoint(tagImagePoint const& point) {
    auto const* bytes = reinterpret_cast<char const*>(&point);
    __builtin_prefetch(bytes + offsetof(tagImagePoint, x));
    __builtin_prefetch(bytes + offsetof(tagImagePoint, name) + 15);
}

// A pair of indices: of a left and a right point, or of an entry of two models' sets.
struct PointPair {
    std::uint32_t left;
    std::uint32_t right;
};
using PointPairs = platform::UninitialisedVector<PointPair>;
using ScratchPairs = ScratchVector<PointPair, platform::UninitialisedAllocator<PointPair>>;

// Appends the pairs of equal items of two lists whose items rise strictly, in the order of the lists;
// compare(l, r) is negative, zero or positive as left item l comes before, equals or follows right
// item r.
void mergeEqual(std::size_t leftCount, std::size_t rightCount, auto compare, PointPairs& pairs) {
    std::size_t const old = pairs.size();
    pairs.resize(old + std::min(leftCount, rightCount));
    PointPair* next = pairs.data() + old;
    std::size_t l = 0;
    std::size_t r = 0;
    while (l < leftCount && r < rightCount) {
        int const order = compare(l, r);
        if (order == 0) *next++ = {static_cast<std::uint32_t>(l), static_cast<std::uint32_t>(r)};
        l += order <= 0 ? 1 : 0;
        r += order >= 0 ? 1 : 0;
    }
    pairs.resize(static_cast<std::size_t>(next - pairs.data()));
}

// Appends a model's pairs when both its images list their names in rising order (names distinct on
// each side, so a name's first right point is its only one), walking the two lists once; false when a
// list turns out not to rise. Keys are made as the walk reaches them. A point whose name has the same
// bytes as the one it meets on the other side takes that one's key, and after a pair it rises as the
// other side's does, so lists that share runs of points make one key per pair.
bool mergeModelPoints(ImagePoints& leftImage, ImagePoints& rightImage, PointPairs& pairs) {
    KeyMaker left(leftImage);
    KeyMaker right(rightImage);
    if (left.broken() || right.broken()) return false;
    std::size_t const leftCount = leftImage.points->size();
    std::size_t const rightCount = rightImage.points->size();
    std::size_t const old = pairs.size();
    pairs.resize(old + std::min(leftCount, rightCount));
    PointPair* const first = pairs.data();
    PointPair* next = first + old;
    std::size_t l = 0;
    std::size_t r = 0;
    bool paired = false;  // the last step paired l - 1 with r - 1
    while (l < leftCount && r < rightCount) {
        bool same = false;
        if (!left.has(l)) {
            same = right.has(r) && points::sameNameBytes(left.point(l), right.point(r));
            if (!(same ? left.takeNext(right.key(r), paired) : left.makeNext())) return false;
        }
        if (!right.has(r)) {
            same = points::sameNameBytes(left.point(l), right.point(r));
            if (!(same ? right.takeNext(left.key(l), paired) : right.makeNext())) return false;
        }
        int const order = same ? 0 : points::compareNames(left.key(l), right.key(r));
        if (order == 0) *next++ = {static_cast<std::uint32_t>(l), static_cast<std::uint32_t>(r)};
        paired = order == 0;
        l += order <= 0 ? 1 : 0;
        r += order >= 0 ? 1 : 0;
    }
    pairs.resize(static_cast<std::size_t>(next - first));
    // The rest of each list must rise too: a name left behind could equal one walked past.
    return left.finish() && right.finish();
}

// Appends a model's pairs when every name of both images has an order key, in any order, through a
// table of the right image's hashes; false otherwise. The pairs are the names' own when every pair
// joins one name (pairsAgree): a left point took the first right point of its hash not yet paired,
// and the right points of its name are among those of its hash. A hash's
// slot holds the first right point not yet paired, flagged when more of its hash follow, chained in
// file order; once all are paired the slot is flagged used up.
bool joinModelPoints(ImagePoints& left, ImagePoints& right, PointPairs& pairs) {
    std::size_t const rights = right.points->size();
    if (rights >= points::HashSlots::kMostValues || !right.keyAll() || !left.keyAll()) return false;
    constexpr std::uint32_t kMore = 0x40000000u;    // the chain goes on in nextOfSameName
    constexpr std::uint32_t kUsedUp = 0x80000000u;  // every point of the hash is paired
    ScratchVector<std::uint32_t, platform::UninitialisedAllocator<std::uint32_t>> nextOfSameName;
    nextOfSameName->resize(rights);
    std::uint32_t* const next = nextOfSameName->data();
    points::HashSlots table(rights);
    bool hashesDistinct = true;
    // Built from the last right point, so a chain's head is its hash's first point in the file.
    table.forEach(
        rights, [&](std::size_t r) { return right.hash(rights - 1 - r); },
        [&](std::size_t r, std::uint64_t hash) {
            auto const i = static_cast<std::uint32_t>(rights - 1 - r);
            auto [head, added] = table.tryEmplace(hash, i);
            if (!added) {
                next[i] = *head;
                *head = i | kMore;
                hashesDistinct = false;
            }
        });
    // Equal names have equal hashes.
    right.namesDistinct = right.namesDistinct || hashesDistinct;
    // Each right point pairs at most once.
    std::size_t const old = pairs.size();
    pairs.resize(old + rights);
    PointPair* out = pairs.data() + old;
    table.forEach(
        left.points->size(), [&](std::size_t l) { return left.hash(l); },
        [&](std::size_t l, std::uint64_t hash) {
            std::uint32_t* head = table.find(hash);
            if (head == nullptr || (*head & kUsedUp) != 0) return;
            std::uint32_t const r = *head & ~points::HashSlots::kFlags;
            *out++ = {static_cast<std::uint32_t>(l), r};
            *head = (*head & kMore) != 0 ? next[r] : kUsedUp;
        });
    pairs.resize(static_cast<std::size_t>(out - pairs.data()));
    return true;
}

// A shared point that no right point of the second model pairs with (or no entry of it).
constexpr std::uint32_t kNoRight = std::numeric_limits<std::uint32_t>::max();

// Both models' pairs when the second model's left image is the first's right image (`shared`) and
// that image's hashes are all distinct: one table of the shared image's hashes serves both joins. The
// first model's left points probe it as joinModelPoints would; for the second, each shared point takes
// the first right point of its hash, met by walking the right image in file order and probing the same
// table. False when a name has no key, a table would be too large or two shared points share a hash;
// the pairs are then to be made model by model. Like joinModelPoints, the pairs are the names' own
// when every pair joins one name.
bool joinNeighbourModels(ImagePoints& leftA, ImagePoints& shared, ImagePoints& rightB, PointPairs& pairsA,
                         PointPairs& pairsB, platform::UninitialisedVector<std::uint32_t>& firstRight) {
    std::size_t const sharedCount = shared.points->size();
    if (sharedCount >= points::HashSlots::kMostValues || !shared.keyAll() || !leftA.keyAll() || !rightB.keyAll())
        return false;
    constexpr std::uint32_t kPaired = 0x80000000u;  // the shared point is the first model's right point
    points::HashSlots table(sharedCount);
    bool distinct = true;
    table.forEach(
        sharedCount, [&](std::size_t i) { return shared.hash(i); },
        [&](std::size_t i, std::uint64_t hash) {
            distinct &= table.tryEmplace(hash, static_cast<std::uint32_t>(i)).second;
        });
    if (!distinct) return false;
    shared.namesDistinct = true;  // equal names have equal hashes
    // Each shared point pairs at most once: room for as many pairs as there are shared points.
    pairsA.resize(sharedCount);
    PointPair* nextA = pairsA.data();
    table.forEach(
        leftA.points->size(), [&](std::size_t l) { return leftA.hash(l); },
        [&](std::size_t l, std::uint64_t hash) {
            std::uint32_t* slot = table.find(hash);
            if (slot == nullptr || (*slot & kPaired) != 0) return;
            *nextA++ = {static_cast<std::uint32_t>(l), *slot};
            *slot |= kPaired;
        });
    pairsA.resize(static_cast<std::size_t>(nextA - pairsA.data()));
    firstRight.assign(sharedCount, kNoRight);
    std::uint32_t* const first = firstRight.data();
    table.forEach(
        rightB.points->size(), [&](std::size_t r) { return rightB.hash(r); },
        [&](std::size_t r, std::uint64_t hash) {
            if (std::uint32_t const* slot = table.find(hash)) {
                std::uint32_t& right = first[*slot & ~points::HashSlots::kFlags];
                if (right == kNoRight) right = static_cast<std::uint32_t>(r);
            }
        });
    pairsB.resize(sharedCount);
    PointPair* nextB = pairsB.data();
    for (std::size_t l = 0; l < sharedCount; ++l)
        if (first[l] != kNoRight) *nextB++ = {static_cast<std::uint32_t>(l), first[l]};
    pairsB.resize(static_cast<std::size_t>(nextB - pairsB.data()));
    return true;
}

// Appends, for each probe i in order whose name some entry carries, the pair of i and the first such
// entry, through a table of the entries' hashes; false when a pair's names differ, or the entries are
// more than the table takes.
bool joinFirstOfName(std::size_t entries, auto entryHash, auto entryPoint, std::size_t probes, auto probeHash,
                     auto probePoint, PointPairs& pairs) {
    if (entries >= points::HashSlots::kMostValues) return false;
    points::HashSlots table(entries);
    table.forEach(entries, entryHash,
                  [&](std::size_t i, std::uint64_t hash) { table.tryEmplace(hash, static_cast<std::uint32_t>(i)); });
    table.forEach(probes, probeHash, [&](std::size_t i, std::uint64_t hash) {
        if (std::uint32_t const* first = table.find(hash)) pairs.push_back({static_cast<std::uint32_t>(i), *first});
    });
    return points::pairsAgree(pairs, probePoint, entryPoint);
}

// A model's pairs through the table of lower-cased names, for names of any bytes.
void pairByNames(ModelImagePoints const& left, ModelImagePoints const& right, PointPairs& pairs) {
    pairs.clear();
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
    firstOfName.forEachKey(left.size(), keyOfRecord(left), [&](std::size_t l, points::NameKey const& key) {
        std::uint32_t* first = firstOfName.find(key);
        if (first == nullptr || *first == kEnd) return;
        pairs.push_back({static_cast<std::uint32_t>(l), *first});
        *first = (*nextOfSameName)[*first];
    });
}

// A model's pairs of points, from its left and right image's points: for each left point in file
// order, the first right point of its name not yet paired. Every right point pairs at most once and
// always with the earliest left point that asks for it. True when the pairs came through the table of
// hashes and are yet to be checked against the names (points::sameNames each): should one fail,
// pairByNames gives the true pairs.
bool pairModelPointsUnchecked(ImagePoints& leftImage, ImagePoints& rightImage, PointPairs& pairs) {
    pairs.clear();
    pairs.reserve(std::min(leftImage.points->size(), rightImage.points->size()));
    if (mergeModelPoints(leftImage, rightImage, pairs)) return false;
    pairs.clear();
    if (joinModelPoints(leftImage, rightImage, pairs)) return true;
    pairByNames(*leftImage.points, *rightImage.points, pairs);
    return false;
}

void pairModelPoints(ImagePoints& left, ImagePoints& right, PointPairs& pairs) {
    if (pairModelPointsUnchecked(left, right, pairs) &&
        !points::pairsAgree(
            pairs, [&](std::uint32_t l) -> auto const& { return left.point(l); },
            [&](std::uint32_t r) -> auto const& { return right.point(r); }))
        pairByNames(*left.points, *right.points, pairs);
}

std::int32_t countModelPoints(char const* path, std::int32_t modelNo, std::int32_t& count) {
    count = 0;
    ImagePoints left;
    ImagePoints right;
    if (std::int32_t code = readModelImages(path, modelNo, left, right); code != kSuccess) return code;
    ScratchPairs pairs;
    if (mergeModelPoints(left, right, *pairs)) {
        // Names distinct on each side: the pairs are the left points whose name the right image carries.
        count = static_cast<std::int32_t>(pairs->size());
        return kSuccess;
    }
    // Right points are not used up here: every left point whose name the right image carries counts.
    if (left.keyAll() && right.keyAll()) {
        ScratchPairs found;
        if (joinFirstOfName(
                right.points->size(), [&](std::size_t r) { return right.hash(r); },
                [&](std::size_t r) -> auto const& { return right.point(r); }, left.points->size(),
                [&](std::size_t l) { return left.hash(l); },
                [&](std::size_t l) -> auto const& { return left.point(l); }, *found)) {
            count = static_cast<std::int32_t>(found->size());
            return kSuccess;
        }
    }
    std::int32_t found = 0;
    points::NameTable rightNames(right.points->size());
    rightNames.forEachKey(right.points->size(), keyOfRecord(*right.points),
                          [&](std::size_t, points::NameKey const& key) { rightNames.tryEmplace(key, 0); });
    rightNames.forEachKey(left.points->size(), keyOfRecord(*left.points), [&](std::size_t, points::NameKey const& key) {
        if (rightNames.find(key) != nullptr) ++found;
    });
    count = found;
    return kSuccess;
}

}  // namespace

// The point set of model `modelNo`, one entry per pair of its left and right image; none without pairs.
std::int32_t readModelPointSet(char const* path, std::int32_t modelNo, CONTROLPOINT_STORAGE*& set) {
    set = nullptr;
    ImagePoints left;
    ImagePoints right;
    if (std::int32_t code = readModelImages(path, modelNo, left, right); code != kSuccess) return code;
    ScratchPairs pairs;
    bool unchecked = pairModelPointsUnchecked(left, right, *pairs);
    OwnedSet made;
    // Fills the set from the pairs; false when a pair not yet checked joins two names, and the set is
    // then to be made again.
    auto fill = [&](std::int32_t& code) {
        made.reset();
        code = kSuccess;
        if (pairs->empty()) return true;
        auto const entryCount = static_cast<std::int32_t>(pairs->size());
        if ((code = ybAllocControlPointMem(&made.slot(), entryCount)) != kSuccess) return true;
        if ((code = ybInitControlPoint(made.get(), 1)) != kSuccess) return true;
        // The set's header is shared with its holder by design: the entries go straight into the room
        // the set was made with, which adding them one call at a time would fill the same way.
        CONTROLPOINT_INFO* entries = made.get()->entries;
        bool agree = true;
        for (std::size_t i = 0; i < pairs->size(); ++i) {
            // Right points come in any order when the names do not rise: each is announced a few ahead.
            if (i + kPointsAhead < pairs->size()) prefetchPoint(right.point((*pairs)[i + kPointsAhead].right));
            PointPair const pair = (*pairs)[i];
            tagImagePoint const& leftPoint = left.point(pair.left);
            tagImagePoint const& rightPoint = right.point(pair.right);
            if (unchecked) agree &= points::sameNames(leftPoint, rightPoint);
            points::setModelPointFromImagePoints(entries[i], leftPoint, rightPoint, static_cast<std::int32_t>(i));
        }
        made.get()->count = entryCount;
        return agree;
    };
    std::int32_t code = kSuccess;
    if (!fill(code)) {
        pairByNames(*left.points, *right.points, *pairs);
        unchecked = false;
        fill(code);
    }
    if (code != kSuccess) return code;
    set = made.release();
    return kSuccess;
}

namespace {

// The points two models share, found in one walk over the file: the images of both models read once,
// each model's pairs made as its point set would hold them, and for each entry of the first model's
// set in order the first entry of the second's with the same name.
struct CommonPoints {
    std::int32_t modelA = 0;
    std::int32_t modelB = 0;
    std::int32_t images[4] = {};
    std::size_t imageCount = 0;
    ImagePoints read[4];
    ScratchPairs entriesA;  // the pairs of model A, as the entries of its set
    ScratchPairs entriesB;
    ScratchPairs common;  // an entry of A and its partner in B, or under one table the partner's right point
    // The pairs came through one table of hashes and are yet to be checked. The common points then
    // pair an entry of A with the right point of B that the entry's right point takes (firstRight).
    bool unchecked = false;
    ScratchVector<std::uint32_t, platform::UninitialisedAllocator<std::uint32_t>> firstRight;

    ImagePoints& of(std::int32_t image) {
        return read[static_cast<std::size_t>(std::find(images, images + imageCount, image) - images)];
    }
    void addImage(std::int32_t image) {
        if (std::find(images, images + imageCount, image) == images + imageCount) images[imageCount++] = image;
    }
    // Under one table: whether every pair of both models joins one name, but for the pairs behind the
    // first `checked` common points, which the caller checked itself.
    bool pairsAgreeBeyond(std::size_t checked);
};

// Both models' pairs and the common points, from the images read. `shareTable`: neighbouring models
// may be joined through one table (the pairs are then left unchecked).
void matchCommonPoints(CommonPoints& found, bool shareTable) {
    ImagePoints& leftA = found.of(found.modelA);
    ImagePoints& rightA = found.of(found.modelA + 1);
    ImagePoints& leftB = found.of(found.modelB);
    ImagePoints& rightB = found.of(found.modelB + 1);
    auto& a = *found.entriesA;
    auto& b = *found.entriesB;
    bool pairedA = false;
    bool pairedB = false;
    found.unchecked = false;
    if (shareTable && &leftB == &rightA) {
        a.clear();
        a.reserve(std::min(leftA.points->size(), rightA.points->size()));
        pairedA = mergeModelPoints(leftA, rightA, a);
        if (!pairedA) {
            b.reserve(std::min(leftB.points->size(), rightB.points->size()));
            pairedA = pairedB = found.unchecked = joinNeighbourModels(leftA, rightA, rightB, a, b, *found.firstRight);
        }
    }
    if (!pairedA) pairModelPoints(leftA, rightA, a);
    if (!pairedB) pairModelPoints(leftB, rightB, b);
    auto& common = *found.common;
    common.clear();
    if (a.empty() || b.empty()) return;
    common.reserve(a.size());
    if (found.unchecked) {
        std::uint32_t const* const third = found.firstRight->data();
        common.resize(a.size());
        PointPair* next = common.data();
        for (std::size_t i = 0; i < a.size(); ++i)
            if (std::uint32_t const r = third[a[i].right]; r != kNoRight) *next++ = {static_cast<std::uint32_t>(i), r};
        common.resize(static_cast<std::size_t>(next - common.data()));
        return;
    }
    if (leftA.keysRise() && leftB.keysRise()) {
        if (&leftB == &rightA) {
            // Neighbouring models: the names of the image they share rise, so no two of its points
            // share one, and an entry of A meets the entry of B of its name exactly where A's right
            // point is B's left point. Both rise along their sets, and are merged as numbers.
            mergeEqual(
                a.size(), b.size(),
                [&](std::size_t i, std::size_t j) {
                    return a[i].right < b[j].left ? -1 : a[i].right > b[j].left ? 1 : 0;
                },
                common);
            return;
        }
        // The entries of each set follow their left image, so their names rise too, and the names are
        // short enough to be carried whole.
        auto const& keysA = *leftA.keys;
        auto const& keysB = *leftB.keys;
        mergeEqual(
            a.size(), b.size(),
            [&](std::size_t i, std::size_t j) { return points::compareNames(keysA[a[i].left], keysB[b[j].left]); },
            common);
        return;
    }
    // Matched by the names the entries carry, the first entry of B of each name. Names that all have
    // order keys end inside their field, so an entry carries each whole.
    if (&leftB == &rightA && leftB.namesDistinct) {
        // Neighbouring models whose shared image names each point once: an entry of A pairs a point of
        // that image, and the one entry of B of its name is the entry whose left point it is.
        ScratchVector<std::uint32_t, platform::UninitialisedAllocator<std::uint32_t>> entryOfLeft;
        entryOfLeft->assign(leftB.points->size(), kNoRight);
        for (std::size_t i = 0; i < b.size(); ++i) (*entryOfLeft)[b[i].left] = static_cast<std::uint32_t>(i);
        for (std::size_t i = 0; i < a.size(); ++i)
            if (std::uint32_t const partner = (*entryOfLeft)[a[i].right]; partner != kNoRight)
                common.push_back({static_cast<std::uint32_t>(i), partner});
        return;
    }
    if (leftA.keyAll() && leftB.keyAll()) {
        if (joinFirstOfName(
                b.size(), [&](std::size_t i) { return leftB.hash(b[i].left); },
                [&](std::size_t i) -> auto const& { return leftB.point(b[i].left); }, a.size(),
                [&](std::size_t i) { return leftA.hash(a[i].left); },
                [&](std::size_t i) -> auto const& { return leftA.point(a[i].left); }, common))
            return;
        common.clear();
    }
    ModelImagePoints const& pointsA = *leftA.points;
    ModelImagePoints const& pointsB = *leftB.points;
    points::NameTable firstOfName(b.size());
    firstOfName.forEachKey(
        b.size(), [&](std::size_t i) { return points::entryNameKeyOf(pointsB[b[i].left]); },
        [&](std::size_t i, points::NameKey const& key) { firstOfName.tryEmplace(key, static_cast<std::uint32_t>(i)); });
    firstOfName.forEachKey(
        a.size(), [&](std::size_t i) { return points::entryNameKeyOf(pointsA[a[i].left]); },
        [&](std::size_t i, points::NameKey const& key) {
            if (std::uint32_t const* partner = firstOfName.find(key))
                common.push_back({static_cast<std::uint32_t>(i), *partner});
        });
}

bool CommonPoints::pairsAgreeBeyond(std::size_t checked) {
    ImagePoints const& leftA = of(modelA);
    ImagePoints const& rightA = of(modelA + 1);
    ImagePoints const& leftB = of(modelB);
    ImagePoints const& rightB = of(modelB + 1);
    auto const& a = *entriesA;
    auto const& b = *entriesB;
    auto const& pairs = *common;
    // Every entry of each model checked: the entries of A have distinct right points, each the left
    // point of the entry of B it was checked with.
    if (checked == a.size() && checked == b.size()) return true;
    // The common points list the entries of A in rising order; the entries of B they checked are
    // marked by their left point, the right point of the entry of A.
    ScratchVector<std::uint8_t, platform::UninitialisedAllocator<std::uint8_t>> checkedB;
    checkedB->assign(leftB.points->size(), 0);
    for (std::size_t c = 0; c < checked; ++c) (*checkedB)[a[pairs[c].left].right] = 1;
    bool agree = true;
    std::size_t c = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (c < checked && pairs[c].left == i) {
            ++c;
            continue;
        }
        agree &= points::sameNames(leftA.point(a[i].left), rightA.point(a[i].right));
    }
    for (std::size_t i = 0; i < b.size(); ++i)
        if ((*checkedB)[b[i].left] == 0) agree &= points::sameNames(leftB.point(b[i].left), rightB.point(b[i].right));
    return agree;
}

std::int32_t findCommonPoints(char const* path, std::int32_t modelA, std::int32_t modelB, CommonPoints& found) {
    if (!hasRightImage(modelA)) return kInvalidArgument;
    found.modelA = modelA;
    found.modelB = modelB;
    found.addImage(modelA);
    found.addImage(modelA + 1);
    bool const bReadable = hasRightImage(modelB);
    if (bReadable) {
        found.addImage(modelB);
        found.addImage(modelB + 1);
    }
    ModelImagePoints* const out[] = {&*found.read[0].points, &*found.read[1].points, &*found.read[2].points,
                                     &*found.read[3].points};
    if (std::int32_t code = readImagesTiePoints<ModelImagePoints>(
            path, std::span(found.images, found.imageCount), std::span(out, found.imageCount),
            [&](std::size_t k, std::size_t first, std::size_t count) { return found.read[k].arrived(first, count); });
        code != kSuccess)
        return code;
    // As building the first model's set before the second's: a second model without a right image
    // is refused once the first one's images were read.
    if (!bReadable) return kInvalidArgument;
    matchCommonPoints(found, true);
    return kSuccess;
}

std::int32_t countCommonPoints(char const* path, std::int32_t modelA, std::int32_t modelB, std::int32_t& count) {
    count = 0;
    CommonPoints found;
    if (std::int32_t code = findCommonPoints(path, modelA, modelB, found); code != kSuccess) return code;
    if (found.unchecked && !found.pairsAgreeBeyond(0)) matchCommonPoints(found, false);
    count = static_cast<std::int32_t>(found.common->size());
    return kSuccess;
}

struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};

std::int32_t readCommonPoints(char const* path, std::int32_t modelA, std::int32_t modelB, ModelCommonPoint*& points,
                              std::int32_t& count) {
    points = nullptr;
    count = 0;
    CommonPoints found;
    if (std::int32_t code = findCommonPoints(path, modelA, modelB, found); code != kSuccess) return code;
    auto const& a = *found.entriesA;
    auto const& b = *found.entriesB;
    std::unique_ptr<ModelCommonPoint, FreeDeleter> array;
    ModelImagePoints const& leftA = *found.of(modelA).points;
    ModelImagePoints const& rightA = *found.of(modelA + 1).points;
    ModelImagePoints const& rightB = *found.of(modelB + 1).points;
    // Fills the array; false when pairs not yet checked turn out to join two names, and the pairs are
    // then to be made again.
    auto fill = [&](std::size_t& filled) {
        filled = 0;
        array.reset();
        if (a.empty() || b.empty()) return true;
        std::size_t const capacity = std::min(a.size(), b.size());
        array.reset(static_cast<ModelCommonPoint*>(std::malloc(capacity * sizeof(ModelCommonPoint))));
        if (!array) return true;
        // With a name repeated in the first model more of its entries can find a partner than the
        // array has room for; filling stops when it is full.
        filled = std::min(capacity, found.common->size());
        bool agree = true;
        bool const unchecked = found.unchecked;
        // The point on the second model's right image: under one table the common point names it.
        auto thirdOf = [&](PointPair const& match) { return unchecked ? match.right : b[match.right].right; };
        for (std::size_t i = 0; i < filled; ++i) {
            if (i + kPointsAhead < filled) {
                PointPair const ahead = (*found.common)[i + kPointsAhead];
                prefetchPoint(rightA[a[ahead.left].right]);
                prefetchPoint(rightB[thirdOf(ahead)]);
            }
            PointPair const match = (*found.common)[i];
            PointPair const entryA = a[match.left];
            tagImagePoint const& first = leftA[entryA.left];
            tagImagePoint const& second = rightA[entryA.right];
            tagImagePoint const& third = rightB[thirdOf(match)];
            // Under one table `second` and `third` are the pair of the second model's entry.
            if (unchecked) agree &= points::sameNames(first, second) && points::sameNames(second, third);
            points::setCommonPointFromImagePoints(array.get()[i], first, second, third);
        }
        return !unchecked || (agree && found.pairsAgreeBeyond(filled));
    };
    std::size_t filled = 0;
    if (!fill(filled)) {
        matchCommonPoints(found, false);
        fill(filled);
    }
    if (!a.empty() && !b.empty() && !array) {
        text::showErrorText(text::kNoMemory);
        return kNoMemory;
    }
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
    return yb::frame::guarded([&] { return yb::tiepoints::readModelPointSet(path, modelNo, set); });
}
