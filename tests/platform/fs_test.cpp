// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "binary_io.h"
#include "fs.h"
#include "gbk.h"
#include "scratch.h"
#include "write_path.h"

#include "test_support.h"

#include <yb/HostBase.h>
#include <yb/HostBaseInternal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

using namespace yb::platform;
using yb::test::hexBytes;

namespace {

class FileAccess : public yb::test::DriveFixture {};

// A thread keeps small scratch room from one call to the next, never a large call's room.
TEST(ScratchRoom, ALargeLeaseLeavesNothingBehind) {
    {
        ScratchVector<char> small;
        small->resize(1024);
    }
    {
        ScratchVector<char> again;
        EXPECT_GE(again->capacity(), 1024u);
    }
    {
        ScratchVector<char> large;
        large->resize(scratch::kMostKeptBytes + 1);
    }
    {
        ScratchVector<char> again;
        EXPECT_EQ(again->capacity(), 0u);
    }
}

// Arrays that grow past the large size move between the heap and room of their own, keeping their
// values; room of their own starts on a huge-page boundary.
TEST(ScratchRoom, LargeArraysKeepTheirValuesAcrossTheirGrowth) {
    UninitialisedVector<std::uint32_t> values;
    std::size_t const count = 3 * kLargeBytes / sizeof(std::uint32_t);
    for (std::uint32_t i = 0; i < count; ++i) values.push_back(i * 2654435761u);
    ASSERT_GE(values.capacity() * sizeof(std::uint32_t), kLargeBytes);
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(values.data()) % (std::size_t{2} << 20), 0u);
#endif
    for (std::uint32_t i = 0; i < count; ++i) ASSERT_EQ(values[i], i * 2654435761u) << i;
    values.resize(10);
    values.shrink_to_fit();
    EXPECT_EQ(values[9], 9u * 2654435761u);
}

bool writeFile(std::string const& hostPath, std::vector<unsigned char> const& bytes) {
    return replaceFile(hostPath, [&](Output& out) {
        out.write(bytes.data(), bytes.size());
        return true;
    });
}

TEST_F(FileAccess, ComponentsResolveIgnoringCaseOnMappedDrivesOnly) {
    std::filesystem::create_directories(native("blk/Temp"));
    ASSERT_TRUE(writeFile("D:\\Blk\\temp\\a.bin", {1}));
    EXPECT_TRUE(existsNative("blk/Temp/a.bin"));
    EXPECT_TRUE(isRegularFile("d:/BLK/TEMP/A.BIN"));
    EXPECT_TRUE(isDirectory("D:\\blk\\temp"));
    EXPECT_FALSE(isRegularFile("D:\\blk\\temp"));
    // '/' and '\' both separate; "." and repeated separators are nothing; ".." stops at the drive's root.
    EXPECT_TRUE(isRegularFile("D:/blk\\Temp/a.bin"));
    EXPECT_TRUE(isRegularFile("D:\\.\\blk\\\\temp\\.\\a.bin"));
    EXPECT_TRUE(isRegularFile("D:\\blk\\x\\..\\temp\\a.bin"));
    // Unmapped drives and missing folders name no file: a missing middle directory is not created by
    // writing a file, and streams only read.
    EXPECT_FALSE(writeFile("Q:\\a.bin", {}));
    EXPECT_FALSE(isRegularFile("Q:\\a.bin"));
    EXPECT_FALSE(writeFile("D:\\missing\\a.bin", {}));
    EXPECT_FALSE(openFile("D:\\a.bin", "wb"));
    EXPECT_EQ(listNative(), (std::vector<std::string>{"blk", "blk/Temp", "blk/Temp/a.bin"}));
}

TEST_F(FileAccess, DotDotStopsAtTheMappedDrivesRoot) {
    if (!yb::test::hostPathsAreMapped()) GTEST_SKIP() << "Windows itself resolves drives, \"..\" and case";
    std::filesystem::create_directories(native("blk/Temp"));
    EXPECT_EQ(nativePath("D:\\..\\..\\escaped.dms", true), native("escaped.dms"));
    EXPECT_EQ(nativePath("D:\\blk\\..\\..\\..\\temp", false), std::nullopt);
    EXPECT_EQ(nativePath("D:\\..\\blk\\temp"), native("blk/Temp"));
    EXPECT_EQ(nativePath("a\\..\\..\\b", true), "../b");  // a relative path climbs from the current directory
    EXPECT_FALSE(nativePath("Q:\\a.bin").has_value());
}

TEST_F(FileAccess, GbkNamesAppearInUtf8OnDisk) {
    std::string folder = hexBytes("87 5C");  // 嘰, second byte 0x5C
    ASSERT_TRUE(makeDirectory("D:\\" + folder));
    EXPECT_TRUE(existsNative("\xE5\x98\xB0"));  // 嘰 in UTF-8
    ASSERT_TRUE(writeFile("D:\\" + folder + "\\" + folder + ".txt", {}));
    EXPECT_TRUE(existsNative("\xE5\x98\xB0/\xE5\x98\xB0.txt"));
    auto entries = listDirectory("D:\\" + folder);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ((*entries)[0].name, folder + ".txt");
    // A dangling lead byte names no file.
    EXPECT_FALSE(writeFile("D:\\bad\x87", {}));
}

// A new file takes the old one's permissions; a change in place touches only what it keeps; a journal
// that never became whole (even one cut inside its magic) was never acted on and is dropped by the
// next open, and a work copy that is no journal is not ours and stays. (The fault harness and the
// kill test cover the rest.)
TEST_F(FileAccess, ReplacementsKeepPermissionsAndOpensLeaveForeignWorkCopies) {
    writeNative("a.dat", {1, 2, 3});
    auto const permissions =
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write | std::filesystem::perms::group_read;
    std::filesystem::permissions(nativeFsPath("a.dat"), permissions);
    ASSERT_TRUE(writeFile("D:\\A.DAT", {5, 6}));
    if (yb::test::hostPathsAreMapped()) {  // Windows files have no permission bits
        EXPECT_EQ(std::filesystem::status(nativeFsPath("a.dat")).permissions(), permissions);
    }
    {
        // Only kept bytes may change, and a change not committed is undone.
        FileChange change("D:\\a.dat", WorkCopyName::Bak);
        ASSERT_TRUE(change.keep({{0, 1}}));
        EXPECT_FALSE(change.write(0, "xx", 2));
        EXPECT_TRUE(change.write(0, "x", 1) && change.write(2, "yy", 2));
    }
    writeNative("a.dat.tmp", yb::test::bytesOf("YBJRN"));
    writeNative("a.dat.bak", {'m', 'i', 'n', 'e'});
    { File file = openFile("D:\\a.dat", "rb"); }
    EXPECT_EQ(readNative("a.dat"), (std::vector<unsigned char>{5, 6}));
    EXPECT_EQ(listNative(), (std::vector<std::string>{"a.dat", "a.dat.bak"}));
}

// A batch of more files than it keeps open syncs each new file once, through the opening that wrote
// it (two openings a file: the old one held, the new one made), and a sync that fails, early or at the
// commit, stops the batch before any rename: every target as it was, no new file left.
TEST_F(FileAccess, ABatchSyncsEachFileOnceAndStopsAtOneThatFails) {
    if (!yb::test::hostPathsAreMapped()) GTEST_SKIP() << "Windows puts replacements in place one by one";
    hbSetSyncWrites(true);
    constexpr int kFiles = 150;
    auto const name = [](int i) { return "f" + std::to_string(i) + ".dat"; };
    struct Tally {
        int failAt = 0;  // the sync that fails, 0 for none
        int syncs = 0;
        int opens = 0;
    };
    auto const hook = [](HbFileOperation operation, void* user) {
        auto& tally = *static_cast<Tally*>(user);
        if (operation == HB_FILE_OPEN) ++tally.opens;
        return operation == HB_FILE_SYNC && ++tally.syncs == tally.failAt;
    };
    for (int failAt : {1, 120, 0}) {
        SCOPED_TRACE(failAt);
        for (int i = 0; i < kFiles; ++i) writeNative(name(i), {1});
        Tally tally{failAt};
        hbSetFileFaultHook(hook, &tally);
        bool committed = false;
        {
            ReplacementBatch batch;
            for (int i = 0; i < kFiles; ++i)
                ASSERT_TRUE(replaceFile("D:\\" + name(i), [](Output& out) {
                    out.writeValue(std::uint8_t{2});
                    return true;
                }));
            committed = batch.commit();
        }
        hbSetFileFaultHook(nullptr, nullptr);
        EXPECT_EQ(committed, failAt == 0);
        for (int i = 0; i < kFiles; ++i)
            ASSERT_EQ(readNative(name(i)), (std::vector<unsigned char>{std::uint8_t(committed ? 2 : 1)})) << i;
        EXPECT_EQ(listNative().size(), std::size_t{kFiles});
        if (committed) {
            EXPECT_EQ(tally.syncs, kFiles + 1);  // and the folder's
            EXPECT_EQ(tally.opens, 2 * kFiles);
        }
    }
}

// A replacement beside a reader that holds the old file open and a writer queued for it: the reader
// reads the old bytes whole, and the writer's change lands on whichever file then stands at the path,
// never lost. Where the system renames over open files (Linux; Windows with POSIX semantics) the
// replacement takes the place at once; where it refuses while another opening lasts, it fails and the
// old file stays. Either way nothing is left beside the file.
TEST_F(FileAccess, AReplacementBesideAReaderAndAQueuedWriter) {
    writeNative("a.dat", {1, 2, 3});
    File reader = openFile("D:\\a.dat", "rb");
    ASSERT_TRUE(reader);
    std::optional<WriteHold> hold;
    hold.emplace("D:\\a.dat");
    ASSERT_FALSE(hold->refused());
    std::atomic<bool> changed{false};
    std::thread writer([&] {
        FileChange change("D:\\a.dat", WorkCopyName::Bak);
        changed = change.keep({{0, 1}}) && change.write(0, "\x09", 1) && change.commit();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the writer waits for the hold
    bool const replaced = writeFile("D:\\a.dat", {5, 6});
    unsigned char old[4] = {};
    EXPECT_EQ(std::fread(old, 1, sizeof old, reader.get()), 3u);
    EXPECT_EQ(std::vector<unsigned char>(old, old + 3), (std::vector<unsigned char>{1, 2, 3}));
    reader = File();
    hold.reset();
    writer.join();
    EXPECT_TRUE(changed);
    RecordProperty("replacedBesideOpenings", replaced ? "yes" : "no");
#ifndef _WIN32
    EXPECT_TRUE(replaced);
#endif
    EXPECT_EQ(readNative("a.dat"),
              replaced ? (std::vector<unsigned char>{9, 6}) : (std::vector<unsigned char>{9, 2, 3}));
    EXPECT_EQ(listNative(), (std::vector<std::string>{"a.dat"}));
}

// A waiter is woken by its holder's letting go, in the system's queue, not by a look of its own after
// a pause: having waited 80 ms (where the pauses between looks would have grown to 20 ms) it has the
// lock within 10 ms of the letting go, a writer behind a writer, a reader behind a change writing into
// the file, a change in place behind a reader alike (one round late of twelve is let pass, for a busy
// machine; looks after pauses are late in half of them). One whose holder keeps the file past the
// limit gives up then, with the file named, and holds nothing after.
TEST_F(FileAccess, AWaiterGetsTheLockAsItsHolderLetsGo) {
    writeNative("a.dat", {1, 2, 3});
    std::string const path = native("a.dat");
    auto opened = [&](bool forUpdate, LockMode mode) { return openNative(path, forUpdate, nullptr, mode); };
    auto barring = [&] {
        NativeFile file = opened(true, LockMode::Exclusive);
        return file && file.barReaders(path) == LockOutcome::Held ? std::move(file) : NativeFile();
    };
    struct Case {
        char const* name;
        std::function<NativeFile()> hold;
        std::function<NativeFile()> wait;
    };
    std::vector<Case> const cases = {
        {"a writer behind a writer", [&] { return opened(true, LockMode::Exclusive); },
         [&] { return opened(true, LockMode::Exclusive); }},
        {"a reader behind a change writing into the file", barring, [&] { return opened(false, LockMode::Shared); }},
        {"a change in place behind a reader", [&] { return opened(false, LockMode::Shared); }, barring},
    };
    int late = 0;
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        for (int round = 0; round < 8; ++round) {
            NativeFile held = c.hold();
            ASSERT_TRUE(held.ownsLock());
            LockClock::time_point gotAt{};
            bool got = false;
            std::thread waiter([&] {
                NativeFile const waited = c.wait();
                gotAt = LockClock::now();
                got = static_cast<bool>(waited);
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(80));
            LockClock::time_point const letGoAt = LockClock::now();
            held = NativeFile();
            waiter.join();
            ASSERT_TRUE(got);
            if (gotAt - letGoAt > std::chrono::milliseconds(10)) ++late;
        }
    }
    // A poll, pausing up to 20 ms by then, is late in about half the rounds; a queued waiter on a busy
    // machine now and then misses its wake-up: a few late rounds of 24 tell the two apart.
    EXPECT_LE(late, 5) << "rounds of 24 in which the waiter had the lock more than 10 ms after the letting go";

    hbSetLockTimeout(200);
    {
        NativeFile const held = opened(true, LockMode::Exclusive);
        std::uint64_t const timeouts = lockTimeouts();
        LockClock::time_point const start = LockClock::now();
        EXPECT_FALSE(opened(true, LockMode::Exclusive));
        EXPECT_GE(LockClock::now() - start, std::chrono::milliseconds(200));
        EXPECT_EQ(lockTimeouts(), timeouts + 1);
        EXPECT_EQ(lastLockTimeoutFile(), path);
    }
    hbSetLockTimeout(-1);
    EXPECT_TRUE(opened(true, LockMode::Exclusive).ownsLock());
}

// A change in place skips the look for another's unfinished change only while the file is as this
// process's own last change left it: a file changed since, with a journal beside it, is rolled back.
TEST_F(FileAccess, AChangeRollsBackAnUnfinishedChangeMadeSinceItsOwnLast) {
    writeNative("a.dat", {1, 2, 3, 4});
    auto grow = [](unsigned char value) {
        FileChange change("D:\\a.dat", WorkCopyName::Bak);
        unsigned char const bytes[2] = {value, value};
        return change.keep({{0, 1}}) && change.write(0, bytes, 1) && change.write(change.oldLength(), bytes, 2) &&
               change.commit();
    };
    ASSERT_TRUE(grow(7));
    auto const before = readNative("a.dat");
    // Another writer's change, caught between its journal and its commit.
    std::vector<unsigned char> journal, midway;
    {
        FileChange change("D:\\a.dat", WorkCopyName::Bak);
        unsigned char const byte = 9;
        ASSERT_TRUE(change.keep({{0, 1}}) && change.write(0, &byte, 1) && change.write(change.oldLength(), &byte, 1));
        journal = readNative("a.dat.bak");
        midway = readNative("a.dat");
        ASSERT_TRUE(change.commit());
    }
    writeNative("a.dat", midway);
    writeNative("a.dat.bak", journal);
    ASSERT_TRUE(grow(8));
    auto expected = before;
    expected[0] = 8;
    expected.insert(expected.end(), {8, 8});
    EXPECT_EQ(readNative("a.dat"), expected);
    EXPECT_FALSE(existsNative("a.dat.bak"));
}

// The work copy is made new: a link standing under its name is removed, and what it leads to is
// never written through.
TEST_F(FileAccess, AChangeNeverWritesThroughALinkAtItsWorkCopyName) {
    writeNative("a.dat", {1, 2});
    writeNative("other.dat", {7, 7, 7});
    std::filesystem::create_hard_link(nativeFsPath("other.dat"), nativeFsPath("a.dat.bak"));
    if (yb::test::hostPathsAreMapped())  // links to names need no privilege here
        std::filesystem::create_symlink(nativeFsPath("other.dat"), nativeFsPath("a.dat.tmp"));
    for (WorkCopyName name : {WorkCopyName::Bak, WorkCopyName::Tmp}) {
        FileChange change("D:\\a.dat", name);
        unsigned char const byte = 5;
        ASSERT_TRUE(change.keep({{0, 1}}) && change.write(0, &byte, 1) && change.commit());
    }
    EXPECT_EQ(readNative("other.dat"), (std::vector<unsigned char>{7, 7, 7}));
    EXPECT_EQ(readNative("a.dat"), (std::vector<unsigned char>{5, 2}));
    EXPECT_EQ(listNative(), (std::vector<std::string>{"a.dat", "other.dat"}));
}

// Another program's change of the same length, its write time then set back, still moves the stamp:
// the change time is in it.
TEST_F(FileAccess, AChangeWithItsWriteTimeSetBackMovesTheStamp) {
    ASSERT_TRUE(writeFile("D:\\s.bin", {1, 2, 3}));
    auto const stampNow = [] {
        File file = openFile("D:\\s.bin", "rb");
        return stampOf(file.get());
    };
    // A write time in whole seconds, which every system sets exactly.
    auto const written = std::chrono::floor<std::chrono::seconds>(std::filesystem::last_write_time(native("s.bin"))) -
                         std::chrono::hours(1);
    std::filesystem::last_write_time(native("s.bin"), written);
    auto const before = stampNow();
    ASSERT_TRUE(before);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // past the clock tick of any system
    std::fstream(native("s.bin"), std::ios::in | std::ios::out | std::ios::binary).write("xyz", 3);
    std::filesystem::last_write_time(native("s.bin"), written);
    auto const after = stampNow();
    ASSERT_TRUE(after);
    EXPECT_EQ(after->modified, before->modified);
    EXPECT_NE(*after, *before);
}

TEST_F(FileAccess, BinaryStreamReportsShortReads) {
    // "MAGIC", -7, 1.5, four more bytes, -7.
    writeNative("v.bin", yb::test::bytesOf(hexBytes("4D 41 47 49 43 F9FFFFFF 000000000000F83F 61620000 F9FFFFFF")));
    File file = openFile("D:\\v.bin", "rb");
    BinaryStream in(file.get());
    EXPECT_EQ(in.length(), 25u);
    EXPECT_TRUE(in.readMagic("MAGIC"));
    std::int32_t value = 0;
    EXPECT_TRUE(in.readI32(value));
    EXPECT_EQ(value, -7);
    double real = 0;
    EXPECT_TRUE(in.readDouble(real));
    EXPECT_EQ(real, 1.5);
    EXPECT_TRUE(in.seek(4, SEEK_CUR));
    EXPECT_EQ(in.remaining(), 4u);
    std::vector<std::int32_t> records;
    EXPECT_FALSE(in.readRecords(records, 2));  // only one is there
    EXPECT_TRUE(records.empty());
}

TEST(Gbk, ConvertsStrictly) {
    EXPECT_EQ(utf8ToGbk("\xE9\x87\x8F\xE6\xB5\x8B"), hexBytes("C1 BF B2 E2"));  // 量测
    EXPECT_EQ(gbkToUtf8(hexBytes("C1 BF B2 E2")), "\xE9\x87\x8F\xE6\xB5\x8B");
    EXPECT_FALSE(gbkToUtf8("a\x87").has_value());
    EXPECT_FALSE(utf8ToGbk("\xF0\x9F\x98\x80").has_value());  // no GBK form
    EXPECT_EQ(gbkToUtf8Lossy("a\x87"), "a?");
}

}  // namespace
