// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "bench_support.h"

#include <yb/HostBase.h>

#include "fs.h"
#include "hostpath.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <sys/wait.h>
#include <iostream>
#include <memory>
#include <fcntl.h>
#include <unistd.h>
#include <unordered_map>

namespace yb::bench {
namespace {

struct Root {
    Root() {
        char const* base = std::getenv("YB_BENCH_DIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/dev/shm") + "/ybbench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("yb bench: cannot make the work folder");
            std::exit(2);
        }
        path = pattern;
        hbSetDriveRoot('D', path.c_str());
    }
    ~Root() {
        std::error_code ec;
        if (std::getenv("YB_BENCH_KEEP") == nullptr) std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

Root& root() {
    static Root instance;
    return instance;
}

}  // namespace

std::string const& nativeRoot() { return root().path; }

std::string hostPath(std::string const& relative) {
    std::string host = "D:\\" + relative;
    std::replace(host.begin(), host.end(), '/', '\\');
    return host;
}

std::string nativePath(std::string const& relative) {
    std::string native = relative;
    std::replace(native.begin(), native.end(), '\\', '/');
    return nativeRoot() + "/" + native;
}

std::vector<char> readWhole(std::string const& nativeFile) {
    std::vector<char> bytes;
    std::FILE* file = std::fopen(nativeFile.c_str(), "rb");
    if (file == nullptr) return bytes;
    std::fseek(file, 0, SEEK_END);
    bytes.resize(static_cast<std::size_t>(std::ftell(file)));
    std::fseek(file, 0, SEEK_SET);
    if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
    std::fclose(file);
    return bytes;
}

std::size_t readFresh(std::string const& nativeFile) {
    std::FILE* file = std::fopen(nativeFile.c_str(), "rb");
    if (file == nullptr) {  // a baseline that read nothing would make any library time look slow
        std::cerr << "yb bench: raw read of " << nativeFile << " failed\n";
        std::exit(2);
    }
    std::fseek(file, 0, SEEK_END);
    std::size_t const size = static_cast<std::size_t>(std::ftell(file));
    std::fseek(file, 0, SEEK_SET);
    std::unique_ptr<char[]> buffer(new char[size]);
    std::size_t const got = std::fread(buffer.get(), 1, size, file);
    std::fclose(file);
    benchmark::DoNotOptimize(buffer.get());
    return got;
}

void writeWhole(std::string const& nativeFile, void const* data, std::size_t size) {
    std::FILE* file = std::fopen(nativeFile.c_str(), "wb");
    bool ok = file != nullptr && std::fwrite(data, 1, size, file) == size;
    if (file != nullptr && std::fclose(file) != 0) ok = false;
    if (!ok) {
        std::cerr << "yb bench: raw write of " << nativeFile << " failed\n";
        std::exit(2);
    }
}

std::vector<char> readAt(std::string const& nativeFile, std::int64_t offset, std::size_t size) {
    std::vector<char> bytes(size);
    std::FILE* file = std::fopen(nativeFile.c_str(), "rb");
    bool ok = file != nullptr && std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 &&
              std::fread(bytes.data(), 1, size, file) == size;
    if (file != nullptr) std::fclose(file);
    if (!ok) bytes.clear();
    return bytes;
}

Block& block(std::string const& name, blockgen::BlockShape const& shape, bool keepPoints) {
    static std::map<std::string, std::unique_ptr<Block>> blocks;
    auto& slot = blocks[name];
    if (!slot) {
        std::cerr << "  (making the block " << name << ": " << shape.strips << " strips, " << shape.images
                  << " images, " << shape.points << " points)\n";
        slot = std::make_unique<Block>();
        slot->name = name;
        std::string failed;
        if (std::int32_t code = blockgen::generateBlock(hostPath(name), name, shape, slot->made, failed); code != 0) {
            std::cerr << "yb bench: " << failed << " failed (" << code << ")\n";
            std::exit(2);
        }
        slot->imageType = shape.imageType;
        if (!keepPoints) std::vector<tagImagePoint>().swap(slot->made.points);
    }
    return *slot;
}

void setImageType(Block& block, std::int32_t imageType) {
    if (block.imageType == imageType) return;
    BlockInfo info = block.made.info;
    info.imageType = imageType;
    if (ybWriteBlockOptionFile(block.made.optionPath.c_str(), &info) != 0) {
        std::cerr << "yb bench: cannot rewrite " << block.made.optionPath << "\n";
        std::exit(2);
    }
    block.imageType = imageType;
}

namespace {

blockgen::BlockShape shapeOf(std::int32_t strips, std::int32_t images, std::int32_t perStrip, std::int64_t points) {
    blockgen::BlockShape shape;
    shape.strips = strips;
    shape.images = images;
    shape.imagesPerStrip = perStrip;
    shape.points = points;
    shape.imageType = 0;
    shape.files = blockgen::BlockFiles::Full;
    shape.pointsOnThreeImages = true;
    return shape;
}

}  // namespace

Block& largeBlock() { return block("Large", shapeOf(250, 20000, 80, 1000000), true); }
Block& smallBlock() { return block("Small", shapeOf(250, 5000, 20, 250000), false); }
Block& fewStripsBlock() { return block("FewStrips", shapeOf(1000, 5000, 50, 250000), false); }
Block& manyStripsBlock() { return block("ManyStrips", shapeOf(4000, 5000, 50, 250000), false); }
Block& shortStripsBlock() { return block("ShortStrips", shapeOf(1000, 5000, 5, 250000), false); }
// The tie point workflows alone run on it: its block folder holds the option file, the image list and
// the tie point file (image type 3, so a detach reads no camera).
Block& hugeBlock() {
    blockgen::BlockShape shape = shapeOf(1250, 100000, 80, 5000000);
    shape.files = blockgen::BlockFiles::TiePointsOnly;
    return block("Huge", shape, true);
}

namespace {

std::int64_t statusKilobytes(char const* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::stoll(line.substr(std::strlen(field)));
    return -1;
}

}  // namespace

std::int64_t addedPeakBytes(std::function<std::int32_t()> const& call) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return -1;
    pid_t const child = ::fork();
    if (child == 0) {
        // Free heap the parent kept goes back to the system first: the call's room taken from it would
        // not raise the resident size and so would not count.
        ::malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        std::int64_t const before = statusKilobytes("VmRSS:");
        std::int32_t const code = call();
        std::int64_t const peak = statusKilobytes("VmHWM:");
        std::int64_t const added = code == 0 && before >= 0 && peak >= 0 ? (peak - before) * 1024 : -1;
        if (::write(pipeEnds[1], &added, sizeof added) != sizeof added) ::_exit(1);
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::int64_t added = -1;
    if (child < 0 || ::read(pipeEnds[0], &added, sizeof added) != sizeof added) added = -1;
    ::close(pipeEnds[0]);
    int status = 0;
    if (child > 0) ::waitpid(child, &status, 0);
    return added;
}

std::vector<std::string> cameraBlockReads(blockgen::GeneratedBlock const& block) {
    platform::CallScope const scope;  // each folder looked at once for all its names
    BlockInfo const& info = block.info;
    std::vector<std::string> hosts{block.optionPath,
                                   std::string(platform::boundedText(info.cameraFile, sizeof info.cameraFile)),
                                   block.imageListPath, block.tiePointPath};
    for (auto const& strip : block.stripImages)
        for (ImageOrderInfo const& image : strip)
            hosts.push_back(ybGetImgAuxFileName(info, image.szImagePath, ".ioc", nullptr, nullptr));
    std::vector<std::string> natives;
    for (std::string const& host : hosts) {
        auto native = platform::nativePath(host);
        if (!native) {
            std::cerr << "yb bench: no file at " << host << "\n";
            std::exit(2);
        }
        natives.push_back(*native);
    }
    return natives;
}

std::vector<std::string> perImageFiles(blockgen::GeneratedBlock const& block) {
    platform::CallScope const scope;  // each folder looked at once for all its names
    std::vector<std::string> files;
    for (auto const& strip : block.stripImages)
        for (auto const& image : strip) {
            auto native = platform::nativePath(
                ybGetTempAuxFileName(block.info, image.szImagePath, nullptr, ".ijp", nullptr), true);
            if (!native) {
                std::cerr << "yb bench: no temporary folder for " << image.szImagePath << "\n";
                std::exit(2);
            }
            files.push_back(*native);
        }
    return files;
}

std::vector<std::vector<char>> perImageContents(blockgen::GeneratedBlock const& block) {
    constexpr std::string_view kImagePointMagic = "YB_IMAGE_JOINT_POINT_FILE_VER1.0";
    std::unordered_map<std::int32_t, std::vector<tagImagePoint>> byImage;
    for (tagImagePoint point : block.points) {
        point.photoX = point.photoY = 0.0;
        byImage[std::int32_t{point.imageNo}].push_back(point);  // a copy: the record is packed
    }
    std::vector<std::vector<char>> contents;
    for (auto const& strip : block.stripImages)
        for (auto const& image : strip) {
            auto const& points = byImage[image.nImageNo];
            std::vector<char> bytes(kImagePointMagic.begin(), kImagePointMagic.end());
            std::int32_t const count = static_cast<std::int32_t>(points.size());
            bytes.insert(bytes.end(), reinterpret_cast<char const*>(&count), reinterpret_cast<char const*>(&count) + 4);
            bytes.insert(bytes.end(), reinterpret_cast<char const*>(points.data()),
                         reinterpret_cast<char const*>(points.data() + points.size()));
            contents.push_back(std::move(bytes));
        }
    return contents;
}

void afterOneUntimed(benchmark::State& state, std::function<void()> const& call) {
    call();
    for (auto _ : state) call();
}

void plainDetach(std::vector<std::string> const& reads, std::vector<std::string> const& files,
                 std::vector<std::vector<char>> const& contents, bool sync) {
    std::vector<char> buffer(std::size_t{1} << 20);
    for (std::string const& native : reads) {
        int const fd = ::open(native.c_str(), O_RDONLY);
        if (fd < 0) {
            std::cerr << "yb bench: cannot open " << native << "\n";
            std::exit(2);
        }
        while (::read(fd, buffer.data(), buffer.size()) > 0) {
        }
        ::close(fd);
    }
    // Synced as the library syncs a batch: each file handed to the disk when written, waited for (one
    // data sync each) 64 files later or before the renames, and the folder once after them.
    constexpr std::size_t kOpenAhead = 64;
    std::deque<int> open;
    auto finish = [&](int fd) {
        if ((sync && ::fdatasync(fd) != 0) || ::close(fd) != 0) {
            std::cerr << "yb bench: raw sync failed\n";
            std::exit(2);
        }
    };
    std::string folder;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (contents[i].size() <= 36) continue;  // no file for an image without points
        std::string const passing = files[i] + ".new";
        int const fd = ::open(passing.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, contents[i].data(), contents[i].size()) != static_cast<ssize_t>(contents[i].size())) {
            std::cerr << "yb bench: raw write of " << passing << " failed\n";
            std::exit(2);
        }
        if (sync) ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        open.push_back(fd);
        if (open.size() > kOpenAhead) {
            finish(open.front());
            open.pop_front();
        }
        folder = files[i].substr(0, files[i].find_last_of('/'));
    }
    for (int fd : open) finish(fd);
    if (folder.empty()) return;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (contents[i].size() > 36 && ::rename((files[i] + ".new").c_str(), files[i].c_str()) != 0) {
            std::cerr << "yb bench: cannot rename over " << files[i] << "\n";
            std::exit(2);
        }
    int const folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (sync) ::fsync(folderFd);
    ::close(folderFd);
}

Block& hugeShuffledBlock() {
    blockgen::BlockShape shape = shapeOf(1250, 100000, 80, 5000000);
    shape.files = blockgen::BlockFiles::TiePointsOnly;
    shape.imageType = 3;
    return block("HugeShuffled", shape, false);
}

void check(benchmark::State& state, std::int32_t code, char const* what) {
    if (code == 0) return;
    std::string const message = std::string(what) + " failed with " + std::to_string(code);
    std::cerr << "yb bench: " << message << "\n";
    state.SkipWithError(message.c_str());
}

void addRow(Row row) { const_cast<std::vector<Row>&>(rows()).push_back(std::move(row)); }

std::vector<Row> const& rows() {
    static std::vector<Row> table;
    return table;
}

std::map<std::string, double>& figures() {
    static std::map<std::string, double> best;
    return best;
}

namespace {
void keepBest(std::map<std::string, double>& best, std::string const& name, double value) {
    auto [it, added] = best.try_emplace(name, value);
    if (!added) it->second = std::min(it->second, value);
}
}  // namespace

void recordFigure(std::string const& name, double value) { keepBest(figures(), name, value); }

std::map<std::string, double>& otherClockFigures() {
    static std::map<std::string, double> best;
    return best;
}

benchmark::internal::Benchmark* registerOnce(std::string const& name, std::function<void(benchmark::State&)> body) {
    return benchmark::RegisterBenchmark(name.c_str(), std::move(body))
        ->Iterations(1)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

benchmark::internal::Benchmark* registerRepeated(std::string const& name, std::function<void(benchmark::State&)> body) {
    return benchmark::RegisterBenchmark(name.c_str(), std::move(body))
        ->MinTime(0.3)
        ->UseRealTime()
        ->Unit(benchmark::kMicrosecond);
}

}  // namespace yb::bench
