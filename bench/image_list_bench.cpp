// Rewriting one strip of a large image list, beside raw file I/O that moves exactly the same bytes. A
// strip rewrite moves every later strip, so the list is replaced whole: read the old list, write a new
// one (the bytes before the strip, its count and entries, the sections after it) beside it, rename it
// over the old one.
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

// The same bytes moved with plain stdio: the old list read, the new one written beside it in one block
// each and renamed into place.
void RawRewriteFirstStrip(benchmark::State& state) {
    std::string const path = makeList();
    std::string const partial = path + ".new";
    std::size_t const stripBytes = 4 + static_cast<std::size_t>(kImagesPerStrip) * 304;
    std::vector<unsigned char> strip(stripBytes, 0);
    std::size_t const countAt = 35 + 4;
    std::vector<unsigned char> old(static_cast<std::size_t>(std::filesystem::file_size(path)));
    for (auto _ : state) {
        std::FILE* in = std::fopen(path.c_str(), "rb");
        bool ok = in != nullptr && std::fread(old.data(), 1, old.size(), in) == old.size();
        if (in != nullptr) std::fclose(in);
        std::FILE* out = std::fopen(partial.c_str(), "wb");
        ok = ok && out != nullptr && std::fwrite(old.data(), 1, countAt, out) == countAt &&
             std::fwrite(strip.data(), 1, strip.size(), out) == strip.size() &&
             std::fwrite(old.data() + countAt + stripBytes, 1, old.size() - countAt - stripBytes, out) ==
                 old.size() - countAt - stripBytes;
        if (out != nullptr) ok = std::fclose(out) == 0 && ok;
        if (!ok || std::rename(partial.c_str(), path.c_str()) != 0) state.SkipWithError("raw I/O failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}
BENCHMARK(RawRewriteFirstStrip)->Unit(benchmark::kMicrosecond);

}  // namespace
