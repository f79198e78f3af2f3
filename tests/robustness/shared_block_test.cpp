// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// A block shared with another program: a journal is applied only to the file it was written for, and a
// call that meets another opening's hold of its file (a reader: a change writing into it) waits for it,
// or gives up at the wait limit with its code (in the tie point store with a message naming the file)
// and the file untouched. The other
// program is played by an opening of this process, so the tests run on Windows too.
#include "builders.h"

#include "fs.h"
#include "write_path.h"

#include <yb/HostBase.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

namespace {

namespace fs = std::filesystem;
namespace platform = yb::platform;
using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;

constexpr char const* kOption = "D:\\Blk\\Area1.dms";
constexpr char const* kList = "D:\\Blk\\Area1.bil";
constexpr char const* kPoints = "D:\\Blk\\Temp\\a1.ijp";
constexpr char const* kPairs = "D:\\Blk\\pair.mcp";
constexpr char const* kTiePoints = "D:\\Blk\\Area1.scp";

class SharedBlock : public yb::test::DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        ASSERT_EQ(yb::test::makeBlock(yb::test::blockRecord(3)), 0);
        std::vector<tagImagePoint> const points = {yb::test::tiePoint("T1", 101), yb::test::tiePoint("T2", 101)};
        ASSERT_EQ(ybWriteImgGcpFile(kPoints, points.data(), 2), 0);
        ASSERT_EQ(ybCreateTiePntFile(kTiePoints, points.data(), 2), 0);
        ASSERT_EQ(ybCreateComJointPntFile(kPairs, 1), 0);
    }

    void TearDown() override {
        hbSetLockTimeout(-1);
        DriveFixture::TearDown();
    }

    // An opening of the file that holds its lock, as another program's change would: one that writes
    // (a replacement, or a change in place still writing its journal), or, with `writingInto`, a
    // change in place that writes into the file itself.
    platform::NativeFile holdElsewhere(std::string const& relative, bool writingInto = false) {
        platform::NativeFile held =
            platform::openNative(native(relative), true, nullptr, platform::LockMode::Exclusive);
        EXPECT_TRUE(held.ownsLock());
        if (writingInto) {
            EXPECT_EQ(held.barReaders(native(relative)), platform::LockOutcome::Held);
        }
        return held;
    }
};

TEST_F(SharedBlock, AJournalIsAppliedOnlyToTheFileItWasWrittenFor) {
    std::string const file = "Blk/Temp/a1.ijp";
    Bytes const before = readNative(file);
    // A change caught half made, as a killed writer leaves it: the file and the journal beside it.
    Bytes halfMade, journal;
    {
        platform::FileChange change(kPoints, platform::WorkCopyName::Tmp);
        ASSERT_TRUE(change.opened());
        std::int32_t const count = 9;
        ASSERT_TRUE(change.keep({{32, 4}}) && change.write(32, &count, 4) && change.write(before.size(), "more", 4));
        halfMade = readNative(file);
        journal = readNative(file + ".tmp");
        // While the change lasts, no other opening may delete its journal (Windows; Linux has no such bar).
        if (!yb::test::hostPathsAreMapped()) {
            EXPECT_FALSE(platform::removeNative(native(file + ".tmp")));
        }
    }
    ASSERT_EQ(readNative(file), before);
    ASSERT_FALSE(existsNative(file + ".tmp"));

    std::vector<tagImagePoint> const other = {yb::test::tiePoint("Other", 101)};
    ASSERT_EQ(ybWriteImgGcpFile("D:\\Blk\\other.ijp", other.data(), 1), 0);
    Bytes const otherBytes = readNative("Blk/other.ijp");
    auto renamedOver = [&](Bytes const& bytes) {
        writeNative("Blk/new.ijp", bytes);
        fs::rename(nativeFsPath("Blk/new.ijp"), nativeFsPath(file));
    };
    struct Case {
        char const* name;
        std::function<void()> putInPlace;
        Bytes expected;  // what a read leaves
    };
    std::vector<Case> const cases = {
        {"the file as the change left it", [&] { writeNative(file, halfMade); }, before},
        {"the same bytes in a new file", [&] { renamedOver(halfMade); }, halfMade},
        {"a file restored from elsewhere", [&] { renamedOver(otherBytes); }, otherBytes},
        {"the file rewritten in place by another program", [&] { writeNative(file, otherBytes); }, otherBytes},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        c.putInPlace();
        writeNative(file + ".tmp", journal);
        std::vector<tagImagePoint> read;
        ybReadImgGcpFileToAry(kPoints, read);
        EXPECT_EQ(readNative(file), c.expected);
        EXPECT_FALSE(existsNative(file + ".tmp"));
        writeNative(file, before);
    }
}

TEST_F(SharedBlock, CallsWaitForAnotherProgramsHoldAndGiveUpAtTheLimit) {
    // The limit: HostBase's setting, else the environment's, else 10 s.
    yb::test::setEnvironment("YB_LOCK_TIMEOUT_MS", "250");
    EXPECT_EQ(hbGetLockTimeout(), 250);
    hbSetLockTimeout(0);
    EXPECT_EQ(hbGetLockTimeout(), 0);
    yb::test::setEnvironment("YB_LOCK_TIMEOUT_MS", nullptr);
    hbSetLockTimeout(-1);
    EXPECT_EQ(hbGetLockTimeout(), 10'000);

    CONTROLPOINT_STORAGE* set = yb::test::modelPointSet(2, 2, "J");
    std::vector<tagImagePoint> const added = {yb::test::tiePoint("New", 101)};
    std::vector<tagImagePoint> read;
    struct Call {
        char const* name;
        char const* file;  // relative to the drive
        std::function<std::int32_t()> call;
        std::int32_t refused;  // the answer at the limit
        bool message = false;  // the tie point store says why
        bool reads = false;    // waits only for a change that writes into the file
    };
    std::vector<Call> const calls = {
        {"image point append", "Blk/Temp/a1.ijp", [&] { return ybAppendImgJointPntToFile(kPoints, added.data(), 1); },
         yb::kCannotWrite},
        {"image point file", "Blk/Temp/a1.ijp", [&] { return ybWriteImgGcpFile(kPoints, added.data(), 1); },
         yb::kCannotWrite},
        {"image point read", "Blk/Temp/a1.ijp", [&] { return ybReadImgGcpFileToAry(kPoints, read); }, yb::kCannotOpen,
         false, true},
        {"section insert", "Blk/pair.mcp", [&] { return ybWriteComJointPntFile(kPairs, 1, 1, 2, set, set); },
         yb::kCannotWrite},
        {"image record update", "Blk/Area1.bil",
         [&] { return ybUpdateOneImageRecord(kList, 102, yb::test::imageRecord(1, 2, "D:\\x.ybi")); },
         yb::kCannotWrite},
        {"strip rewrite", "Blk/Area1.bil",
         [&] {
             std::vector<ImageOrderInfo> strip = {yb::test::imageRecord(2, 1, "D:\\y.ybi")};
             return ybWriteOneStripImageRecord(kList, 2, 2, strip);
         },
         yb::kCannotWrite},
        {"tie point merge", "Blk/Area1.scp", [&] { return ybAppendTiePntToFile(kTiePoints, added.data(), 1); },
         yb::kCannotWrite, true},
        {"tie point read", "Blk/Area1.scp", [&] { return ybReadTiePntFileToAry(kTiePoints, read); }, yb::kCannotOpen,
         true, true},
        {"unite", "Blk/Area1.scp", [&] { return ybUniteBlockTiePntFile(kOption); }, yb::kCannotWrite, true},
    };
    for (auto const& c : calls) {
        SCOPED_TRACE(c.name);
        Bytes const before = readNative(c.file);
        if (c.reads) {
            // Beside a writer that has not begun to write into the file, a reader goes on at once.
            platform::NativeFile const writer = holdElsewhere(c.file);
            hbSetLockTimeout(0);
            EXPECT_EQ(c.call(), 0);
        }
        {
            // Let go while the call waits: it goes on then.
            platform::NativeFile held = holdElsewhere(c.file, c.reads);
            hbSetLockTimeout(-1);
            // Timed from before the other thread begins its pause, however late this one runs.
            auto const start = Clock::now();
            std::thread letGo([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                held = platform::NativeFile();
            });
            EXPECT_EQ(c.call(), 0);
            EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));
            letGo.join();
            // A call that waited leaves no lock behind: a change writing into the file gets in at once.
            hbSetLockTimeout(0);
            holdElsewhere(c.file, true);
        }
        writeNative(c.file, before);
        {
            // Held past the limit: the wait is given up then, the file untouched.
            platform::NativeFile const held = holdElsewhere(c.file, c.reads);
            hbSetLockTimeout(100);
            yb::test::MessageRecorder recorder;
            auto const start = Clock::now();
            EXPECT_EQ(c.call(), c.refused);
            EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));
            EXPECT_EQ(readNative(c.file), before);
            if (c.message) {
                ASSERT_FALSE(recorder.messages.empty());
                std::string const& told = recorder.messages.front().gbk;
                EXPECT_NE(told.find("is held by another program that is changing or reading it"), std::string::npos)
                    << told;
                EXPECT_NE(told.find(fs::path(native(c.file)).filename().string()), std::string::npos) << told;
            } else {
                EXPECT_TRUE(recorder.messages.empty());
            }
        }
        // Where the system cannot cancel a wait (Wine), the one given up goes on until the hold ends,
        // keeping the file open, which bars a rename over it there: it is let end before the next call.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        writeNative(c.file, before);  // each call finds the files as at the start
    }
    ybFreeControlPointMem(set);
}

}  // namespace
