// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Lists of plain ASCII names matched by the hashes of their order keys. The table holds no name: a
// slot keeps 31 bits of a hash as its tag and a value, so matching two images of 20,000 points touches
// a quarter megabyte of table and, apart from it, reads each list in order. Two names whose hashes
// meet in a bucket under one tag share a slot; callers check every match against the names themselves
// and, when one fails (for distinct names, about once in ten thousand matches of two lists of 20,000),
// match the lists through an exact table.
#pragma once

#include "points/point_records.h"

#include "scratch.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace yb::points {

static_assert(sizeof(NameOrder) == 32, "an order key is the 32 bytes of a name field");

// The hash of an order key: its four words mixed.
inline std::uint64_t hashOfOrder(NameOrder const& key) {
    std::uint64_t w[4];
    std::memcpy(w, &key, sizeof w);
    return hashOfWords(w[0], w[1], w[2], w[3]);
}

// The hash of the order key of a point's name, as hashOfOrder gives it; false when the name has no
// key. Names shorter than sixteen bytes, the most, are hashed without making their key whole.
inline bool hashOfName(tagImagePoint const& point, std::uint64_t& hash) {
#if defined(__SSE2__) && defined(__x86_64__)
    using namespace name_order;
    __m128i const low = _mm_loadu_si128(reinterpret_cast<__m128i const*>(point.name));
    std::uint32_t const lowZeros = maskOf(_mm_cmpeq_epi8(low, _mm_setzero_si128()));
    if (lowZeros != 0) {
        int const length = __builtin_ctz(lowZeros);
        if (!asciiBefore(low, length)) return false;
        __m128i const key = lowered(firstBytes(low, length));
        hash = hashOfWords(static_cast<std::uint64_t>(_mm_cvtsi128_si64(key)),
                           static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(key, key))), 0, 0);
        return true;
    }
#endif
    NameOrder key;
    if (!nameOrderOf(point, key)) return false;
    hash = hashOfOrder(key);
    return true;
}

// The hashes of records[0 .. count - 1]'s names, as hashOfName gives them, into out; false when a name
// has no key (out is then unspecified).
bool hashNames(tagImagePoint const* records, std::size_t count, std::uint64_t* out);

inline bool sameOrder(NameOrder const& a, NameOrder const& b) {
    std::uint64_t x[4], y[4];
    std::memcpy(x, &a, sizeof x);
    std::memcpy(y, &b, sizeof y);
    return ((x[0] ^ y[0]) | (x[1] ^ y[1]) | (x[2] ^ y[2]) | (x[3] ^ y[3])) == 0;
}

// Values by hash, in buckets of eight slots that fill a cache line: a lookup compares the tags of a
// bucket at once and moves on to the next bucket only when its own is full. A value is the caller's,
// below 2^30; its top two bits are free for flags.
class HashSlots {
public:
    static constexpr std::uint32_t kFlags = 0xC0000000u;
    static constexpr std::size_t kMostValues = std::size_t{1} << 30;

    // A table for `expected` hashes; it takes no more.
    explicit HashSlots(std::size_t expected) {
        std::size_t buckets = 2;
        int bits = 1;
        for (; buckets * kLanes * 5 < expected * 8; buckets *= 2) ++bits;  // at most five eighths full
        shift_ = 64 - bits;
        // Only the tags say which lanes are taken: a lane's value is written with its tag and read only
        // when its tag was found, so the values are left as they come.
        buckets_->resize(buckets);
        for (Bucket& bucket : *buckets_) std::memset(bucket.tags, 0, sizeof bucket.tags);
    }

    // The value under `hash`, or null.
    [[gnu::always_inline]] std::uint32_t* find(std::uint64_t hash) {
        auto [bucket, lane, found] = placeOf(hash);
        return found ? &bucket->values[lane] : nullptr;
    }
    // The value under `hash`, set to `value` first when the hash is new; true when it was new.
    [[gnu::always_inline]] std::pair<std::uint32_t*, bool> tryEmplace(std::uint64_t hash, std::uint32_t value) {
        auto [bucket, lane, found] = placeOf(hash);
        if (found) return {&bucket->values[lane], false};
        bucket->tags[lane] = tagOf(hash);
        bucket->values[lane] = value;
        return {&bucket->values[lane], true};
    }

    // Runs visit(i, hashOf(i)) for i = 0 .. count - 1, the bucket of each hash announced some hashes
    // ahead: the table is larger than the processor's nearest cache, and the announcements let its
    // fetches overlap.
    template <class HashOf, class Visit>
    void forEach(std::size_t count, HashOf hashOf, Visit visit) {
        constexpr std::size_t kAhead = 16;
        Bucket const* const buckets = buckets_->data();
        for (std::size_t i = 0; i < count; ++i) {
            if (i + kAhead < count) __builtin_prefetch(&buckets[hashOf(i + kAhead) >> shift_]);
            visit(i, hashOf(i));
        }
    }

private:
    static constexpr int kLanes = 8;
    // Lanes fill from the first: a bucket holds no empty lane before a full one.
    struct alignas(64) Bucket {
        std::uint32_t tags[kLanes];    // the hashes' low halves, made odd; 0 in an empty lane
        std::uint32_t values[kLanes];  // written with their tags
    };
    static_assert(sizeof(Bucket) == 64);
    static std::uint32_t tagOf(std::uint64_t hash) { return static_cast<std::uint32_t>(hash) | 1u; }

    // Where `hash` is: the lane holding its tag (found), or the empty lane where it belongs. The
    // bucket comes from the hash's high bits.
    struct Place {
        Bucket* bucket;
        int lane;
        bool found;
    };
    [[gnu::always_inline]] Place placeOf(std::uint64_t hash) {
        Bucket* const buckets = buckets_->data();
        std::size_t const mask = buckets_->size() - 1;
        std::uint32_t const tag = tagOf(hash);
        for (std::size_t at = hash >> shift_;; at = (at + 1) & mask) {
            Bucket& bucket = buckets[at];
            if (unsigned const found = lanesOf(bucket.tags, tag); found != 0)
                return {&bucket, __builtin_ctz(found), true};
            if (bucket.tags[kLanes - 1] == 0) return {&bucket, __builtin_ctz(lanesOf(bucket.tags, 0)), false};
        }
    }
    // The lanes of `words` that hold `word`, one bit each.
    static unsigned lanesOf(std::uint32_t const (&words)[kLanes], std::uint32_t word) {
#if defined(__SSE2__)
        __m128i const wanted = _mm_set1_epi32(static_cast<int>(word));
        __m128i const low = _mm_cmpeq_epi32(_mm_load_si128(reinterpret_cast<__m128i const*>(words)), wanted);
        __m128i const high = _mm_cmpeq_epi32(_mm_load_si128(reinterpret_cast<__m128i const*>(words + 4)), wanted);
        return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(low))) |
               static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(high))) << 4;
#else
        unsigned lanes = 0;
        for (int i = 0; i < kLanes; ++i) lanes |= (words[i] == word ? 1u : 0u) << i;
        return lanes;
#endif
    }

    int shift_ = 63;
    platform::ScratchVector<Bucket, platform::UninitialisedAllocator<Bucket>> buckets_;
};

// Whether the first name ends in the first half of its field and the second holds the same bytes up to
// and with that terminator (then the names are the same); only that half of each field is read.
inline bool sameShortNameBytes(tagImagePoint const& a, tagImagePoint const& b) {
#if defined(__SSE2__) && defined(__x86_64__)
    using name_order::maskOf;
    __m128i const first = _mm_loadu_si128(reinterpret_cast<__m128i const*>(a.name));
    __m128i const second = _mm_loadu_si128(reinterpret_cast<__m128i const*>(b.name));
    std::uint32_t const zeros = maskOf(_mm_cmpeq_epi8(first, _mm_setzero_si128()));
    std::uint32_t const equal = maskOf(_mm_cmpeq_epi8(first, second));
    std::uint32_t const throughTerminator = zeros ^ (zeros - 1);  // the bytes up to the first zero, and it
    return zeros != 0 && (equal & throughTerminator) == throughTerminator;
#else
    return false;
#endif
}

// sameNames past its common case: names of other bytes, or longer than half their field.
[[gnu::noinline]] inline bool sameLongOrCasedNames(tagImagePoint const& a, tagImagePoint const& b) {
    if (sameNameBytes(a, b)) return true;
    NameOrder left;
    NameOrder right;
    return nameOrderOf(a, left) && nameOrderOf(b, right) && sameOrder(left, right);
}
// Whether two points whose names are ASCII and end inside their field have the same name, ignoring
// case.
inline bool sameNames(tagImagePoint const& a, tagImagePoint const& b) {
    // Most pairs carry the very same bytes, and most names end in the first half of their field: that
    // case is settled in line.
    return sameShortNameBytes(a, b) || sameLongOrCasedNames(a, b);
}

// Whether leftPoint(pairs[i].left) and rightPoint(pairs[i].right) have the same name for every pair
// (sameNames); the right points, met in any order, announced some pairs ahead.
template <class Pairs, class LeftPoint, class RightPoint>
bool pairsAgree(Pairs const& pairs, LeftPoint leftPoint, RightPoint rightPoint) {
    constexpr std::size_t kAhead = 16;
    std::size_t const count = pairs.size();
    bool agree = true;
    for (std::size_t i = 0; i < count; ++i) {
        if (i + kAhead < count) __builtin_prefetch(rightPoint(pairs[i + kAhead].right).name);
        agree &= sameNames(leftPoint(pairs[i].left), rightPoint(pairs[i].right));
    }
    return agree;
}

}  // namespace yb::points
