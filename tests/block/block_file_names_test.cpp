// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "block/file_names.h"
#include "builders.h"

#include <cstring>

namespace {

using yb::test::NameCase;

// Two trailing backslashes: both go.
BlockInfo const kBlock = yb::test::blockRecord(0, "D:\\blk\\\\", "b");
char const* const kLeft = "E:\\img\\0101.ybi";
char const* const kRight = "E:\\img\\0102.ybi";
// 嘰 (87 5C) and 丄 (81 41): second bytes that look like '\' and 'A'.
std::string const kGbkImage = "E:\\img\\\x87\x5C\x81\x41.ybi";
std::string const kGbkStem = "\x87\x5C\x81\x41";

class BlockFileName : public ::testing::TestWithParam<NameCase> {};

TEST_P(BlockFileName, IsBuiltByTheRule) { EXPECT_EQ(GetParam().build(), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Examples, BlockFileName,
    ::testing::Values(
        NameCase{"block file, dotted", [] { return ybGetBlkAuxFileName(kBlock, ".bil", nullptr); }, "D:\\blk\\b.bil"},
        NameCase{"block file, bare", [] { return ybGetBlkAuxFileName(kBlock, "bil", nullptr); }, "D:\\blk\\b.bil"},
        NameCase{"block file, two dots", [] { return ybGetBlkAuxFileName(kBlock, "..scp", "_old"); },
                 "D:\\blk\\b_old.scp"},
        NameCase{"block file, no extension", [] { return ybGetBlkAuxFileName(kBlock, nullptr, nullptr); },
                 "D:\\blk\\b."},
        NameCase{"image file", [] { return ybGetImgAuxFileName(kBlock, kLeft, ".ioc", nullptr, nullptr); },
                 "D:\\blk\\ImagesPara\\0101.ioc"},
        NameCase{"image file in Temp", [] { return ybGetImgAuxFileName(kBlock, kLeft, ".ioc", nullptr, "Temp"); },
                 "D:\\blk\\Temp\\0101.ioc"},
        NameCase{"image file, sub-directory with backslashes",
                 [] { return ybGetImgAuxFileName(kBlock, kLeft, "ioc", "_x", "\\\\Adjust\\"); },
                 "D:\\blk\\Adjust\\0101_x.ioc"},
        NameCase{"image file, empty sub-directory",
                 [] { return ybGetImgAuxFileName(kBlock, kLeft, "ioc", nullptr, "\\"); }, "D:\\blk\\0101.ioc"},
        NameCase{"model file", [] { return ybGetModAuxFileName(kBlock, kLeft, kRight, ".mod", nullptr); },
                 "D:\\blk\\Model\\0101_0102\\0101_0102.mod"},
        NameCase{"temporary file", [] { return ybGetTempAuxFileName(kBlock, kLeft, "", ".ijp", nullptr); },
                 "D:\\blk\\temp\\0101.ijp"},
        NameCase{"temporary file of two", [] { return ybGetTempAuxFileName(kBlock, kLeft, kRight, ".ijp", nullptr); },
                 "D:\\blk\\temp\\0101_0102.ijp"},
        NameCase{"image property file", [] { return ybGetImagePropFile(kLeft, "D:\\blk"); },
                 "D:\\blk\\ImagesPara\\0101.ipp"},
        NameCase{"image property file, short name", [] { return ybGetImagePropFile("E:\\img\\a.b", "D:\\blk"); },
                 "D:\\blk\\ImagesPara\\.ipp"},
        NameCase{"block image property file", [] { return ybGetBlkImgPropFileName("D:\\p\\b.dms", "D:\\p\\b.dms"); },
                 "D:\\p\\b.ipp"},
        NameCase{"block image list file", [] { return ybGetBlkImgListFileName("D:\\p\\b.dms", "X:\\q\\c.dms"); },
                 "D:\\p\\c.bil"},
        NameCase{"block image list file, null", [] { return ybGetBlkImgListFileName(nullptr, "D:\\p\\b.dms"); }, ""},
        NameCase{"block image list file, too long",
                 [] { return ybGetBlkImgListFileName(("D:\\" + std::string(252, 'd') + "\\b.dms").c_str(), "b"); }, ""},
        NameCase{"null image path", [] { return ybGetImgAuxFileName(kBlock, nullptr, ".ioc", nullptr, nullptr); },
                 ""}));

INSTANTIATE_TEST_SUITE_P(
    DoubleByteNames, BlockFileName,
    ::testing::Values(
        NameCase{"image file", [] { return ybGetImgAuxFileName(kBlock, kGbkImage.c_str(), ".ioc", nullptr, nullptr); },
                 "D:\\blk\\ImagesPara\\" + kGbkStem + ".ioc"},
        NameCase{"model file", [] { return ybGetModAuxFileName(kBlock, kGbkImage.c_str(), kRight, ".mod", nullptr); },
                 "D:\\blk\\Model\\" + kGbkStem + "_0102\\" + kGbkStem + "_0102.mod"},
        NameCase{"block image list file",
                 [] { return ybGetBlkImgListFileName("D:\\\x87\x5C\\b.dms", kGbkImage.c_str()); },
                 "D:\\\x87\x5C\\" + kGbkStem + ".bil"},
        NameCase{"block directory ending in a double-byte character",
                 [] { return ybGetBlkAuxFileName(yb::test::blockRecord(0, "D:\\\x87\x5C", "b"), "bil", nullptr); },
                 "D:\\\x87\x5C\\b.bil"}));

TEST(ImageStem, NeverCutsADoubleByteCharacter) {
    EXPECT_EQ(yb::block::stemOf("D:\\a\\x\x87\x5C"
                                "ybi"),
              "x");
    EXPECT_EQ(yb::block::stemOf("0101.ybi"), "0101");
    EXPECT_EQ(yb::block::stemOf(".ybi"), "");
    EXPECT_EQ(yb::block::stemOf(""), "");
}

}  // namespace
