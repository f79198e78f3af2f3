// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The point files: image point, feature point, model common point and model control (block joint)
// point files. Every reader is given the input; each writer that extends an existing file works on a
// copy of it. Arrays are sized the way callers size them, by the count the file reports.
#include "fuzz_support.h"

namespace {

using yb::fuzz::Drive;
using yb::fuzz::Numbers;

// The largest count a caller's array is sized for: what the file could hold, and a few more.
std::int32_t countLimit(std::size_t size, std::size_t recordSize) {
    return static_cast<std::int32_t>(size / recordSize) + 4;
}

void imagePoints(std::string const& path, std::size_t size) {
    std::int32_t count = 0;
    if (ybGetImageGcpNumsOfFile(path.c_str(), &count) == yb::kSuccess && count >= 0 &&
        count <= countLimit(size, sizeof(tagImagePoint))) {
        std::vector<tagImagePoint> points(static_cast<std::size_t>(count));
        ybReadImgGcpFile(path.c_str(), points.data(), &count);
    }
    std::vector<tagImagePoint> all;
    ybReadImgGcpFileToAry(path.c_str(), all);

    Drive::get().copy("a.pts", "append.pts");
    tagImagePoint extra[2]{};
    extra[0].imageNo = 101;
    std::strcpy(extra[0].name, "P1");
    ybAppendImgJointPntToFile(Drive::host("append.pts").c_str(), extra, 2);
}

void featurePoints(std::string const& path, std::size_t size) {
    std::int32_t count = 0;
    if (ybGetFeaturePointNumsOfFile(path.c_str(), &count) == yb::kSuccess && count >= 0 &&
        count <= countLimit(size, sizeof(FeaturePoint))) {
        std::vector<FeaturePoint> points(static_cast<std::size_t>(count));
        ybReadImgFeaturePointFile(path.c_str(), points.data(), &count);
    }
    Drive::get().copy("a.pts", "feature.pts");
    FeaturePoint extra[3]{};
    ybWriteImgFeatruePointFile(Drive::host("feature.pts").c_str(), extra, 3);
}

void modelCommonPoints(std::string const& path, std::size_t size, Numbers& numbers) {
    std::int32_t strips = 0, sections = 0, total = 0;
    ybGetComJointPntFileInfo(path.c_str(), &strips, numbers.flag() ? &sections : nullptr, &total);

    std::int32_t const strip = numbers.pick({1, 2, strips});
    std::int32_t const first = numbers.pick({1, 2, 3});
    std::int32_t const next = yb::fuzz::plus(first, 1);
    std::int32_t const second = numbers.pick({next, next, next, 2});
    std::int32_t count = 0;
    if (ybGetComJointPntNumsOfFile(path.c_str(), strip, first, second, &count) == yb::kSuccess && count >= 0 &&
        count <= countLimit(size, sizeof(ModelCommonPoint))) {
        std::vector<ModelCommonPoint> points(static_cast<std::size_t>(count));
        ybReadComJointPntFile(path.c_str(), strip, first, second, points.data(), &count);
    }

    Drive::get().copy("a.pts", "common.pts");
    CONTROLPOINT_STORAGE* a = yb::fuzz::pointSet(2);
    CONTROLPOINT_STORAGE* b = yb::fuzz::pointSet(2);
    ybWriteComJointPntFile(Drive::host("common.pts").c_str(), strip, first, second, a, b);
    ybFreeControlPointMem(a);
    ybFreeControlPointMem(b);
}

void modelControlPoints(std::string const& path, std::size_t size, Numbers& numbers) {
    std::int32_t strips = 0, models = 0, total = 0;
    ybGetStripNumsOfModelGcpFile(path.c_str(), &strips);
    ybGetModelNumsOfModelGcpFile(path.c_str(), &models);
    ybGetBlockTiePntNumsOfFile(path.c_str(), &total);
    std::int32_t const limit = countLimit(size, 66);

    std::int32_t const strip = numbers.pick({1, 2, strips});
    std::int32_t const model = numbers.pick({1, 2, 3});
    std::int32_t count = 0;
    ybGetModelGcpNumsOfFile(path.c_str(), strip, model, &count);
    // The set is sized by the count, or too small on purpose: the reader must refuse, not overrun.
    std::int32_t capacity = numbers.pick({count, count, 1, 0});
    if (capacity < 0 || capacity > limit) capacity = 0;
    CONTROLPOINT_STORAGE* set = yb::fuzz::pointSet(0, capacity);
    ybReadModelGcpFile(path.c_str(), strip, model, set);

    std::int32_t const position = numbers.pick({1, 2, models, yb::fuzz::plus(models, 1)});
    ybGetOneModelTiePntNums(path.c_str(), position, &count);
    ybReadOneModelTiePnt(path.c_str(), position, set);
    ybFreeControlPointMem(set);

    Drive::get().copy("a.pts", "model.pts");
    CONTROLPOINT_STORAGE* extra = yb::fuzz::pointSet(2);
    ybWriteModelGcpFile(Drive::host("model.pts").c_str(), strip, model, numbers.flag() ? extra : nullptr);
    ybFreeControlPointMem(extra);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    std::string const path = Drive::get().start("a.pts", data, size);
    Numbers numbers(data, size);
    imagePoints(path, size);
    featurePoints(path, size);
    modelCommonPoints(path, size, numbers);
    modelControlPoints(path, size, numbers);
    return 0;
}
