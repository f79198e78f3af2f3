// Adding a model's points to a block joint point file that already holds many models. The change is
// made in place with a work copy of only what it overwrites (the header counts, and nothing behind a
// new last section), so an append costs the new records, not the file: the time per append stays flat
// as the file grows. Beside it, raw stdio appends the same bytes and rewrites the same counts.
#include <yb/ybBlockFileIO.h>
#include <yb/ybiOrient.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kPointsPerModel = 50;

std::string benchPath() { return (std::filesystem::temp_directory_path() / "yb_model_point_bench.bjp").string(); }

CONTROLPOINT_STORAGE* modelPoints() {
    CONTROLPOINT_STORAGE* set = nullptr;
    ybAllocControlPointMem(&set, kPointsPerModel);
    ybInitControlPoint(set, 1);
    for (int i = 0; i < kPointsPerModel; ++i) {
        CONTROLPOINT_INFO entry{};
        std::snprintf(entry.name, sizeof entry.name, "P%d", i);
        entry.inUse = 1;
        entry.leftX = i;
        ybAddOneGcpPoint(set, entry, 1);
    }
    return set;
}

// A file of `models` models in strip 1.
void makeFile(std::string const& path, CONTROLPOINT_STORAGE* set, int models) {
    ybCreateOneModelGcpFile(path.c_str(), 1);
    for (int model = 1; model <= models; ++model) ybWriteModelGcpFile(path.c_str(), 1, model, set);
}

void AppendModel(benchmark::State& state) {
    std::string const path = benchPath();
    CONTROLPOINT_STORAGE* set = modelPoints();
    auto const models = static_cast<int>(state.range(0));
    makeFile(path, set, models);
    int model = models;
    for (auto _ : state) {
        if (ybWriteModelGcpFile(path.c_str(), 1, ++model, set) != 0) state.SkipWithError("append failed");
    }
    state.SetBytesProcessed(state.iterations() * (12 + 66 * kPointsPerModel));
    ybFreeControlPointMem(set);
    std::filesystem::remove(path);
}
BENCHMARK(AppendModel)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMicrosecond);

// The same bytes with plain stdio: the section at the end, then the two header counts.
void RawAppendModel(benchmark::State& state) {
    std::string const path = benchPath();
    CONTROLPOINT_STORAGE* set = modelPoints();
    auto const models = static_cast<int>(state.range(0));
    makeFile(path, set, models);
    std::vector<unsigned char> section(12 + 66 * kPointsPerModel, 0);
    std::int32_t counts[2] = {models, models * kPointsPerModel};
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "r+b");
        counts[0] += 1;
        counts[1] += kPointsPerModel;
        bool ok = file != nullptr && std::fseek(file, 0, SEEK_END) == 0 &&
                  std::fwrite(section.data(), 1, section.size(), file) == section.size() &&
                  std::fseek(file, 36, SEEK_SET) == 0 && std::fwrite(counts, 1, sizeof counts, file) == sizeof counts;
        if (file != nullptr) ok = std::fclose(file) == 0 && ok;
        if (!ok) state.SkipWithError("raw I/O failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(section.size()));
    ybFreeControlPointMem(set);
    std::filesystem::remove(path);
}
BENCHMARK(RawAppendModel)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMicrosecond);

}  // namespace
