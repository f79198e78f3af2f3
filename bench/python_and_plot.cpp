// The Python package and the plot on a block of 20,000 images (250 strips of 80) and 1,000,000 tie
// point observations, each beside its baseline in the same run:
//   PythonReadTiePoints  / CppReadTiePoints   ybblockio.read_tie_points against ybReadTiePntFileToAry
//   PythonWriteTiePoints / CppWriteTiePoints  ybblockio.write_tie_points against ybCreateTiePntFile
//   Plot                 / RawReadTieFile     ybblock plot (to an SVG file) against a raw read of the
//                                             tie point file; the SVG's size is its counter svg_MB
// Targets: the Python rows within 1.3 times their C++ rows, the plot within 3 times the raw read and
// its SVG within 15 MB. The block lives on tmpfs (/dev/shm, or YB_BENCH_DIR), mapped as drive D:.
#include "tool.h"

#include <yb/HostBase.h>
#include <yb/ybBlockFileIO.h>

#include <benchmark/benchmark.h>
#include <pybind11/embed.h>
#include <pybind11/numpy.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace py = pybind11;

namespace {

constexpr int kStrips = 250;
constexpr int kImagesPerStrip = 80;
constexpr std::int64_t kObservations = 1'000'000;

void require(bool ok, char const* what) {
    if (!ok) {
        std::fprintf(stderr, "python_and_plot: %s failed\n", what);
        std::exit(1);
    }
}

struct Workspace {
    Workspace() {
        char const* base = std::getenv("YB_BENCH_DIR");
        std::string pattern = std::string(base != nullptr ? base : "/dev/shm") + "/yb_python_plot_XXXXXX";
        require(::mkdtemp(pattern.data()) != nullptr, "making the work folder");
        root = pattern;
        hbSetDriveRoot('D', root.c_str());
        require(ybCreateBlockFolder("D:\\Big"), "creating the block folder");
        BlockInfo block{};
        std::strcpy(block.blockDirectory, "D:\\Big");
        std::strcpy(block.blockName, "Big");
        block.imageType = 3;
        require(ybWriteBlockOptionFile("D:\\Big\\Big.dms", &block) == 0, "writing the block option file");
        require(ybCreateNewImageRecordFile("D:\\Big\\Big.bil", kStrips) == 0, "creating the image list");
        for (int strip = 1; strip <= kStrips; ++strip) {
            std::vector<ImageOrderInfo> images;
            for (int position = 1; position <= kImagesPerStrip; ++position) {
                ImageOrderInfo image{};
                image.nImageNo = strip * 100 + position;
                std::snprintf(image.szImagePath, sizeof image.szImagePath, "D:\\Big\\Images\\%03d%02d.ybi", strip,
                              position);
                image.nStripNo = strip;
                image.nGroupNo = 1;
                images.push_back(image);
            }
            require(ybWriteOneStripImageRecord("D:\\Big\\Big.bil", kStrips, strip, images) == 0, "writing a strip");
        }
        // Each point on three neighbouring images of a strip; consecutive points in different places of
        // the block, as a matcher hands them over.
        std::int64_t const windows = std::int64_t{kStrips} * (kImagesPerStrip - 2);
        points.reserve(kObservations);
        for (std::int64_t serial = 0; static_cast<std::int64_t>(points.size()) < kObservations; ++serial) {
            std::int64_t const window = serial % windows;
            int const strip = static_cast<int>(window / (kImagesPerStrip - 2)) + 1;
            int const first = static_cast<int>(window % (kImagesPerStrip - 2)) + 1;
            for (int k = 0; k < 3 && static_cast<std::int64_t>(points.size()) < kObservations; ++k) {
                tagImagePoint point{};
                point.imageNo = strip * 100 + first + k;
                point.x = 800.0 - 300.0 * k;
                point.y = static_cast<double>(serial % 1500);
                point.type = 1;
                std::snprintf(point.name, sizeof point.name, "T%08lld", static_cast<long long>(serial));
                points.push_back(point);
            }
        }
        require(ybCreateTiePntFile(tiePoints, points.data(), static_cast<std::int32_t>(points.size())) == 0,
                "writing the tie point file");
        nativeTiePoints = root + "/Big/Big.scp";
    }
    ~Workspace() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    std::string root;
    std::string nativeTiePoints;
    char const* tiePoints = "D:\\Big\\Big.scp";
    std::vector<tagImagePoint> points;
};

Workspace& workspace() {
    static Workspace instance;
    return instance;
}

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

void CppReadTiePoints(benchmark::State& state) {
    Workspace& w = workspace();
    for (auto _ : state) {
        std::vector<tagImagePoint> points;
        if (ybReadTiePntFileToAry(w.tiePoints, points) != 0) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(points.data());
    }
}

void PythonReadTiePoints(benchmark::State& state) {
    Workspace& w = workspace();
    py::object const read = ybblockio().attr("read_tie_points");
    for (auto _ : state) {
        py::object points = read(w.tiePoints);
        benchmark::DoNotOptimize(points.ptr());
    }
}

void CppWriteTiePoints(benchmark::State& state) {
    Workspace& w = workspace();
    for (auto _ : state)
        if (ybCreateTiePntFile("D:\\written.scp", w.points.data(), static_cast<std::int32_t>(w.points.size())) != 0)
            state.SkipWithError("write failed");
}

void PythonWriteTiePoints(benchmark::State& state) {
    Workspace& w = workspace();
    py::object const points = ybblockio().attr("read_tie_points")(w.tiePoints);
    py::object const write = ybblockio().attr("write_tie_points");
    for (auto _ : state) write("D:\\written.scp", points);
}

void Plot(benchmark::State& state) {
    Workspace& w = workspace();
    std::string const svg = w.root + "/big.svg";
    for (auto _ : state) {
        std::ostringstream out, err;
        ybblock::PlotOptions options;
        options.block = "D:\\Big\\Big.dms";
        options.output = svg;
        if (ybblock::runPlot(options, out, err) != 0) state.SkipWithError(err.str().c_str());
    }
    state.counters["svg_MB"] = static_cast<double>(std::filesystem::file_size(svg)) / 1e6;
}

// The bytes of the tie point file into a buffer kept between reads.
void RawReadTieFile(benchmark::State& state) {
    Workspace& w = workspace();
    std::vector<char> buffer(std::filesystem::file_size(w.nativeTiePoints));
    for (auto _ : state) {
        int const file = ::open(w.nativeTiePoints.c_str(), O_RDONLY);
        std::size_t got = 0;
        for (ssize_t n; (n = ::read(file, buffer.data() + got, buffer.size() - got)) > 0;) got += static_cast<std::size_t>(n);
        ::close(file);
        benchmark::DoNotOptimize(buffer.data());
    }
}

}  // namespace

BENCHMARK(CppReadTiePoints)->Unit(benchmark::kMillisecond);
BENCHMARK(PythonReadTiePoints)->Unit(benchmark::kMillisecond);
BENCHMARK(CppWriteTiePoints)->Unit(benchmark::kMillisecond);
BENCHMARK(PythonWriteTiePoints)->Unit(benchmark::kMillisecond);
BENCHMARK(Plot)->Unit(benchmark::kMillisecond);
BENCHMARK(RawReadTieFile)->Unit(benchmark::kMillisecond);
