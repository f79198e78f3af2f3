// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Shared pieces of the block-scale benchmark suite: the folder the blocks live in (on tmpfs, mapped as
// drive D:), the blocks made by the block generator, raw stdio helpers for the baselines, and the table
// of targets that main prints.
#pragma once

#include "block_generator.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace yb::bench {

// ---- where the files live -------------------------------------------------------------------------

// The run's own folder (YB_BENCH_DIR, else /dev/shm), mapped as drive D:. Removed at exit.
std::string const& nativeRoot();
// Host path "D:\<relative>" with '\' separators.
std::string hostPath(std::string const& relative);
// Native path of the same file, exact spelling ('/' separators).
std::string nativePath(std::string const& relative);

// ---- raw stdio baselines ----------------------------------------------------------------------------

std::vector<char> readWhole(std::string const& nativeFile);
// What a plain program does to read a file: fresh memory of the file's size (not cleared), one fread,
// the memory freed again. The library hands its readers fresh memory too (a new point set, a new
// array, a caller's new vector). Returns the bytes read.
std::size_t readFresh(std::string const& nativeFile);
void writeWhole(std::string const& nativeFile, void const* data, std::size_t size);
// Reads `size` bytes at `offset`.
std::vector<char> readAt(std::string const& nativeFile, std::int64_t offset, std::size_t size);

// ---- the blocks ---------------------------------------------------------------------------------------

struct Block {
    std::string name;  // folder under the root and block name
    blockgen::GeneratedBlock made;
    std::int32_t imageType = 0;  // as the option file says now
};

// Made on first use and kept for the run. `keepPoints` keeps the tie point records in memory.
Block& block(std::string const& name, blockgen::BlockShape const& shape, bool keepPoints);
// Rewrites the block option file when its image type differs.
void setImageType(Block& block, std::int32_t imageType);

// The block sizes the workflows run on: N and 4N images, S and 4S strips.
Block& largeBlock();         // 250 strips x 80 images, 1,000,000 points (4N)
Block& smallBlock();         // 250 strips x 20 images, 250,000 points (N)
Block& fewStripsBlock();     // 1,000 strips, the first 100 holding 50 images each, 250,000 points (S)
Block& manyStripsBlock();    // 4,000 strips, the same images and points (4S)
Block& shortStripsBlock();   // 1,000 strips x 5 images, 250,000 points: the small block's images on 4x the strips
Block& hugeBlock();          // 1,250 strips x 80 images, 5,000,000 points (100,000 images)
Block& hugeShuffledBlock();  // the same shape, image type 3, for per-image files written in random order

// Memory a call adds to the process at its peak, in bytes: the call runs in a child, whose high-water
// mark is reset to its resident size first. -1 when the call fails (or the child cannot be made).
std::int64_t addedPeakBytes(std::function<std::int32_t()> const& call);

// Native paths of the files a detach of a camera block reads: the block option file, the camera file,
// the image list, the tie point file and every image's inner orientation, in image list order.
std::vector<std::string> cameraBlockReads(blockgen::GeneratedBlock const& block);
// The native paths of the per-image files a detach writes, and their bytes (photo coordinates zero:
// the same sizes whatever the image type), in image list order.
std::vector<std::string> perImageFiles(blockgen::GeneratedBlock const& block);
std::vector<std::vector<char>> perImageContents(blockgen::GeneratedBlock const& block);
// What a plain program does for a detach: reads every file of `reads` whole through one buffer, then
// writes each of `files` under a passing name and renames it into place. With `sync`, as the library's
// batch: each new file handed to the disk as it is written and waited for with one data sync before the
// renames, and their folder synced once after them.
void plainDetach(std::vector<std::string> const& reads, std::vector<std::string> const& files,
                 std::vector<std::vector<char>> const& contents, bool sync);

// Runs `call` once untimed, then as often as the state times it. A call that fills hundreds of
// megabytes of fresh memory (the 100,000-image files, a disk's inodes) pays, on this kind of machine,
// for what the cases before it left: the first touch of memory the host has not backed lately costs
// microseconds a page, and ext4 without a journal passes over the inodes freed in the last minute. A
// run right after one of its own meets what it left itself, whichever case ran before, and both sides
// of a row are measured alike.
void afterOneUntimed(benchmark::State& state, std::function<void()> const& call);

// Stops the run with a message when a library call fails: a figure of a failing call means nothing.
void check(benchmark::State& state, std::int32_t code, char const* what);

// ---- the table ----------------------------------------------------------------------------------------

enum class RowKind {
    Ratio,    // library time / raw baseline time
    Scaling,  // time at 4x the size / time at the size
    Memory,   // (peak - 32 MiB) / file size
    Size,     // bytes the library wrote (a figure) / the target, a limit in bytes; `baseline` names the
              // benchmark that wrote them
    Bytes,    // bytes written (a figure) / the bytes allowed (a figure), at most `target`
    Cost,     // one way of doing it / another (syncing against not): a figure, never a missed target
};

struct Row {
    std::string operation;
    std::string size;
    RowKind kind = RowKind::Ratio;
    std::string measured;  // benchmark name of the library run (the larger size for scaling rows)
    std::string baseline;  // benchmark name of the raw run (the smaller size for scaling rows)
    double target = 0.0;
    // The benchmarks that make its figures, where they are not `measured` and `baseline` (a memory
    // row's figures come from one benchmark of another name): rerun together when the row misses.
    std::vector<std::string> benchmarks = {};
};

void addRow(Row row);
std::vector<Row> const& rows();

// Best figure of every benchmark (seconds per iteration, or the value a memory case stores).
std::map<std::string, double>& figures();
void recordFigure(std::string const& name, double value);
// Best time of every timed benchmark by the other clock than figures() (wall clock when figures()
// holds CPU times, and the other way round), shown beside it.
std::map<std::string, double>& otherClockFigures();

// Registers a benchmark that runs one call per repetition (for calls of tens of milliseconds and more).
benchmark::internal::Benchmark* registerOnce(std::string const& name, std::function<void(benchmark::State&)> body);
// Registers a benchmark that runs as many calls as its minimum time needs.
benchmark::internal::Benchmark* registerRepeated(std::string const& name, std::function<void(benchmark::State&)> body);

// The cases of each group register their benchmarks and rows.
void registerTiePointCases();
void registerWorkflowCases();
void registerFileCases();
void registerPythonPlotCases();
void registerReportCases();
void registerColmapCases();  // where the build has the COLMAP exchange
void registerDiskCases();

}  // namespace yb::bench
