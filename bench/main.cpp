// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The block-scale benchmark suite: every case runs its library call and a raw stdio baseline that
// moves the same bytes, in the same run, repetitions interleaved at random; the best run of each
// counts. Prints one table and exits with 1 when a target is missed.
#include "bench_support.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace yb::bench {
namespace {

// Times are the CPU time of the calling thread, system calls included: on files in memory that is the
// whole cost of a call, and it stays true when other jobs share the machine. YB_BENCH_WALL_TIME=1
// gates wall-clock time instead. The table shows the other clock's times beside them.
bool useWallTime() {
    char const* wall = std::getenv("YB_BENCH_WALL_TIME");
    return wall != nullptr && *wall != '\0' && *wall != '0';
}

// Keeps the best time of every benchmark; says on standard error what ran.
class BestTimeReporter : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(Context const&) override { return true; }
    void ReportRuns(std::vector<Run> const& runs) override {
        for (auto const& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            std::string const name = run.run_name.function_name;
            if (run.error_occurred) {
                failed_.insert(name);
                std::cerr << "  " << name << ": " << run.error_message << "\n";
                continue;
            }
            double const iterations = run.iterations > 0 ? static_cast<double>(run.iterations) : 1.0;
            double const cpu = run.cpu_accumulated_time / iterations;
            double const wall = run.real_accumulated_time / iterations;
            // A sync waits for the disk without the processor: the disk rows count the wall clock.
            bool const byWall = useWallTime() || name.rfind("disk/", 0) == 0;
            recordFigure(name, byWall ? wall : cpu);
            std::map<std::string, double>& other = otherClockFigures();
            double const otherTime = byWall ? cpu : wall;
            if (auto [it, added] = other.try_emplace(name, otherTime); !added)
                it->second = std::min(it->second, otherTime);
            std::fprintf(stderr, "  %-22s %10.3f ms cpu %10.3f ms wall\n", name.c_str(), cpu * 1e3, wall * 1e3);
        }
    }
    std::set<std::string> const& failed() const { return failed_; }

private:
    std::set<std::string> failed_;
};

std::string duration(double seconds) {
    char text[32];
    if (seconds < 1e-3)
        std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
    else if (seconds < 1.0)
        std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    else
        std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

std::string mebibytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024.0));
    return text;
}

std::string megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    return text;
}

// Prints the table; returns the number of targets missed.
int printTable(std::set<std::string> const& failed) {
    auto const& best = figures();
    char const* const other = useWallTime() ? "cpu" : "wall";
    std::printf("%-42s %-44s %11s %11s %7s %8s  %-6s %11s %11s %7s\n", "operation", "size", "library", "baseline",
                "ratio", "target", "", (std::string(other) + " lib").c_str(), (std::string(other) + " base").c_str(),
                (std::string(other) + " ratio").c_str());
    int missed = 0;
    for (auto const& row : rows()) {
        bool const ran = best.count(row.measured) != 0 || failed.count(row.measured) != 0 ||
                         failed.count(row.baseline) != 0 || best.count(row.baseline) != 0;
        if (!ran) continue;  // filtered out of this run
        auto measured = best.find(row.measured);
        // A size row has no time of its own to divide by: its limit is the baseline.
        auto baseline = row.kind == RowKind::Size ? measured : best.find(row.baseline);
        if (measured == best.end() || baseline == best.end() || baseline->second <= 0.0) {
            std::printf("%-42s %-44s %11s %11s %7s %8s  %s\n", row.operation.c_str(), row.size.c_str(), "-", "-", "-",
                        "", "FAILED TO RUN");
            ++missed;
            continue;
        }
        double ratio = 0.0;
        std::string library, raw, target;
        char limit[32];
        switch (row.kind) {
            case RowKind::Ratio:
                ratio = measured->second / baseline->second;
                library = duration(measured->second);
                raw = duration(baseline->second);
                std::snprintf(limit, sizeof limit, "<= %.1f", row.target);
                break;
            case RowKind::Scaling:
                ratio = measured->second / baseline->second;
                library = duration(measured->second);
                raw = duration(baseline->second);
                std::snprintf(limit, sizeof limit, "x <= %.0f", row.target);
                break;
            case RowKind::Memory: {
                double const slack = 32.0 * 1024 * 1024;
                ratio = std::max(0.0, measured->second - slack) / baseline->second;
                library = mebibytes(measured->second);
                raw = mebibytes(baseline->second);
                std::snprintf(limit, sizeof limit, "<= %.1f", row.target);
                break;
            }
            case RowKind::Cost:
                ratio = measured->second / baseline->second;
                library = duration(measured->second);
                raw = duration(baseline->second);
                std::snprintf(limit, sizeof limit, "-");
                break;
            case RowKind::Size:
                ratio = measured->second / row.target;
                library = megabytes(measured->second);
                raw = megabytes(row.target);
                std::snprintf(limit, sizeof limit, "<= 1.0");
                break;
        }
        bool const gated = row.kind != RowKind::Cost;
        bool const met = !gated || ratio <= (row.kind == RowKind::Size ? 1.0 : row.target);
        if (!met) ++missed;
        // The same times by the other clock, for the timed rows.
        std::string otherLibrary = "-", otherRaw = "-", otherRatio = "-";
        auto const& others = otherClockFigures();
        auto const otherMeasured = others.find(row.measured);
        auto const otherBaseline = others.find(row.baseline);
        if ((row.kind == RowKind::Ratio || row.kind == RowKind::Scaling) && otherMeasured != others.end() &&
            otherBaseline != others.end() && otherBaseline->second > 0.0) {
            otherLibrary = duration(otherMeasured->second);
            otherRaw = duration(otherBaseline->second);
            char text[32];
            std::snprintf(text, sizeof text, "%.2f", otherMeasured->second / otherBaseline->second);
            otherRatio = text;
        }
        std::printf("%-42s %-44s %11s %11s %7.2f %8s  %-11s %11s %11s %7s\n", row.operation.c_str(), row.size.c_str(),
                    library.c_str(), raw.c_str(), ratio, limit,
                    !gated ? "(not gated)"
                    : met  ? "ok"
                           : "MISSED",
                    otherLibrary.c_str(), otherRaw.c_str(), otherRatio.c_str());
    }
    std::printf(
        "\ntimes: %s, best of the repetitions (the last three columns: %s, shown, not\n"
        "gated). ratio: library / raw stdio baseline of the same bytes; scaling rows: time at the larger\n"
        "size / time at the smaller one; memory: (peak - 32 MiB) / tie point file size; size rows: bytes\n"
        "written / their limit; disk rows (wall clock): synced / not synced.\n",
        useWallTime() ? "wall clock" : "CPU time of the calling thread, system calls included",
        useWallTime() ? "CPU time" : "wall clock");
    return missed;
}

}  // namespace
}  // namespace yb::bench

int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    bool repetitionsGiven = false, interleavingGiven = false;
    for (int i = 1; i < argc; ++i) {
        repetitionsGiven |= std::strncmp(argv[i], "--benchmark_repetitions", 23) == 0;
        interleavingGiven |= std::strncmp(argv[i], "--benchmark_enable_random_interleaving", 38) == 0;
    }
    static char repetitions[] = "--benchmark_repetitions=3";
    static char interleaving[] = "--benchmark_enable_random_interleaving=true";
    if (!repetitionsGiven) args.push_back(repetitions);
    if (!interleavingGiven) args.push_back(interleaving);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 2;

    std::cerr << "block-scale benchmarks; files in " << yb::bench::nativeRoot() << "\n";
    yb::bench::registerTiePointCases();
    yb::bench::registerFileCases();
    yb::bench::registerWorkflowCases();
    yb::bench::registerPythonPlotCases();
#if YB_BENCH_COLMAP
    yb::bench::registerColmapCases();
#endif
    yb::bench::registerDiskCases();
    yb::bench::BestTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    int const missed = yb::bench::printTable(reporter.failed());
    if (missed > 0) std::printf("%d target%s missed\n", missed, missed == 1 ? "" : "s");
    return missed > 0 ? 1 : 0;
}
