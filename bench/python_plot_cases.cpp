// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The Python package and `ybblock plot` on the large block (20,000 images, 1,000,000 observations),
// each beside its baseline in the same run:
//   ybblockio.read_tie_points into numpy      against ybReadTiePntFileToAry
//   ybblockio.write_tie_points from numpy     against ybCreateTiePntFile of the same records
//   ybblock plot to an SVG file               against a plain program's reads of the tie point file and
//                                             the head of every image file (and, as a figure, against
//                                             the read of the tie point file alone)
// and the SVG's size against its limit. The interpreter is the one the package was built for,
// embedded; a build without the package reports its rows as failed to run.
#include "bench_support.h"

#include "fs.h"
#include "hostpath.h"
#include "tool.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#if YB_BENCH_PYTHON
#include <pybind11/embed.h>
#include <pybind11/numpy.h>
#endif

namespace yb::bench {
namespace {

constexpr double kSvgLimitMegabytes = 15.0;

std::string tiePointHostPath() { return largeBlock().made.tiePointPath; }
std::string tiePointNativePath() { return nativePath(largeBlock().name + "/" + largeBlock().name + ".scp"); }

#if YB_BENCH_PYTHON
namespace py = pybind11;

py::module_& ybblockio() {
    // Kept to the end of the process: the interpreter outlives every benchmark.
    static auto* interpreter = new py::scoped_interpreter();
    static py::module_ module = [] {
        py::module_::import("sys").attr("path").attr("insert")(0, YB_PYTHON_PACKAGE_DIR);
        return py::module_::import("ybblockio");
    }();
    (void)interpreter;
    return module;
}

void pythonRead(benchmark::State& state) {
    std::string const path = tiePointHostPath();
    py::object const read = ybblockio().attr("read_tie_points");
    for (auto _ : state) {
        py::object points = read(path);
        benchmark::DoNotOptimize(points.ptr());
    }
}

void pythonWrite(benchmark::State& state) {
    py::object const points = ybblockio().attr("read_tie_points")(tiePointHostPath());
    py::object const write = ybblockio().attr("write_tie_points");
    std::string const written = hostPath("Large/python-written.scp");
    afterOneUntimed(state, [&] { write(written, points); });
}
#else
void pythonRead(benchmark::State& state) { state.SkipWithError("the ybblockio package is not built"); }
void pythonWrite(benchmark::State& state) { state.SkipWithError("the ybblockio package is not built"); }
#endif

void cppRead(benchmark::State& state) {
    std::string const path = tiePointHostPath();
    for (auto _ : state) {
        std::vector<tagImagePoint> points;
        check(state, ybReadTiePntFileToAry(path.c_str(), points), "ybReadTiePntFileToAry");
        benchmark::DoNotOptimize(points.data());
    }
}

void cppWrite(benchmark::State& state) {
    Block& block = largeBlock();
    std::string const written = hostPath("Large/cpp-written.scp");
    auto const count = static_cast<std::int32_t>(block.made.points.size());
    afterOneUntimed(state, [&] {
        check(state, ybCreateTiePntFile(written.c_str(), block.made.points.data(), count), "ybCreateTiePntFile");
    });
}

void plot(benchmark::State& state) {
    Block& block = largeBlock();
    ybblock::PlotOptions options;
    options.block = block.made.optionPath;
    options.output = nativePath("Large/plot.svg");
    for (auto _ : state) {
        std::ostringstream out, err;
        if (ybblock::runPlot(options, out, err) != 0) state.SkipWithError(err.str().c_str());
    }
    recordFigure("plot/svg-bytes", static_cast<double>(std::filesystem::file_size(options.output)));
}

// The tie point file read whole, as every raw baseline of the suite reads a file.
void rawRead(benchmark::State& state) {
    std::string const path = tiePointNativePath();
    for (auto _ : state) benchmark::DoNotOptimize(readFresh(path));
}

// What a plain program reads for the same picture: the tie point file whole, then the head of every
// image file, where its user range is (each opened, read once and closed).
void rawReads(benchmark::State& state) {
    static std::vector<std::string> const images = [] {
        platform::CallScope const scope;  // each folder looked at once for all its names
        std::vector<std::string> natives;
        for (auto const& strip : largeBlock().made.stripImages)
            for (ImageOrderInfo const& image : strip)
                natives.push_back(
                    platform::nativePath(platform::boundedText(image.szImagePath, sizeof image.szImagePath))
                        .value_or(""));
        return natives;
    }();
    std::string const path = tiePointNativePath();
    std::vector<char> head(4096);
    for (auto _ : state) {
        benchmark::DoNotOptimize(readFresh(path));
        for (std::string const& native : images) {
            std::FILE* file = std::fopen(native.c_str(), "rb");
            if (file == nullptr) return state.SkipWithError(("cannot open " + native).c_str());
            benchmark::DoNotOptimize(std::fread(head.data(), 1, head.size(), file));
            std::fclose(file);
        }
    }
}

}  // namespace

void registerPythonPlotCases() {
    registerOnce("python/read", pythonRead);
    registerOnce("python/read-cpp", cppRead);
    registerOnce("python/write", pythonWrite);
    registerOnce("python/write-cpp", cppWrite);
    // A third of a second between them: twice the repetitions, so the best of each comes from a quiet
    // moment on a shared machine.
    registerOnce("plot/lib", plot)->Repetitions(6);
    registerOnce("plot/raw", rawRead)->Repetitions(6);
    registerOnce("plot/rawio", rawReads)->Repetitions(6);
    std::string const size = "20,000 images, 1,000,000 points";
    addRow({"ybblockio.read_tie_points into numpy", size + " (raw: C++ read)", RowKind::Ratio, "python/read",
            "python/read-cpp", 1.3});
    addRow({"ybblockio.write_tie_points from numpy", size + " (raw: C++ write)", RowKind::Ratio, "python/write",
            "python/write-cpp", 1.3});
    addRow({"ybblock plot (raw: its reads)", size, RowKind::Ratio, "plot/lib", "plot/rawio", 3.0});
    addRow({"ybblock plot (raw: the tie point file)", size, RowKind::Cost, "plot/lib", "plot/raw"});
    addRow({"ybblock plot, SVG size", size + " (raw: limit)", RowKind::Size, "plot/svg-bytes", "plot/lib",
            kSvgLimitMegabytes * 1e6});
}

}  // namespace yb::bench
