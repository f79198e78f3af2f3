// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "test_support.h"

#include <cstring>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

class BlockFolder : public yb::test::DriveFixture {
protected:
    void makeNativeDirectory(std::string const& relative) { fs::create_directories(native(relative)); }
    std::vector<std::string> titles(char const* dir, char const* ext, int recursive, std::int32_t expectedCode = 0) {
        std::vector<std::string> out{"stale"};
        EXPECT_EQ(ybGetSameExtFilePathsInOneDir(dir, ext, out, recursive), expectedCode);
        return out;
    }
};

std::vector<std::string> const kFreshFolder = {
    "Blk",
    "Blk/Adjust",
    "Blk/Adjust/Matrices",
    "Blk/BackUp",
    "Blk/Images",
    "Blk/ImagesPara",
    "Blk/ImagesProp",
    "Blk/ImagesProp/spot4_mss.ipc",
    "Blk/ImagesProp/spot5_pan.ipc",
    "Blk/Model",
    "Blk/Model/Product",
    "Blk/Temp",
};

TEST_F(BlockFolder, CreationMakesTheTreeAndTheSensorFiles) {
    ASSERT_TRUE(ybCreateBlockFolder("D:\\Blk"));
    EXPECT_EQ(listNative(), kFreshFolder);
    EXPECT_TRUE(ybCreateBlockFolder("D:\\blk"));  // again, in the folder made before
    EXPECT_EQ(listNative(), kFreshFolder);

    EXPECT_EQ(readNativeText("Blk/ImagesProp/spot4_mss.ipc"),
              "SPOT4_MSS\n6000\t6000\t0.013000000000\t1082.000000000000\n");
    EXPECT_EQ(readNativeText("Blk/ImagesProp/spot5_pan.ipc"),
              "SPOT5_PAN\n24000\t24000\t0.003250000000\t1082.000000000000\n");
}

TEST_F(BlockFolder, CreationFailuresStopThere) {
    EXPECT_FALSE(ybCreateBlockFolder("D:\\no\\Blk"));
    EXPECT_TRUE(listNative().empty());

    // A file where a sub-directory belongs: the directories before it stay, nothing after it is made.
    makeNativeDirectory("Blk");
    writeNative("Blk/Adjust", {1});
    EXPECT_FALSE(ybCreateBlockFolder("D:\\Blk"));
    EXPECT_EQ(listNative(),
              (std::vector<std::string>{"Blk", "Blk/Adjust", "Blk/ImagesPara", "Blk/Model", "Blk/Model/Product"}));
}

TEST_F(BlockFolder, RemovalGoesInOrderAndStopsAtTheFirstFailure) {
    ASSERT_TRUE(ybCreateBlockFolder("D:\\Blk"));
    EXPECT_FALSE(ybReomveBlockFolder("D:\\Blk"));  // "\Temp\Matrices" is not there
    EXPECT_EQ(listNative(), kFreshFolder);

    makeNativeDirectory("Blk/Temp/Matrices");
    EXPECT_FALSE(ybReomveBlockFolder("D:\\Blk"));  // "\Adjust" still holds "\Matrices"
    EXPECT_EQ(listNative(),
              (std::vector<std::string>{"Blk", "Blk/Adjust", "Blk/Adjust/Matrices", "Blk/ImagesPara", "Blk/ImagesProp",
                                        "Blk/ImagesProp/spot4_mss.ipc", "Blk/ImagesProp/spot5_pan.ipc", "Blk/Model",
                                        "Blk/Model/Product"}));

    fs::remove(native("Blk/Adjust/Matrices"));
    fs::remove(native("Blk/ImagesProp/spot4_mss.ipc"));
    fs::remove(native("Blk/ImagesProp/spot5_pan.ipc"));
    for (char const* sub : {"Blk/Temp/Matrices", "Blk/BackUp", "Blk/Images"}) makeNativeDirectory(sub);
    EXPECT_TRUE(ybReomveBlockFolder("D:\\Blk"));
    EXPECT_EQ(listNative(), (std::vector<std::string>{"Blk", "Blk/ImagesPara"}));
}

TEST_F(BlockFolder, DirectoryTestLeavesTheCurrentDirectoryAlone) {
    makeNativeDirectory("Blk");
    writeNative("Blk/a.dms", {1});
    std::string const before = fs::current_path().string();
    EXPECT_TRUE(ybIsDirectoryExist("D:\\blk"));
    EXPECT_TRUE(ybIsDirectoryExist(before.c_str()));
    EXPECT_FALSE(ybIsDirectoryExist("D:\\Blk\\a.dms"));
    EXPECT_FALSE(ybIsDirectoryExist("D:\\missing"));
    EXPECT_EQ(fs::current_path().string(), before);
}

TEST_F(BlockFolder, ListingGivesTitlesInNameOrderThenSubDirectoriesDepthFirst) {
    for (char const* name : {"M/b.mod", "M/a.MOD", "M/c.txt", "M/x/d.mod", "M/x/y/e.mod", "M/w/f.mod", "M/嘰.mod"})
        writeNative(name, {1});
    makeNativeDirectory("M/dir.mod");
    std::string const before = fs::current_path().string();

    EXPECT_EQ(titles("D:\\M", "mod", 0), (std::vector<std::string>{"a", "b", "dir", "\x87\x5C"}));
    EXPECT_EQ(titles("D:\\M", "mod", 1), (std::vector<std::string>{"a", "b", "dir", "\x87\x5C", "f", "d", "e"}));
    EXPECT_EQ(titles("D:\\M", "*", 0), (std::vector<std::string>{"a", "b", "c", "dir", "w", "x", "\x87\x5C"}));
    EXPECT_EQ(titles("D:\\M", "", 0), (std::vector<std::string>{"w", "x"}));
    EXPECT_EQ(titles("D:\\M\\x", "m?d", 0), (std::vector<std::string>{"d"}));

    EXPECT_EQ(titles("D:\\missing", "mod", 1, yb::kOutOfRange), std::vector<std::string>{});
    EXPECT_EQ(titles(nullptr, "mod", 0, yb::kInvalidArgument), std::vector<std::string>{"stale"});
    EXPECT_EQ(titles("D:\\M", nullptr, 0, yb::kInvalidArgument), std::vector<std::string>{"stale"});
    EXPECT_EQ(titles(nullptr, "mod", 1, yb::kInvalidArgument), std::vector<std::string>{});
    EXPECT_EQ(fs::current_path().string(), before);
}

TEST(ExtractFileName, CopiesTheNameAfterTheLastBackslash) {
    char name[32] = "untouched";
    EXPECT_TRUE(ybExtractFileNameFromDir("D:\\blk\\img01.ybi", name));
    EXPECT_STREQ(name, "img01.ybi");
    EXPECT_TRUE(
        ybExtractFileNameFromDir("D:\\\x87\x5C"
                                 "a.ybi",
                                 name));  // 嘰's second byte is no separator
    EXPECT_STREQ(name,
                 "\x87\x5C"
                 "a.ybi");

    std::strcpy(name, "untouched");
    EXPECT_FALSE(ybExtractFileNameFromDir("img01.ybi", name));
    EXPECT_FALSE(ybExtractFileNameFromDir("D:\\blk\\", name));
    EXPECT_FALSE(ybExtractFileNameFromDir(nullptr, name));
    EXPECT_FALSE(ybExtractFileNameFromDir("D:\\a", nullptr));
    EXPECT_STREQ(name, "untouched");
}

}  // namespace
