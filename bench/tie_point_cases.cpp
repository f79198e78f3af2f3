// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The tie point file of a large block: a million observations over 2,000 images, each point on three
// neighbouring images, handed to the writer interleaved over the images; and the model views over
// images of 20,000 points each.
#include "bench_support.h"

#include <yb/ybiOrient.h>

#include "write_path.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <unordered_map>
#include <utility>

namespace yb::bench {
namespace {

constexpr std::int32_t kMergedPoints = 1000;

Block& tieFileBlock() {
    blockgen::BlockShape shape;
    shape.strips = 25;
    shape.images = 2000;
    shape.imagesPerStrip = 80;
    shape.points = 1000000;
    shape.files = blockgen::BlockFiles::TiePointsOnly;
    shape.pointsOnThreeImages = true;
    return block("TieFile", shape, true);
}

// One strip of three images, every point on all three: 20,000 points an image.
Block& modelBlock() {
    blockgen::BlockShape shape;
    shape.strips = 1;
    shape.images = 3;
    shape.points = 60000;
    shape.files = blockgen::BlockFiles::TiePointsOnly;
    shape.pointsOnThreeImages = true;
    return block("ModelPoints", shape, true);
}

// The same points with each image's in no particular order, as a matching program writes them: the
// records shuffled before they are written.
std::string const& shuffledModelFile() {
    static std::string const path = [] {
        Block& b = modelBlock();
        std::vector<tagImagePoint> points = b.made.points;
        std::mt19937 random(25);
        std::shuffle(points.begin(), points.end(), random);
        std::string const host = hostPath(b.name + "/Shuffled.scp");
        if (ybCreateTiePntFile(host.c_str(), points.data(), static_cast<std::int32_t>(points.size())) != 0) {
            std::cerr << "yb bench: cannot write " << host << "\n";
            std::exit(2);
        }
        return host;
    }();
    return path;
}

std::string tieNative(Block const& block) { return nativePath(block.name + "/" + block.name + ".scp"); }

// Where each group's records lie in a tie point file, found by walking it natively.
struct GroupSpan {
    std::int32_t imageNo;
    std::int64_t offset;
    std::size_t size;
};
std::vector<GroupSpan> groupSpans(std::string const& nativeFile) {
    std::vector<char> const bytes = readWhole(nativeFile);
    std::vector<GroupSpan> spans;
    std::int32_t groups = 0;
    std::memcpy(&groups, bytes.data() + 128, 4);
    std::size_t at = 132;
    for (std::int32_t g = 0; g < groups; ++g) {
        std::int32_t header[2];
        std::memcpy(header, bytes.data() + at, 8);
        std::size_t const size = static_cast<std::size_t>(header[1]) * sizeof(tagImagePoint);
        spans.push_back({header[0], static_cast<std::int64_t>(at + 8), size});
        at += 8 + size;
    }
    return spans;
}

// Raw read of the groups of `images`: one open, a seek and a read per group into fresh memory.
void rawReadGroups(benchmark::State& state, std::string const& nativeFile, std::vector<std::int32_t> const& images) {
    std::vector<GroupSpan> wanted;
    for (auto const& span : groupSpans(nativeFile))
        for (std::int32_t image : images)
            if (span.imageNo == image) wanted.push_back(span);
    for (auto _ : state) {
        std::FILE* file = std::fopen(nativeFile.c_str(), "rb");
        for (auto const& span : wanted) {
            std::unique_ptr<char[]> buffer(new char[span.size]);
            std::fseek(file, static_cast<long>(span.offset), SEEK_SET);
            benchmark::DoNotOptimize(std::fread(buffer.get(), 1, span.size, file));
            benchmark::DoNotOptimize(buffer.get());
        }
        std::fclose(file);
    }
}

// Another process that began to replace the file and stopped there, holding it for writing: its pid,
// or -1. SIGCONT lets it end its replacement unfinished, the file as it was.
pid_t stoppedReplacement(std::string const& hostPath) {
    pid_t const writer = ::fork();
    if (writer != 0) {
        int status = 0;
        if (writer > 0 && (::waitpid(writer, &status, WUNTRACED) != writer || !WIFSTOPPED(status))) return -1;
        return writer;
    }
    {
        platform::FileReplacement replacement(hostPath);
        if (!replacement.opened()) ::_exit(1);
        replacement.out().writeZeros(4096);
        replacement.out().flush();
        ::raise(SIGSTOP);
    }
    ::_exit(0);
}

void registerWriteAndRead() {
    // The whole file written and read at 2,000 images and again at the 100,000 images of the
    // largest workflow block.
    for (auto const& [suffix, made] : {std::pair<std::string, Block& (*)()>{"", tieFileBlock}, {"H", hugeBlock}}) {
        auto const blockOf = made;
        registerOnce("create/lib" + suffix, [blockOf](benchmark::State& state) {
            Block& b = blockOf();
            afterOneUntimed(state, [&] {
                check(state,
                      ybCreateTiePntFile(b.made.tiePointPath.c_str(), b.made.points.data(),
                                         static_cast<std::int32_t>(b.made.points.size())),
                      "ybCreateTiePntFile");
            });
        });
        registerOnce("create/raw" + suffix, [blockOf](benchmark::State& state) {
            Block& b = blockOf();
            std::vector<char> const bytes = readWhole(tieNative(b));
            std::string const raw = nativePath(b.name + "/raw.scp");
            afterOneUntimed(state, [&] { writeWhole(raw, bytes.data(), bytes.size()); });
        });
        registerOnce("readall/lib" + suffix, [blockOf](benchmark::State& state) {
            Block& b = blockOf();
            for (auto _ : state) {
                std::vector<tagImagePoint> points;
                check(state, ybReadTiePntFileToAry(b.made.tiePointPath.c_str(), points), "ybReadTiePntFileToAry");
                benchmark::DoNotOptimize(points.data());
            }
        });
        registerOnce("readall/raw" + suffix, [blockOf](benchmark::State& state) {
            std::string const native = tieNative(blockOf());
            for (auto _ : state) benchmark::DoNotOptimize(readFresh(native));
        });
    }
    registerRepeated("readone/lib", [](benchmark::State& state) {
        Block& b = tieFileBlock();
        std::int32_t const lastImage = b.made.stripImages.back().back().nImageNo;
        for (auto _ : state) {
            std::vector<tagImagePoint> points;
            check(state, ybReadOneImgTiePntToAry(b.made.tiePointPath.c_str(), lastImage, points),
                  "ybReadOneImgTiePntToAry");
            if (points.empty()) state.SkipWithError("the last image has no points");
        }
    });
    // The same read while another process holds the file, stopped in the middle of replacing it: a
    // replacement never holds readers back, so the read takes as long as alone.
    registerRepeated("readone/beside", [](benchmark::State& state) {
        Block& b = tieFileBlock();
        std::int32_t const lastImage = b.made.stripImages.back().back().nImageNo;
        pid_t const writer = stoppedReplacement(b.made.tiePointPath);
        if (writer < 0) {
            state.SkipWithError("the replacing process did not stop");
            return;
        }
        for (auto _ : state) {
            std::vector<tagImagePoint> points;
            std::int32_t const code = ybReadOneImgTiePntToAry(b.made.tiePointPath.c_str(), lastImage, points);
            if (code != 0) ::kill(writer, SIGKILL);  // the run stops: the writer must not outlive it
            check(state, code, "ybReadOneImgTiePntToAry");
        }
        ::kill(writer, SIGCONT);
        ::waitpid(writer, nullptr, 0);
    });
    registerOnce("append/lib", [](benchmark::State& state) {
        Block& b = tieFileBlock();
        // Half of the merged points replace points where they stand, half are new points of known images.
        std::vector<tagImagePoint> merged;
        for (std::int32_t i = 0; i < kMergedPoints; ++i) {
            tagImagePoint point = b.made.points[static_cast<std::size_t>(i) * 997];
            if (i % 2 == 1) std::snprintf(point.name, sizeof point.name, "NEW%05d", i);
            point.x += 0.5;
            merged.push_back(point);
        }
        for (auto _ : state)
            check(state, ybAppendTiePntToFile(b.made.tiePointPath.c_str(), merged.data(), kMergedPoints),
                  "ybAppendTiePntToFile");
    });
    registerOnce("append/raw", [](benchmark::State& state) {
        Block& b = tieFileBlock();
        std::string const native = tieNative(b);
        std::string const raw = nativePath(b.name + "/raw.scp");
        for (auto _ : state) {
            std::vector<char> const bytes = readWhole(native);
            writeWhole(raw, bytes.data(), bytes.size());
        }
    });

    addRow({"ybCreateTiePntFile, points interleaved", "1,000,000 points, 2,000 images", RowKind::Ratio, "create/lib",
            "create/raw", 2.5});
    addRow({"ybReadTiePntFileToAry", "same file", RowKind::Ratio, "readall/lib", "readall/raw", 1.5});
    addRow({"ybReadOneImgTiePntToAry, last image", "same file (raw: whole file)", RowKind::Ratio, "readone/lib",
            "readall/raw", 0.5});
    addRow({"ybReadOneImgTiePntToAry beside a stopped replacement", "same file (raw: the read alone)", RowKind::Ratio,
            "readone/beside", "readone/lib", 2.0});
    addRow({"ybAppendTiePntToFile, 1,000 points", "into that file", RowKind::Ratio, "append/lib", "append/raw", 2.0});
    addRow({"ybCreateTiePntFile, points interleaved", "5,000,000 points, 100,000 images", RowKind::Ratio, "create/libH",
            "create/rawH", 2.5});
    addRow({"ybReadTiePntFileToAry", "same file", RowKind::Ratio, "readall/libH", "readall/rawH", 1.5});
}

// The records of a block in the order a caller hands them over: grouped (each image's records
// together), interleaved (as the block generator deals them, and as a matching program writes them:
// the records of a point, on neighbouring images, together) and shuffled (as a program that keeps its
// points in a hash table hands them over).
enum class Order { Grouped, Interleaved, Shuffled };
constexpr std::pair<Order, char const*> kOrders[] = {
    {Order::Grouped, "grouped"}, {Order::Interleaved, "interleaved"}, {Order::Shuffled, "shuffled"}};

std::vector<tagImagePoint> const& pointsInOrder(Block& b, Order order) {
    if (order == Order::Interleaved) return b.made.points;
    static std::map<std::pair<std::string, Order>, std::vector<tagImagePoint>> made;
    std::vector<tagImagePoint>& points = made[{b.name, order}];
    if (points.empty()) {
        points = b.made.points;
        if (order == Order::Shuffled) {
            std::mt19937 random(42);
            std::shuffle(points.begin(), points.end(), random);
        } else {
            std::unordered_map<std::int32_t, std::size_t> rank;
            for (tagImagePoint const& point : points) rank.try_emplace(std::int32_t{point.imageNo}, rank.size());
            std::stable_sort(points.begin(), points.end(), [&](tagImagePoint const& left, tagImagePoint const& right) {
                return rank[std::int32_t{left.imageNo}] < rank[std::int32_t{right.imageNo}];
            });
        }
    }
    return points;
}

// The tie point file written from each order at 20,000 images (1,000,000 points) and 100,000 images
// (5,000,000 points), against a raw write of the file's bytes; and the memory each adds at its peak.
void registerInputOrders() {
    struct Scale {
        char const* suffix;
        Block& (*block)();
        char const* size;
    };
    for (Scale const scale : {Scale{"L", largeBlock, "1,000,000 points, 20,000 images"},
                              Scale{"H", hugeBlock, "5,000,000 points, 100,000 images"}}) {
        std::string const suffix = scale.suffix;
        auto const blockOf = scale.block;
        if (suffix == "L")
            registerOnce("create/rawL", [blockOf](benchmark::State& state) {
                Block& b = blockOf();
                std::vector<char> const bytes = readWhole(tieNative(b));
                std::string const raw = nativePath(b.name + "/raw.scp");
                afterOneUntimed(state, [&] { writeWhole(raw, bytes.data(), bytes.size()); });
            });
        for (auto const& [order, name] : kOrders) {
            std::string const key = std::string(name) + suffix;
            Order const chosen = order;
            // The generator's own file stays as it is: the orders write beside it.
            registerOnce("create/" + key, [blockOf, chosen](benchmark::State& state) {
                Block& b = blockOf();
                std::vector<tagImagePoint> const& points = pointsInOrder(b, chosen);
                std::string const path = hostPath(b.name + "/ordered.scp");
                afterOneUntimed(state, [&] {
                    check(state,
                          ybCreateTiePntFile(path.c_str(), points.data(), static_cast<std::int32_t>(points.size())),
                          "ybCreateTiePntFile");
                });
            });
            if (suffix != "H") continue;
            registerOnce("create/memory-" + key, [blockOf, chosen, key](benchmark::State& state) {
                Block& b = blockOf();
                std::vector<tagImagePoint> const& points = pointsInOrder(b, chosen);
                std::string const path = hostPath(b.name + "/ordered.scp");
                for (auto _ : state) {
                    std::int64_t const added = addedPeakBytes([&] {
                        return ybCreateTiePntFile(path.c_str(), points.data(),
                                                  static_cast<std::int32_t>(points.size()));
                    });
                    if (added < 0) return state.SkipWithError("the create in the child failed");
                    recordFigure("create-" + key + "-peak", static_cast<double>(added));
                }
                recordFigure("create-" + key + "-file", static_cast<double>(readWhole(tieNative(b)).size()));
            });
        }
        addRow({"ybCreateTiePntFile, points shuffled", scale.size, RowKind::Ratio, "create/shuffled" + suffix,
                "create/raw" + suffix, 3.0});
        addRow({"ybCreateTiePntFile, points grouped", scale.size, RowKind::Cost, "create/grouped" + suffix,
                "create/raw" + suffix});
        // At 100,000 images the interleaved order is gated with the other interleaved files.
        if (suffix == "L")
            addRow({"ybCreateTiePntFile, points interleaved", scale.size, RowKind::Cost, "create/interleaved" + suffix,
                    "create/raw" + suffix});
        if (suffix != "H") continue;
        for (auto const& [order, name] : kOrders) {
            std::string const key = std::string(name) + suffix;
            addRow({std::string("ybCreateTiePntFile, peak memory, ") + name,
                    "5,000,000 points (raw: file size)",
                    RowKind::Memory,
                    "create-" + key + "-peak",
                    "create-" + key + "-file",
                    0.1,
                    {"create/memory-" + key}});
        }
    }
}

void readModelPoints(benchmark::State& state, std::string const& path) {
    for (auto _ : state) {
        CONTROLPOINT_STORAGE* set = nullptr;
        check(state, ybReadOneModPnts(path.c_str(), 101, set), "ybReadOneModPnts");
        if (set == nullptr)
            state.SkipWithError("model 101 has no points");
        else
            ybFreeControlPointMem(set);
    }
}

void readCommonPoints(benchmark::State& state, std::string const& path) {
    for (auto _ : state) {
        ModelCommonPoint* points = nullptr;
        std::int32_t count = 0;
        check(state, ybReadOneModCommPnts(path.c_str(), 101, 102, points, count), "ybReadOneModCommPnts");
        if (count == 0) state.SkipWithError("models 101 and 102 share no points");
        std::free(points);
    }
}

void registerModelViews() {
    registerRepeated("modpnts/lib",
                     [](benchmark::State& state) { readModelPoints(state, modelBlock().made.tiePointPath); });
    registerRepeated("modpnts/shuffled", [](benchmark::State& state) { readModelPoints(state, shuffledModelFile()); });
    registerRepeated("modpnts/raw", [](benchmark::State& state) {
        rawReadGroups(state, tieNative(modelBlock()), {101, 102});
    });
    registerRepeated("commpnts/lib",
                     [](benchmark::State& state) { readCommonPoints(state, modelBlock().made.tiePointPath); });
    registerRepeated("commpnts/shuffled",
                     [](benchmark::State& state) { readCommonPoints(state, shuffledModelFile()); });
    registerRepeated("commpnts/raw", [](benchmark::State& state) {
        rawReadGroups(state, tieNative(modelBlock()), {101, 102, 103});
    });
    addRow({"ybReadOneModPnts", "2 images x 20,000 points", RowKind::Ratio, "modpnts/lib", "modpnts/raw", 3.0});
    addRow({"ybReadOneModCommPnts", "3 images x 20,000 points", RowKind::Ratio, "commpnts/lib", "commpnts/raw", 3.0});
    addRow({"ybReadOneModPnts, names in no order", "2 images x 20,000 points", RowKind::Ratio, "modpnts/shuffled",
            "modpnts/raw", 3.0});
    addRow({"ybReadOneModCommPnts, names in no order", "3 images x 20,000 points", RowKind::Ratio, "commpnts/shuffled",
            "commpnts/raw", 3.0});
}

}  // namespace

void registerTiePointCases() {
    registerWriteAndRead();
    registerInputOrders();
    registerModelViews();
}

}  // namespace yb::bench
