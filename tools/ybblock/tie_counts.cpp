// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Tie counts: one walk over the tie point file's groups through the library's reader, then linear
// work on dense numbers. Images are numbered in order of first occurrence, and so are point names
// (compared ignoring case, through the library's name table). Each name keeps the distinct images it
// is seen on; from those follow the images it ties and the pairs of images and of strips that share
// it. A name's observations lie close together in the file, so its entry is still in the processor's
// caches when they come.
#include "tie_counts.h"

#include "hostpath.h"
#include "points/point_records.h"
#include "tiepoints/tie_point_file.h"

#include <yb/ybBlockFileIO.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <span>

namespace ybblock {
namespace {

// The distinct images a name is seen on: the first few in place, the rest (a name on many images is
// rare) aside, made distinct at the end.
struct NameImages {
    static constexpr std::size_t kInPlace = 3;
    std::uint32_t count = 0;  // above kInPlace: the images are in the overflow list
    std::array<std::uint32_t, kInPlace> images{};
};

// A name seen on more images than any overlap of a block gives (a repeated or mismatched name) ties
// only neighbours in image order, so one bad name cannot make the count quadratic.
constexpr std::size_t kAllPairsUpTo = 12;

// Calls visit(a, b) for the pairs of `members` that a name ties: all of them, or neighbours only.
template <class Visit>
void forEachTiedPair(std::vector<std::uint32_t> const& members, Visit visit) {
    if (members.size() <= kAllPairsUpTo) {
        for (std::size_t i = 0; i < members.size(); ++i)
            for (std::size_t j = i + 1; j < members.size(); ++j) visit(members[i], members[j]);
    } else {
        for (std::size_t i = 0; i + 1 < members.size(); ++i) visit(members[i], members[i + 1]);
    }
}

// Shared names per pair of images, kept with the pair's first image: a short list scanned from its
// end (the partner just counted comes again soon), and a map for an image with many partners.
class PairTally {
public:
    explicit PairTally(std::size_t images) : partners_(images) {}

    void add(std::uint32_t first, std::uint32_t second) {
        Partners& of = partners_[first];
        if (of.index) {
            auto const [at, added] = of.index->try_emplace(second, of.list.size());
            if (added) of.list.push_back({second, 0});
            ++of.list[at->second].second;
            return;
        }
        for (auto it = of.list.rbegin(); it != of.list.rend(); ++it) {
            if (it->first == second) {
                ++it->second;
                return;
            }
        }
        if (of.list.empty()) of.list.reserve(kFirstRoom);  // one allocation for the usual few partners
        of.list.push_back({second, 1});
        if (of.list.size() > kScanUpTo) {
            of.index = std::make_unique<std::unordered_map<std::uint32_t, std::size_t>>();
            for (std::size_t i = 0; i < of.list.size(); ++i) of.index->emplace(of.list[i].first, i);
        }
    }

    template <class Emit>
    void forEach(Emit emit) const {
        for (std::size_t first = 0; first < partners_.size(); ++first)
            for (auto const& [second, shared] : partners_[first].list)
                emit(static_cast<std::uint32_t>(first), second, shared);
    }

private:
    static constexpr std::size_t kScanUpTo = 32;
    static constexpr std::size_t kFirstRoom = 8;
    struct Partners {
        std::vector<std::pair<std::uint32_t, std::int64_t>> list;
        std::unique_ptr<std::unordered_map<std::uint32_t, std::size_t>> index;
    };
    std::vector<Partners> partners_;
};

bool byNumbers(SharedPoints const& a, SharedPoints const& b) {
    return a.first != b.first ? a.first < b.first : a.second < b.second;
}

}  // namespace

ImageTies TieCounts::imageTies(std::int32_t image) const {
    auto const found = images.find(image);
    return found == images.end() ? ImageTies{} : found->second;
}

namespace {
std::int64_t sharedIn(std::vector<SharedPoints> const& pairs, std::int32_t first, std::int32_t second) {
    SharedPoints const key{std::min(first, second), std::max(first, second), 0};
    auto const found = std::lower_bound(pairs.begin(), pairs.end(), key, byNumbers);
    return found != pairs.end() && found->first == key.first && found->second == key.second ? found->points : 0;
}
}  // namespace

std::int64_t TieCounts::sharedByImages(std::int32_t first, std::int32_t second) const {
    return sharedIn(imagePairs, first, second);
}

std::int64_t TieCounts::sharedByStrips(std::int32_t first, std::int32_t second) const {
    return sharedIn(stripPairs, first, second);
}

std::int32_t countTies(std::string const& tiePointPath, TieCounts& counts) {
    counts = TieCounts{};
    yb::tiepoints::TiePointFileReader reader;
    if (std::int32_t code = reader.open(tiePointPath.c_str(), HB_MESSAGE_PLAIN); code != yb::kSuccess) return code;
    reader.leaveDamageMessageToCaller();  // the command says what is wrong with the file
    std::vector<std::int32_t> imageNumbers;
    std::unordered_map<std::int32_t, std::uint32_t> imageIndex;
    std::vector<std::int64_t> observations;  // by image
    // A tie point file holds about three observations a name.
    std::size_t const expectedNames = static_cast<std::size_t>(reader.recordCapacity() / 3) + 16;
    yb::points::NameTable names(expectedNames);
    std::vector<NameImages> seenOn;               // by name number
    std::vector<std::array<char, 32>> spellings;  // by name number, as first written
    // Room for the names expected, so that growing copies neither (pages never written cost nothing).
    seenOn.reserve(expectedNames);
    spellings.reserve(expectedNames);
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> overflow;
    std::span<tagImagePoint> records;  // where the reader holds them, until the next group
    for (std::int32_t group = 0; group < reader.groupCount(); ++group) {
        std::int32_t imageNo = 0, count = 0;
        if (std::int32_t code = reader.nextGroup(imageNo, count); code != yb::kSuccess) return code;
        if (std::int32_t code = reader.viewRecords(count, records); code != yb::kSuccess) return code;
        auto const [found, added] = imageIndex.try_emplace(imageNo, static_cast<std::uint32_t>(imageNumbers.size()));
        if (added) {
            imageNumbers.push_back(imageNo);
            observations.push_back(0);
        }
        std::uint32_t const image = found->second;
        observations[image] += static_cast<std::int64_t>(records.size());
        for (tagImagePoint const& point : records)
            if (!std::isfinite(point.x) || !std::isfinite(point.y) || !std::isfinite(point.photoX) ||
                !std::isfinite(point.photoY))
                counts.nonFinite.push_back(
                    {std::string(yb::platform::boundedText(point.name, sizeof point.name)), imageNo});
        names.forEachKey(
            records.size(), [&](std::size_t i) { return yb::points::nameKeyOf(records[i]); },
            [&](std::size_t i, yb::points::NameKey const& key) {
                auto const [number, isNew] = names.tryEmplace(key, static_cast<std::uint32_t>(seenOn.size()));
                if (isNew) {
                    seenOn.emplace_back();
                    std::memcpy(spellings.emplace_back().data(), records[i].name, sizeof records[i].name);
                }
                std::uint32_t const name = *number;
                NameImages& seen = seenOn[name];
                if (seen.count > NameImages::kInPlace) {
                    overflow[name].push_back(image);
                    return;
                }
                for (std::uint32_t k = 0; k < seen.count; ++k)
                    if (seen.images[k] == image) return;
                if (seen.count < NameImages::kInPlace) {
                    seen.images[seen.count++] = image;
                } else {
                    overflow[name].assign(seen.images.begin(), seen.images.end());
                    overflow[name].push_back(image);
                    seen.count = NameImages::kInPlace + 1;
                }
            });
    }
    for (std::int64_t const count : observations) counts.observations += count;
    std::size_t const imageCount = imageNumbers.size();
    counts.points = static_cast<std::int64_t>(seenOn.size());

    std::vector<std::int64_t> tied(imageCount, 0);
    PairTally imagePairs(imageCount);
    std::unordered_map<std::uint64_t, std::int64_t> stripPairs;
    std::vector<std::uint32_t> members, strips;
    auto const byImageNumber = [&](std::uint32_t a, std::uint32_t b) { return imageNumbers[a] < imageNumbers[b]; };
    for (std::size_t name = 0; name < seenOn.size(); ++name) {
        NameImages const& seen = seenOn[name];
        if (seen.count <= NameImages::kInPlace) {
            members.assign(seen.images.begin(), seen.images.begin() + seen.count);
        } else {
            members = std::move(overflow[static_cast<std::uint32_t>(name)]);
            std::sort(members.begin(), members.end());
            members.erase(std::unique(members.begin(), members.end()), members.end());
        }
        std::sort(members.begin(), members.end(), byImageNumber);
        if (counts.multiplicity.size() <= members.size()) counts.multiplicity.resize(members.size() + 1, 0);
        ++counts.multiplicity[members.size()];
        if (members.size() == 1) {
            auto const& spelling = spellings[name];
            counts.lonePoints.push_back(
                {std::string(yb::platform::boundedText(spelling.data(), spelling.size())), imageNumbers[members[0]]});
            continue;
        }
        strips.clear();
        bool oneStrip = true;
        for (std::uint32_t const member : members) {
            ++tied[member];
            // Strip numbers are not negative for any image number a block can hold; the cast keeps
            // the key a plain pair of 32-bit values either way.
            strips.push_back(static_cast<std::uint32_t>(imageNumbers[member] / 100));
            oneStrip = oneStrip && strips.back() == strips.front();
        }
        forEachTiedPair(members, [&](std::uint32_t a, std::uint32_t b) { imagePairs.add(a, b); });
        if (oneStrip) continue;  // most names: nothing between strips
        std::sort(strips.begin(), strips.end());
        strips.erase(std::unique(strips.begin(), strips.end()), strips.end());
        forEachTiedPair(strips, [&](std::uint32_t a, std::uint32_t b) { ++stripPairs[(std::uint64_t{a} << 32) | b]; });
    }

    counts.images.reserve(imageCount);
    for (std::size_t i = 0; i < imageCount; ++i)
        counts.images.emplace(imageNumbers[i], ImageTies{observations[i], tied[i]});
    imagePairs.forEach([&](std::uint32_t a, std::uint32_t b, std::int64_t shared) {
        std::int32_t const first = imageNumbers[a], second = imageNumbers[b];
        counts.imagePairs.push_back({std::min(first, second), std::max(first, second), shared});
    });
    std::sort(counts.imagePairs.begin(), counts.imagePairs.end(), byNumbers);
    for (auto const& [key, shared] : stripPairs)
        counts.stripPairs.push_back(
            {static_cast<std::int32_t>(key >> 32), static_cast<std::int32_t>(key & 0xFFFFFFFFu), shared});
    std::sort(counts.stripPairs.begin(), counts.stripPairs.end(), byNumbers);
    return yb::kSuccess;
}

WeakTies findWeakTies(TieCounts const& counts, std::vector<BlockImage> const& images, std::int64_t threshold) {
    WeakTies weak;
    weak.threshold = threshold;
    std::vector<std::int32_t> strips;
    for (std::size_t i = 0; i < images.size(); ++i) {
        std::int32_t const number = images[i].record.nImageNo;
        std::int64_t const tied = counts.imageTies(number).tiedPoints;
        if (tied < threshold) weak.images.emplace_back(number, tied);
        if (strips.empty() || strips.back() != images[i].strip) {
            strips.push_back(images[i].strip);
        } else {
            // A strip flown without forward overlap breaks between two images that share nothing.
            std::int32_t const previous = images[i - 1].record.nImageNo;
            std::int64_t const shared = counts.sharedByImages(previous, number);
            if (shared < threshold) weak.links.push_back({previous, number, shared});
        }
    }
    // Strips come in order from the image list; a strip without images ties nothing and is skipped.
    for (std::size_t i = 0; i + 1 < strips.size(); ++i) {
        if (strips[i + 1] != strips[i] + 1) continue;
        std::int64_t const shared = counts.sharedByStrips(strips[i], strips[i + 1]);
        if (shared < threshold) weak.strips.push_back({strips[i], strips[i + 1], shared});
    }
    return weak;
}

}  // namespace ybblock
