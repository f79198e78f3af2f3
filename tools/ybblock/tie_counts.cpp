// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Tie counts: one walk over the tie point file's groups through the library's reader, then linear
// work on dense numbers. Images are numbered in order of first occurrence, and so are point names
// (compared ignoring case, keyed as the library keys them). Each name keeps the distinct images it is
// seen on; from those follow the images it ties and the pairs of images and of strips that share it.
// A name's observations lie close together in the file, so its entry is still in the processor's
// caches when they come.
#include "tie_counts.h"

#include "hostpath.h"
#include "scratch.h"
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

// The names of the file with what the counts need of each: the images it is seen on and how its
// first observation was written. A slot per name (the low half of its hash and its entry) and an
// entry per name in order of first occurrence, 40 bytes (the library's name table, beside arrays of
// images and spellings, came to 85): two million names are mostly memory touched for the first time,
// which the system must clear. Lookups go through forEachName, which announces each slot some records
// ahead and the entry it holds half as far, so that their fetches overlap.
class SeenNames {
public:
    static constexpr std::uint32_t kShort = ~std::uint32_t{0};
    struct Entry {
        std::array<std::uint64_t, 2> head;  // the first sixteen bytes of the name, lower-cased
        std::uint32_t tail;                 // index of the other sixteen in tails_, or kShort when zero
        std::uint32_t upper;                // bit i: byte i of the first observation was upper case
        NameImages seen;
    };

    explicit SeenNames(std::size_t expected) {
        std::size_t size = 16;
        while (size * 5 < expected * 8) size *= 2;  // at most five eighths full
        slots_->assign(size, Slot{});
        entries_->reserve(expected);
    }

    std::size_t size() const { return entries_->size(); }
    Entry const& operator[](std::size_t name) const { return (*entries_)[name]; }

    // Runs visit(number of the name, its entry) for each record in turn; a new name's entry is made
    // with no images.
    template <class Visit>
    void forEachName(std::span<tagImagePoint const> records, Visit visit) {
        // Far ahead: an image's few dozen records are all announced before the first is looked up, so
        // that their fetches overlap from the group's start (16 ahead left the 100,000-image report
        // waiting on the first slots of every group, about a tenth of its time).
        constexpr std::size_t kAhead = 128;  // a power of two
        constexpr std::size_t kEntryAhead = kAhead / 2;
        std::size_t const count = records.size();
        yb::points::NameKey ahead[kAhead];
        auto const announce = [&](std::size_t i) {
            ahead[i % kAhead] = yb::points::nameKeyOf(records[i]);
            __builtin_prefetch(&(*slots_)[firstSlot(ahead[i % kAhead])]);
        };
        for (std::size_t i = 0; i < count && i < kAhead; ++i) announce(i);
        for (std::size_t i = 0; i < count; ++i) {
            if (i + kEntryAhead < count)
                if (std::uint32_t const entry = (*slots_)[firstSlot(ahead[(i + kEntryAhead) % kAhead])].entry)
                    __builtin_prefetch(&(*entries_)[entry - 1]);
            yb::points::NameKey const key = ahead[i % kAhead];
            if (i + kAhead < count) announce(i + kAhead);
            std::uint32_t const name = numberOf(key, records[i].name);
            visit(name, (*entries_)[name]);
        }
    }

    // The name as its first observation wrote it.
    std::string spelling(Entry const& entry) const {
        std::array<char, 32> bytes{};
        std::memcpy(bytes.data(), entry.head.data(), 16);
        if (entry.tail != kShort) std::memcpy(bytes.data() + 16, (*tails_)[entry.tail].data(), 16);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            if ((entry.upper >> i) & 1u) bytes[i] = static_cast<char>(bytes[i] - ('a' - 'A'));
        return std::string(yb::platform::boundedText(bytes.data(), bytes.size()));
    }

private:
    struct Slot {
        std::uint32_t hash = 0;   // the key's hash, cut to 32 bits
        std::uint32_t entry = 0;  // 0: empty; else 1 + the entry's index
    };

    std::size_t firstSlot(yb::points::NameKey const& key) const {
        return static_cast<std::size_t>(key.hash >> 32) & (slots_->size() - 1);
    }
    bool holds(Entry const& entry, yb::points::NameKey const& key) const {
        std::uint64_t words[4];
        std::memcpy(words, key.bytes.data(), sizeof words);
        if (entry.head[0] != words[0] || entry.head[1] != words[1]) return false;
        if (entry.tail == kShort) return (words[2] | words[3]) == 0;
        std::uint64_t tail[2];
        std::memcpy(tail, (*tails_)[entry.tail].data(), sizeof tail);
        return tail[0] == words[2] && tail[1] == words[3];
    }
    // The number of the key's name, a new entry (for a name written as `field`) when it has none.
    std::uint32_t numberOf(yb::points::NameKey const& key, char const* field) {
        auto& slots = *slots_;
        auto& entries = *entries_;
        std::size_t const mask = slots.size() - 1;
        auto const hash = static_cast<std::uint32_t>(key.hash);
        std::size_t slot = firstSlot(key);
        for (; slots[slot].entry != 0; slot = (slot + 1) & mask)
            if (slots[slot].hash == hash && holds(entries[slots[slot].entry - 1], key)) return slots[slot].entry - 1;
        if ((entries.size() + 1) * 8 > slots.size() * 5) {
            grow();
            return numberOf(key, field);
        }
        Entry& entry = entries.emplace_back();
        std::memcpy(entry.head.data(), key.bytes.data(), 16);
        std::uint64_t tail[2];
        std::memcpy(tail, key.bytes.data() + 16, sizeof tail);
        entry.tail = kShort;
        if ((tail[0] | tail[1]) != 0) {
            entry.tail = static_cast<std::uint32_t>(tails_->size());
            std::memcpy(tails_->emplace_back().data(), tail, sizeof tail);
        }
        entry.upper = differingBytes(field, key.bytes.data());
        entry.seen = {};
        slots[slot] = Slot{hash, static_cast<std::uint32_t>(entries.size())};
        return static_cast<std::uint32_t>(entries.size() - 1);
    }
    void grow() {
        auto& slots = *slots_;
        slots.assign(slots.size() * 2, Slot{});
        std::size_t const mask = slots.size() - 1;
        for (std::size_t i = 0; i < entries_->size(); ++i) {
            Entry const& entry = (*entries_)[i];
            std::uint64_t tail[2] = {0, 0};
            if (entry.tail != kShort) std::memcpy(tail, (*tails_)[entry.tail].data(), sizeof tail);
            std::uint64_t const hash = yb::points::hashOfWords(entry.head[0], entry.head[1], tail[0], tail[1]);
            std::size_t slot = static_cast<std::size_t>(hash >> 32) & mask;
            while (slots[slot].entry != 0) slot = (slot + 1) & mask;
            slots[slot] = Slot{static_cast<std::uint32_t>(hash), static_cast<std::uint32_t>(i + 1)};
        }
    }
    // Bit i set where byte i of the two 32-byte fields differ and `lowered`'s byte is not zero: the
    // letters that lower-casing changed (it changes no other byte).
    static std::uint32_t differingBytes(char const* field, char const* lowered) {
        constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
        auto const nonZero = [](std::uint64_t v) { return (((v & kLow7) + kLow7) | v) & ~kLow7; };  // 0x80 a byte
        std::uint32_t mask = 0;
        for (int word = 0; word < 4; ++word) {
            std::uint64_t x, y;
            std::memcpy(&x, field + 8 * word, 8);
            std::memcpy(&y, lowered + 8 * word, 8);
            std::uint64_t const bits = nonZero(x ^ y) & nonZero(y);
            mask |= static_cast<std::uint32_t>(((bits >> 7) * 0x0102040810204080ull) >> 56) << (8 * word);
        }
        return mask;
    }

    // A table of a block's names runs to tens of megabytes: its room comes in large pages.
    yb::platform::ScratchVector<Slot, yb::platform::UninitialisedAllocator<Slot>> slots_;
    yb::platform::ScratchVector<Entry, yb::platform::UninitialisedAllocator<Entry>> entries_;
    yb::platform::ScratchVector<std::array<char, 16>> tails_;
};

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
    SeenNames names(expectedNames);
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
        names.forEachName(records, [&](std::uint32_t name, SeenNames::Entry& entry) {
            NameImages& seen = entry.seen;
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
    counts.points = static_cast<std::int64_t>(names.size());

    std::vector<std::int64_t> tied(imageCount, 0);
    PairTally imagePairs(imageCount);
    std::unordered_map<std::uint64_t, std::int64_t> stripPairs;
    std::vector<std::uint32_t> members, strips;
    auto const byImageNumber = [&](std::uint32_t a, std::uint32_t b) { return imageNumbers[a] < imageNumbers[b]; };
    for (std::size_t name = 0; name < names.size(); ++name) {
        NameImages const& seen = names[name].seen;
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
            counts.lonePoints.push_back({names.spelling(names[name]), imageNumbers[members[0]]});
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
