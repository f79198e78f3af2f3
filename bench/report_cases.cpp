// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock report --html on the 100,000-image, 5,000,000-observation block:
//   the page written                        against a raw read of the tie point file (at most 3 x), on the
//                                           block as made, and (a figure) just after a detach
//   the page's bytes besides the file names against 48 bytes an image and 16 a link
//   in headless Chromium: the map's first full drawing (at most 2 s) and the slowest of ten zoom steps
//   (at most 100 ms), each against its limit.
// The browser rows need Debian's chromium and tests/browser's npm packages (scripts/test-browser.sh
// installs both); without them they report that they could not run.
#include "bench_support.h"

#include "report_html.h"
#include "tool.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#ifndef YB_SOURCE_DIR
#error "the build names the source tree"
#endif

namespace yb::bench {
namespace {

constexpr double kFirstDrawLimitSeconds = 2.0;
constexpr double kZoomLimitSeconds = 0.1;

std::string pagePath() { return nativePath("Huge/report.html"); }

ybblock::HtmlReportOptions reportOptions() {
    ybblock::HtmlReportOptions options;
    options.block = hugeBlock().made.optionPath;
    options.output = pagePath();
    return options;
}

void timeReport(benchmark::State& state) {
    ybblock::HtmlReportOptions const options = reportOptions();
    for (auto _ : state) {
        std::ostringstream out, err;
        if (ybblock::runHtmlReport(options, out, err) != 0) state.SkipWithError(err.str().c_str());
    }
}

// The block as it was made: a camera block whose tie points are in its tie point file alone. The
// workflow rows detach it and set its image type, and rows run in any order, so it is put back first.
void writeReport(benchmark::State& state) {
    Block& block = hugeBlock();
    setImageType(block, 0);
    check(state, ybCleanBlockTmpTiePntFile(block.made.optionPath.c_str()), "ybCleanBlockTmpTiePntFile");
    timeReport(state);
    // What the page costs besides the images' file names, and what it may cost.
    std::ostringstream err;
    auto opened = ybblock::openBlock(block.made.optionPath, err);
    if (!opened) return;
    ybblock::HtmlReport const report = ybblock::makeHtmlReport(*opened, reportOptions());
    recordFigure("report/page-bytes", static_cast<double>(report.page.size() - report.nameBytes));
    recordFigure("report/page-budget",
                 48.0 * static_cast<double>(report.images) + 16.0 * static_cast<double>(report.links));
}

// The block just after a detach: the report also looks at each of the 100,000 per-image files (is it
// there, is it newer than the tie point file), which the read of the tie point file alone does not.
void writeReportAfterDetach(benchmark::State& state) {
    Block& block = hugeBlock();
    setImageType(block, 3);
    check(state, ybDetachBlockTiePntFile(block.made.optionPath.c_str()), "ybDetachBlockTiePntFile");
    timeReport(state);
}

void rawRead(benchmark::State& state) {
    hugeBlock();  // the rows run in any order: the file is made when it is not there yet
    std::string const path = nativePath("Huge/Huge.scp");
    for (auto _ : state) benchmark::DoNotOptimize(readFresh(path));
}

// Runs tests/browser/timing.mjs on the page written above; it prints the first drawing's and the slowest
// zoom step's milliseconds.
void browser(benchmark::State& state) {
    std::string const folder = std::string(YB_SOURCE_DIR) + "/tests/browser";
    if (!std::filesystem::exists(folder + "/node_modules/playwright-core") ||
        !std::filesystem::exists("/usr/bin/chromium")) {
        state.SkipWithError("no chromium or playwright-core: run scripts/test-browser.sh once");
        return;
    }
    std::ostringstream out, err;  // the benchmarks run in any order: the page is written when it is not there
    if (!std::filesystem::exists(pagePath()) && ybblock::runHtmlReport(reportOptions(), out, err) != 0) {
        state.SkipWithError(err.str().c_str());
        return;
    }
    double first = 0, zoom = 0;
    for (auto _ : state) {
        std::string const command = "cd '" + folder + "' && node timing.mjs '" + pagePath() + "'";
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr || std::fscanf(pipe, "%lf %lf", &first, &zoom) != 2) {
            if (pipe != nullptr) pclose(pipe);
            state.SkipWithError("timing.mjs failed");
            return;
        }
        pclose(pipe);
    }
    recordFigure("report/browser-first-draw", first / 1e3);
    recordFigure("report/browser-zoom", zoom / 1e3);
    recordFigure("report/limit-first-draw", kFirstDrawLimitSeconds);
    recordFigure("report/limit-zoom", kZoomLimitSeconds);
}

}  // namespace

void registerReportCases() {
    registerOnce("report/lib", writeReport)->Repetitions(3);
    registerOnce("report/lib-detached", writeReportAfterDetach)->Repetitions(3);
    registerOnce("report/raw", rawRead)->Repetitions(3);
    registerOnce("report/browser", browser)->Repetitions(1);
    std::string const size = "100,000 images, 5,000,000 points";
    addRow({"ybblock report --html", size, RowKind::Ratio, "report/lib", "report/raw", 3.0});
    addRow({"ybblock report --html, per-image files of a detach", size, RowKind::Cost, "report/lib-detached",
            "report/raw"});
    addRow({"report --html, page besides file names",
            size + " (raw: 48 B/image + 16 B/link)",
            RowKind::Bytes,
            "report/page-bytes",
            "report/page-budget",
            1.0,
            {"report/lib"}});
    addRow({"report page in Chromium, first drawing",
            size + " (raw: limit)",
            RowKind::Ratio,
            "report/browser-first-draw",
            "report/limit-first-draw",
            1.0,
            {"report/browser"}});
    addRow({"report page in Chromium, zoom step",
            size + " (raw: limit)",
            RowKind::Ratio,
            "report/browser-zoom",
            "report/limit-zoom",
            1.0,
            {"report/browser"}});
}

}  // namespace yb::bench
