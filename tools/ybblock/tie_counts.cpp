// Tie counts: one read of the tie point file, then linear work on dense indices. Each observation gets
// the index of its image and of its point name (names compared ignoring case); a counting sort by name
// gives every name its images, from which the pairs of images and of strips that share it follow.
#include "tie_counts.h"

#include "hostpath.h"

#include <yb/ybBlockFileIO.h>

#include <algorithm>
#include <limits>

namespace ybblock {
namespace {

// A name seen on more images than any overlap of a block gives (a repeated or mismatched name) ties
// only neighbours in image order, so one bad name cannot make the count quadratic.
constexpr std::size_t kAllPairsUpTo = 12;

std::uint64_t pairKey(std::uint32_t a, std::uint32_t b) {
    return a < b ? (std::uint64_t{a} << 32) | b : (std::uint64_t{b} << 32) | a;
}

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

// Distinct pairs and how often each was named: pairs bucketed by their first member, then tallied in
// one dense array, so the work stays linear however the pairs come.
template <class Emit>
void tallyPairs(std::vector<std::uint64_t> const& pairs, std::size_t members, Emit emit) {
    std::vector<std::uint32_t> start(members + 1, 0);
    for (std::uint64_t const pair : pairs) ++start[static_cast<std::size_t>(pair >> 32) + 1];
    for (std::size_t i = 0; i < members; ++i) start[i + 1] += start[i];
    std::vector<std::uint32_t> seconds(pairs.size());
    std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
    for (std::uint64_t const pair : pairs)
        seconds[next[static_cast<std::size_t>(pair >> 32)]++] = static_cast<std::uint32_t>(pair);
    std::vector<std::int64_t> tally(members, 0);
    std::vector<std::uint32_t> touched;
    for (std::size_t first = 0; first < members; ++first) {
        for (std::uint32_t i = start[first]; i < start[first + 1]; ++i)
            if (tally[seconds[i]]++ == 0) touched.push_back(seconds[i]);
        for (std::uint32_t const second : touched) {
            emit(static_cast<std::uint32_t>(first), second, tally[second]);
            tally[second] = 0;
        }
        touched.clear();
    }
}

bool byNumbers(SharedPoints const& a, SharedPoints const& b) {
    return a.first != b.first ? a.first < b.first : a.second < b.second;
}

}  // namespace

ImageTies TieCounts::imageTies(std::int32_t image) const {
    auto const found = images.find(image);
    return found == images.end() ? ImageTies{} : found->second;
}

std::int64_t TieCounts::sharedByStrips(std::int32_t first, std::int32_t second) const {
    SharedPoints const key{std::min(first, second), std::max(first, second), 0};
    auto const found = std::lower_bound(stripPairs.begin(), stripPairs.end(), key, byNumbers);
    return found != stripPairs.end() && found->first == key.first && found->second == key.second ? found->points : 0;
}

std::int32_t countTies(std::string const& tiePointPath, TieCounts& counts) {
    counts = TieCounts{};
    std::vector<tagImagePoint> records;
    if (std::int32_t code = ybReadTiePntFileToAry(tiePointPath.c_str(), records); code != yb::kSuccess) return code;
    if (records.size() >= std::numeric_limits<std::uint32_t>::max()) return yb::kOutOfRange;
    counts.observations = static_cast<std::int64_t>(records.size());

    // Dense indices, in order of first occurrence. Records of one image come together in the file, so
    // the image map is asked only when the image changes.
    std::vector<std::int32_t> imageNumbers;
    std::unordered_map<std::int32_t, std::uint32_t> imageIndex;
    std::unordered_map<std::string, std::uint32_t> nameIndex;
    nameIndex.reserve(records.size() / 2);
    std::vector<std::uint32_t> firstRecordOfName;
    std::vector<std::uint32_t> imageOf(records.size()), nameOf(records.size());
    std::uint32_t image = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        tagImagePoint const& record = records[i];
        if (i == 0 || record.imageNo != records[i - 1].imageNo) {
            auto const [at, added] =
                imageIndex.try_emplace(record.imageNo, static_cast<std::uint32_t>(imageNumbers.size()));
            if (added) imageNumbers.push_back(record.imageNo);
            image = at->second;
        }
        imageOf[i] = image;
        auto const [at, added] = nameIndex.try_emplace(
            yb::platform::toLower(yb::platform::boundedText(record.name, sizeof record.name)),
            static_cast<std::uint32_t>(firstRecordOfName.size()));
        if (added) firstRecordOfName.push_back(static_cast<std::uint32_t>(i));
        nameOf[i] = at->second;
    }
    std::size_t const nameCount = firstRecordOfName.size();
    std::size_t const imageCount = imageNumbers.size();
    counts.points = static_cast<std::int64_t>(nameCount);

    std::vector<ImageTies> ties(imageCount);
    for (std::uint32_t const at : imageOf) ++ties[at].observations;

    // The records of each name, by a counting sort.
    std::vector<std::uint32_t> start(nameCount + 1, 0);
    for (std::uint32_t const name : nameOf) ++start[name + 1];
    for (std::size_t n = 0; n < nameCount; ++n) start[n + 1] += start[n];
    std::vector<std::uint32_t> imagesByName(records.size());
    {
        std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
        for (std::size_t i = 0; i < records.size(); ++i) imagesByName[next[nameOf[i]]++] = imageOf[i];
    }

    std::vector<std::uint64_t> imagePairs;
    imagePairs.reserve(records.size());
    std::unordered_map<std::uint64_t, std::int64_t> stripPairs;
    std::vector<std::uint32_t> members, strips;
    auto const byImageNumber = [&](std::uint32_t a, std::uint32_t b) { return imageNumbers[a] < imageNumbers[b]; };
    for (std::size_t name = 0; name < nameCount; ++name) {
        members.assign(imagesByName.begin() + start[name], imagesByName.begin() + start[name + 1]);
        std::sort(members.begin(), members.end(), byImageNumber);
        members.erase(std::unique(members.begin(), members.end()), members.end());
        if (members.size() == 1) {
            tagImagePoint const& first = records[firstRecordOfName[name]];
            counts.lonePoints.push_back(
                {std::string(yb::platform::boundedText(first.name, sizeof first.name)), first.imageNo});
            continue;
        }
        strips.clear();
        for (std::uint32_t const member : members) {
            ++ties[member].tiedPoints;
            // Strip numbers are not negative for any image number a block can hold; the cast keeps
            // the key a plain pair of 32-bit values either way.
            strips.push_back(static_cast<std::uint32_t>(imageNumbers[member] / 100));
        }
        forEachTiedPair(members, [&](std::uint32_t a, std::uint32_t b) { imagePairs.push_back(pairKey(a, b)); });
        std::sort(strips.begin(), strips.end());
        strips.erase(std::unique(strips.begin(), strips.end()), strips.end());
        forEachTiedPair(strips, [&](std::uint32_t a, std::uint32_t b) { ++stripPairs[pairKey(a, b)]; });
    }

    for (std::size_t i = 0; i < imageCount; ++i) counts.images.emplace(imageNumbers[i], ties[i]);
    tallyPairs(imagePairs, imageCount, [&](std::uint32_t a, std::uint32_t b, std::int64_t shared) {
        std::int32_t const first = imageNumbers[a], second = imageNumbers[b];
        counts.imagePairs.push_back({std::min(first, second), std::max(first, second), shared});
    });
    std::sort(counts.imagePairs.begin(), counts.imagePairs.end(), byNumbers);
    for (auto const& [key, shared] : stripPairs)
        counts.stripPairs.push_back({static_cast<std::int32_t>(key >> 32), static_cast<std::int32_t>(key & 0xFFFFFFFFu),
                                     shared});
    std::sort(counts.stripPairs.begin(), counts.stripPairs.end(), byNumbers);
    return yb::kSuccess;
}

WeakTies findWeakTies(TieCounts const& counts, std::vector<BlockImage> const& images, std::int64_t threshold) {
    WeakTies weak;
    weak.threshold = threshold;
    std::vector<std::int32_t> strips;
    for (BlockImage const& image : images) {
        std::int64_t const tied = counts.imageTies(image.record.nImageNo).tiedPoints;
        if (tied < threshold) weak.images.emplace_back(image.record.nImageNo, tied);
        if (strips.empty() || strips.back() != image.strip) strips.push_back(image.strip);
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
