// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Processes sharing one small block (made with fork, so Linux only). Each kind of writer is stopped
// (SIGSTOP) before each of its file operations in turn while another process reads or writes the same
// file, and is then let go or killed there; then several processes run loops of every call at once,
// one of them killed on the way. After each round: every change a call reported done is in its file,
// none reported failed is, each file is one a sequence of whole calls could have made (in an order
// that keeps calls that did not overlap in time in their order), and no reader saw a mixture.
#include "builders.h"

#include "fs.h"

#include <yb/HostBaseInternal.h>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <thread>

namespace {

using Bytes = std::vector<unsigned char>;

constexpr char const* kOption = "D:\\Blk\\Area1.dms";
constexpr char const* kList = "D:\\Blk\\Area1.bil";
constexpr char const* kPoints = "D:\\Blk\\Temp\\a1.ijp";  // image 101's per-image file, which unite reads
constexpr char const* kPairs = "D:\\Blk\\pair.mcp";
constexpr char const* kUnited = "D:\\Blk\\Area1.scp";
constexpr char const* kMerged = "D:\\Blk\\merged.scp";
constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

std::int64_t now() { return std::chrono::steady_clock::now().time_since_epoch().count(); }

// One call, as the process that made it reports it in memory all the processes share.
struct Outcome {
    std::int32_t op = 0;
    std::int32_t n = 0;  // the call's number, which what it writes carries
    std::int64_t start = 0;
    std::int64_t end = 0;  // 0: killed before the call returned
    std::int32_t code = 0;
    bool mixture = false;  // a reader got what no sequence of whole calls makes

    bool done() const { return end != 0 && code == 0; }
    bool failed() const { return end != 0 && code != 0; }
    std::int64_t until() const { return end != 0 ? end : kNever; }
};

constexpr std::size_t kMostOutcomes = 1 << 16;
struct Shared {
    std::atomic<std::int32_t> nextNumber{1};
    std::atomic<std::int32_t> count{0};
    std::int64_t operations = 0;  // of a call counted in a child
    Outcome outcomes[kMostOutcomes];
};

// Names like "a12x" or "s7_1": a letter, the call's number, the rest.
struct Tag {
    char kind = 0;
    int n = 0;
    std::string rest;
};
std::optional<Tag> tagOf(std::string const& name) {
    std::size_t digits = 1;
    while (digits < name.size() && std::isdigit(static_cast<unsigned char>(name[digits]))) ++digits;
    if (name.size() < 2 || digits == 1) return std::nullopt;
    return Tag{name[0], std::stoi(name.substr(1, digits - 1)), name.substr(digits)};
}

// A file that holds what its first calls left and then whole appends: `base` is the call that wrote it
// whole (0: as made at the start), `appended` the appends in file order.
struct Log {
    int base = 0;
    std::vector<int> appended;
};
// The number of the call whose names stand from `at` on: <kind>N followed by each of `suffixes`.
std::optional<int> groupAt(std::vector<std::string> const& names, std::size_t at, char kind,
                           std::vector<std::string> const& suffixes) {
    if (names.size() - at < suffixes.size()) return std::nullopt;
    auto const first = tagOf(names[at]);
    for (std::size_t k = 0; first && k < suffixes.size(); ++k) {
        auto const tag = tagOf(names[at + k]);
        if (!tag || tag->kind != kind || tag->n != first->n || tag->rest != suffixes[k]) return std::nullopt;
    }
    return first ? std::optional(first->n) : std::nullopt;
}

// Reads names as a log: `start` (the file as made) or a whole write <baseKind>N a, b, c; then appends
// <appendKind>N with each of `suffixes`. Nothing when it is no such sequence.
std::optional<Log> parseLog(std::vector<std::string> const& names, std::vector<std::string> const& start, char baseKind,
                            char appendKind, std::vector<std::string> const& suffixes) {
    Log log;
    std::size_t at = start.size();
    if (names.size() < start.size() || !std::equal(start.begin(), start.end(), names.begin())) {
        auto const base = groupAt(names, 0, baseKind, {"a", "b", "c"});
        if (!base) return std::nullopt;
        log.base = *base;
        at = 3;
    }
    for (; at < names.size(); at += suffixes.size()) {
        auto const appended = groupAt(names, at, appendKind, suffixes);
        if (!appended) return std::nullopt;
        log.appended.push_back(*appended);
    }
    return log;
}

std::vector<std::string> namesOf(std::vector<tagImagePoint> const& points) {
    std::vector<std::string> names;
    for (auto const& point : points) names.emplace_back(point.name, strnlen(point.name, sizeof point.name));
    return names;
}

// ---- the calls: one table, each writing what carries its number, each reader checking what it got ----

struct Op {
    char const* name;
    char const* file;  // the file it works on, which the checks group by
    bool writes;
    std::function<std::int32_t(int n, bool& mixture)> run;
};

std::vector<tagImagePoint> pointsNamed(std::string const& stem, std::vector<std::string> const& suffixes,
                                       std::int32_t imageNo = 101) {
    std::vector<tagImagePoint> points;
    for (auto const& suffix : suffixes) points.push_back(yb::test::tiePoint((stem + suffix).c_str(), imageNo));
    return points;
}

std::optional<Log> readPointLog(char const* path, std::int32_t& code) {
    std::vector<tagImagePoint> points;
    code = ybReadImgGcpFileToAry(path, points);
    if (code != 0) return Log{};
    return parseLog(namesOf(points), {"T1", "T2"}, 'r', 'a', {"x", "y"});
}

std::optional<Log> readFirstSection(std::int32_t& code) {
    std::vector<ModelCommonPoint> points(4096);
    std::int32_t count = 0;
    code = ybReadComJointPntFile(kPairs, 1, 1, 2, points.data(), &count);
    if (code != 0) return Log{};
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < count; ++i) names.emplace_back(points[static_cast<std::size_t>(i)].name);
    return parseLog(names, {"i0", "i1"}, '-', 'g', {"_0", "_1"});
}

// The value image 102 and strip 2 hold: the number of the call that wrote them, 0 as made; nothing
// for a mixture of two calls.
std::optional<int> valueOf(std::vector<ImageOrderInfo> const& images, bool wholeStrip) {
    std::set<int> values;
    for (auto const& image : images) {
        if (!wholeStrip && image.nImageNo != 102) continue;
        std::string const path = image.szImagePath;
        std::size_t const cut = path.find_last_of('\\');
        auto tag = tagOf(path.substr(cut + 1));
        if (!tag || (tag->kind != 'u' && tag->kind != 's')) {
            values.insert(0);
            continue;
        }
        values.insert(image.nGroupNo == tag->n ? tag->n : -1);
        if (wholeStrip && static_cast<int>(images.size()) != 1 + tag->n % 3) values.insert(-1);
    }
    if (values.size() != 1 || *values.begin() < 0) return std::nullopt;
    return *values.begin();
}

std::optional<std::map<int, int>> readMerged(std::int32_t& code) {
    std::vector<tagImagePoint> points;
    code = ybReadTiePntFileToAry(kMerged, points);
    std::map<int, int> images;  // merge number -> the images its points are on, as bits
    if (code != 0) return images;
    for (auto const& point : points) {
        auto tag = tagOf(std::string(point.name, strnlen(point.name, sizeof point.name)));
        if (tag && tag->kind == 'm') images[tag->n] |= point.imageNo == 101 ? 1 : 2;
    }
    for (auto const& [n, on] : images)
        if (on != 3) return std::nullopt;
    return images;
}

// Two common points named <kind>N_0, <kind>N_1 into the section of models `first` and `second`.
std::int32_t writeSection(char kind, int n, std::int32_t first, std::int32_t second) {
    std::string const prefix = kind + std::to_string(n) + "_";
    CONTROLPOINT_STORAGE* set = yb::test::modelPointSet(2, 2, prefix.c_str());
    std::int32_t const code = ybWriteComJointPntFile(kPairs, 1, first, second, set, set);
    ybFreeControlPointMem(set);
    return code;
}

// A reader's call: its code, and a mixture where what it read is no sequence of whole calls.
template <class Read>
std::function<std::int32_t(int, bool&)> reader(Read read) {
    return [read](int, bool& mixture) {
        std::int32_t code = 0;
        mixture = !read(code);
        return code;
    };
}

std::vector<Op> const& ops() {
    static std::vector<Op> const table = {
        {"image point append", kPoints, true,
         [](int n, bool&) {
             auto points = pointsNamed("a" + std::to_string(n), {"x", "y"});
             return ybAppendImgJointPntToFile(kPoints, points.data(), 2);
         }},
        {"image point file", kPoints, true,
         [](int n, bool&) {
             auto points = pointsNamed("r" + std::to_string(n), {"a", "b", "c"});
             return ybWriteImgGcpFile(kPoints, points.data(), 3);
         }},
        {"image point read", kPoints, false, reader([](std::int32_t& code) { return readPointLog(kPoints, code); })},
        {"unite", kPoints, true, [](int, bool&) { return ybUniteBlockTiePntFile(kOption); }},
        {"section insert", kPairs, true, [](int n, bool&) { return writeSection('s', n, 1000 + n, 1001 + n); }},
        {"first section grows", kPairs, true, [](int n, bool&) { return writeSection('g', n, 1, 2); }},
        {"common point read", kPairs, false, reader([](std::int32_t& code) { return readFirstSection(code); })},
        {"image record update", kList, true,
         [](int n, bool&) {
             ImageOrderInfo record = yb::test::imageRecord(1, 2, "D:\\Blk\\Images\\u" + std::to_string(n) + ".ybi");
             record.nGroupNo = n;
             return ybUpdateOneImageRecord(kList, 102, record);
         }},
        {"strip rewrite", kList, true,
         [](int n, bool&) {
             std::vector<ImageOrderInfo> strip;
             for (int k = 1; k <= 1 + n % 3; ++k) {
                 strip.push_back(yb::test::imageRecord(
                     2, k, "D:\\Blk\\Images\\s" + std::to_string(n) + "_" + std::to_string(k) + ".ybi"));
                 strip.back().nGroupNo = n;
             }
             return ybWriteOneStripImageRecord(kList, 2, 2, strip);
         }},
        {"image list read", kList, false,
         [](int, bool& mixture) {
             std::vector<ImageOrderInfo> first, second;
             std::int32_t code = ybReadOneStripImageRecord(kList, 2, 1, first);
             if (code == 0) code = ybReadOneStripImageRecord(kList, 2, 2, second);
             mixture = code == 0 && (!valueOf(first, false) || !valueOf(second, true));
             return code;
         }},
        {"tie point merge", kMerged, true,
         [](int n, bool&) {
             std::string const name = "m" + std::to_string(n);
             std::vector<tagImagePoint> points = {yb::test::tiePoint(name.c_str(), 101),
                                                  yb::test::tiePoint(name.c_str(), 102)};
             return ybAppendTiePntToFile(kMerged, points.data(), 2);
         }},
        {"automatic points removed", kMerged, true, [](int, bool&) { return ybRemoveAutoExtractTiePnt(kMerged); }},
        {"tie point read", kMerged, false, reader([](std::int32_t& code) { return readMerged(code); })},
    };
    return table;
}

// Counts the file operations of the process; at the `stopAt`-th the process stops itself.
std::int64_t operationsSeen = 0;
std::int64_t stopAt = 0;
bool stopBeforeOperation(HbFileOperation, void*) {
    if (++operationsSeen == stopAt) ::raise(SIGSTOP);
    return false;
}

class SharedProcesses : public yb::test::DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        if (!yb::test::runInChildProcess([] { std::_Exit(0); })) GTEST_SKIP() << "other processes are made with fork";
        void* memory = ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(memory, MAP_FAILED);
        shared_ = new (memory) Shared;
        // A lock that is never let go fails a call after this long, rather than the test hanging.
        hbSetLockTimeout(5000);
        ASSERT_EQ(yb::test::makeBlock(yb::test::blockRecord(3)), 0);
        auto const start = pointsNamed("T", {"1", "2"});
        ASSERT_EQ(ybWriteImgGcpFile(kPoints, start.data(), 2), 0);
        ASSERT_EQ(ybCreateTiePntFile(kMerged, start.data(), 2), 0);
        ASSERT_EQ(ybCreateComJointPntFile(kPairs, 1), 0);
        CONTROLPOINT_STORAGE* set = yb::test::modelPointSet(2, 2, "i");
        ASSERT_EQ(ybWriteComJointPntFile(kPairs, 1, 1, 2, set, set), 0);
        ybFreeControlPointMem(set);
    }

    void TearDown() override {
        hbSetLockTimeout(-1);
        if (shared_ != nullptr) ::munmap(shared_, sizeof(Shared));
        DriveFixture::TearDown();
    }

    // Makes a call here under the next number, reporting it as it goes as `op`; false once the report
    // is full.
    bool record(std::int32_t op, std::function<std::int32_t(int n, bool& mixture)> const& run) {
        std::int32_t const slot = shared_->count.fetch_add(1);
        if (slot >= static_cast<std::int32_t>(kMostOutcomes)) return false;
        Outcome& outcome = shared_->outcomes[slot];
        outcome.op = op;
        outcome.n = shared_->nextNumber.fetch_add(1);
        outcome.start = now();
        bool mixture = false;
        outcome.code = run(outcome.n, mixture);
        outcome.mixture = mixture;
        outcome.end = now();
        return true;
    }
    void call(std::size_t op) { record(static_cast<std::int32_t>(op), ops()[op].run); }

    // The file operations the call makes, counted in a process of its own.
    std::int64_t operationsOf(std::size_t op) {
        pid_t const counter = inChild([&] {
            operationsSeen = 0;
            stopAt = 0;
            call(op);
            shared_->operations = operationsSeen;
        });
        int status = 0;
        ::waitpid(counter, &status, 0);
        return shared_->operations;
    }

    pid_t inChild(std::function<void()> const& work) {
        pid_t const child = ::fork();
        if (child == 0) {
            work();
            std::_Exit(0);
        }
        return child;
    }
    // A child making call `op`, which stops itself before its `step`-th file operation.
    pid_t stoppingBefore(std::size_t op, std::int64_t step) {
        return inChild([&] {
            operationsSeen = 0;
            stopAt = step;
            call(op);
        });
    }
    static void waitFor(std::vector<pid_t> const& children) {
        int status = 0;
        for (pid_t child : children) ::waitpid(child, &status, 0);
    }

    std::vector<Outcome const*> outcomesOf(char const* opName) const {
        std::vector<Outcome const*> found;
        std::int32_t const count = std::min<std::int32_t>(shared_->count.load(), kMostOutcomes);
        for (std::int32_t i = 0; i < count; ++i)
            if (std::string(ops()[static_cast<std::size_t>(shared_->outcomes[i].op)].name) == opName)
                found.push_back(&shared_->outcomes[i]);
        return found;
    }

    static Outcome const* numbered(std::vector<Outcome const*> const& calls, int n) {
        auto found = std::find_if(calls.begin(), calls.end(), [&](Outcome const* o) { return o->n == n; });
        return found == calls.end() ? nullptr : *found;
    }

    // What the calls reported against what the files hold.
    void checkFiles(std::string const& round) {
        SCOPED_TRACE(round);
        std::int32_t const count = std::min<std::int32_t>(shared_->count.load(), kMostOutcomes);
        for (std::int32_t i = 0; i < count; ++i) {
            Outcome const& o = shared_->outcomes[i];
            EXPECT_FALSE(o.mixture) << ops()[static_cast<std::size_t>(o.op)].name << " read a mixture";
        }
        std::int32_t code = 0;

        // The image point file: a whole write, then whole appends; what unite made of it too.
        auto const points = readPointLog(kPoints, code);
        ASSERT_EQ(code, 0);
        ASSERT_TRUE(points) << "the image point file is no sequence of whole calls";
        checkLog(*points, outcomesOf("image point append"), outcomesOf("image point file"));
        std::vector<tagImagePoint> united;
        bool const unitedRead = ybReadTiePntFileToAry(kUnited, united) == 0;
        EXPECT_TRUE(!unitedRead || parseLog(namesOf(united), {"T1", "T2"}, 'r', 'a', {"x", "y"}))
            << "unite read a mixture";

        // The common point file: the first section grows, new sections come behind.
        auto const first = readFirstSection(code);
        ASSERT_EQ(code, 0);
        ASSERT_TRUE(first) << "the first section is no sequence of whole calls";
        checkLog(*first, outcomesOf("first section grows"), {});
        // The header's counts against the sections behind them, walked here.
        Bytes const pairs = readNative("Blk/pair.mcp");
        constexpr std::size_t kFirstSection = 33 + 12;  // magic, strips, sections, points
        std::int32_t const sectionCount = yb::test::at<std::int32_t>(pairs, kFirstSection - 8);
        std::int32_t records = 0;
        std::set<int> sections;
        std::size_t offset = kFirstSection;
        for (std::int32_t k = 0; k < sectionCount && offset + 16 <= pairs.size(); ++k) {
            auto const firstModel = yb::test::at<std::int32_t>(pairs, offset + 4);
            auto const inSection = yb::test::at<std::int32_t>(pairs, offset + 12);
            if (firstModel >= 1000) {
                EXPECT_EQ(inSection, 2);
                sections.insert(firstModel - 1000);
            }
            records += inSection;
            offset += 16 + sizeof(ModelCommonPoint) * static_cast<std::size_t>(inSection);
        }
        EXPECT_LE(offset, pairs.size());  // an append cut short leaves bytes behind the counted ones
        EXPECT_EQ(yb::test::at<std::int32_t>(pairs, kFirstSection - 4), records);
        EXPECT_EQ(sectionCount, 1 + static_cast<std::int32_t>(sections.size()));
        EXPECT_EQ(records, 2 + 2 * static_cast<std::int32_t>(first->appended.size() + sections.size()));
        checkSet(sections, outcomesOf("section insert"));

        // The image list: image 102 and strip 2 each as the last call to write them left them.
        std::vector<ImageOrderInfo> strip1, strip2;
        ASSERT_EQ(ybReadOneStripImageRecord(kList, 2, 1, strip1), 0);
        ASSERT_EQ(ybReadOneStripImageRecord(kList, 2, 2, strip2), 0);
        auto const image = valueOf(strip1, false), strip = valueOf(strip2, true);
        ASSERT_TRUE(image && strip) << "the image list is no sequence of whole calls";
        checkLast(*image, outcomesOf("image record update"));
        checkLast(*strip, outcomesOf("strip rewrite"));

        // The tie point file: every merge whole, none lost.
        auto const merged = readMerged(code);
        ASSERT_EQ(code, 0);
        ASSERT_TRUE(merged) << "a merge is in the tie point file in part";
        std::set<int> present;
        for (auto const& [n, on] : *merged) present.insert(n);
        checkSet(present, outcomesOf("tie point merge"));
    }

    // Appends are in the file once done, never when failed, in an order that keeps appends that did
    // not overlap in time in theirs; a whole write (`base`) may have come after an append it lacks.
    static void checkLog(Log const& log, std::vector<Outcome const*> const& appends,
                         std::vector<Outcome const*> const& writes) {
        checkLast(log.base, writes);
        Outcome const* base = numbered(writes, log.base);
        if (log.base != 0 && base == nullptr) return;
        std::map<int, std::size_t> at;
        for (std::size_t i = 0; i < log.appended.size(); ++i) at[log.appended[i]] = i;
        for (Outcome const* append : appends) {
            auto const found = at.find(append->n);
            if (found == at.end()) {
                EXPECT_FALSE(append->done() && !(base != nullptr && append->start < base->until()))
                    << "append " << append->n << " reported done is not in the file";
                continue;
            }
            EXPECT_FALSE(append->failed()) << "append " << append->n << " reported failed is in the file";
            EXPECT_TRUE(base == nullptr || append->until() > base->start)
                << "append " << append->n << " before its base";
            for (Outcome const* later : appends) {
                auto const other = at.find(later->n);
                bool const swapped =
                    other != at.end() && other->second > found->second && later->until() < append->start;
                EXPECT_FALSE(swapped) << "appends " << append->n << ", " << later->n << " out of order";
            }
        }
    }

    static void checkSet(std::set<int> const& present, std::vector<Outcome const*> const& calls) {
        for (Outcome const* c : calls) {
            EXPECT_FALSE(c->done() && present.count(c->n) == 0)
                << "change " << c->n << " reported done is not in the file";
            EXPECT_FALSE(c->failed() && present.count(c->n) != 0)
                << "change " << c->n << " reported failed is in the file";
        }
    }

    // A value written whole: from a call not reported failed, and no call reported done began after
    // it ended.
    static void checkLast(int value, std::vector<Outcome const*> const& writes) {
        Outcome const* last = numbered(writes, value);
        if (value != 0) {
            ASSERT_NE(last, nullptr);
            EXPECT_FALSE(last->failed()) << "a failed write " << value << " is in the file";
        }
        for (Outcome const* write : writes) {
            bool const lost = write->done() && write->n != value && !(last != nullptr && write->start < last->until());
            EXPECT_FALSE(lost) << "write " << write->n << " lost to " << value;
        }
    }

    Shared* shared_ = nullptr;
};

TEST_F(SharedProcesses, WritersStoppedOrKilledAtEachStepBesideAnother) {
    hbSetFileFaultHook(stopBeforeOperation, nullptr);
    constexpr std::int64_t kMostSteps = 30;  // steps stopped at per call, spread over its operations
    for (std::size_t op = 0; op < ops().size(); ++op) {
        if (!ops()[op].writes) continue;
        // The same file's calls take turns disturbing the stopped one.
        std::vector<std::size_t> others;
        for (std::size_t other = 0; other < ops().size(); ++other)
            if (std::string(ops()[other].file) == ops()[op].file) others.push_back(other);
        // The operations the call makes (a walk over sections makes more as sections are added).
        std::int64_t const operations = operationsOf(op);
        int status = 0;
        std::int64_t const steps = std::min(operations, kMostSteps);
        for (std::int64_t s = 0; s < steps; ++s) {
            std::int64_t const step = 1 + s * operations / steps;
            bool const kill = s % 2 == 1;
            pid_t const writer = stoppingBefore(op, step);
            ASSERT_EQ(::waitpid(writer, &status, WUNTRACED), writer);
            if (!WIFSTOPPED(status)) continue;  // the call made fewer operations this time
            std::size_t const other = others[static_cast<std::size_t>(s) % others.size()];
            pid_t const disturber = inChild([&] {
                stopAt = 0;
                call(other);
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            ::kill(writer, kill ? SIGKILL : SIGCONT);
            ::waitpid(writer, &status, 0);
            ::waitpid(disturber, &status, 0);
            checkFiles(std::string(ops()[op].name) + (kill ? " killed" : " stopped") + " before operation " +
                       std::to_string(step) + " of " + std::to_string(operations) + " beside " + ops()[other].name);
            if (HasFatalFailure()) return;
        }
    }
    // Let go or killed, no call failed.
    std::int32_t const count = shared_->count.load();
    for (std::int32_t i = 0; i < count; ++i)
        EXPECT_FALSE(shared_->outcomes[i].failed()) << ops()[static_cast<std::size_t>(shared_->outcomes[i].op)].name
                                                    << " failed with " << shared_->outcomes[i].code;
    hbSetFileFaultHook(nullptr, nullptr);
}

TEST_F(SharedProcesses, FreeRunningLoops) {
    constexpr int kProcesses = 6;
    auto const until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    std::vector<pid_t> workers;
    for (int p = 0; p < kProcesses; ++p) {
        workers.push_back(inChild([&, p] {
            // Half of them take stamps as kernels before 6.13 give them, and trust what the system
            // reports of the file's changes in place of a finer stamp.
            if (p % 2 == 1) yb::platform::setCoarseStamps(true);
            std::mt19937 random(static_cast<unsigned>(p) * 7919u + 17u);
            std::uniform_int_distribution<std::size_t> pick(0, ops().size() - 1);
            while (std::chrono::steady_clock::now() < until) call(pick(random));
        }));
    }
    // One is killed on the way, wherever it is.
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ::kill(workers[0], SIGKILL);
    waitFor(workers);
    checkFiles("free-running loops");
    std::printf("%d calls in the loops\n", shared_->count.load());
}

}  // namespace

// Two processes merge points of their own image into one tie point file as fast as they can for a few
// seconds: every merge that answered done is in the file, and none waits out the limit, since each
// holds the file for milliseconds and a waiter gets it in its turn.
TEST_F(SharedProcesses, TwoMergersLoseNothingAndWaitInTurn) {
    constexpr char const* kFile = "D:\\Blk\\two.scp";
    auto const start = pointsNamed("s", {"1", "2", "3"}, 103);
    ASSERT_EQ(ybCreateTiePntFile(kFile, start.data(), 3), 0);
    hbSetLockTimeout(-1);  // the default limit
    auto const until = std::chrono::steady_clock::now() + std::chrono::milliseconds(3000);
    std::vector<pid_t> workers;
    for (std::int32_t imageNo : {101, 102}) {
        auto const merge = [imageNo](int n, bool&) {
            auto const points = pointsNamed("m" + std::to_string(n), {"a", "b", "c"}, imageNo);
            return ybAppendTiePntToFile(kFile, points.data(), 3);
        };
        workers.push_back(inChild([&, imageNo, merge] {
            while (std::chrono::steady_clock::now() < until && record(imageNo, merge)) continue;
        }));
    }
    waitFor(workers);
    std::vector<tagImagePoint> points;
    ASSERT_EQ(ybReadTiePntFileToAry(kFile, points), 0);
    std::map<int, int> found;  // call number -> its points in the file
    for (auto const& point : points) {
        auto const tag = tagOf(std::string(point.name, strnlen(point.name, sizeof point.name)));
        if (tag && tag->kind == 'm') ++found[tag->n];
    }
    std::int32_t const count = std::min<std::int32_t>(shared_->count.load(), kMostOutcomes);
    int done = 0, lost = 0, failed = 0;
    std::map<int, int> perProcess;
    std::int64_t longest = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        Outcome const& o = shared_->outcomes[i];
        ++perProcess[o.op];
        longest = std::max(longest, o.end - o.start);
        int const in = found.count(o.n) != 0 ? found[o.n] : 0;
        EXPECT_TRUE(in == 0 || in == 3) << "merge " << o.n << " is in the file in part";
        if (o.done()) ++done;
        if (o.done() && in == 0) ++lost;
        if (o.failed()) ++failed;
        EXPECT_FALSE(o.failed() && in != 0) << "merge " << o.n << " reported failed is in the file";
    }
    EXPECT_EQ(lost, 0) << "of " << done << " merges reported done";
    EXPECT_EQ(failed, 0) << "merges failed (" << count << " calls)";
    std::printf("%d merges (%d and %d), %d lost, %d failed, the longest %.1f ms\n", count, perProcess[101],
                perProcess[102], lost, failed, static_cast<double>(longest) / 1e6);
}

// What a reader makes of a file: its names in order, or nothing when the read failed.
using Names = std::optional<std::vector<std::string>>;
Names readNames(char const* file) {
    std::vector<std::string> names;
    std::int32_t code = 0;
    if (file == kList) {
        for (std::int32_t strip : {1, 2}) {
            std::vector<ImageOrderInfo> images;
            code = ybReadOneStripImageRecord(kList, 2, strip, images);
            for (auto const& image : images) names.emplace_back(image.szImagePath);
        }
    } else if (file == kPairs) {
        std::vector<ModelCommonPoint> points(4096);
        std::int32_t count = 0;
        code = ybReadComJointPntFile(kPairs, 1, 1, 2, points.data(), &count);
        for (std::int32_t i = 0; i < count && code == 0; ++i)
            names.emplace_back(points[static_cast<std::size_t>(i)].name);
    } else {
        std::vector<tagImagePoint> points;
        code = file == kMerged ? ybReadTiePntFileToAry(file, points) : ybReadImgGcpFileToAry(file, points);
        names = namesOf(points);
    }
    if (code != 0) return std::nullopt;
    return names;
}

std::size_t opNamed(char const* name) {
    for (std::size_t op = 0; op < ops().size(); ++op)
        if (std::string(ops()[op].name) == name) return op;
    return ops().size();
}

// A writer stopped before each of its file operations in turn: while the file's bytes are still the old
// ones (but for bytes appended behind them), another process reads the old content at once, whatever
// the writer holds (a replacement and a merge never hold readers back; a change in place only from its
// first write into what readers read).
TEST_F(SharedProcesses, ReadersGoOnBesideAStoppedWriter) {
    hbSetFileFaultHook(stopBeforeOperation, nullptr);
    hbSetLockTimeout(2000);
    for (char const* writerName :
         {"image point file", "tie point merge", "image point append", "section insert", "image record update"}) {
        std::size_t const op = opNamed(writerName);
        ASSERT_LT(op, ops().size());
        char const* file = ops()[op].file;
        std::int64_t const operations = operationsOf(op);
        int status = 0;
        int readsBeside = 0;
        for (std::int64_t step = 1; step <= operations; ++step) {
            SCOPED_TRACE(std::string(writerName) + " stopped before operation " + std::to_string(step));
            std::string const relative = file == kList     ? "Blk/Area1.bil"
                                         : file == kMerged ? "Blk/merged.scp"
                                         : file == kPairs  ? "Blk/pair.mcp"
                                                           : "Blk/Temp/a1.ijp";
            Bytes const old = readNative(relative);
            Names const oldNames = readNames(file);
            pid_t const writer = stoppingBefore(op, step);
            ASSERT_EQ(::waitpid(writer, &status, WUNTRACED), writer);
            Bytes const now = WIFSTOPPED(status) ? readNative(relative) : Bytes{};
            if (now.size() >= old.size() && std::equal(old.begin(), old.end(), now.begin())) {
                ++readsBeside;
                auto const start = std::chrono::steady_clock::now();
                Names const read = readNames(file);
                auto const took = std::chrono::steady_clock::now() - start;
                EXPECT_EQ(read, oldNames);
                EXPECT_LT(took, std::chrono::milliseconds(100));
            }
            ::kill(writer, SIGCONT);
            ::waitpid(writer, &status, 0);
        }
        EXPECT_GT(readsBeside, 0) << writerName;
    }
    hbSetFileFaultHook(nullptr, nullptr);
}

// A change in place killed before each of its operations in turn, then read by a process that may not
// write the file (it cannot roll the change back): it reads the file as a writable reader then finds it,
// or fails with its code and a message, never a torn file. An append taken in by its counts leaves
// nothing to roll back: such a reader always reads.
TEST_F(SharedProcesses, AStationThatCannotWriteIsNeverMisled) {
    hbSetFileFaultHook(stopBeforeOperation, nullptr);
    struct Writer {
        char const* name;
        bool journaled;
    };
    for (auto const [writerName, journaled] :
         {Writer{"image point append", false}, Writer{"section insert", false}, Writer{"image record update", true},
          Writer{"first section grows", true}}) {
        std::size_t const op = opNamed(writerName);
        ASSERT_LT(op, ops().size());
        char const* file = ops()[op].file;
        std::int64_t const operations = operationsOf(op);
        int status = 0;
        int refusals = 0;
        for (std::int64_t step = 1; step <= operations; ++step) {
            SCOPED_TRACE(std::string(writerName) + " killed before operation " + std::to_string(step));
            pid_t const writer = stoppingBefore(op, step);
            ASSERT_EQ(::waitpid(writer, &status, WUNTRACED), writer);
            ::kill(writer, SIGKILL);
            ::waitpid(writer, &status, 0);
            Names readOnly;
            {
                yb::test::MessageRecorder recorder;
                hbSetWriteAccessRefused(true);
                readOnly = readNames(file);
                hbSetWriteAccessRefused(false);
                if (!readOnly) {
                    ++refusals;
                    bool told = false;
                    for (auto const& message : recorder.messages)
                        told = told || message.gbk.find("holds a change that was interrupted") != std::string::npos;
                    EXPECT_TRUE(told);
                }
            }
            Names const writable = readNames(file);
            ASSERT_TRUE(writable);
            if (readOnly) {
                EXPECT_EQ(*readOnly, *writable);
            }
        }
        if (journaled) {
            EXPECT_GT(refusals, 0) << writerName << ": no stop left the file torn";
        } else {
            EXPECT_EQ(refusals, 0) << writerName;
        }
    }
    hbSetFileFaultHook(nullptr, nullptr);
}
