// Rewriting one strip of a large image list, beside raw file I/O that moves exactly the same bytes:
// read the sections after the strip, write the strip's count and entries, write the sections back.
#include <benchmark/benchmark.h>

#include <yb/ybBlockFileIO.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t kStrips = 60;
constexpr std::int32_t kImagesPerStrip = 80;  // 4800 images, about 1.4 MB

std::vector<ImageOrderInfo> stripImages(std::int32_t strip) {
    std::vector<ImageOrderInfo> images(kImagesPerStrip);
    for (std::int32_t k = 1; k <= kImagesPerStrip; ++k) {
        ImageOrderInfo& image = images[static_cast<std::size_t>(k - 1)];
        std::memset(&image, 0, sizeof image);
        image.nImageNo = strip * 100 + k;
        std::snprintf(image.szImagePath, sizeof image.szImagePath, "D:\\Survey\\Images\\strip%02d\\img%03d.ybi", strip, k);
        image.nGroupNo = 1;
        image.nStripNo = strip;
    }
    return images;
}

// A fresh list in the temporary folder, with every strip full.
std::string makeList() {
    std::string path = (std::filesystem::temp_directory_path() / "yb_image_list_bench.bil").string();
    ybCreateNewImageRecordFile(path.c_str(), kStrips);
    for (std::int32_t strip = 1; strip <= kStrips; ++strip) {
        auto images = stripImages(strip);
        ybWriteOneStripImageRecord(path.c_str(), kStrips, strip, images);
    }
    return path;
}

void RewriteFirstStrip(benchmark::State& state) {
    std::string const path = makeList();
    auto images = stripImages(1);
    for (auto _ : state) {
        if (ybWriteOneStripImageRecord(path.c_str(), kStrips, 1, images) != 0) state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}
BENCHMARK(RewriteFirstStrip)->Unit(benchmark::kMicrosecond);

// The same bytes moved with plain stdio: the strip's count and entries from a prepared buffer, the
// following sections read and written back in one block each.
void RawRewriteFirstStrip(benchmark::State& state) {
    std::string const path = makeList();
    std::size_t const stripBytes = 4 + static_cast<std::size_t>(kImagesPerStrip) * 304;
    std::vector<unsigned char> strip(stripBytes, 0);
    long const countAt = 35 + 4;
    long const tailAt = countAt + static_cast<long>(stripBytes);
    long const tailSize = static_cast<long>(std::filesystem::file_size(path)) - tailAt;
    std::vector<unsigned char> tail(static_cast<std::size_t>(tailSize));
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "r+b");
        bool ok = file != nullptr && std::fseek(file, tailAt, SEEK_SET) == 0 &&
                  std::fread(tail.data(), 1, tail.size(), file) == tail.size() &&
                  std::fseek(file, countAt, SEEK_SET) == 0 &&
                  std::fwrite(strip.data(), 1, strip.size(), file) == strip.size() &&
                  std::fwrite(tail.data(), 1, tail.size(), file) == tail.size();
        if (file != nullptr) std::fclose(file);
        if (!ok) state.SkipWithError("raw I/O failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}
BENCHMARK(RawRewriteFirstStrip)->Unit(benchmark::kMicrosecond);

}  // namespace
