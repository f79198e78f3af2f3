// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The block-level operations and what they read: the block file state report, the model product state
// files, and the tie point detach, unite and clean. The input holds several files, split at
// "#YBPART#": the image list, the tie point file, the camera file, a model option file, the inner
// orientation coefficient file of the block's first image and one per-image tie point file. The block
// option file itself is the harness's own (its readers have their harness), pointing into the drive.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using yb::fuzz::Drive;
    Drive& drive = Drive::get();
    drive.reset();
    std::vector<std::string_view> parts = yb::fuzz::splitParts(data, size);
    parts.resize(std::max<std::size_t>(parts.size(), 6));
    yb::fuzz::Numbers numbers(data, size);

    BlockInfo block{};
    std::strcpy(block.blockDirectory, "F:\\Blk");
    std::strcpy(block.blockName, "blk");
    block.imageType = numbers.pick({0, 1, 3, 4, 5, 6, 2});
    std::strcpy(block.controlPointFile, "F:\\Blk\\gcp.txt");
    std::strcpy(block.cameraFile, "F:\\Blk\\cam.cmr");
    std::string const option = Drive::host("Blk\\blk.dms");
    ybCreateBlockFolder(block.blockDirectory);
    ybWriteBlockOptionFile(option.c_str(), &block);
    drive.write("Blk/blk.bil", parts[0]);
    drive.write("Blk/blk.scp", parts[1]);
    drive.write("Blk/cam.cmr", parts[2]);
    drive.write("Blk/Model/m1.mod", parts[3]);

    // Files named after the first images of the list: coefficients, an orientation file, a product.
    std::string const list = Drive::host("Blk\\blk.bil");
    std::vector<ImageOrderInfo> images;
    std::int32_t strips = 0;
    ybGetStripNumberOfImageRecord(list.c_str(), &strips);
    ybReadOneStripImageRecord(list.c_str(), strips, 1, images);
    std::string perImage;
    if (!images.empty()) {
        ImageOrderInfo& first = images.front();
        drive.writeHost(ybGetImgAuxFileName(block, first.szImagePath, ".ioc", nullptr, nullptr), parts[4]);
        drive.writeHost(ybGetImgAuxFileName(block, first.szImagePath, ".boc", nullptr, nullptr), "");
        perImage = ybGetTempAuxFileName(block, first.szImagePath, nullptr, ".ijp", nullptr);
        if (images.size() > 1) {
            std::string const model = ybGetModelName(first.szImagePath, images[1].szImagePath);
            drive.writeHost(Drive::host("Blk\\Model\\sub\\") + model + ".dom", "");
        }
    }

    ybGenBlkFileStateReport(option.c_str(), numbers.pickShort({0, 1}), Drive::host("Blk\\report.txt").c_str());
    ybGenBlkModOrthoStateFile(option.c_str(), Drive::host("Blk\\ortho.sta").c_str());
    ybGenBlkModEpiStateFile(option.c_str(), Drive::host("Blk\\epi.sta").c_str());

    ybDetachBlockTiePntFile(option.c_str());
    if (!perImage.empty() && numbers.flag()) drive.writeHost(perImage, parts[5]);
    ybUniteBlockTiePntFile(option.c_str());
    ybCleanBlockTmpTiePntFile(option.c_str());
    return 0;
}
