// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

#include <algorithm>

namespace {

using yb::test::NameCase;

char kDir[] = "D:\\blk";
char kLeft[] = "E:\\img\\0101.ybi";
char kRight[] = "E:\\img\\0102.ybi";
char kModel[] = "0101_0102";
char kUpperImage[] = "E:\\IMG\\0101.YBI";
char kBareImage[] = "A.YBI.YBI";
// 嘰 (87 5C) and 丄 (81 41): second bytes that look like '\' and 'A'.
char kGbkImage[] = "E:\\IMG\\\x87\x5C\x81\x41.YBI";
std::string const kGbkStem = "\x87\x5C\x81\x41";

class OrientationFileName : public ::testing::TestWithParam<NameCase> {};

TEST_P(OrientationFileName, IsBuiltByTheRule) {
    hbSetBlockDirectory("C:\\Work\\Blk");
    EXPECT_EQ(GetParam().build(), GetParam().expected);
    hbSetBlockDirectory(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    ModelsAndProducts, OrientationFileName,
    ::testing::Values(
        NameCase{"model directory", [] { return ybGetCurModelDir(kDir, kLeft, kRight); }, "D:\\blk\\Model\\0101_0102"},
        NameCase{"model name", [] { return ybGetModelName(kLeft, kRight); }, "0101_0102"},
        NameCase{"model option file", [] { return ybGetModelFileName(kDir, kLeft, kRight); },
                 "D:\\blk\\Model\\0101_0102.mod"},
        NameCase{"left epipolar image", [] { return ybGetEpipolarFileName(kDir, kLeft, kRight, true); },
                 "D:\\blk\\Model\\0101_0102\\0101_0102_Left_Epi.ybi"},
        NameCase{"right epipolar image", [] { return ybGetEpipolarFileName(kDir, kLeft, kRight, false); },
                 "D:\\blk\\Model\\0101_0102\\0101_0102_Right_Epi.ybi"},
        NameCase{"matched points", [] { return ybGetMatchGcpFileName(kDir, kLeft, kRight); },
                 "D:\\blk\\Model\\0101_0102\\0101_0102.mgc"},
        NameCase{"model grid", [] { return ybGetModelGridFileName(kDir, kLeft, kRight); },
                 "D:\\blk\\Model\\0101_0102\\0101_0102.vgr"},
        NameCase{"single image DOM options", [] { return ybGetSingleImgDomOptionFile(kDir, kLeft); },
                 "D:\\blk\\ImagesPara\\0101.oms"},
        NameCase{"model DOM options", [] { return ybGetModelDomOptionFile(kDir, kModel); },
                 "D:\\blk\\Model\\0101_0102\\0101_0102.oms"},
        NameCase{"RPC set", [] { return ybGetRPCSetFileName(kLeft); }, "C:\\Work\\Blk\\ImagesPara\\0101.sir"},
        NameCase{"image tie points", [] { return ybGetImgGcpFile(kUpperImage); }, "C:\\Work\\Blk\\temp\\0101.ijp"},
        NameCase{"image tie points, no directory", [] { return ybGetImgGcpFile(kBareImage); },
                 "C:\\Work\\Blk\\temp\\a.ijp.ijp"},
        NameCase{"null image", [] { return ybGetModelName(nullptr, kRight); }, ""}));

INSTANTIATE_TEST_SUITE_P(
    Orientations, OrientationFileName,
    ::testing::Values(
        NameCase{"inner control points", [] { return ybGetOrientGcpFileName(kDir, 0, 0, kLeft, nullptr); },
                 "D:\\blk\\ImagesPara\\0101.icp"},
        NameCase{"relative control points", [] { return ybGetOrientGcpFileName(kDir, 1, 0, kLeft, kRight); },
                 "D:\\blk\\Model\\0101_0102\\0101_0102.rcp"},
        NameCase{"one backslash after the directory",
                 [] { return ybGetOrientGcpFileName("D:\\blk\\\\", 1, 0, kLeft, kRight); },
                 "D:\\blk\\Model\\0101_0102\\0101_0102.rcp"},
        NameCase{"SPOT control points", [] { return ybGetOrientGcpFileName(kDir, 3, 4, kLeft, nullptr); },
                 "D:\\blk\\ImagesPara\\0101_SPOT.bcp"},
        NameCase{"relative without right image", [] { return ybGetOrientGcpFileName(kDir, 1, 0, kLeft, nullptr); }, ""},
        NameCase{"kind 5", [] { return ybGetOrientGcpFileName(kDir, 5, 0, kLeft, kRight); }, ""},
        NameCase{"sensor without entry", [] { return ybGetOrientGcpFileName(kDir, 3, 2, kLeft, nullptr); }, ""},
        NameCase{"absolute coefficients", [] { return ybGetOrientCeffFileName(kDir, 2, 0, kLeft, kRight); },
                 "D:\\blk\\Model\\0101_0102\\0101_0102.aoc"},
        NameCase{"digital camera coefficients", [] { return ybGetOrientCeffFileName(kDir, 3, 1, kLeft, nullptr); },
                 "D:\\blk\\ImagesPara\\0101_DMC.boc"},
        NameCase{"sensor out of the short range",
                 [] { return ybGetOrientCeffFileName(kDir, 3, 65540, kLeft, nullptr); }, ""},
        NameCase{"only the ending changes",
                 [] { return ybGetOrientCeffFileName("D:\\a.icp", 0, 0, "E:\\x.icp\\0101.ybi", nullptr); },
                 "D:\\a.icp\\ImagesPara\\0101.ioc"},
        NameCase{"relative coefficients by model", [] { return ybGetOrientCeffFileNameByModel(kDir, 1, kModel); },
                 "D:\\blk\\Model\\0101_0102\\0101_0102.roc"},
        NameCase{"absolute control points by model", [] { return ybGetOrientGcpFileNameByModel(kDir, 2, kModel); },
                 "D:\\blk\\Model\\0101_0102\\0101_0102.acp"},
        NameCase{"inner coefficients by model", [] { return ybGetOrientCeffFileNameByModel(kDir, 0, kModel); }, ""},
        NameCase{"inner control points by image", [] { return ybGetOrientGcpFileNameByImage(kDir, 0, 0, "0101"); },
                 "D:\\blk\\ImagesPara\\0101.icp"},
        NameCase{"IKONOS coefficients by image", [] { return ybGetOrientCeffFileNameByImage(kDir, 3, 5, "0101"); },
                 "D:\\blk\\ImagesPara\\0101_RPC.boc"},
        NameCase{"relative by image", [] { return ybGetOrientGcpFileNameByImage(kDir, 1, 0, "0101"); }, ""},
        NameCase{"digital camera by image", [] { return ybGetOrientGcpFileNameByImage(kDir, 3, 1, "0101"); }, ""}));

// One case for each way a name is cut from an image path (stem, title, pair, lower-cased name); the other
// builders reuse these.
INSTANTIATE_TEST_SUITE_P(
    DoubleByteNames, OrientationFileName,
    ::testing::Values(NameCase{"model name", [] { return ybGetModelName(kGbkImage, kRight); }, kGbkStem + "_0102"},
                      NameCase{"model directory", [] { return ybGetCurModelDir(kDir, kLeft, kGbkImage); },
                               "D:\\blk\\Model\\0101_" + kGbkStem},
                      NameCase{"block orientation",
                               [] { return ybGetOrientCeffFileName(kDir, 3, 4, kGbkImage, nullptr); },
                               "D:\\blk\\ImagesPara\\" + kGbkStem + "_SPOT.boc"},
                      NameCase{"model grid", [] { return ybGetModelGridFileName(kDir, kLeft, kGbkImage); },
                               "D:\\blk\\Model\\0101_" + kGbkStem + "\\0101_" + kGbkStem + ".vgr"},
                      // Lower-casing leaves the 'A'-like second byte alone.
                      NameCase{"image tie points", [] { return ybGetImgGcpFile(kGbkImage); },
                               "C:\\Work\\Blk\\temp\\" + kGbkStem + ".ijp"}));

TEST(SurveyProjectFileName, IsTheLowerCasedPathWithItsOwnExtension) {
    char out[64];
    ybGetSuvProjFileName("D:\\Blk\\Area.DMS", out);
    EXPECT_STREQ(out, "d:\\blk\\area.mpx");
    ybGetSuvGcpProjFileName("D:\\Blk\\Area.DMS", out);
    EXPECT_STREQ(out, "d:\\blk\\area.mgx");

    // Exactly the path's length plus its terminator is written; double-byte characters stay whole.
    std::string const path = "D:\\\x87\x5C\x81\x41\\A.dms";
    std::string buffer(path.size() + 4, '#');
    ybGetSuvProjFileName(path.c_str(), buffer.data());
    EXPECT_EQ(buffer, "d:\\\x87\x5C\x81\x41\\a.mpx" + std::string(1, '\0') + "###");

    ybGetSuvProjFileName("D:\\a.dms", nullptr);  // nothing to do, no crash
}

class RpcReferenceFile : public yb::test::DriveFixture {};

TEST_F(RpcReferenceFile, HoldsTheTextIn256BytesAndGivesNothingElse) {
    ybSetSingleImgRpcFile("D:\\0101.rpr", "E:\\rpc\\0101_rpc.txt");
    auto bytes = readNative("0101.rpr");
    ASSERT_EQ(bytes.size(), 256u);
    EXPECT_EQ(std::string(reinterpret_cast<char const*>(bytes.data())), "E:\\rpc\\0101_rpc.txt");
    EXPECT_EQ(std::count(bytes.begin() + 19, bytes.end(), 0), 256 - 19);
    EXPECT_EQ(ybGetSingleImgRpcFile("D:\\0101.RPR"), "E:\\rpc\\0101_rpc.txt");

    // Missing or refused files give nothing.
    EXPECT_EQ(ybGetSingleImgRpcFile("D:\\missing.rpr"), "");
    writeNative("empty.rpr", {});
    EXPECT_EQ(ybGetSingleImgRpcFile("D:\\empty.rpr"), "");
    // A damaged file without a terminator still reads bounded.
    writeNative("full.rpr", std::vector<unsigned char>(300, 'x'));
    EXPECT_EQ(ybGetSingleImgRpcFile("D:\\full.rpr"), std::string(256, 'x'));

    ybSetSingleImgRpcFile("D:\\a.rpr", std::string(256, 'x').c_str());  // no room for the terminator
    EXPECT_FALSE(existsNative("a.rpr"));
    ybSetSingleImgRpcFile("D:\\a.rpr", nullptr);
    EXPECT_FALSE(existsNative("a.rpr"));
}

}  // namespace
