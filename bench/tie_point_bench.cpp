// Tie point file on a large block: a million points over 3000 images. Each library operation runs
// beside a raw stdio baseline that moves the same bytes in the same run, so the figures compare the
// library's own cost with the disk's on any machine.
#include <yb/ybBlockFileIO.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int32_t kImages = 3000;
constexpr std::int32_t kPoints = 1'000'000;
constexpr std::int32_t kMergedPoints = 2000;

std::int32_t imageNoOf(std::int32_t index) { return (index / 100 + 1) * 100 + index % 100 + 1; }

// The points arrive interleaved across images (record i on image i * 7919 mod kImages), the worst
// order for the grouping writer.
std::vector<tagImagePoint> makePoints() {
    std::vector<tagImagePoint> points(kPoints);
    for (std::int32_t i = 0; i < kPoints; ++i) {
        tagImagePoint& point = points[static_cast<std::size_t>(i)];
        point.imageNo = imageNoOf(static_cast<std::int32_t>((static_cast<std::int64_t>(i) * 7919) % kImages));
        point.x = i;
        point.y = -i;
        point.type = static_cast<std::int16_t>(i % 2);
        std::snprintf(point.name, sizeof point.name, "P%07d", i / 3);
    }
    return points;
}

struct Workspace {
    Workspace() {
        char pattern[] = "/tmp/yb_tie_bench_XXXXXX";
        char* made = ::mkdtemp(pattern);
        if (made == nullptr) std::abort();
        dir = made;
        tiePath = dir + "/block.scp";
        rawPath = dir + "/raw.bin";
        points = makePoints();
        if (ybCreateTiePntFile(tiePath.c_str(), points.data(), kPoints) != 0) std::abort();
        fileBytes = readWhole(tiePath);
    }
    ~Workspace() {
        for (char const* name : {"/block.scp", "/block.scp.bak", "/raw.bin", "/raw.bin.bak"}) {
            std::remove((dir + name).c_str());
        }
        ::rmdir(dir.c_str());
    }
    static std::vector<char> readWhole(std::string const& path) {
        std::vector<char> bytes;
        if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
            std::fseek(file, 0, SEEK_END);
            bytes.resize(static_cast<std::size_t>(std::ftell(file)));
            std::fseek(file, 0, SEEK_SET);
            if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
            std::fclose(file);
        }
        return bytes;
    }
    static void writeWhole(std::string const& path, char const* data, std::size_t size) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || std::fwrite(data, 1, size, file) != size) std::abort();
        std::fclose(file);
    }

    std::string dir;
    std::string tiePath;
    std::string rawPath;
    std::vector<tagImagePoint> points;
    std::vector<char> fileBytes;
};

Workspace& workspace() {
    static Workspace instance;
    return instance;
}

void setBytes(benchmark::State& state, std::size_t bytesPerIteration) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytesPerIteration));
}

void GroupingWriter(benchmark::State& state) {
    Workspace& w = workspace();
    for (auto _ : state) {
        if (ybCreateTiePntFile(w.tiePath.c_str(), w.points.data(), kPoints) != 0) state.SkipWithError("write failed");
    }
    setBytes(state, w.fileBytes.size());
}

void RawWriteSameBytes(benchmark::State& state) {
    Workspace& w = workspace();
    for (auto _ : state) Workspace::writeWhole(w.rawPath, w.fileBytes.data(), w.fileBytes.size());
    setBytes(state, w.fileBytes.size());
}

// The last image's group: the walk passes every other group first.
void ReadOneImage(benchmark::State& state) {
    Workspace& w = workspace();
    std::vector<tagImagePoint> points;
    std::int32_t const imageNo = imageNoOf(kImages - 1);
    for (auto _ : state) {
        if (ybReadOneImgTiePntToAry(w.tiePath.c_str(), imageNo, points) != 0 || points.empty()) {
            state.SkipWithError("read failed");
        }
        benchmark::DoNotOptimize(points.data());
    }
    setBytes(state, points.size() * sizeof(tagImagePoint));
}

// The same group read raw: open, seek straight to its known offset, one read.
void RawReadOneImage(benchmark::State& state) {
    Workspace& w = workspace();
    std::size_t const size = static_cast<std::size_t>(kPoints / kImages) * sizeof(tagImagePoint);
    std::vector<char> buffer(size + sizeof(tagImagePoint));
    for (auto _ : state) {
        std::FILE* file = std::fopen(w.tiePath.c_str(), "rb");
        std::fseek(file, -static_cast<long>(size), SEEK_END);
        benchmark::DoNotOptimize(std::fread(buffer.data(), 1, size, file));
        std::fclose(file);
    }
    setBytes(state, size);
}

void ReadWholeFile(benchmark::State& state) {
    Workspace& w = workspace();
    std::vector<tagImagePoint> points;
    for (auto _ : state) {
        if (ybReadTiePntFileToAry(w.tiePath.c_str(), points) != 0) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(points.data());
    }
    setBytes(state, w.fileBytes.size());
}

void RawReadWholeFile(benchmark::State& state) {
    Workspace& w = workspace();
    for (auto _ : state) benchmark::DoNotOptimize(Workspace::readWhole(w.tiePath).data());
    setBytes(state, w.fileBytes.size());
}

// Half of the merged points replace points in place, half are new points of existing images.
void Merge(benchmark::State& state) {
    Workspace& w = workspace();
    std::vector<tagImagePoint> merged;
    for (std::int32_t i = 0; i < kMergedPoints; ++i) {
        tagImagePoint point = w.points[static_cast<std::size_t>(i) * 97];
        if (i % 2 == 1) std::snprintf(point.name, sizeof point.name, "NEW%05d", i);
        point.x += 0.5;
        merged.push_back(point);
    }
    for (auto _ : state) {
        if (ybAppendTiePntToFile(w.tiePath.c_str(), merged.data(), kMergedPoints) != 0) state.SkipWithError("merge failed");
    }
    setBytes(state, w.fileBytes.size());
}

// The disk work a merge cannot avoid: copy the file to its backup, read it, write it, copy it back.
void RawMergeSameBytes(benchmark::State& state) {
    Workspace& w = workspace();
    std::string const backup = w.rawPath + ".bak";
    Workspace::writeWhole(w.rawPath, w.fileBytes.data(), w.fileBytes.size());
    for (auto _ : state) {
        std::vector<char> bytes = Workspace::readWhole(w.rawPath);
        Workspace::writeWhole(backup, bytes.data(), bytes.size());
        bytes = Workspace::readWhole(backup);
        Workspace::writeWhole(backup, bytes.data(), bytes.size());
        bytes = Workspace::readWhole(backup);
        Workspace::writeWhole(w.rawPath, bytes.data(), bytes.size());
        std::remove(backup.c_str());
    }
    setBytes(state, w.fileBytes.size());
}

}  // namespace

BENCHMARK(GroupingWriter)->Unit(benchmark::kMillisecond);
BENCHMARK(RawWriteSameBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadOneImage)->Unit(benchmark::kMicrosecond);
BENCHMARK(RawReadOneImage)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadWholeFile)->Unit(benchmark::kMillisecond);
BENCHMARK(RawReadWholeFile)->Unit(benchmark::kMillisecond);
BENCHMARK(Merge)->Unit(benchmark::kMillisecond);
BENCHMARK(RawMergeSameBytes)->Unit(benchmark::kMillisecond);
