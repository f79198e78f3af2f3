// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The orientation coefficient files (inner, relative, absolute; through the orientation library and
// the library's three readers) and the model joint coefficient file, read and extended on a copy.
#include "fuzz_support.h"

#include <algorithm>
#include <array>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using yb::fuzz::Drive;
    Drive& drive = Drive::get();
    std::string const path = drive.start("a.ceff", data, size);
    yb::fuzz::Numbers numbers(data, size);

    std::array<unsigned char, 128> record{};
    ybReadOrientCeff(path.c_str(), record.data());
    std::array<double, 6> inner{};
    ybReadInnefCeff(path.c_str(), inner.data());
    std::array<double, 6> relative{};
    ybReadSingleRelaCeff(path.c_str(), relative.data());
    std::array<double, 7> absolute{};
    ybReadAbsoluteCeff(path.c_str(), absolute.data());

    double value = 0;
    std::int32_t const strip = numbers.pick({1, 2, 3, 1});
    ybGetOneModelJointCeff(path.c_str(), strip, numbers.pick({1, 2, 3, 4}), &value);
    drive.copy("a.ceff", "append.ceff");
    std::array<double, 3> values{1, 2, 3};
    std::int32_t const next = numbers.pick({yb::fuzz::plus(strip, 1), 2, 3, strip});
    std::int32_t const count = std::min(numbers.pick({3, 2, 1, 0}), 3);  // negative counts stay
    ybAppendOneStripModelJointCeff(Drive::host("append.ceff").c_str(), next, values.data(), count);
    return 0;
}
