// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The whole-block workflows: detach, unite and clean of the tie points, both state reports, the model
// product survey and the schematic layout, each on N and 4N images and on S and 4S strips; the raw
// baselines for the largest block; the peak memory of unite.
#include "bench_support.h"

#include <yb/HostBase.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <cstring>
#include <fstream>
#include <sstream>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_map>

namespace yb::bench {
namespace {

constexpr std::string_view kImagePointMagic = "YB_IMAGE_JOINT_POINT_FILE_VER1.0";

std::string titleOf(char const* imagePath) {
    std::string_view path(imagePath);
    std::size_t const slash = path.find_last_of('\\');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return std::string(name.substr(0, name.find_last_of('.')));
}

bool exists(std::string const& native) { return ::access(native.c_str(), F_OK) == 0; }

// The per-image files exist (made by a detach) before a unite or a clean runs.
void ensureDetached(benchmark::State& state, Block& block) {
    setImageType(block, 3);
    auto const& first = block.made.stripImages.front().front();
    if (!exists(nativePath(block.name + "/Temp/" + titleOf(first.szImagePath) + ".ijp")))
        check(state, ybDetachBlockTiePntFile(block.made.optionPath.c_str()), "ybDetachBlockTiePntFile");
}

// What the library does to a block, by name.
using Workflow = void (*)(benchmark::State&, Block&);

void detach(benchmark::State& state, Block& block) {
    setImageType(block, 3);
    // Every run replaces the per-image files of a detach before it, whatever case ran last (a clean
    // would leave none to replace, and a fresh folder is cheaper to fill): each size is measured alike.
    ensureDetached(state, block);
    afterOneUntimed(state, [&] {
        check(state, ybDetachBlockTiePntFile(block.made.optionPath.c_str()), "ybDetachBlockTiePntFile");
    });
}

void unite(benchmark::State& state, Block& block) {
    ensureDetached(state, block);
    afterOneUntimed(
        state, [&] { check(state, ybUniteBlockTiePntFile(block.made.optionPath.c_str()), "ybUniteBlockTiePntFile"); });
}

void clean(benchmark::State& state, Block& block) {
    for (auto _ : state) {
        state.PauseTiming();
        ensureDetached(state, block);
        state.ResumeTiming();
        check(state, ybCleanBlockTmpTiePntFile(block.made.optionPath.c_str()), "ybCleanBlockTmpTiePntFile");
    }
}

void report(benchmark::State& state, Block& block, std::int16_t kind) {
    setImageType(block, 0);
    std::string const reportPath = hostPath(block.name + "\\report.txt");
    for (auto _ : state)
        check(state, ybGenBlkFileStateReport(block.made.optionPath.c_str(), kind, reportPath.c_str()),
              "ybGenBlkFileStateReport");
}
void imageReport(benchmark::State& state, Block& block) { report(state, block, 0); }
void modelReport(benchmark::State& state, Block& block) { report(state, block, 1); }

void survey(benchmark::State& state, Block& block) {
    std::string const statePath = hostPath(block.name + "\\ortho_state.dat");
    for (auto _ : state)
        check(state, ybGenBlkModOrthoStateFile(block.made.optionPath.c_str(), statePath.c_str()),
              "ybGenBlkModOrthoStateFile");
}

// The layout file, then the corner points of every image.
void layout(benchmark::State& state, Block& block) {
    hbSetLayoutDirectory(hostPath(block.name).c_str());
    for (auto _ : state) {
        check(state, ybWriteYbiGcpInfo(block.made.imageListPath.c_str()), "ybWriteYbiGcpInfo");
        check(state, ybReadYbiGcpInfo(block.made.imageListPath.c_str(), 0), "ybReadYbiGcpInfo");
    }
}

struct WorkflowCase {
    char const* key;
    char const* operation;
    Workflow run;
    // The survey counts one model fewer than images in every strip, so it refuses blocks with empty
    // strips; its strip rows keep the images and spread them over four times the strips instead.
    bool needsFullStrips = false;
};
constexpr WorkflowCase kWorkflows[] = {
    {"clean", "ybCleanBlockTmpTiePntFile", clean},
    {"detach", "ybDetachBlockTiePntFile, image type 3", detach},
    {"unite", "ybUniteBlockTiePntFile", unite},
    {"report-images", "ybGenBlkFileStateReport, images", imageReport},
    {"report-models", "ybGenBlkFileStateReport, models", modelReport},
    {"survey", "ybGenBlkModOrthoStateFile", survey, true},
    {"layout", "ybWriteYbiGcpInfo + ybReadYbiGcpInfo", layout},
};

// ---- raw baselines on the large block ----

void rawDetach(benchmark::State& state, Block& block) {
    std::string const tie = nativePath(block.name + "/" + block.name + ".scp");
    std::vector<std::string> const files = perImageFiles(block.made);
    std::vector<std::vector<char>> const contents = perImageContents(block.made);
    afterOneUntimed(state, [&] {
        benchmark::DoNotOptimize(readFresh(tie));
        for (std::size_t i = 0; i < files.size(); ++i) writeWhole(files[i], contents[i].data(), contents[i].size());
    });
}

void rawUnite(benchmark::State& state, Block& block) {
    ensureDetached(state, block);
    std::vector<std::string> const files = perImageFiles(block.made);
    std::vector<char> const tieBytes = readWhole(nativePath(block.name + "/" + block.name + ".scp"));
    std::string const raw = nativePath(block.name + "/raw.scp");
    afterOneUntimed(state, [&] {
        for (auto const& file : files) benchmark::DoNotOptimize(readFresh(file));
        writeWhole(raw, tieBytes.data(), tieBytes.size());
    });
}

void rawClean(benchmark::State& state, Block& block) {
    std::vector<std::string> const files = perImageFiles(block.made);
    for (auto _ : state) {
        state.PauseTiming();
        ensureDetached(state, block);
        state.ResumeTiming();
        for (auto const& file : files) ::unlink(file.c_str());
    }
}

// ---- memory ----

// Peak memory a unite adds to the process, recorded as "<key>-peak", with the tie point file's size as
// "<key>-file".
void uniteMemory(benchmark::State& state, Block& block, std::string const& key) {
    ensureDetached(state, block);
    for (auto _ : state) {
        std::int64_t const added =
            addedPeakBytes([&] { return ybUniteBlockTiePntFile(block.made.optionPath.c_str()); });
        if (added < 0) return state.SkipWithError("the unite in the child failed");
        recordFigure(key + "-peak", static_cast<double>(added));
    }
    recordFigure(key + "-file",
                 static_cast<double>(readWhole(nativePath(block.name + "/" + block.name + ".scp")).size()));
}

// A camera block's detach reads the camera file and every image's inner orientation besides, and fills
// the photo coordinates; a plain program reads the same files and writes, syncs and renames files of
// the same sizes in the same folder, as the library's batch does.
void cameraDetach(benchmark::State& state, Block& block) {
    setImageType(block, 0);
    for (auto _ : state)
        check(state, ybDetachBlockTiePntFile(block.made.optionPath.c_str()), "ybDetachBlockTiePntFile");
}

void plainCameraDetach(benchmark::State& state, Block& block) {
    setImageType(block, 0);
    ensureDetached(state, block);
    setImageType(block, 0);
    std::vector<std::string> const reads = cameraBlockReads(block.made);
    std::vector<std::string> const files = perImageFiles(block.made);
    std::vector<std::vector<char>> const contents = perImageContents(block.made);
    for (auto _ : state) plainDetach(reads, files, contents, hbSyncWrites());
}

// The per-image files of a detach, written again in random order (as a program that edits them in no
// particular order leaves them): the folder lists them in that order, unite reads them in the image
// list's. Done once.
void writePerImageFilesShuffled(benchmark::State& state, Block& block) {
    static bool done = false;
    if (done) return;
    ensureDetached(state, block);
    std::vector<std::string> const files = perImageFiles(block.made);
    std::vector<std::vector<char>> contents;
    for (std::string const& file : files) {
        contents.push_back(readWhole(file));
        ::unlink(file.c_str());
    }
    std::vector<std::size_t> order(files.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(42));
    for (std::size_t i : order)
        if (!contents[i].empty()) writeWhole(files[i], contents[i].data(), contents[i].size());
    done = true;
}

}  // namespace

void registerWorkflowCases() {
    registerOnce("unite/shuffledH", [](benchmark::State& state) {
        Block& b = hugeShuffledBlock();
        writePerImageFilesShuffled(state, b);
        afterOneUntimed(
            state, [&] { check(state, ybUniteBlockTiePntFile(b.made.optionPath.c_str()), "ybUniteBlockTiePntFile"); });
    });
    addRow({"ybUniteBlockTiePntFile, per-image files in random order", "100,000 images, 5,000,000 points",
            RowKind::Ratio, "unite/shuffledH", "unite/rawH", 3.0});
    registerOnce("detach/camera", [](benchmark::State& state) { cameraDetach(state, largeBlock()); });
    registerOnce("detach/camera-raw", [](benchmark::State& state) { plainCameraDetach(state, largeBlock()); });
    addRow({"ybDetachBlockTiePntFile, camera block", "20,000 images (raw: the same reads, writes, renames)",
            RowKind::Ratio, "detach/camera", "detach/camera-raw", 3.0});
    struct Size {
        char const* key;
        Block& (*block)();
    };
    for (auto const& workflow : kWorkflows) {
        Size const sizes[] = {{"N", smallBlock},
                              {"4N", largeBlock},
                              {"S", workflow.needsFullStrips ? smallBlock : fewStripsBlock},
                              {"4S", workflow.needsFullStrips ? shortStripsBlock : manyStripsBlock}};
        for (auto const& size : sizes) {
            Workflow const run = workflow.run;
            auto const made = size.block;
            registerOnce(std::string(workflow.key) + "/" + size.key,
                         [run, made](benchmark::State& state) { run(state, made()); });
        }
    }
    // The whole-block workflows against their raw baselines, and unite's memory, at 20,000 images and
    // again at 100,000.
    struct Scale {
        char const* suffix;  // of the benchmark names
        Block& (*block)();
        char const* size;
        char const* points;
    };
    for (Scale const scale : {Scale{"", largeBlock, "20,000 images, 1,000,000 points", "1,000,000 points"},
                              Scale{"H", hugeBlock, "100,000 images, 5,000,000 points", "5,000,000 points"}}) {
        std::string const suffix = scale.suffix;
        auto const made = scale.block;
        if (!suffix.empty())
            for (char const* key : {"detach", "unite", "clean"}) {
                Workflow const run = std::string(key) == "detach"  ? detach
                                     : std::string(key) == "unite" ? unite
                                                                   : clean;
                registerOnce(std::string(key) + "/" + suffix,
                             [run, made](benchmark::State& state) { run(state, made()); });
            }
        registerOnce("detach/raw" + suffix, [made](benchmark::State& state) { rawDetach(state, made()); });
        registerOnce("unite/raw" + suffix, [made](benchmark::State& state) { rawUnite(state, made()); });
        registerOnce("clean/raw" + suffix, [made](benchmark::State& state) { rawClean(state, made()); });
        std::string const memory = "unite" + suffix;
        registerOnce("unite/memory" + suffix,
                     [made, memory](benchmark::State& state) { uniteMemory(state, made(), memory); });
        std::string const measured = suffix.empty() ? "4N" : suffix;
        addRow({"ybDetachBlockTiePntFile, image type 3", scale.size, RowKind::Ratio, "detach/" + measured,
                "detach/raw" + suffix, 3.0});
        addRow({"ybUniteBlockTiePntFile", scale.size, RowKind::Ratio, "unite/" + measured, "unite/raw" + suffix, 3.0});
        addRow(
            {"ybCleanBlockTmpTiePntFile", scale.size, RowKind::Ratio, "clean/" + measured, "clean/raw" + suffix, 3.0});
        addRow({"ybUniteBlockTiePntFile, peak memory",
                std::string(scale.points) + " (raw: file size)",
                RowKind::Memory,
                memory + "-peak",
                memory + "-file",
                2.5,
                {"unite/memory" + suffix}});
    }
    for (auto const& workflow : kWorkflows) {
        addRow({workflow.operation, "5,000 -> 20,000 images", RowKind::Scaling, std::string(workflow.key) + "/4N",
                std::string(workflow.key) + "/N", 5.0});
        addRow(
            {workflow.operation,
             workflow.needsFullStrips ? "250 -> 1,000 strips (5,000 images)" : "1,000 -> 4,000 strips (5,000 images)",
             RowKind::Scaling, std::string(workflow.key) + "/4S", std::string(workflow.key) + "/S", 5.0});
    }
}

}  // namespace yb::bench
