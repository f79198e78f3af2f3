// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Changes to one part of a larger file: a strip of the image list that grows by one image, and model
// common points appended model by model.
#include "bench_support.h"

#include <yb/ybiOrient.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace yb::bench {
namespace {

constexpr std::int32_t kJointStrips = 20;
constexpr std::int32_t kJointModelsPerStrip = 100;  // 2,000 models
constexpr std::int32_t kJointPointsPerModel = 50;
constexpr std::int64_t kCommonPointRecordSize = sizeof(ModelCommonPoint);

// Image lists of 200 strips of 99 images and of 100 strips of 50 images.
Block& imageListBlock(std::int32_t strips, std::int32_t perStrip) {
    blockgen::BlockShape shape;
    shape.strips = strips;
    shape.images = strips * perStrip;
    shape.imagesPerStrip = perStrip;
    shape.points = 0;
    shape.files = blockgen::BlockFiles::TiePointsOnly;
    shape.pointsOnThreeImages = true;
    return block("ImageList" + std::to_string(strips) + "x" + std::to_string(perStrip), shape, false);
}

void registerStripWrite(std::int32_t strips, std::int32_t perStrip) {
    std::string const suffix = std::to_string(strips) + "x" + std::to_string(perStrip);
    // Strip 1 grows by one image; between the timed calls it is put back, untimed.
    registerRepeated("strip/lib" + suffix, [strips, perStrip](benchmark::State& state) {
        Block& b = imageListBlock(strips, perStrip);
        std::vector<ImageOrderInfo> const original = b.made.stripImages.front();
        std::vector<ImageOrderInfo> grown = original;
        ImageOrderInfo extra = original.back();
        extra.nImageNo += 1;
        grown.push_back(extra);
        std::vector<ImageOrderInfo> restore = original;
        char const* path = b.made.imageListPath.c_str();
        for (auto _ : state) {
            check(state, ybWriteOneStripImageRecord(path, b.made.strips, 1, grown), "ybWriteOneStripImageRecord");
            state.PauseTiming();
            check(state, ybWriteOneStripImageRecord(path, b.made.strips, 1, restore), "ybWriteOneStripImageRecord");
            state.ResumeTiming();
        }
    });
    // The bytes that must move, with plain stdio: the following strips read, then the list written
    // anew (the few bytes before the strip, the grown strip, the following strips), as a plain program
    // rewrites a file. The library replaces the list whole too, so that a failure or a kill leaves the
    // old list or the new one; on tmpfs writing fresh pages costs about four times overwriting old ones.
    registerRepeated("strip/raw" + suffix, [strips, perStrip](benchmark::State& state) {
        Block& b = imageListBlock(strips, perStrip);
        std::string const raw = nativePath(b.name + "/raw.bil");
        std::vector<char> const list = readWhole(nativePath(b.name + "/" + b.name + ".bil"));
        writeWhole(raw, list.data(), list.size());
        std::size_t const countAt = 35 + 4;
        std::size_t const firstStrip = 4 + b.made.stripImages.front().size() * 304;
        std::size_t const tailAt = countAt + firstStrip;
        std::vector<char> const prefix(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(countAt));
        std::vector<char> const strip(firstStrip + 304, 0);
        for (auto _ : state) {
            std::FILE* file = std::fopen(raw.c_str(), "rb");
            std::size_t const tailSize = list.size() - tailAt;
            std::unique_ptr<char[]> tail(new char[tailSize]);
            bool ok = file != nullptr && std::fseek(file, static_cast<long>(tailAt), SEEK_SET) == 0 &&
                      std::fread(tail.get(), 1, tailSize, file) == tailSize;
            if (file != nullptr) std::fclose(file);
            file = std::fopen(raw.c_str(), "wb");
            ok = ok && file != nullptr && std::fwrite(prefix.data(), 1, prefix.size(), file) == prefix.size() &&
                 std::fwrite(strip.data(), 1, strip.size(), file) == strip.size() &&
                 std::fwrite(tail.get(), 1, tailSize, file) == tailSize;
            if (file != nullptr && std::fclose(file) != 0) ok = false;
            if (!ok) state.SkipWithError("raw I/O failed");
        }
    });
    addRow({"ybWriteOneStripImageRecord, strip 1 grows by one",
            std::to_string(strips) + " strips x " + std::to_string(perStrip) + " images (raw: rewritten anew)",
            RowKind::Ratio, "strip/lib" + suffix, "strip/raw" + suffix, 2.0});
}

// A model point set of `count` entries named J<strip><model><k>.
CONTROLPOINT_STORAGE* makeSet(std::int32_t count) {
    CONTROLPOINT_STORAGE* set = nullptr;
    if (ybAllocControlPointMem(&set, count) != 0 || ybInitControlPoint(set, 1) != 0) return nullptr;
    for (std::int32_t k = 0; k < count; ++k) {
        CONTROLPOINT_INFO entry{};
        entry.serial = k;
        std::snprintf(entry.name, sizeof entry.name, "J%05d", k);
        entry.inUse = 1;
        entry.leftX = 100.0 + k;
        entry.leftY = 200.0 - k;
        entry.rightX = 50.0 + k;
        entry.rightY = 210.0 - k;
        if (ybAddOneGcpPoint(set, entry, 1) != 0) return nullptr;
    }
    return set;
}

// 2,000 models appended in order, each as a new section: one call per model, as a matcher saves them.
void appendJointModels(benchmark::State& state) {
    std::string const path = hostPath("Joint.cjp");
    CONTROLPOINT_STORAGE* first = makeSet(kJointPointsPerModel);
    CONTROLPOINT_STORAGE* second = makeSet(kJointPointsPerModel);
    if (first == nullptr || second == nullptr) return state.SkipWithError("no model point sets");
    for (auto _ : state) {
        state.PauseTiming();
        check(state, ybCreateComJointPntFile(path.c_str(), kJointStrips), "ybCreateComJointPntFile");
        state.ResumeTiming();
        for (std::int32_t strip = 1; strip <= kJointStrips; ++strip)
            for (std::int32_t model = 1; model <= kJointModelsPerStrip; ++model)
                check(state, ybWriteComJointPntFile(path.c_str(), strip, model, model + 1, first, second),
                      "ybWriteComJointPntFile");
    }
    ybFreeControlPointMem(first);
    ybFreeControlPointMem(second);
}

// Sets an environment variable for as long as it lives.
class EnvironmentSetting {
public:
    EnvironmentSetting(char const* name, char const* value) : name_(name) {
        if (char const* old = std::getenv(name)) old_ = old;
        ::setenv(name, value, 1);
    }
    ~EnvironmentSetting() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    char const* name_;
    std::optional<std::string> old_;
};

void registerJointAppends() {
    // Each append makes and removes its work copy, whose cost on a shared machine swings by a third
    // from one repetition to the next: twice the repetitions (both sides), as for the plot.
    registerOnce("joint/lib", appendJointModels)->Repetitions(6);
    // The same with stamps taken as kernels before 6.13 give them (from the clock tick): the library
    // cannot skip the look for another's unfinished change, and keeps what it learnt of the sections
    // only while the system reports that nothing changed the file.
    registerOnce("joint/coarse", [](benchmark::State& state) {
        EnvironmentSetting const coarse("YB_COARSE_STAMPS", "1");
        appendJointModels(state);
    })->Repetitions(6);
    // The same sections appended with plain stdio, one opening of the file per model: the section at
    // the end, then the header's counts.
    registerOnce("joint/raw", [](benchmark::State& state) {
        std::string const raw = nativePath("raw.cjp");
        std::vector<char> header(45, 0);
        std::vector<char> section(16 + kJointPointsPerModel * kCommonPointRecordSize, 'x');
        for (auto _ : state) {
            writeWhole(raw, header.data(), header.size());
            std::int32_t counts[2] = {0, 0};
            for (std::int32_t strip = 1; strip <= kJointStrips; ++strip)
                for (std::int32_t model = 1; model <= kJointModelsPerStrip; ++model) {
                    std::FILE* file = std::fopen(raw.c_str(), "r+b");
                    ++counts[0];
                    counts[1] += kJointPointsPerModel;
                    bool ok = file != nullptr && std::fseek(file, 0, SEEK_END) == 0 &&
                              std::fwrite(section.data(), 1, section.size(), file) == section.size() &&
                              std::fseek(file, 37, SEEK_SET) == 0 && std::fwrite(counts, 1, 8, file) == 8;
                    if (file != nullptr && std::fclose(file) != 0) ok = false;
                    if (!ok) return state.SkipWithError("raw I/O failed");
                }
        }
    })->Repetitions(6);
    addRow({"ybWriteComJointPntFile, 2,000 models appended", "50 points each (raw: one append per model)",
            RowKind::Ratio, "joint/lib", "joint/raw", 3.0});
    addRow({"ybWriteComJointPntFile, 2,000 models, coarse stamps", "as on kernels before 6.13 (YB_COARSE_STAMPS)",
            RowKind::Ratio, "joint/coarse", "joint/raw", 3.0});
}

}  // namespace

void registerFileCases() {
    registerStripWrite(200, 99);
    registerStripWrite(100, 50);
    registerJointAppends();
}

}  // namespace yb::bench
