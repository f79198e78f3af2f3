// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// `.ybi` images: every query on an image opened for reading, then changes to its control point table
// on a copy opened for update (written back on close and read again), and the corner point rewrite.
#include "fuzz_support.h"

#include <array>

namespace {

void readAll(char const* path, yb::fuzz::Numbers& numbers) {
    YbiHandle image = nullptr;
    if (ybOpenYbiFileForRead(path, &image) != yb::kSuccess) return;
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0, x = 0, y = 0, column = 0, row = 0, resolution = 0;
    std::int32_t count = 0, lines = 0, cells = 0;
    ybGetUserCoordinateRangle(image, 1, &xMin, &xMax, &yMin, &yMax);
    ybGetGCPNumsOfYBI(image, &count);
    std::int32_t const pointNo = numbers.pick({1, count, yb::fuzz::plus(count, 1), 0});
    ybGetOneControlPointOfYBI(image, pointNo, &x, &y, &column, &row);
    ybGetLines(image, &lines);
    ybGetLineCells(image, &cells);
    ybGetXResolution(image, &resolution);
    std::array<char, 260> name{};
    ybGetYBIFileNmaeWithPath(image, name.data());
    ybCloseYbiFileForRead(image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using yb::fuzz::Drive;
    Drive& drive = Drive::get();
    std::string const path = drive.start("a.ybi", data, size);
    yb::fuzz::Numbers numbers(data, size);
    readAll(path.c_str(), numbers);

    drive.copy("a.ybi", "b.ybi");
    std::string const copy = Drive::host("b.ybi");
    YbiHandle image = nullptr;
    if (ybOpenYbiFileForReadWrite(copy.c_str(), &image) == yb::kSuccess) {
        std::int32_t count = 0;
        ybGetGCPNumsOfYBI(image, &count);
        if (numbers.flag()) {
            std::int32_t const wanted = numbers.pick({4, yb::fuzz::plus(count, 1), 1, 0});
            ybFreeControlPointFileOfYBI(image);
            ybAllocControlPointFileOfYBI(image, wanted);
            ybInitialControlPointFileOfYBI(image, wanted);
        }
        std::int32_t const pointNo = numbers.pick({1, count, yb::fuzz::plus(count, 1), 4});
        ybUpdataOneControlPointOfYBI(image, pointNo, 1, 1, 1.5, 2.5, 3.5, 4.5);
        ybCloseYbiFileForReadWrite(image);
        readAll(copy.c_str(), numbers);
    }

    drive.copy("a.ybi", "c.ybi");
    ybModiYbiGcpInfo(Drive::host("c.ybi").c_str(), D_RECT{0, 0, 150, 200});
    return 0;
}
