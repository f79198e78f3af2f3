// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "folder_index.h"
#include "fs.h"
#include "write_path.h"

#include "test_support.h"

#include <yb/HostBaseInternal.h>

#include <sys/stat.h>
#include <time.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace yb::platform;
namespace names = yb::platform::folder_index;

namespace {

class FolderIndex : public yb::test::DriveFixture {
protected:
    void SetUp() override {
        // A disk folder's stamps: on tmpfs (Linux 6.18) a removal by another process stays unseen here.
        onDisk_ = true;
        DriveFixture::SetUp();
        std::filesystem::create_directories(native("Blk/Temp"));
        touch("Blk/Temp/First.ijp");
    }
    void touch(std::string const& relative) const { std::ofstream(native(relative)) << "x"; }
    struct stat stamp() const {
        struct stat info {};
        ::stat(native("Blk/Temp").c_str(), &info);
        return info;
    }
    // Waits until the clock that stamps folder changes has moved past the folder's last change, so the
    // next reading of the folder is not in the tick of that change.
    void waitPastLastChange() const {
        timespec const changed = stamp().st_ctim;
        timespec now{};
        do {
            std::this_thread::yield();
            ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
        } while (now.tv_sec < changed.tv_sec || (now.tv_sec == changed.tv_sec && now.tv_nsec <= changed.tv_nsec));
    }
    std::string resolved(std::string const& host) const { return nativePath(host).value_or("(none)"); }
    // A new file through the write path: made beside its place under another name, then renamed.
    static bool write(std::string const& host) {
        return replaceFile(host, [](Output& out) {
            out.writeI32(1);
            return true;
        });
    }
};

// An index lives for one call. A name another program makes in another case just before a change of
// the library's own there (which the index takes as its own, stamping itself with the folder's new
// change time) is unseen for the rest of that call only: the next call finds it. Outside any call
// each lookup reads the folder anew.
TEST_F(FolderIndex, TheNextCallSeesWhatAnotherProgramMade) {
    for (int round = 0; round < 20; ++round) {
        std::string const own = "D:\\blk\\temp\\Own" + std::to_string(round) + ".ijp";
        std::string const other = "Other" + std::to_string(round) + ".IJP";
        {
            CallScope const call;
            EXPECT_EQ(resolved("D:\\blk\\temp\\" + other), "(none)");
            touch("Blk/Temp/" + other);
            ASSERT_TRUE(write(own));
        }
        EXPECT_EQ(resolved("D:\\blk\\temp\\other" + std::to_string(round) + ".ijp"), native("Blk/Temp/" + other));
        std::filesystem::remove(native("Blk/Temp/" + other));
        EXPECT_EQ(resolved("D:\\blk\\temp\\other" + std::to_string(round) + ".ijp"), "(none)");
    }
}

// Within one clock tick a change by another process may leave the folder's stamp as it was: the
// index then answers as before until the stamp moves. Handing the index the stamp taken before the
// change shows exactly that case on any kernel.
TEST_F(FolderIndex, AChangeHiddenInTheSameTickShowsOnceTheStampMoves) {
    CallScope const call;
    waitPastLastChange();
    struct stat const before = stamp();
    std::string const folder = native("Blk/Temp");
    EXPECT_EQ(names::find(folder, before, "first.ijp").name, "First.ijp");
    touch("Blk/Temp/Hidden.ijp");
    std::filesystem::remove(native("Blk/Temp/First.ijp"));
    // Answered from the index read before the change.
    EXPECT_EQ(names::find(folder, before, "hidden.ijp").match, names::Match::Missing);
    EXPECT_EQ(names::find(folder, before, "first.ijp").name, "First.ijp");
    // Once the stamp differs the folder is read again.
    EXPECT_EQ(names::find(folder, stamp(), "hidden.ijp").name, "Hidden.ijp");
    EXPECT_EQ(names::find(folder, stamp(), "first.ijp").match, names::Match::Missing);

    // Right after a change of the library's own (which stamps the index), names another process makes
    // in the spelling asked are found, in whatever tick they come; a workflow's lookups all at once too.
    ASSERT_TRUE(write("D:\\blk\\temp\\Own.ijp"));
    touch("Blk/Temp/Exact.ijp");
    EXPECT_EQ(resolved("D:\\blk\\temp\\Exact.ijp"), native("Blk/Temp/Exact.ijp"));
    touch("Blk/Temp/Batch.ijp");
    // Names not there that differ in case only are one file: they get one place, with a name of
    // another folder between them.
    std::vector<std::pair<std::string, bool>> places;
    for (auto const& found : findFiles({"D:\\blk\\temp\\Batch.ijp", "D:\\blk\\temp\\own.IJP", "D:\\blk\\temp\\none.ijp",
                                        "D:\\BLK\\TEMP", "D:\\blk\\temp\\NONE.ijp"}))
        places.emplace_back(found.native.value_or("(none)"), found.exists);
    EXPECT_EQ(places, (std::vector<std::pair<std::string, bool>>{{native("Blk/Temp/Batch.ijp"), true},
                                                                 {native("Blk/Temp/Own.ijp"), true},
                                                                 {native("Blk/Temp/none.ijp"), false},
                                                                 {native("Blk/Temp"), true},
                                                                 {native("Blk/Temp/none.ijp"), false}}));
    // The work copy of an unfinished change is found through the index too.
    touch("Blk/Temp/Own.ijp.tmp");
    waitPastLastChange();
    auto const own = findFiles({"D:\\blk\\temp\\own.IJP", "D:\\blk\\temp\\Batch.ijp"});
    EXPECT_TRUE(own[0].mayBeUnfinished);
    EXPECT_FALSE(own[1].mayBeUnfinished);
}

// Another library of this process counts its changes in HostBase: they are seen even with the stamp
// unchanged.
TEST_F(FolderIndex, AnotherLibraryChangeIsSeenAtOnce) {
    CallScope const call;
    struct stat const before = stamp();
    std::string const folder = native("Blk/Temp");
    EXPECT_EQ(names::find(folder, before, "other.ijp").match, names::Match::Missing);
    touch("Blk/Temp/OTHER.ijp");
    hbCountFolderChange(names::folderKey(folder));
    EXPECT_EQ(names::find(folder, before, "other.ijp").name, "OTHER.ijp");
}

// A workflow that makes and removes a file per image reads the folder once, whatever the number of
// files, and finds each in any case.
TEST_F(FolderIndex, OwnChangesKeepTheIndexWithoutReadingTheFolderAgain) {
    // Read past the tick of the set-up's own changes: a reading in that tick is rightly read once more
    // when a name turns out missing later, which would count here.
    waitPastLastChange();
    CallScope const call;
    EXPECT_EQ(resolved("D:\\blk\\temp\\none.ijp"), "(none)");
    std::uint64_t const readings = names::readings();
    for (int i = 0; i < 200; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Img%03d.ijp", i);
        ASSERT_FALSE(isRegularFile(std::string("D:\\blk\\temp\\") + name + "_x"));
        ASSERT_TRUE(write(std::string("D:\\blk\\temp\\") + name));
        if (i % 2 == 0) {
            ASSERT_TRUE(removeFile(std::string("D:\\BLK\\TEMP\\IMG") + (name + 3)));
        }
    }
    ASSERT_TRUE(makeDirectory("D:\\blk\\temp\\Sub"));
    {
        // Files found together, replaced one by one, their renames told to the index after the last.
        auto const found = findFiles({"D:\\blk\\temp\\Copy.ijp", "D:\\blk\\temp\\Img001.ijp"});
        ReplacementBatch batch;
        for (auto const& file : found) ASSERT_TRUE(replaceFile(file, [](Output& out) { return out.ok(); }));
        ASSERT_TRUE(batch.commit());
    }
    EXPECT_EQ(names::readings(), readings);
    // Every name made, in another case: half of them removed one by one in between.
    for (int i = 0; i < 200; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Img%03d.ijp", i);
        char upper[32];
        std::snprintf(upper, sizeof upper, "IMG%03d.IJP", i);
        EXPECT_EQ(resolved(std::string("D:\\blk\\temp\\") + upper),
                  i % 2 == 0 ? "(none)" : native(std::string("Blk/Temp/") + name))
            << name;
    }
    EXPECT_EQ(resolved("D:\\blk\\temp\\copy.IJP"), native("Blk/Temp/Copy.ijp"));
    EXPECT_TRUE(isDirectory("D:\\blk\\temp\\sub"));
    ASSERT_TRUE(removeDirectory("D:\\blk\\temp\\SUB"));
    EXPECT_FALSE(isDirectory("D:\\blk\\temp\\sub"));
    EXPECT_EQ(names::readings(), readings);
    EXPECT_EQ(resolved("D:\\blk\\temp\\IMG001.IJP"), native("Blk/Temp/Img001.ijp"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(native("Blk/Temp")), {}), 1 + 100 + 1);
}

// Names that fold alike are each found in their own spelling; another spelling finds the byte-smallest
// of those still there, through the library's own removals too.
TEST_F(FolderIndex, NamesThatFoldAlikeKeepTheirSpellings) {
    for (char const* name : {"twin.ijp", "Twin.ijp", "TWIN.ijp"}) touch(std::string("Blk/Temp/") + name);
    CallScope const call;
    for (char const* name : {"twin.ijp", "Twin.ijp", "TWIN.ijp"})
        EXPECT_EQ(resolved(std::string("D:\\blk\\temp\\") + name), native(std::string("Blk/Temp/") + name));
    struct Removal {
        char const* gone;
        char const* then;
    };
    for (auto const& [gone, then] : {Removal{"TWIN.ijp", "Twin.ijp"}, Removal{"Twin.ijp", "twin.ijp"}}) {
        EXPECT_EQ(resolved("D:\\blk\\temp\\tWIN.ijp"), native(std::string("Blk/Temp/") + gone));
        ASSERT_TRUE(removeFile(std::string("D:\\blk\\temp\\") + gone));
        EXPECT_EQ(resolved(std::string("D:\\blk\\temp\\") + gone), native(std::string("Blk/Temp/") + then));
    }
    ASSERT_TRUE(removeFile("D:\\blk\\temp\\twin.IJP"));
    EXPECT_EQ(resolved("D:\\blk\\temp\\TWIN.ijp"), "(none)");
}

// A library called inside another library's call (a workflow that calls it per image) keeps what it
// read of a folder for that outer call, and reads the folder anew once the outer call has ended.
TEST_F(FolderIndex, CallsInsideAnotherLibrarysCallShareItsIndex) {
    waitPastLastChange();
    auto const lookUp = [this] {
        CallScope const call;
        return resolved("D:\\blk\\temp\\FIRST.IJP");
    };
    std::uint64_t const outer = hbEnterCall();
    EXPECT_EQ(hbEnterCall(), outer);
    EXPECT_FALSE(hbLeaveCall());
    std::uint64_t const before = names::readings();
    EXPECT_EQ(lookUp(), native("Blk/Temp/First.ijp"));
    std::uint64_t const firstCall = names::readings() - before;  // each folder of the path, once
    ASSERT_GT(firstCall, 0u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(lookUp(), native("Blk/Temp/First.ijp"));
    EXPECT_EQ(names::readings(), before + firstCall);
    EXPECT_TRUE(hbLeaveCall());
    EXPECT_EQ(lookUp(), native("Blk/Temp/First.ijp"));
    EXPECT_EQ(names::readings(), before + 2 * firstCall);
}

// Exports may be called from any thread: lookups, creates and removes from several at once, each
// thread's call with its own index, which sees the others' changes.
TEST_F(FolderIndex, ThreadsChangeOneFolderAtOnce) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            CallScope const call;
            for (int i = 0; i < 100; ++i) {
                std::string const name = "T" + std::to_string(t) + "_" + std::to_string(i) + ".ijp";
                write("D:\\blk\\temp\\" + name);
                isRegularFile("D:\\BLK\\TEMP\\first.ijp");
                if (i % 3 == 0) removeFile("D:\\blk\\TEMP\\" + name);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    CallScope const call;
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 100; ++i) {
            std::string const name = "t" + std::to_string(t) + "_" + std::to_string(i) + ".IJP";
            EXPECT_EQ(isRegularFile("D:\\blk\\temp\\" + name), i % 3 != 0) << name;
        }
}

}  // namespace
