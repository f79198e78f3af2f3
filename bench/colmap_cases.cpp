// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The COLMAP exchange on the large block (20,000 images, 1,000,000 observations): the export against a
// plain program's reading of every file the export reads and writing of files of the sizes it wrote,
// and, as a figure, against a raw write of the keypoint and match bytes the database holds; the import of a model of
// the same tracks against the library's own merge of the same observations.
#include "bench_support.h"

#include "colmap_exchange.h"
#include "colmap_model.h"
#include "fs.h"
#include "hostpath.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace yb::bench {
namespace {

colmap::ExportSummary& lastExport() {
    static colmap::ExportSummary summary;
    return summary;
}

void exportLarge(benchmark::State& state) {
    Block& b = largeBlock();
    setImageType(b, 0);
    colmap::ExportRequest const request{b.made.optionPath, hostPath("LargeColmap"), true};
    colmap::Problem problem;
    if (!colmap::exportColmap(request, lastExport(), problem)) state.SkipWithError(problem.text.c_str());
}

// Native paths of the files the export reads: those a camera block's detach reads.
std::vector<std::string> const& exportInputs() {
    static std::vector<std::string> const files = cameraBlockReads(largeBlock().made);
    return files;
}

// The model of the large block's tracks (every name on two images or more), written once in binary,
// beside the export's database, which records where each keypoint came from. Only whether it holds
// points is kept: a model of a million observations kept for the run would leave hundreds of thousands of
// small pieces across the heap, and every case after it would be timed through them.
bool largeModelHasPoints(benchmark::State& state) {
    if (lastExport().images == 0) exportLarge(state);
    static bool const hasPoints = [] {
        Block& b = largeBlock();
        std::vector<std::string> names;
        std::vector<std::int32_t> numbers;
        for (auto const& strip : b.made.stripImages)
            for (ImageOrderInfo const& image : strip) {
                names.push_back(
                    platform::fileNameOf(platform::boundedText(image.szImagePath, sizeof image.szImagePath)));
                numbers.push_back(image.nImageNo);
            }
        colmap::Model const made = colmap::modelOfTiePoints(names, numbers, b.made.points, 11000, 11000);
        std::filesystem::create_directories(nativePath("LargeModel"));
        std::string problem;
        if (!colmap::writeModel(made, nativePath("LargeModel"), true, problem)) std::abort();
        return !made.points.empty();
    }();
    return hasPoints;
}

// The tie point file as the generator left it, put back after each run that merges into it.
std::vector<char> const& originalTiePoints() {
    static std::vector<char> const bytes = readWhole(nativePath("Large/Large.scp"));
    return bytes;
}
void restoreTiePoints(benchmark::State& state) {
    state.PauseTiming();
    writeWhole(nativePath("Large/Large.scp"), originalTiePoints().data(), originalTiePoints().size());
    state.ResumeTiming();
}

}  // namespace

void registerColmapCases() {
    registerOnce("colmap/export/lib", [](benchmark::State& state) {
        for (auto _ : state) exportLarge(state);
    });
    registerOnce("colmap/export/raw", [](benchmark::State& state) {
        if (lastExport().images == 0) exportLarge(state);
        // Keypoints (two floats), matches and two-view inliers (two 32-bit indices each).
        std::size_t const bytes = lastExport().keypoints * 8 + lastExport().matches * 16;
        std::vector<char> data(bytes, 1);
        for (auto _ : state) writeWhole(nativePath("LargeColmap/raw.bin"), data.data(), data.size());
    });
    // What a plain program spends on the same files: each read once through one reused buffer, then
    // files of the sizes the export wrote (the database, with its record of where each keypoint came
    // from, the image list and the README) written.
    registerOnce("colmap/export/rawio", [](benchmark::State& state) {
        if (lastExport().images == 0) exportLarge(state);
        std::vector<std::string> const& inputs = exportInputs();
        std::vector<std::pair<std::string, std::vector<char>>> outputs;
        for (char const* name : {"database.db", "image_list.txt", "README.txt"}) {
            std::error_code error;
            auto const size = std::filesystem::file_size(nativePath(std::string("LargeColmap/") + name), error);
            if (error) return state.SkipWithError((std::string("the export wrote no ") + name).c_str());
            outputs.emplace_back(nativePath(std::string("LargeColmap/raw-") + name),
                                 std::vector<char>(static_cast<std::size_t>(size), 1));
        }
        std::vector<char> buffer(std::size_t{1} << 20);
        for (auto _ : state) {
            for (std::string const& native : inputs) {
                std::FILE* file = std::fopen(native.c_str(), "rb");
                if (file == nullptr) return state.SkipWithError(("cannot open " + native).c_str());
                while (std::fread(buffer.data(), 1, buffer.size(), file) == buffer.size()) {
                }
                std::fclose(file);
            }
            for (auto const& [native, data] : outputs) writeWhole(native, data.data(), data.size());
        }
    });
    registerOnce("colmap/import/lib", [](benchmark::State& state) {
        largeModelHasPoints(state);
        originalTiePoints();
        Block& b = largeBlock();
        setImageType(b, 0);
        colmap::ImportRequest request;
        request.model = hostPath("LargeModel");
        request.block = b.made.optionPath;
        request.database = hostPath("LargeColmap\\database.db");
        for (auto _ : state) {
            colmap::ImportSummary summary;
            colmap::Problem problem;
            if (!colmap::importColmap(request, summary, problem)) state.SkipWithError(problem.text.c_str());
            restoreTiePoints(state);
        }
    });
    registerOnce("colmap/import/raw", [](benchmark::State& state) {
        bool const hasPoints = largeModelHasPoints(state);
        originalTiePoints();
        Block& b = largeBlock();
        // What the import writes: every observation of a track, its photo coordinates filled, merged by
        // the library as they stand.
        std::vector<tagImagePoint> points;
        for (tagImagePoint point : b.made.points) {
            point.photoX = point.photoY = 1.0;
            points.push_back(point);
        }
        if (!hasPoints) points.clear();
        for (auto _ : state) {
            check(state,
                  ybAppendTiePntToFile(b.made.tiePointPath.c_str(), points.data(),
                                       static_cast<std::int32_t>(points.size())),
                  "ybAppendTiePntToFile");
            restoreTiePoints(state);
        }
    });
    // The export opens every image's inner orientation: its gate is a plain program's same reads and
    // write. The database's bytes alone, written raw, stay a figure beside it.
    addRow({"export colmap (raw: its reads and write)", "20,000 images, 1,000,000 observations", RowKind::Ratio,
            "colmap/export/lib", "colmap/export/rawio", 3.0});
    addRow({"export colmap (raw: the database's bytes)", "the keypoint and match bytes alone", RowKind::Cost,
            "colmap/export/lib", "colmap/export/raw"});
    addRow({"import colmap (binary model)", "the same tracks", RowKind::Ratio, "colmap/import/lib", "colmap/import/raw",
            3.0});
}

}  // namespace yb::bench
