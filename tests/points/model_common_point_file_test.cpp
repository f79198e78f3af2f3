// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"
#include "fs.h"

#include <yb/HostBaseInternal.h>

#include <cstdio>
#include <chrono>
#include <fstream>

namespace {

using yb::test::TestSet;

class ModelCommonPointFile : public yb::test::DriveFixture {
protected:
    static constexpr char const* kPath = "D:\\m.mcp";

    // Writes `count` entry pairs to a pair of models; names come from the second set.
    std::int32_t writePair(std::int32_t strip, std::int32_t first, std::int32_t second, std::int32_t count,
                           double seed) {
        TestSet a(count), b(count);
        for (std::int32_t k = 0; k < count; ++k) {
            a.add("left", seed + 10 * k);
            std::string name = "C" + std::to_string(static_cast<int>(seed) + k);
            b.add(name.c_str(), seed + 10 * k + 5);
        }
        return ybWriteComJointPntFile(kPath, strip, first, second, &a.set, &b.set);
    }
    std::vector<ModelCommonPoint> readPair(std::int32_t strip, std::int32_t first, std::int32_t count) {
        std::vector<ModelCommonPoint> points(static_cast<std::size_t>(count) + 1);
        std::int32_t got = -1;
        EXPECT_EQ(ybReadComJointPntFile(kPath, strip, first, first + 1, points.data(), &got), 0);
        EXPECT_EQ(got, count);
        points.resize(static_cast<std::size_t>(std::max(got, 0)));
        return points;
    }
    void expectHeader(std::int32_t strips, std::int32_t sections, std::int32_t total) {
        std::int32_t s = -1, n = -1, t = -1;
        ASSERT_EQ(ybGetComJointPntFileInfo(kPath, &s, &n, &t), 0);
        EXPECT_EQ(s, strips);
        EXPECT_EQ(n, sections);
        EXPECT_EQ(t, total);
    }
};

TEST_F(ModelCommonPointFile, HeaderAndSectionRecordsFromBothModels) {
    ASSERT_EQ(ybCreateComJointPntFile(kPath, 4), 0);
    yb::test::Le file;
    file << "YB_MODEL_COMMON_POINT_FILE_VER1.0" << std::int32_t{4};
    EXPECT_EQ(readNative("m.mcp"), (yb::test::Le(file) << std::int32_t{0} << std::int32_t{0}).bytes);
    ASSERT_EQ(writePair(2, 1, 2, 3, 100), 0);
    // The first model's coordinates come from the first set; names and the third image's from the second.
    file << std::int32_t{1} << std::int32_t{3} << std::int32_t{2} << std::int32_t{1} << std::int32_t{2}
         << std::int32_t{3};
    for (double k : {0.0, 10.0, 20.0})
        file.text("C" + std::to_string(100 + static_cast<int>(k) / 10), 32)
            << 100 + k + 0.25 << 100 + k + 0.5 << 100 + k + 0.75 << 100 + k + 1.0 << 105 + k + 0.75 << 105 + k + 1.0;
    EXPECT_EQ(readNative("m.mcp"), file.bytes);
    expectHeader(4, 1, 3);
    auto points = readPair(2, 1, 3);
    EXPECT_EQ(std::memcmp(points.data(), file.bytes.data() + 61, 3 * sizeof(ModelCommonPoint)), 0);

    ASSERT_EQ(ybCreateComJointPntFile(kPath, 0), 0);
    std::int32_t strips = 0;
    EXPECT_EQ(ybGetComJointPntFileInfo(kPath, &strips, nullptr, nullptr), yb::kInvalidContent);
    EXPECT_EQ(ybCreateComJointPntFile(kPath, -1), yb::kInvalidArgument);
    EXPECT_EQ(ybGetComJointPntFileInfo("D:\\none.mcp", &strips, nullptr, nullptr), yb::kCannotOpen);
}

TEST_F(ModelCommonPointFile, GrowingASectionKeepsTheFollowingOnes) {
    ASSERT_EQ(ybCreateComJointPntFile(kPath, 2), 0);
    ASSERT_EQ(writePair(1, 1, 2, 2, 100), 0);
    ASSERT_EQ(writePair(1, 2, 3, 1, 200), 0);
    auto const following = readPair(1, 2, 1);
    ASSERT_EQ(writePair(1, 1, 2, 2, 300), 0);
    expectHeader(2, 2, 5);
    auto grown = readPair(1, 1, 4);
    ASSERT_EQ(grown.size(), 4u);
    EXPECT_STREQ(grown[1].name, "C101");
    EXPECT_STREQ(grown[2].name, "C300");
    auto after = readPair(1, 2, 1);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(std::memcmp(&after[0], &following[0], sizeof after[0]), 0);
    EXPECT_EQ(sizeNative("m.mcp"), 45u + 2 * 16 + 5 * 80);
}

TEST_F(ModelCommonPointFile, PairRulesOfReadersAndWriter) {
    ASSERT_EQ(ybCreateComJointPntFile(kPath, 4), 0);
    std::int32_t count = -1;
    ModelCommonPoint points[4];
    // The writer takes any second model beyond the first; the readers only neighbours.
    EXPECT_EQ(writePair(2, 1, 3, 1, 0), 0);
    EXPECT_EQ(ybGetComJointPntNumsOfFile(kPath, 2, 1, 3, &count), yb::kInvalidArgument);
    EXPECT_EQ(ybGetComJointPntNumsOfFile(kPath, 5, 1, 2, &count), yb::kInvalidArgument);
    EXPECT_EQ(ybGetComJointPntNumsOfFile(kPath, 2, 1, 2, &count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(ybReadComJointPntFile(kPath, 2, 1, 2, points, &count), yb::kInvalidContent);
    // The last model number has no neighbour: refused before any arithmetic on it.
    EXPECT_EQ(ybGetComJointPntNumsOfFile(kPath, 2, INT32_MAX, INT32_MIN, &count), yb::kInvalidArgument);
    EXPECT_EQ(ybReadComJointPntFile(kPath, 2, INT32_MAX, INT32_MIN, points, &count), yb::kInvalidArgument);

    // Sets of different sizes are refused before anything changes.
    auto const before = readNative("m.mcp");
    TestSet three(3), four(4);
    for (int k = 0; k < 3; ++k) three.add("a", k);
    for (int k = 0; k < 4; ++k) four.add("b", k);
    EXPECT_EQ(ybWriteComJointPntFile(kPath, 2, 1, 2, &three.set, &four.set), yb::kInvalidArgument);
    EXPECT_EQ(ybWriteComJointPntFile(kPath, 2, 1, 2, &three.set, nullptr), yb::kInvalidArgument);
    EXPECT_EQ(readNative("m.mcp"), before);
}

TEST_F(ModelCommonPointFile, CountedPairCannotBeReadFromATruncatedFile) {
    ASSERT_EQ(ybCreateComJointPntFile(kPath, 1), 0);
    ASSERT_EQ(writePair(1, 1, 2, 3, 0), 0);
    auto bytes = readNative("m.mcp");
    bytes.resize(bytes.size() - 10);
    writeNative("m.mcp", bytes);
    std::int32_t count = -1;
    ModelCommonPoint points[3];
    EXPECT_EQ(ybGetComJointPntNumsOfFile(kPath, 1, 1, 2, &count), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(ybReadComJointPntFile(kPath, 1, 1, 2, points, &count), yb::kInvalidContent);
    // A damaged file is not written to at all.
    EXPECT_EQ(writePair(1, 1, 2, 1, 0), yb::kInvalidContent);
    EXPECT_EQ(writePair(1, 2, 3, 1, 0), yb::kInvalidContent);
    EXPECT_EQ(readNative("m.mcp"), bytes);
}

#ifndef _WIN32
// Stamps taken from the clock tick, as kernels before 6.13 give them.
struct CoarseStamps {
    CoarseStamps() { yb::platform::setCoarseStamps(true); }
    ~CoarseStamps() { yb::platform::setCoarseStamps(std::nullopt); }
};

// Where the kernel stamps files from its clock tick, another program's change of the same length
// within the tick of an append leaves the file's stamp as the append left it. Here it turns the
// section of models 3-4 into one of models 4-5 (a head rewritten in place): the next append to 4-5
// must grow that section, not add a second one from what the last append learnt.
TEST_F(ModelCommonPointFile, AChangeInTheTickOfTheLastAppendIsNotMissed) {
    CoarseStamps const coarse;
    auto stamp = [&] {
        std::FILE* file = std::fopen(native("m.mcp").c_str(), "rb");
        auto const taken = yb::platform::stampOf(file);
        std::fclose(file);
        return taken;
    };
    // Twenty rounds at least, and more until the case has come (a loaded machine may take a clock tick
    // between the two changes of many rounds in a row), within a few seconds.
    int sameStamp = 0;
    auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (int round = 0; round < 20 || (sameStamp == 0 && std::chrono::steady_clock::now() < until); ++round) {
        ASSERT_EQ(ybCreateComJointPntFile(kPath, 1), 0);
        for (std::int32_t model = 1; model <= 3; ++model) ASSERT_EQ(writePair(1, model, model + 1, 1, model), 0);
        auto const left = stamp();
        {
            std::fstream file(native("m.mcp"), std::ios::in | std::ios::out | std::ios::binary);
            std::int32_t const head[3] = {1, 4, 5};
            file.seekp(45 + 2 * (16 + 80));
            file.write(reinterpret_cast<char const*>(head), sizeof head);
        }
        if (stamp() == left) ++sameStamp;
        ASSERT_EQ(writePair(1, 4, 5, 1, 9), 0);
        expectHeader(1, 3, 4);
        readPair(1, 4, 2);
    }
    EXPECT_GT(sameStamp, 0);  // the case did come
}

// Another writer killed before each file operation of its append leaves its change unfinished beside
// the state this process's last append left: this process's next append puts it back first, though
// the stamp may not have moved.
int operationsSeen = 0;
int dieAt = 0;
TEST_F(ModelCommonPointFile, AWriterKilledAfterTheLastAppendIsRolledBack) {
    CoarseStamps const coarse;
    hbSetFileFaultHook(
        [](HbFileOperation, void*) {
            if (++operationsSeen == dieAt) std::_Exit(0);
            return false;
        },
        nullptr);
    struct Unhook {
        ~Unhook() { hbSetFileFaultHook(nullptr, nullptr); }
    } const unhook;
    // A change of the same length within the clock tick leaves the stamp as it was: some rounds meet it.
    for (int round = 0; round < 6; ++round)
        for (int step = 1;; ++step) {
            ASSERT_EQ(ybCreateComJointPntFile(kPath, 1), 0);
            for (std::int32_t model = 1; model <= 3; ++model) ASSERT_EQ(writePair(1, model, model + 1, 1, model), 0);
            std::optional<int> const killed = yb::test::runInChildProcess([&] {
                operationsSeen = 0;
                dieAt = step;
                writePair(1, 3, 4, 2, 30);
                std::_Exit(1);
            });
            ASSERT_TRUE(killed.has_value());
            if (*killed != 0) break;  // the append made fewer operations
            SCOPED_TRACE(step);
            ASSERT_EQ(writePair(1, 4, 5, 1, 9), 0);
            expectHeader(1, 4, 4);
            readPair(1, 3, 1);
            readPair(1, 4, 1);
        }
}
#endif

}  // namespace
