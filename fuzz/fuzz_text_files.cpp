// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The text files: inner orientation image list (and the line skipper under it), image relation file,
// coordinate conversion parameter file and custom sensor property file. The out buffers are exactly as
// large as the callers' are required to be, so a reader that writes one byte more is caught.
#include "fuzz_support.h"

#include <array>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using yb::fuzz::Drive;
    Drive& drive = Drive::get();
    std::string const path = drive.start("Blk/blk.ctp", data, size);
    yb::fuzz::Numbers numbers(data, size);

    std::int32_t count = 0;
    ybReadImgNumsOfInnOrient(path.c_str(), &count);
    std::array<char, 128> name{};
    std::int32_t const entry = numbers.pick({1, 2, count, yb::fuzz::plus(count, 1)});
    ybReadOneInnOrientImgFileName(path.c_str(), entry, name.data());

    if (std::FILE* stream = std::fopen(drive.native("Blk/blk.ctp").c_str(), "rt")) {
        std::int32_t position = 0;
        std::int32_t const lines = numbers.pick({1, 2, 3, 0});
        std::int32_t const origin = numbers.pick({0, 1, 2, 0});
        ybJumpTextFileLines(stream, lines, origin, numbers.flag() ? &position : nullptr);
        std::fclose(stream);
    }

    std::vector<ImageLayoutStru> records;
    if (ybReadImageRelaFile(path.c_str(), records) == yb::kSuccess)
        ybWriteImageRelaFile(Drive::host("copy.rel").c_str(), records);

    BlockInfo block{};
    std::strcpy(block.blockDirectory, "F:\\Blk");
    std::strcpy(block.blockName, "blk");
    std::array<double, 7> parameters{};
    if (ybReadCordConvertPara(block, count, parameters.data()) == yb::kSuccess) {
        std::strcpy(block.blockName, "copy");
        ybWriteCordConvertPara(block, count, parameters.data());
    }

    std::array<char, 64> sensor{};
    std::int32_t first = 0, second = 0;
    double firstReal = 0, secondReal = 0;
    if (ybReadCustomImagePropFile(path.c_str(), sensor.data(), &first, numbers.flag() ? &second : nullptr, &firstReal,
                                  &secondReal) == yb::kSuccess)
        ybCreateCustomImagePropFile(Drive::host("copy.ipc").c_str(), sensor.data(), first, second, firstReal,
                                    secondReal);
    return 0;
}
