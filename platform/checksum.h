// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The one checksum the suite writes into its own files (journals, the tool's detach record): 64-bit
// FNV-1a, taken byte by byte over what is added, in order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace yb::platform {

class Fnv1a {
public:
    void add(unsigned char byte) { value_ = (value_ ^ byte) * kPrime; }
    void add(void const* data, std::size_t size) {
        auto const* bytes = static_cast<unsigned char const*>(data);
        for (std::size_t i = 0; i < size; ++i) add(bytes[i]);
    }
    std::uint64_t value() const { return value_; }

private:
    static constexpr std::uint64_t kOffset = 0xcbf29ce484222325ull;
    static constexpr std::uint64_t kPrime = 0x100000001b3ull;
    std::uint64_t value_ = kOffset;
};

}  // namespace yb::platform
