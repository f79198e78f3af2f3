// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// What syncing costs on a disk: the joint point append, the strip rewrite, detach and unite in a folder
// on a disk (YB_BENCH_DISK_DIR, else the system's temporary folder), each with syncing on and off, and
// detach's per-image files written one call each (each synced alone) against detach syncing them
// together. A sync waits for the disk without using the processor, so these rows take wall-clock
// time; they tell a cost and are not gated (a shared disk's syncs vary several times over), but for
// the camera detach, gated against a plain program that reads, writes, syncs and renames the same.
#include "bench_support.h"

#include <yb/HostBase.h>

#include <sys/vfs.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <unistd.h>
#include <unordered_map>

namespace yb::bench {
namespace {

constexpr std::int32_t kJointModels = 100;
constexpr std::int32_t kJointPoints = 50;

// The disk folder, mapped as drive E:. Removed at exit.
struct DiskRoot {
    DiskRoot() {
        char const* base = std::getenv("YB_BENCH_DISK_DIR");
        std::string folder = base != nullptr && *base != '\0' ? base : std::filesystem::temp_directory_path().string();
        std::string pattern = folder + "/ybbench-disk-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("yb bench: cannot make the disk folder");
            std::exit(2);
        }
        path = pattern;
        hbSetDriveRoot('E', path.c_str());
        struct statfs info {};
        kind = ::statfs(path.c_str(), &info) != 0 ? "?"
               : info.f_type == 0x01021994        ? "tmpfs"
               : info.f_type == 0xEF53            ? "ext4"
                                                  : "disk";
    }
    ~DiskRoot() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
    std::string kind;  // of the file system, for the table
};

DiskRoot& diskRoot() {
    static DiskRoot root;
    return root;
}

// A block of `shape` made in the disk folder as drive E:'s folder `name`, without syncing; with
// `detached`, detached once (its per-image files' folder made).
blockgen::GeneratedBlock makeOnDisk(std::string const& name, blockgen::BlockShape const& shape, bool detached) {
    diskRoot();
    blockgen::GeneratedBlock block;
    std::string failed;
    bool const syncing = hbSyncWrites();
    hbSetSyncWrites(false);
    std::cerr << "  (making the block " << name << " in " << diskRoot().path << ")\n";
    if (std::int32_t code = blockgen::generateBlock("E:\\" + name, name, shape, block, failed); code != 0) {
        std::cerr << "yb bench: " << failed << " failed (" << code << ")\n";
        std::exit(2);
    }
    if (detached && ybDetachBlockTiePntFile(block.optionPath.c_str()) != 0) {
        std::cerr << "yb bench: the first detach of " << name << " failed\n";
        std::exit(2);
    }
    hbSetSyncWrites(syncing);
    return block;
}

// 1,000 images in 50 strips, 100,000 points, image type 3 (no camera).
blockgen::GeneratedBlock& diskBlock() {
    static blockgen::GeneratedBlock made = [] {
        blockgen::BlockShape shape;
        shape.strips = 50;
        shape.images = 1000;
        shape.imagesPerStrip = 20;
        shape.points = 100000;
        shape.imageType = 3;
        shape.files = blockgen::BlockFiles::TiePointsOnly;
        return makeOnDisk("Disk", shape, false);
    }();
    return made;
}

// 20,000 images of a metric camera in 250 strips, 1,000,000 points: the detach reads the camera and
// every image's inner orientation.
blockgen::GeneratedBlock& diskCameraBlock() {
    static blockgen::GeneratedBlock made = [] {
        blockgen::BlockShape shape;
        shape.strips = 250;
        shape.images = 20000;
        shape.imagesPerStrip = 80;
        shape.points = 1000000;
        shape.pointsOnThreeImages = true;
        shape.imageType = 0;
        shape.files = blockgen::BlockFiles::Demo;
        return makeOnDisk("Camera", shape, true);
    }();
    return made;
}

void cameraDetach(benchmark::State& state) {
    auto& block = diskCameraBlock();
    afterOneUntimed(
        state, [&] { check(state, ybDetachBlockTiePntFile(block.optionPath.c_str()), "ybDetachBlockTiePntFile"); });
}

void plainCameraDetach(benchmark::State& state) {
    auto& block = diskCameraBlock();
    std::vector<std::string> const reads = cameraBlockReads(block);
    std::vector<std::string> const files = perImageFiles(block);
    std::vector<std::vector<char>> const contents = perImageContents(block);
    afterOneUntimed(state, [&] { plainDetach(reads, files, contents, hbSyncWrites()); });
}

CONTROLPOINT_STORAGE* jointSet() {
    static CONTROLPOINT_STORAGE* set = [] {
        CONTROLPOINT_STORAGE* made = nullptr;
        if (ybAllocControlPointMem(&made, kJointPoints) != 0 || ybInitControlPoint(made, 1) != 0) return made;
        for (std::int32_t k = 0; k < kJointPoints; ++k) {
            CONTROLPOINT_INFO entry{};
            std::snprintf(entry.name, sizeof entry.name, "J%05d", k);
            entry.inUse = 1;
            entry.leftX = entry.rightX = 100.0 + k;
            ybAddOneGcpPoint(made, entry, 1);
        }
        return made;
    }();
    return set;
}

void jointAppends(benchmark::State& state) {
    std::string const path = "E:\\Joint.cjp";
    for (auto _ : state) {
        state.PauseTiming();
        check(state, ybCreateComJointPntFile(path.c_str(), 1), "ybCreateComJointPntFile");
        state.ResumeTiming();
        for (std::int32_t model = 1; model <= kJointModels; ++model)
            check(state, ybWriteComJointPntFile(path.c_str(), 1, model, model + 1, jointSet(), jointSet()),
                  "ybWriteComJointPntFile");
    }
}

void stripRewrite(benchmark::State& state) {
    auto& block = diskBlock();
    std::vector<ImageOrderInfo> const original = block.stripImages.front();
    std::vector<ImageOrderInfo> grown = original;
    grown.push_back(original.back());
    grown.back().nImageNo += 1;
    for (auto _ : state) {
        check(state, ybWriteOneStripImageRecord(block.imageListPath.c_str(), block.strips, 1, grown),
              "ybWriteOneStripImageRecord");
        state.PauseTiming();
        std::vector<ImageOrderInfo> restore = original;
        check(state, ybWriteOneStripImageRecord(block.imageListPath.c_str(), block.strips, 1, restore),
              "ybWriteOneStripImageRecord");
        state.ResumeTiming();
    }
}

void detach(benchmark::State& state) {
    auto& block = diskBlock();
    for (auto _ : state) check(state, ybDetachBlockTiePntFile(block.optionPath.c_str()), "ybDetachBlockTiePntFile");
}

void unite(benchmark::State& state) {
    auto& block = diskBlock();
    check(state, ybDetachBlockTiePntFile(block.optionPath.c_str()), "ybDetachBlockTiePntFile");
    for (auto _ : state) check(state, ybUniteBlockTiePntFile(block.optionPath.c_str()), "ybUniteBlockTiePntFile");
}

// The files detach writes, one ybWriteImgGcpFile each: every file synced on its own.
void filesOneByOne(benchmark::State& state) {
    auto& block = diskBlock();
    std::unordered_map<std::int32_t, std::vector<tagImagePoint>> byImage;
    for (tagImagePoint const& point : block.points) byImage[point.imageNo].push_back(point);
    std::vector<std::pair<std::string, std::vector<tagImagePoint> const*>> files;
    for (auto const& strip : block.stripImages)
        for (auto const& image : strip) {
            std::string path = image.szImagePath;
            std::string const title = path.substr(path.find_last_of('\\') + 1);
            files.emplace_back("E:\\Disk\\Temp\\" + title.substr(0, title.find_last_of('.')) + ".ijp",
                               &byImage[image.nImageNo]);
        }
    for (auto _ : state)
        for (auto const& [path, points] : files)
            check(state, ybWriteImgGcpFile(path.c_str(), points->data(), static_cast<std::int32_t>(points->size())),
                  "ybWriteImgGcpFile");
}

// Registers `body` as "disk/<key>/on" and "disk/<key>/off".
void registerBoth(std::string const& key, void (*body)(benchmark::State&), int repetitions = 3) {
    for (bool on : {true, false}) {
        registerOnce("disk/" + key + (on ? "/on" : "/off"), [body, on](benchmark::State& state) {
            hbSetSyncWrites(on);
            body(state);
            hbSetSyncWrites(true);
        })->Repetitions(repetitions);
    }
}

}  // namespace

void registerDiskCases() {
    registerBoth("joint", jointAppends);
    registerBoth("strip", stripRewrite);
    registerBoth("detach", detach);
    registerBoth("unite", unite);
    registerOnce("disk/files/on", filesOneByOne)->Repetitions(3);
    registerOnce("disk/detach-camera/lib", cameraDetach)->Repetitions(3);
    registerOnce("disk/detach-camera/raw", plainCameraDetach)->Repetitions(3);
    auto where = [](std::string const& what) { return what + " (" + diskRoot().kind + ")"; };
    addRow({"ybWriteComJointPntFile, 100 models appended", where("synced / not synced"), RowKind::Cost, "disk/joint/on",
            "disk/joint/off"});
    addRow({"ybWriteOneStripImageRecord, strip 1 grows", where("50 x 20 images, synced / not"), RowKind::Cost,
            "disk/strip/on", "disk/strip/off"});
    addRow({"ybDetachBlockTiePntFile, image type 3", where("1,000 images, synced / not"), RowKind::Cost,
            "disk/detach/on", "disk/detach/off"});
    addRow({"ybUniteBlockTiePntFile", where("1,000 images, synced / not"), RowKind::Cost, "disk/unite/on",
            "disk/unite/off"});
    addRow({"ybDetachBlockTiePntFile, camera block", where("20,000 images, synced (raw: the same I/O)"), RowKind::Ratio,
            "disk/detach-camera/lib", "disk/detach-camera/raw", 3.0});
    addRow({"1,000 ybWriteImgGcpFile, each synced", where("against detach's batch, synced"), RowKind::Cost,
            "disk/files/on", "disk/detach/on"});
}

}  // namespace yb::bench
