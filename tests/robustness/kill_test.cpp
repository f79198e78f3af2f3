// A process killed (SIGKILL) at a random point of a large unite, a large strip rewrite or a large
// section insert leaves the file as it was or as the call makes it, byte for byte; a change in place
// is rolled back by the next open, before anything reads the file.
#include "builders.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;

constexpr char const* kOption = "D:\\Blk\\Area1.dms";

class KilledWrites : public yb::test::DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        if (!yb::test::runInChildProcess([] { std::_Exit(0); }))
            GTEST_SKIP() << "a killed writer is made with fork, which Windows lacks";
    }

    // Runs `call` in a child process, killed after `delay` unless that is none; returns how long the
    // child took.
    static Clock::duration inChild(std::function<std::int32_t()> const& call,
                                   std::optional<std::chrono::microseconds> delay = std::nullopt) {
        auto const start = Clock::now();
        auto const status = yb::test::runInChildProcess([&] { std::_Exit(call() == 0 ? 0 : 1); }, delay);
        EXPECT_TRUE(delay || status == 0);
        return Clock::now() - start;
    }

    // Removes what killed writers left beside the files: their unfinished new files.
    void dropTemporaries() const {
        for (auto const& entry : fs::recursive_directory_iterator(root_)) {
            std::string const name = entry.path().filename().string();
            if (name.front() == '.' && name.ends_with(".tmp")) fs::remove(entry.path());
        }
    }

    // Kills `call` `times` times at random points; `opened` is what the next open of the file is.
    void expectOldOrNew(char const* relative, std::function<std::int32_t()> const& call, int times,
                        std::function<void()> const& opened = {}) {
        Bytes const old = readNative(relative);
        ASSERT_EQ(call(), 0);
        Bytes const made = readNative(relative);
        ASSERT_NE(old, made);
        // The shortest of three runs, so that most kills land while the call is still at work.
        auto duration = Clock::duration::max();
        for (int i = 0; i < 3; ++i) {
            writeNative(relative, old);
            duration = std::min(duration, inChild(call));
        }
        writeNative(relative, old);
        std::int64_t const span = std::chrono::duration_cast<std::chrono::microseconds>(duration).count();
        std::mt19937 random(20240611);
        std::uniform_int_distribution<std::int64_t> at(0, span);
        int asBefore = 0, asMade = 0;
        for (int i = 0; i < times; ++i) {
            inChild(call, std::chrono::microseconds(at(random)));
            if (opened) opened();
            Bytes const now = readNative(relative);
            ASSERT_TRUE(now == old || now == made) << relative << " torn by the kill " << i;
            (now == old ? asBefore : asMade) += 1;
            writeNative(relative, old);
            dropTemporaries();
        }
        std::printf("%s: %d kills left it as it was, %d as made (the call takes %lld us)\n", relative, asBefore, asMade,
                    static_cast<long long>(span));
    }
};

TEST_F(KilledWrites, UniteLeavesTheOldOrTheNewTiePointFile) {
    ASSERT_TRUE(ybCreateBlockFolder("D:\\Blk"));
    BlockInfo block = yb::test::blockRecord(3);
    ASSERT_EQ(ybWriteBlockOptionFile(kOption, &block), 0);
    std::vector<yb::test::StripTitles> strips(2);
    for (std::size_t s = 0; s < strips.size(); ++s)
        for (int k = 1; k <= 10; ++k) strips[s].push_back("i" + std::to_string(s + 1) + "_" + std::to_string(k));
    ASSERT_EQ(yb::test::writeImageList("D:\\Blk\\Area1.bil", strips), 0);
    std::vector<tagImagePoint> points;
    for (int s = 1; s <= 2; ++s) {
        for (int k = 1; k <= 10; ++k) {
            points.clear();
            for (int p = 0; p < 2000; ++p)
                points.push_back(yb::test::tiePoint(("P" + std::to_string(p)).c_str(), s * 100 + k, p));
            std::string const file = "D:\\Blk\\temp\\i" + std::to_string(s) + "_" + std::to_string(k) + ".ijp";
            ASSERT_EQ(ybWriteImgGcpFile(file.c_str(), points.data(), static_cast<std::int32_t>(points.size())), 0);
        }
    }
    std::vector<tagImagePoint> const old = {yb::test::tiePoint("Old", 101)};
    ASSERT_EQ(ybCreateTiePntFile("D:\\Blk\\Area1.scp", old.data(), 1), 0);
    expectOldOrNew(
        "Blk/Area1.scp", [] { return ybUniteBlockTiePntFile(kOption); }, 80);
}

TEST_F(KilledWrites, StripRewriteLeavesTheOldOrTheNewImageList) {
    std::vector<yb::test::StripTitles> strips(60);
    for (std::size_t s = 0; s < strips.size(); ++s)
        for (int k = 1; k <= 80; ++k) strips[s].push_back("s" + std::to_string(s) + "_" + std::to_string(k));
    ASSERT_EQ(yb::test::writeImageList("D:\\Area.bil", strips), 0);
    std::vector<ImageOrderInfo> longer;
    for (int k = 1; k <= 99; ++k)
        longer.push_back(yb::test::imageRecord(1, k, "D:\\New\\n" + std::to_string(k) + ".ybi"));
    expectOldOrNew(
        "Area.bil", [&] { return ybWriteOneStripImageRecord("D:\\Area.bil", 60, 1, longer); }, 60);
}

TEST_F(KilledWrites, SectionInsertIsRolledBackByTheNextOpen) {
    ASSERT_EQ(ybCreateOneModelGcpFile("D:\\m.bjp", 1), 0);
    CONTROLPOINT_STORAGE* set = yb::test::modelPointSet(100, 100, "M");
    for (int model = 1; model <= 300; ++model) ASSERT_EQ(ybWriteModelGcpFile("D:\\m.bjp", 1, model, set), 0);
    // Growing the first section moves everything behind it: the work copy keeps all of that.
    expectOldOrNew(
        "m.bjp", [&] { return ybWriteModelGcpFile("D:\\m.bjp", 1, 1, set); }, 60,
        [] {
            std::int32_t models = 0;
            ASSERT_EQ(ybGetModelNumsOfModelGcpFile("D:\\m.bjp", &models), 0);
        });
    EXPECT_FALSE(existsNative("m.bjp.bak"));
    ybFreeControlPointMem(set);
}

}  // namespace
