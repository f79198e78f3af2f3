// Lists of plain ASCII names matched by the hashes of their order keys. The table holds no name: a
// slot keeps 32 bits of a hash and a value, so matching two images of 20,000 points touches a quarter
// megabyte of table and, apart from it, reads each list in order. Two names whose hashes agree in
// a slot's 32-bit tag share it; callers check every match against the names themselves and, when one
// fails (for distinct names, about once in a hundred thousand matches of two lists of 20,000), match
// the lists through an exact table.
#pragma once

#include "points/point_records.h"

#include "scratch.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace yb::points {

static_assert(sizeof(NameOrder) == 32, "an order key is the 32 bytes of a name field");

// The hash of an order key: its four words mixed by independent multiplications, then folded.
inline std::uint64_t hashOfOrder(NameOrder const& key) {
    std::uint64_t w[4];
    std::memcpy(w, &key, sizeof w);
    std::uint64_t hash = ((w[0] ^ 0x9E3779B97F4A7C15ull) * 0xBF58476D1CE4E5B9ull) ^
                         ((w[1] ^ 0xC2B2AE3D27D4EB4Full) * 0x94D049BB133111EBull) ^
                         ((w[2] ^ 0x165667B19E3779F9ull) * 0xD6E8FEB86659FD93ull) ^
                         ((w[3] ^ 0x27D4EB2F165667C5ull) * 0xFF51AFD7ED558CCDull);
    return hash ^ (hash >> 29);
}

inline bool sameOrder(NameOrder const& a, NameOrder const& b) {
    std::uint64_t x[4], y[4];
    std::memcpy(x, &a, sizeof x);
    std::memcpy(y, &b, sizeof y);
    return ((x[0] ^ y[0]) | (x[1] ^ y[1]) | (x[2] ^ y[2]) | (x[3] ^ y[3])) == 0;
}

// Values by hash. A value is the caller's, below 2^30; its top two bits are free for flags.
class HashSlots {
public:
    static constexpr std::uint32_t kFlags = 0xC0000000u;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    static constexpr std::size_t kMostValues = std::size_t{1} << 30;

    // A table for `expected` hashes; it takes no more.
    explicit HashSlots(std::size_t expected) {
        std::size_t size = 16;
        int bits = 4;
        for (; size * 5 < expected * 8; size *= 2) ++bits;  // at most five eighths full
        shift_ = 64 - bits;
        slots_->assign(size, Slot{0, kEmpty});
    }

    // The value under `hash`, or null.
    std::uint32_t* find(std::uint64_t hash) {
        Slot& slot = (*slots_)[slotOf(hash)];
        return slot.value != kEmpty ? &slot.value : nullptr;
    }
    // The value under `hash`, set to `value` first when the hash is new; true when it was new.
    std::pair<std::uint32_t*, bool> tryEmplace(std::uint64_t hash, std::uint32_t value) {
        Slot& slot = (*slots_)[slotOf(hash)];
        if (slot.value != kEmpty) return {&slot.value, false};
        slot = Slot{tagOf(hash), value};
        return {&slot.value, true};
    }

    // Runs visit(i, hashOf(i)) for i = 0 .. count - 1, the slot of each hash announced some hashes
    // ahead: the table is larger than the processor's nearest cache, and the announcements let its
    // fetches overlap.
    template <class HashOf, class Visit>
    void forEach(std::size_t count, HashOf hashOf, Visit visit) {
        constexpr std::size_t kAhead = 16;
        Slot const* const slots = slots_->data();
        for (std::size_t i = 0; i < count; ++i) {
            if (i + kAhead < count) __builtin_prefetch(&slots[hashOf(i + kAhead) >> shift_]);
            visit(i, hashOf(i));
        }
    }

private:
    struct Slot {
        std::uint32_t tag;    // the hash's low half
        std::uint32_t value;  // kEmpty: none
    };
    static std::uint32_t tagOf(std::uint64_t hash) { return static_cast<std::uint32_t>(hash); }

    // The slot of `hash`: the one holding it, or the empty one where it belongs. The position comes
    // from the hash's high bits, the tag from its low half.
    std::size_t slotOf(std::uint64_t hash) const {
        Slot const* const slots = slots_->data();
        std::size_t const mask = slots_->size() - 1;
        std::uint32_t const tag = tagOf(hash);
        for (std::size_t slot = hash >> shift_;; slot = (slot + 1) & mask)
            if (slots[slot].value == kEmpty || slots[slot].tag == tag) return slot;
    }

    int shift_ = 60;
    platform::ScratchVector<Slot> slots_;
};

// Whether leftPoint(pairs[i].left) has the same name, ignoring case, as rightPoint(pairs[i].right) for
// every pair, the names being ASCII and ending inside their field; the right points, met in any order,
// announced some pairs ahead.
template <class Pairs, class LeftPoint, class RightPoint>
bool pairsAgree(Pairs const& pairs, LeftPoint leftPoint, RightPoint rightPoint) {
    constexpr std::size_t kAhead = 16;
    std::size_t const count = pairs.size();
    bool agree = true;
    for (std::size_t i = 0; i < count; ++i) {
        if (i + kAhead < count) __builtin_prefetch(rightPoint(pairs[i + kAhead].right).name);
        NameOrder left;
        NameOrder right;
        agree &= nameOrderOf(leftPoint(pairs[i].left), left) && nameOrderOf(rightPoint(pairs[i].right), right) &&
                 sameOrder(left, right);
    }
    return agree;
}

}  // namespace yb::points
