// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The tie point file: whole read and totals, one image's points, one named point, a model's points and
// two models' common points; then every change (merges, model write-back, removals) on copies.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using yb::fuzz::Drive;
    Drive& drive = Drive::get();
    std::string const path = drive.start("a.scp", data, size);
    yb::fuzz::Numbers numbers(data, size);

    std::int32_t total = 0;
    ybReadTiePntNums(path.c_str(), total);
    std::vector<tagImagePoint> all;
    ybReadTiePntFileToAry(path.c_str(), all);
    // Arguments name images and points of the file most of the time.
    std::int32_t const firstImage = all.empty() ? 101 : all.front().imageNo;
    std::int32_t const lastImage = all.empty() ? 102 : all.back().imageNo;
    std::string name = all.empty() ? "A" : std::string(all.front().name, strnlen(all.front().name, 32));
    if (numbers.flag()) name = numbers.text(40);

    std::int32_t const imageNo = numbers.pick({firstImage, lastImage, 101, 102});
    std::int32_t count = 0;
    ybGetOneImgTiePntNums(path.c_str(), imageNo, count);
    std::vector<tagImagePoint> image;
    ybReadOneImgTiePntToAry(path.c_str(), imageNo, image);
    tagImagePoint one{};
    ybReadOneTiePntInfo(path.c_str(), imageNo, name.c_str(), one);

    std::int32_t const model = numbers.pick({firstImage, yb::fuzz::plus(lastImage, -1), 101, 102});
    ybGetOneModPntNums(path.c_str(), model, count);
    CONTROLPOINT_STORAGE* set = nullptr;
    if (ybReadOneModPnts(path.c_str(), model, set) == yb::kSuccess && set != nullptr) ybFreeControlPointMem(set);

    std::int32_t const second = numbers.pick({yb::fuzz::plus(model, 1), yb::fuzz::plus(model, 1), 102, firstImage});
    ybGetOneModCommPntNums(path.c_str(), model, second, count);
    ModelCommonPoint* common = nullptr;
    if (ybReadOneModCommPnts(path.c_str(), model, second, common, count) == yb::kSuccess) std::free(common);

    // Merges into copies: a point that replaces one of the file's and one that is new.
    tagImagePoint merged[2]{};
    merged[0].imageNo = imageNo;
    std::snprintf(merged[0].name, sizeof merged[0].name, "%s", name.c_str());
    merged[1].imageNo = numbers.pick({lastImage, 9901, 101});
    merged[1].type = 1;
    std::strcpy(merged[1].name, "P0101");
    drive.copy("a.scp", "merge.scp");
    ybAppendTiePntToFile(Drive::host("merge.scp").c_str(), merged, 2);
    drive.copy("a.scp", "image.scp");
    ybWriteOneImgTiePntToFile(Drive::host("image.scp").c_str(), merged, 1);
    drive.copy("a.scp", "model.scp");
    CONTROLPOINT_STORAGE* points = yb::fuzz::pointSet(2);
    ybWriteOneModPnts(Drive::host("model.scp").c_str(), model, points);
    ybFreeControlPointMem(points);

    drive.copy("a.scp", "auto.scp");
    ybRemoveAutoExtractTiePnt(Drive::host("auto.scp").c_str());
    drive.copy("a.scp", "strip.scp");
    ybRemoveAutoExtractStripTiePnt(Drive::host("strip.scp").c_str());
    ybRemoveTiePntContext(Drive::host("strip.scp").c_str());
    return 0;
}
