// Conversions between the point records, used by the model point files and the tie point store.
#pragma once

#include <yb/ybBlockFileIO.h>

#include "scratch.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace yb::points {

// The name of a record's fixed name field, read bounded.
std::string_view pointName(tagImagePoint const& point);
std::string_view pointName(CONTROLPOINT_INFO const& entry);
// Points are the same point when their names are equal ignoring case.
bool sameName(std::string_view a, std::string_view b);
// The key under which names are indexed in hash maps: the name lower-cased.
std::string nameKey(std::string_view name);

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
NameKey nameKeyOf(tagImagePoint const& point);
NameKey nameKeyOf(CONTROLPOINT_INFO const& entry);

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

    // Runs visit(i, key of record i) for i = 0 .. count - 1, the key computed by keyOf(i) a few
    // records ahead and announced to the table.
    template <class KeyOf, class Visit>
    void forEachKey(std::size_t count, KeyOf keyOf, Visit visit) const {
        constexpr std::size_t kAhead = 16;  // a power of two
        NameKey ahead[kAhead];
        for (std::size_t i = 0; i < count && i < kAhead; ++i) {
            ahead[i] = keyOf(i);
            prefetch(ahead[i]);
        }
        for (std::size_t i = 0; i < count; ++i) {
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

    platform::ScratchVector<Slot> slots_;
    platform::ScratchVector<Entry> entries_;
};

// A model point from the left and right image points of one name: serial, name and type from the
// left point, in use, left and right measured coordinates.
CONTROLPOINT_INFO modelPointFromImagePoints(tagImagePoint const& left, tagImagePoint const& right, std::int32_t serial);

// The two image points of an entry of model `modelNo` (left on image modelNo, right on modelNo + 1),
// with zero photo coordinates; nothing for an entry that is not in use.
std::optional<std::pair<tagImagePoint, tagImagePoint>> imagePointsFromModelPoint(CONTROLPOINT_INFO const& entry,
                                                                                  std::int32_t modelNo);

// A common point of two neighbouring models from entry `first` of the first model and `second` of the
// second: image 1 and 2 from the first's left and right, image 3 from the second's right. The name is
// taken from `nameSource`.
ModelCommonPoint commonPointFromModelPoints(CONTROLPOINT_INFO const& first, CONTROLPOINT_INFO const& second,
                                            CONTROLPOINT_INFO const& nameSource);

}  // namespace yb::points
