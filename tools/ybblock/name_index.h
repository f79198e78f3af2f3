// Dense numbers for the point names of a whole tie point file, names compared ignoring case: each
// name's 32-byte field becomes a key (lower-cased, cut at its terminator) with a hash, and one flat
// open-addressed table gives it the number of its first occurrence. A million names take a few tens of
// milliseconds: plain ASCII names, by far the most common, are lower-cased eight bytes at a time, and
// lookups are announced some names ahead so that the table's cache misses overlap. Each name is kept
// once, as first written; a candidate is compared by its key.
#pragma once

#include "hostpath.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace ybblock {

struct NameKey {
    std::array<std::uint64_t, 4> words{};  // the name lower-cased (GBK-aware), zero bytes after it
    std::uint64_t hash = 0;
};

inline std::uint64_t hashOf(std::array<std::uint64_t, 4> const& words) {
    std::uint64_t hash = 0x9E3779B97F4A7C15ull;
    for (std::uint64_t const word : words) {
        hash = (hash ^ word) * 0xBF58476D1CE4E5B9ull;
        hash ^= hash >> 31;
    }
    return hash;
}

// The key of a name field (32 bytes, cut at the first zero byte).
inline NameKey nameKeyOf(char const* field) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    NameKey key;
    std::memcpy(key.words.data(), field, sizeof key.words);
    bool ended = false;
    std::uint64_t highBits = 0;
    for (std::uint64_t& word : key.words) {
        if (ended) {
            word = 0;
            continue;
        }
        // The lowest byte flagged here is the first zero byte (flags above it may be false).
        if (std::uint64_t const zeros = (word - kOnes) & ~word & kHighBits; zeros != 0) {
            int const firstZero = __builtin_ctzll(zeros) / 8;
            word &= firstZero == 0 ? 0 : ~std::uint64_t{0} >> (64 - 8 * firstZero);
            ended = true;
        }
        highBits |= word & kHighBits;
    }
    if (highBits != 0) {
        // Double-byte characters: the GBK-aware way, which keeps their second bytes as they are.
        std::string const lower = yb::platform::toLower(yb::platform::boundedText(field, sizeof key.words));
        key.words = {};
        std::memcpy(key.words.data(), lower.data(), lower.size());
    } else {
        for (std::uint64_t& word : key.words) {
            // An upper-case letter is a byte at least 'A' and not above 'Z'.
            std::uint64_t const atLeastA = word + kOnes * (0x80 - 'A');
            std::uint64_t const aboveZ = word + kOnes * (0x80 - 'Z' - 1);
            word |= (atLeastA & ~aboveZ & kHighBits) >> 2;
        }
    }
    key.hash = hashOf(key.words);
    return key;
}

// `Payload` is what the caller keeps per name (at most 32 bytes): it shares a cache line with the
// name's spelling, which a lookup compares, so a name seen again costs the table's miss and one more.
template <class Payload>
class NameIndex {
public:
    explicit NameIndex(std::size_t expected) {
        std::size_t size = 16;
        while (4 * size < 5 * expected) size *= 2;  // at most four fifths full
        slots_.assign(size, Slot{});
        entries_.reserve(expected);
    }

    std::size_t size() const { return entries_.size(); }
    // The name as it was first written (GBK).
    std::string spellingOf(std::uint32_t number) const {
        auto const& spelling = entries_[number].spelling;
        return std::string(yb::platform::boundedText(spelling.data(), spelling.size()));
    }
    Payload const& payloadOf(std::uint32_t number) const { return entries_[number].payload; }

    // Runs visit(i, number, payload, added) for the name fields fieldOf(i) of records i = 0 .. count - 1:
    // the number of the name, new names numbered in order of first occurrence (`added` says which, their
    // payload as made by Payload{}). Each key is worked out and announced to the table some records
    // ahead, and the name's entry when its slot has come in.
    template <class FieldOf, class Visit>
    void numberAll(std::size_t count, FieldOf fieldOf, Visit visit) {
        constexpr std::size_t kAhead = 32;
        constexpr std::size_t kEntryAhead = kAhead / 2;
        std::array<NameKey, kAhead> ahead;
        for (std::size_t i = 0; i < count && i < kAhead; ++i) prefetch(ahead[i] = nameKeyOf(fieldOf(i)));
        for (std::size_t i = 0; i < count && i < kEntryAhead; ++i) prefetchEntry(ahead[i]);
        for (std::size_t i = 0; i < count; ++i) {
            NameKey const key = ahead[i % kAhead];
            if (i + kAhead < count) prefetch(ahead[i % kAhead] = nameKeyOf(fieldOf(i + kAhead)));
            if (i + kEntryAhead < count) prefetchEntry(ahead[(i + kEntryAhead) % kAhead]);
            bool added = false;
            std::uint32_t const number = numberOf(key, fieldOf(i), added);
            visit(i, number, entries_[number].payload, added);
        }
    }

private:
    struct Slot {
        std::uint32_t tag = 0;     // high half of the key's hash
        std::uint32_t number = 0;  // 0: empty; else 1 + the name's number
    };
    struct alignas(64) Entry {
        std::array<char, 32> spelling{};  // zero bytes after the name
        Payload payload{};
    };
    static_assert(sizeof(Entry) == 64);

    void prefetch(NameKey const& key) const { __builtin_prefetch(&slots_[key.hash & (slots_.size() - 1)]); }
    void prefetchEntry(NameKey const& key) const {
        Slot const& slot = slots_[key.hash & (slots_.size() - 1)];
        if (slot.number != 0) __builtin_prefetch(&entries_[slot.number - 1]);
    }

    std::uint32_t numberOf(NameKey const& key, char const* field, bool& added) {
        std::size_t const mask = slots_.size() - 1;
        auto const tag = static_cast<std::uint32_t>(key.hash >> 32);
        for (std::size_t slot = key.hash & mask;; slot = (slot + 1) & mask) {
            Slot& candidate = slots_[slot];
            if (candidate.number == 0) {
                added = true;
                candidate = {tag, static_cast<std::uint32_t>(entries_.size() + 1)};
                std::array<char, 32>& spelling = entries_.emplace_back().spelling;
                std::string_view const name = yb::platform::boundedText(field, spelling.size());
                std::memcpy(spelling.data(), name.data(), name.size());
                if (5 * entries_.size() > 4 * slots_.size()) grow();
                return static_cast<std::uint32_t>(entries_.size() - 1);
            }
            if (candidate.tag == tag && nameKeyOf(entries_[candidate.number - 1].spelling.data()).words == key.words) {
                added = false;
                return candidate.number - 1;
            }
        }
    }

    void grow() {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        std::size_t const mask = slots_.size() - 1;
        for (Slot const& slot : old) {
            if (slot.number == 0) continue;
            std::size_t at = nameKeyOf(entries_[slot.number - 1].spelling.data()).hash & mask;
            while (slots_[at].number != 0) at = (at + 1) & mask;
            slots_[at] = slot;
        }
    }

    std::vector<Slot> slots_;
    std::vector<Entry> entries_;  // by number
};

}  // namespace ybblock
