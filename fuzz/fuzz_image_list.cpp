// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The block image list: strip count, totals, group count, one strip's records and paths, one record,
// then a strip rewrite and a record update on a copy, and the schematic layout that reads the list.
#include "fuzz_support.h"

#include <array>

namespace {

constexpr std::int32_t kRowsLimit = 4096;  // a caller sizes the path rows by the image count query

// The control point writer changes the images the list names; it runs only when every name is an
// image on the fuzzing drive, never a file elsewhere on the machine.
bool namesOnlyDriveImages(char const* path, std::int32_t strips) {
    if (strips < 1 || strips > 64) return false;
    for (std::int32_t strip = 1; strip <= strips; ++strip) {
        std::vector<ImageOrderInfo> images;
        if (ybReadOneStripImageRecord(path, strips, strip, images) != yb::kSuccess) return false;
        for (ImageOrderInfo const& image : images)
            if (std::strncmp(image.szImagePath, "F:\\", 3) != 0) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using yb::fuzz::Drive;
    Drive& drive = Drive::get();
    std::string const path = drive.start("Blk/a.bil", data, size);
    yb::fuzz::Numbers numbers(data, size);

    std::int32_t strips = 0;
    std::int32_t total = 0;
    std::int32_t groups = 0;
    ybGetStripNumberOfImageRecord(path.c_str(), &strips);
    ybGetBlockTotalImgNums(path.c_str(), &total);
    ybGetImgGroupNumsOfImageRecord(path.c_str(), groups);

    std::int32_t const stripCount = numbers.pick({strips, strips, yb::fuzz::plus(strips, 1), 1});
    std::int32_t const stripNo = numbers.pick({1, 2, strips, stripCount});
    std::vector<ImageOrderInfo> images;
    ybReadOneStripImageRecord(path.c_str(), stripCount, stripNo, images);

    std::int32_t count = 0;
    if (ybReadImageNumOfOneStrip(path.c_str(), stripNo, &count) == yb::kSuccess && count >= 0 && count <= kRowsLimit) {
        std::vector<std::array<char, 260>> rows(static_cast<std::size_t>(count));
        std::int32_t listed = 0;
        ybReadAllImageDirectary(path.c_str(), stripNo, reinterpret_cast<char(*)[260]>(rows.data()), &listed);
    }

    ImageOrderInfo record{};
    std::int32_t const imageIndex = numbers.pick({1, 2, count, yb::fuzz::plus(count, 1)});
    ybReadOneImageRecord(path.c_str(), stripCount, stripNo, imageIndex, &record);

    // Changes go to copies, so every change starts from the input.
    drive.copy("Blk/a.bil", "Blk/rewrite.bil");
    std::string const rewrite = Drive::host("Blk\\rewrite.bil");
    if (numbers.flag() && !images.empty())
        images.pop_back();
    else
        images.push_back(record);
    ybWriteOneStripImageRecord(rewrite.c_str(), stripCount, numbers.pick({1, stripNo, strips}), images);

    drive.copy("Blk/a.bil", "Blk/update.bil");
    std::string const update = Drive::host("Blk\\update.bil");
    std::int32_t const imageNo = numbers.pick({record.nImageNo, 101, 102, 201});
    record.nImageNo = imageNo;
    record.nStripNo = imageNo / 100;
    ybUpdateOneImageRecord(update.c_str(), imageNo, record);

    // The schematic layout: its file goes to the layout folder, then into the images of the list.
    hbSetLayoutDirectory("F:");
    ybCreateYbiFile(Drive::host("a.ybi").c_str(), 8, 8, 300.0, D_RECT{0, 0, 1, 1});
    std::string const layout = ybGetTempBlockYbiGcpFile(path.c_str());
    if (ybWriteYbiGcpInfo(path.c_str()) == yb::kSuccess && namesOnlyDriveImages(path.c_str(), strips))
        ybReadYbiGcpInfo(path.c_str(), numbers.pick({0, 1, 2, strips}));
    return 0;
}
