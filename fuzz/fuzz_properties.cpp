// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The binary property files: image property, SPOT property and projection information files, and the
// pixel size of an image, which comes from its image property file.
#include "fuzz_support.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using yb::fuzz::Drive;
    Drive& drive = Drive::get();
    std::string const path = drive.start("a.ipp", data, size);

    IMAGEPROPINFO info{};
    if (ybReadImagePropInfoFile(path.c_str(), &info) == yb::kSuccess)
        ybWriteImagePropInfoFile(Drive::host("copy.ipp").c_str(), &info);
    double value = 0;
    if (ybReadSPOTPropInfoFile(path.c_str(), &value) == yb::kSuccess)
        ybWriteSPOTPropInfoFile(Drive::host("copy.spt").c_str(), value);
    MAP_PARAstruct projection{};
    if (ybReadSuvProjInfo(path.c_str(), &projection) == yb::kSuccess)
        ybWriteSuvProjInfo(Drive::host("copy.prj").c_str(), &projection);

    // The input as the property file of an image of the block.
    std::string const image = Drive::host("Blk\\Images\\img.ybi");
    std::string const blockDirectory = Drive::host("Blk");
    std::string property = ybGetImagePropFile(image.c_str(), blockDirectory.c_str());
    if (property.rfind("F:\\", 0) == 0) {
        std::replace(property.begin(), property.end(), '\\', '/');
        drive.write(property.substr(3), data, size);
    }
    drive.write("Blk/Images/img.ybi", "");  // makes the folder; the image library fills the file
    ybCreateYbiFile(image.c_str(), 4, 4, 300.0, D_RECT{0, 0, 1, 1});
    YbiHandle handle = nullptr;
    if (ybOpenYbiFileForRead(image.c_str(), &handle) == yb::kSuccess) {
        volatile double pixel = ybGetCurImgPixel(blockDirectory.c_str(), handle);
        (void)pixel;
        ybCloseYbiFileForRead(handle);
    }
    return 0;
}
