// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Conversions between the point records, used by the model point files and the tie point store.
#pragma once

#include <yb/ybBlockFileIO.h>

#include "scratch.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace yb::points {

// The name of a record's fixed name field, read bounded.
std::string_view pointName(tagImagePoint const& point);
std::string_view pointName(CONTROLPOINT_INFO const& entry);
// Points are the same point when their names are equal ignoring case.
bool sameName(std::string_view a, std::string_view b);
// The key under which names are indexed in hash maps: the name lower-cased.
std::string nameKey(std::string_view name);

// The identity of an observation within a tie point file: its image number and its name key.
std::string observationKey(tagImagePoint const& point);

// What no observation written by the programs above the library may hold: a name that is empty,
// fills all 32 bytes of its field or is no GBK text; a coordinate that is not a finite number. The
// field ("name", "x", "y", "photo_x", "photo_y") and why; nullopt for a sound observation.
struct FieldProblem {
    std::string_view field;
    std::string why;
};
std::optional<FieldProblem> observationProblem(tagImagePoint const& point);
// The first of `count` records that observationProblem refuses, and why; nullopt when all are sound.
// Records with ASCII names and finite coordinates pass a test of a few word operations; only the
// others are looked at closely.
struct RowProblem {
    std::size_t row;
    FieldProblem problem;
};
std::optional<RowProblem> firstObservationProblem(tagImagePoint const* points, std::size_t count);
inline constexpr std::string_view kNameRule = "a name holds 1 to 31 GBK bytes";

// The same key for a record's 32-byte name field, held in place with its hash: names of many
// thousand points are indexed without an allocation per name.
struct NameKey {
    std::array<char, 32> bytes{};  // the name lower-cased (GBK-aware), zero bytes after it
    std::uint64_t hash = 0;
    bool operator==(NameKey const& other) const { return hash == other.hash && sameBytes(bytes, other.bytes); }
    static bool sameBytes(std::array<char, 32> const& a, std::array<char, 32> const& b) {
        std::uint64_t x[4], y[4];
        std::memcpy(x, a.data(), sizeof x);
        std::memcpy(y, b.data(), sizeof y);
        return ((x[0] ^ y[0]) | (x[1] ^ y[1]) | (x[2] ^ y[2]) | (x[3] ^ y[3])) == 0;
    }
};
// The four words of a 32-byte key mixed: each pair multiplied whole into 128 bits and the halves of
// the product folded, the upper pair folded into the lower. Every byte moves the hash, and a name of
// sixteen bytes or fewer costs one multiplication. Both tables of names hash with it.
#if !defined(__SIZEOF_INT128__)
#error "the name hash needs a 64-bit compiler with unsigned __int128 (g++ or clang++, MinGW-w64 included)"
#endif
constexpr std::uint64_t foldedProduct(std::uint64_t a, std::uint64_t b) {
    __extension__ using Wide = unsigned __int128;
    Wide const product = static_cast<Wide>(a) * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}
inline constexpr std::uint64_t kWordSalts[4] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                                                0x27D4EB2F165667C5ull};
constexpr std::uint64_t hashOfWords(std::uint64_t w0, std::uint64_t w1, std::uint64_t w2, std::uint64_t w3) {
    std::uint64_t const upper = foldedProduct(w2 ^ kWordSalts[2], w3 ^ kWordSalts[3]);
    return foldedProduct(w0 ^ upper ^ kWordSalts[0], w1 ^ kWordSalts[1]);
}
// A key whose last sixteen bytes are zero hashes as foldedProduct(w0 ^ kShortKeySalts[0], w1 ^ kShortKeySalts[1]).
inline constexpr std::uint64_t kShortKeySalts[2] = {foldedProduct(kWordSalts[2], kWordSalts[3]) ^ kWordSalts[0],
                                                    kWordSalts[1]};
static_assert(hashOfWords(1, 2, 0, 0) == foldedProduct(1 ^ kShortKeySalts[0], 2 ^ kShortKeySalts[1]));

NameKey nameKeyOf(tagImagePoint const& point);
NameKey nameKeyOf(CONTROLPOINT_INFO const& entry);
// The key of the name that a model point made from `point` carries: its field holds one byte less.
NameKey entryNameKeyOf(tagImagePoint const& point);

// Whether two points' name fields hold the same 32 bytes (then their names are the same).
inline bool sameNameBytes(tagImagePoint const& a, tagImagePoint const& b) {
    return std::memcmp(a.name, b.name, sizeof a.name) == 0;
}

// A name's place among names compared ignoring case, for names of plain ASCII that end inside their
// field: the name lower-cased, zeros from its terminator on. Keys compare as the names do, so lists
// of points whose keys rise are matched by merging them.
#if defined(__SSE2__)
struct NameOrder {
    __m128i low;   // bytes 0 to 15
    __m128i high;  // bytes 16 to 31
};

namespace name_order {
inline std::uint32_t maskOf(__m128i bytes) { return static_cast<std::uint32_t>(_mm_movemask_epi8(bytes)); }
// ASCII capitals lower-cased: a byte is one when it lies 0 to 25 above 'A'.
inline __m128i lowered(__m128i bytes) {
    __m128i const fromA = _mm_sub_epi8(bytes, _mm_set1_epi8(static_cast<char>('A' + 0x80)));
    __m128i const upper = _mm_cmplt_epi8(fromA, _mm_set1_epi8(static_cast<char>(-0x80 + 26)));
    return _mm_or_si128(bytes, _mm_and_si128(upper, _mm_set1_epi8(0x20)));
}
// The first `count` bytes of `bytes` (count below 16), zeros after them.
inline __m128i firstBytes(__m128i bytes, int count) {
    alignas(16) static constexpr unsigned char kKeep[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    return _mm_and_si128(bytes, _mm_loadu_si128(reinterpret_cast<__m128i const*>(kKeep + 16 - count)));
}
// Whether a half whose terminator is byte `length` holds only ASCII before it.
inline bool asciiBefore(__m128i bytes, int length) { return (maskOf(bytes) & ((std::uint32_t{1} << length) - 1)) == 0; }
}  // namespace name_order

// False for a name with a byte above 0x7F or without a terminator in its 32-byte field (a model point
// would carry such a name cut short); `key` is then unspecified.
inline bool nameOrderOf(tagImagePoint const& point, NameOrder& key) {
    using namespace name_order;
    __m128i const zero = _mm_setzero_si128();
    __m128i const low = _mm_loadu_si128(reinterpret_cast<__m128i const*>(point.name));
    std::uint32_t const lowZeros = maskOf(_mm_cmpeq_epi8(low, zero));
    if (lowZeros != 0) {
        // Most names end in the first half.
        int const length = __builtin_ctz(lowZeros);
        if (!asciiBefore(low, length)) return false;
        key.low = lowered(firstBytes(low, length));
        key.high = zero;
        return true;
    }
    __m128i const high = _mm_loadu_si128(reinterpret_cast<__m128i const*>(point.name + 16));
    std::uint32_t const highZeros = maskOf(_mm_cmpeq_epi8(high, zero));
    if (highZeros == 0) return false;
    int const length = __builtin_ctz(highZeros);
    if (maskOf(low) != 0 || !asciiBefore(high, length)) return false;
    key.low = lowered(low);
    key.high = lowered(firstBytes(high, length));
    return true;
}

// Negative, zero or positive as the name of `a` comes before, equals or follows that of `b`.
inline int compareNames(NameOrder const& a, NameOrder const& b) {
    using name_order::maskOf;
    std::uint32_t equal = maskOf(_mm_cmpeq_epi8(a.low, b.low));
    __m128i x = a.low;
    __m128i y = b.low;
    if (equal == 0xFFFF) {
        equal = maskOf(_mm_cmpeq_epi8(a.high, b.high));
        if (equal == 0xFFFF) return 0;
        x = a.high;
        y = b.high;
    }
    // Bytes below 0x80 compare alike signed and unsigned.
    return ((maskOf(_mm_cmplt_epi8(x, y)) >> __builtin_ctz(~equal)) & 1) != 0 ? -1 : 1;
}
#else
struct NameOrder {
    std::array<unsigned char, 32> bytes;
};

inline bool nameOrderOf(tagImagePoint const& point, NameOrder& key) {
    key.bytes = {};
    for (std::size_t i = 0; i < key.bytes.size(); ++i) {
        auto const c = static_cast<unsigned char>(point.name[i]);
        if (c == 0) return true;
        if (c > 0x7F) return false;
        key.bytes[i] = c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
    }
    return false;
}

inline int compareNames(NameOrder const& a, NameOrder const& b) {
    return std::memcmp(a.bytes.data(), b.bytes.data(), a.bytes.size());
}
#endif

// Names mapped to a value each (an index into the caller's records), in one flat table. Lookups of
// many names go faster through forEachKey, which announces each name some lookups ahead: the table
// is larger than the processor's nearest caches, and the announcements let their fetches overlap.
class NameTable {
public:
    explicit NameTable(std::size_t expected);
    NameTable(NameTable const&) = delete;
    NameTable& operator=(NameTable const&) = delete;
    // The value of `key`, or null.
    std::uint32_t* find(NameKey const& key);
    // The value of `key`, set to `value` first when the key is new; true when it was new.
    std::pair<std::uint32_t*, bool> tryEmplace(NameKey const& key, std::uint32_t value);
    void prefetch(NameKey const& key) const;
    // Announces the entry held in the slot where `key` would be first looked for.
    void prefetchEntry(NameKey const& key) const;

    // Runs visit(i, key of record i) for i = 0 .. count - 1, the key computed by keyOf(i) some
    // records ahead and its slot announced to the table, and the entry that slot holds announced
    // half as far ahead (once the slot has come), so a lookup finds both near at hand. Far enough
    // ahead that the fetches of many slots overlap: with 16, a query over names in no order waited
    // on each slot in turn (it took 6 to 8 % longer).
    template <class KeyOf, class Visit>
    void forEachKey(std::size_t count, KeyOf keyOf, Visit visit) const {
        constexpr std::size_t kAhead = 128;  // a power of two
        constexpr std::size_t kEntryAhead = kAhead / 2;
        NameKey ahead[kAhead];
        for (std::size_t i = 0; i < count && i < kAhead; ++i) {
            ahead[i] = keyOf(i);
            prefetch(ahead[i]);
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (i + kEntryAhead < count) prefetchEntry(ahead[(i + kEntryAhead) % kAhead]);
            NameKey const key = ahead[i % kAhead];
            if (i + kAhead < count) {
                ahead[i % kAhead] = keyOf(i + kAhead);
                prefetch(ahead[i % kAhead]);
            }
            visit(i, key);
        }
    }

private:
    struct Slot {
        std::uint32_t hash = 0;   // the key's hash, cut to 32 bits
        std::uint32_t entry = 0;  // 0: empty; else 1 + the entry's index
    };
    struct Entry {
        std::array<char, 32> bytes;
        std::uint32_t value;
    };
    // The slot of `key`: the one holding it, or the empty one where it belongs.
    std::size_t slotOf(NameKey const& key) const;
    void grow();

    // A table of a block's names runs to tens of megabytes: its room comes in large pages.
    platform::ScratchVector<Slot, platform::UninitialisedAllocator<Slot>> slots_;
    platform::ScratchVector<Entry, platform::UninitialisedAllocator<Entry>> entries_;
};

// A model point from the left and right image points of one name: serial, name and type from the
// left point, in use, left and right measured coordinates, the orientation library's fields zero.
// Every field is set in place, so that a set's entries are written straight into it.
// A point's x and y lie side by side, as do an entry's and a common point's: each pair moves as one.
static_assert(offsetof(tagImagePoint, y) == offsetof(tagImagePoint, x) + 8 &&
                  offsetof(CONTROLPOINT_INFO, leftY) == offsetof(CONTROLPOINT_INFO, leftX) + 8 &&
                  offsetof(CONTROLPOINT_INFO, rightY) == offsetof(CONTROLPOINT_INFO, rightX) + 8 &&
                  offsetof(ModelCommonPoint, y1) == offsetof(ModelCommonPoint, x1) + 8 &&
                  offsetof(ModelCommonPoint, y2) == offsetof(ModelCommonPoint, x2) + 8 &&
                  offsetof(ModelCommonPoint, y3) == offsetof(ModelCommonPoint, x3) + 8,
              "x and y side by side");
inline void copyXY(double* to, tagImagePoint const& point) { std::memcpy(to, &point.x, 2 * sizeof(double)); }

inline void setModelPointFromImagePoints(CONTROLPOINT_INFO& entry, tagImagePoint const& left,
                                         tagImagePoint const& right, std::int32_t serial) {
    static_assert(sizeof(CONTROLPOINT_INFO) == 4 + 32 + 2 + 2 + 6 * 8, "every byte of an entry is a field");
    entry.serial = serial;
    std::memcpy(entry.name, left.name, sizeof entry.name);
    entry.name[sizeof entry.name - 1] = '\0';
    entry.type = left.type;
    entry.inUse = 1;
    copyXY(&entry.leftX, left);
    entry.leftReserved = 0;
    copyXY(&entry.rightX, right);
    entry.rightReserved = 0;
}

// The two image points of an entry of model `modelNo` (left on image modelNo, right on modelNo + 1),
// with zero photo coordinates; nothing for an entry that is not in use.
std::optional<std::pair<tagImagePoint, tagImagePoint>> imagePointsFromModelPoint(CONTROLPOINT_INFO const& entry,
                                                                                 std::int32_t modelNo);

// A common point of two neighbouring models from entry `first` of the first model and `second` of the
// second: image 1 and 2 from the first's left and right, image 3 from the second's right. The name is
// taken from `nameSource`.
ModelCommonPoint commonPointFromModelPoints(CONTROLPOINT_INFO const& first, CONTROLPOINT_INFO const& second,
                                            CONTROLPOINT_INFO const& nameSource);
// The same from the image points themselves: image 1, 2 and 3 from `first`, `second` and `third`, the
// name as a model point made from `first` carries it. Every field is set in place.
inline void setCommonPointFromImagePoints(ModelCommonPoint& common, tagImagePoint const& first,
                                          tagImagePoint const& second, tagImagePoint const& third) {
    static_assert(sizeof(ModelCommonPoint) == 32 + 6 * 8, "every byte of a common point is a field");
    std::memcpy(common.name, first.name, sizeof common.name);
    common.name[sizeof common.name - 1] = '\0';
    copyXY(&common.x1, first);
    copyXY(&common.x2, second);
    copyXY(&common.x3, third);
}

}  // namespace yb::points
