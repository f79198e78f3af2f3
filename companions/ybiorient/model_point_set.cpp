// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Model point sets: the points of one stereo model, each with its coordinates on the left and the right
// image.
//
// A set is a byte-packed CONTROLPOINT_STORAGE header (entry pointer at byte 3, count and capacity after
// it) whose entries are an array of 88-byte CONTROLPOINT_INFO records. Callers fill entries through the
// pointer and set the count themselves, so the header is the shared truth; the library keeps, beside
// it, the array it allocated. Every call checks that the set is one it made and still holds, and that
// the header still points at the library's array with a count within its capacity, so a foreign, freed
// or overwritten set gives a code, never a stray memory access.
#include "call_barrier.h"
#include "handle_registry.h"

#include <yb/ybiOrient.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace yb::orient {
namespace {

static_assert(sizeof(CONTROLPOINT_INFO) == 88);
static_assert(offsetof(CONTROLPOINT_STORAGE, entries) == 3);

// The most entries one set may hold (about 1.5 GB of entries): a larger request is a mistake, not a
// model.
constexpr std::int32_t kMaxEntries = 1 << 24;
constexpr std::int32_t kFirstGrowth = 16;

struct PointSet {
    CONTROLPOINT_STORAGE header{};
    std::unique_ptr<CONTROLPOINT_INFO[]> entries;
    std::int32_t allocated = 0;

    bool headerIntact() const {
        return header.entries == entries.get() && header.capacity == allocated && header.count >= 0 &&
               header.count <= allocated;
    }
};

companion::HandleRegistry<PointSet>& liveSets() {
    static companion::HandleRegistry<PointSet> registry;
    return registry;
}

// Entries are left as allocated: an entry is only ever read below the count, and whoever raises the
// count has written the entries below it (adding does so itself; a reader filling through the pointer
// writes every byte of each). Clearing a model of 20,000 entries cost as much as filling it.
std::unique_ptr<CONTROLPOINT_INFO[]> newEntries(std::int32_t count) {
    return count > 0 ? std::unique_ptr<CONTROLPOINT_INFO[]>(new CONTROLPOINT_INFO[static_cast<std::size_t>(count)])
                     : nullptr;
}

// Runs `action(PointSet&)` on a live set with an intact header.
template <class Action>
std::int32_t withSet(CONTROLPOINT_STORAGE* set, Action&& action) {
    if (set == nullptr) return ORIENT_E_NULL_ARGUMENT;
    return liveSets().with(set, ORIENT_E_UNKNOWN_SET,
                           [&](PointSet& owned) { return owned.headerIntact() ? action(owned) : ORIENT_E_RANGE; });
}

std::int32_t allocate(CONTROLPOINT_STORAGE** set, std::int32_t capacity) {
    if (set == nullptr) return ORIENT_E_NULL_ARGUMENT;
    if (capacity < 0 || capacity > kMaxEntries) return ORIENT_E_RANGE;
    auto owned = std::make_unique<PointSet>();
    owned->entries = newEntries(capacity);
    owned->allocated = capacity;
    owned->header.entries = owned->entries.get();
    owned->header.capacity = capacity;
    owned->header.count = 0;
    CONTROLPOINT_STORAGE* header = &owned->header;
    liveSets().add(header, std::move(owned));
    *set = header;
    return 0;
}

std::int32_t grow(PointSet& owned) {
    if (owned.allocated >= kMaxEntries) return ORIENT_E_NO_MEMORY;
    std::int32_t const wanted =
        owned.allocated < kFirstGrowth ? kFirstGrowth : std::min(kMaxEntries, owned.allocated * 2);
    auto larger = newEntries(wanted);
    std::copy_n(owned.entries.get(), owned.header.count, larger.get());
    owned.entries = std::move(larger);
    owned.allocated = wanted;
    owned.header.entries = owned.entries.get();
    owned.header.capacity = wanted;
    return 0;
}

std::int32_t addOne(CONTROLPOINT_STORAGE* set, CONTROLPOINT_INFO const& info) {
    return withSet(set, [&](PointSet& owned) {
        if (owned.header.count == owned.allocated) {
            if (std::int32_t code = grow(owned); code != 0) return code;
        }
        owned.entries[static_cast<std::size_t>(owned.header.count)] = info;
        ++owned.header.count;
        return 0;
    });
}

std::int32_t getOne(CONTROLPOINT_STORAGE* set, CONTROLPOINT_INFO* info, std::int32_t index) {
    if (info == nullptr) return ORIENT_E_NULL_ARGUMENT;
    return withSet(set, [&](PointSet& owned) {
        if (index < 0 || index >= owned.header.count) return ORIENT_E_RANGE;
        *info = owned.entries[static_cast<std::size_t>(index)];
        return 0;
    });
}

std::int32_t release(CONTROLPOINT_STORAGE* set) {
    if (set == nullptr) return ORIENT_E_NULL_ARGUMENT;
    return liveSets().take(set) ? 0 : ORIENT_E_UNKNOWN_SET;
}

template <class Worker>
std::int32_t guarded(Worker&& worker) {
    return platform::callBarrier(ORIENT_E_NO_MEMORY, ORIENT_E_RANGE, std::forward<Worker>(worker));
}

}  // namespace
}  // namespace yb::orient

std::int32_t ybAllocControlPointMem(CONTROLPOINT_STORAGE** set, std::int32_t capacity) {
    return yb::orient::guarded([&] { return yb::orient::allocate(set, capacity); });
}

std::int32_t ybInitControlPoint(CONTROLPOINT_STORAGE* set, std::int32_t) {
    return yb::orient::guarded([&] {
        return yb::orient::withSet(set, [](yb::orient::PointSet& owned) {
            owned.header.count = 0;
            return 0;
        });
    });
}

std::int32_t ybAddOneGcpPoint(CONTROLPOINT_STORAGE* set, CONTROLPOINT_INFO info, std::int32_t) {
    return yb::orient::guarded([&] { return yb::orient::addOne(set, info); });
}

std::int32_t ybGetGcpNum(CONTROLPOINT_STORAGE* set, std::int32_t* count) {
    return yb::orient::guarded([&] {
        if (count == nullptr) return ORIENT_E_NULL_ARGUMENT;
        return yb::orient::withSet(set, [&](yb::orient::PointSet& owned) {
            *count = owned.header.count;
            return 0;
        });
    });
}

std::int32_t ybGetOneGcpInfo(CONTROLPOINT_STORAGE* set, CONTROLPOINT_INFO* info, std::int32_t index) {
    return yb::orient::guarded([&] { return yb::orient::getOne(set, info, index); });
}

std::int32_t ybFreeControlPointMem(CONTROLPOINT_STORAGE* set) {
    return yb::orient::guarded([&] { return yb::orient::release(set); });
}
