// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The block option file, the product option files (model, ortho map, single-image DOM, single DOM,
// DEM) and the RPC reference file: every reader is given the input as its file, and what it read is
// written back and read again.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using yb::fuzz::Drive;
    Drive& drive = Drive::get();
    std::string const path = drive.start("a.opt", data, size);
    std::string const copy = Drive::host("copy.opt");

    BlockInfo block{};
    if (ybReadBlockOptionFile(path.c_str(), &block) == yb::kSuccess) {
        ybWriteBlockOptionFile(copy.c_str(), &block);
        ybReadBlockOptionFile(copy.c_str(), &block);
    }

    ModelInfo model{};
    if (ybReadModelOptionFile(path.c_str(), &model) == yb::kSuccess) {
        ybWriteModelOptionFile(copy.c_str(), &model);
        ybReadModelOptionFile(copy.c_str(), &model);
    }

    // The rectangle falls back to the extent of the image the file names; that image is kept on the
    // fuzzing drive (it may be missing, or the input itself), never a path elsewhere on the machine.
    OrthoInfo ortho{};
    if (ybReadOrthoMapOption(path.c_str(), &ortho) == yb::kSuccess) {
        ybWriteOrthoMapOption(copy.c_str(), &ortho);
        if (std::strncmp(ortho.extentImage, "F:\\", 3) != 0)
            std::snprintf(ortho.extentImage, sizeof ortho.extentImage, "%s", path.c_str());
        D_RECT rect{};
        ybCalDomRectByOrthOpt(ortho, rect);
    }

    SingleImageDomOption single{};
    if (ybReadSingleImgDomOption(path.c_str(), &single) == yb::kSuccess)
        ybWriteSingleImgDomOption(copy.c_str(), &single);
    eTypeMathModel math{};
    if (ybReadSingleDomOption(path.c_str(), &math) == yb::kSuccess) ybWriteSingleDomOption(copy.c_str(), &math);

    DemInfo dem{};
    if (ybReadDemGenOption(path.c_str(), &dem) == yb::kSuccess) {
        ybWriteDemGenOption(copy.c_str(), &dem);
        ybReadDemGenOption(copy.c_str(), &dem);
    }
    std::string const rpc = ybGetSingleImgRpcFile(path.c_str());
    ybSetSingleImgRpcFile(copy.c_str(), rpc.c_str());
    return 0;
}
