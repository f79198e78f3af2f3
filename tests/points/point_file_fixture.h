// Helpers shared by the point file tests.
#pragma once

#include "test_support.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace yb::test {

class PointFileFixture : public DriveFixture {
protected:
    // A little-endian 32-bit value stored at `offset` of a file's bytes.
    static std::int32_t int32At(std::vector<unsigned char> const& bytes, std::size_t offset) {
        std::int32_t value = 0;
        if (offset + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + offset, 4);
        return value;
    }
    static void putInt32(std::vector<unsigned char>& bytes, std::size_t offset, std::int32_t value) {
        std::memcpy(bytes.data() + offset, &value, 4);
    }
    static std::string textAt(std::vector<unsigned char> const& bytes, std::size_t offset, std::size_t size) {
        return std::string(bytes.begin() + static_cast<long>(offset), bytes.begin() + static_cast<long>(offset + size));
    }

};

// A model point set over the test's own entries, as the orientation library would hand it out.
struct TestSet {
    explicit TestSet(std::int32_t capacity) : entries(static_cast<std::size_t>(capacity)) {
        set.entries = entries.data();
        set.capacity = capacity;
    }
    // Adds a point; coordinates are derived from `seed` so every entry differs.
    void add(char const* name, double seed, std::int16_t type = 0) {
        CONTROLPOINT_INFO& entry = entries[static_cast<std::size_t>(set.count)];
        entry.serial = set.count++;
        std::strcpy(entry.name, name);
        entry.type = type;
        entry.inUse = 1;
        entry.leftX = seed + 0.25;
        entry.leftY = seed + 0.5;
        entry.rightX = seed + 0.75;
        entry.rightY = seed + 1.0;
    }
    // The header is packed, so its count is read by value, never bound to a reference.
    std::int32_t count() const { return set.count; }
    std::vector<CONTROLPOINT_INFO> entries;
    CONTROLPOINT_STORAGE set{};
};

}  // namespace yb::test
