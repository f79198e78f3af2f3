// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

#include <cstring>
#include <string>

namespace {

struct CoordinateConversionFile : yb::test::DriveFixture {
    void SetUp() override {
        DriveFixture::SetUp();
        writeNative("Blk/Area1.dms", {});
    }
    BlockInfo block = yb::test::blockRecord(0, "D:\\Blk\\", "Area1");
    std::int32_t count = 0;
    double params[7] = {9, 9, 9, 9, 9, 9, 9};
};

// No file means three zero parameters, and none is made; a file is text with six-digit values.
TEST_F(CoordinateConversionFile, NoFileOrTextWithSixDigitValues) {
    ASSERT_EQ(ybReadCordConvertPara(block, count, params), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(params[2], 0.0);
    EXPECT_EQ(params[3], 9.0);
    EXPECT_FALSE(existsNative("Blk/Area1.ctp"));
    double seven[7] = {1, 2, 3, 4, 5, 6, 7};
    ASSERT_EQ(ybWriteCordConvertPara(block, 7, seven), 0);
    EXPECT_EQ(readNativeText("Blk/Area1.ctp"), "7\n1\t2\t3\t4\t5\t6\t7\t\n");
    ASSERT_EQ(ybReadCordConvertPara(block, count, params), 0);
    EXPECT_EQ(count, 7);

    double three[3] = {0.123456789, -1234567.0, 1e-9};
    ASSERT_EQ(ybWriteCordConvertPara(block, 3, three), 0);
    EXPECT_EQ(readNativeText("Blk/Area1.ctp"), "3\n0.123457\t-1.23457e+06\t1e-09\t\n");
    ASSERT_EQ(ybReadCordConvertPara(block, count, params), 0);
    EXPECT_EQ(params[0], 0.123457);
}

TEST_F(CoordinateConversionFile, BadFilesShowTheFileMessage) {
    yb::test::MessageRecorder recorder;
    writeNative("Blk/Area1.ctp", yb::test::bytesOf("4\r\n1 2 3 4\r\n"));
    EXPECT_EQ(ybReadCordConvertPara(block, count, params), yb::kInvalidContent);
    EXPECT_EQ(count, 4);
    // "错误的坐标转换参数文件 <D:\Blk\Area1.ctp> ！"
    EXPECT_EQ(recorder.take(), std::vector<std::string>{"error: " +
                                                        yb::test::hexBytes("B4 ED CE F3 B5 C4 D7 F8 B1 EA D7 AA BB BB "
                                                                           "B2 CE CA FD CE C4 BC FE 20 3C") +
                                                        "D:\\Blk\\Area1.ctp" + yb::test::hexBytes("3E 20 A3 A1")});
    // Fewer numbers than the count: the caller's parameters stay.
    writeNative("Blk/Area1.ctp", yb::test::bytesOf("7\n1 2 3\n"));
    EXPECT_EQ(ybReadCordConvertPara(block, count, params), yb::kInvalidContent);
    EXPECT_EQ(params[0], 9.0);
}

TEST_F(CoordinateConversionFile, BadCountIsRefusedBeforeTheFileIsTouched) {
    ASSERT_EQ(ybWriteCordConvertPara(block, 3, params), 0);
    std::string const before = readNativeText("Blk/Area1.ctp");
    yb::test::MessageRecorder recorder;
    EXPECT_EQ(ybWriteCordConvertPara(block, 5, params), yb::kOutOfRange);
    EXPECT_EQ(readNativeText("Blk/Area1.ctp"), before);
    // "错误的坐标转换参数信息！"
    EXPECT_EQ(recorder.take(), std::vector<std::string>{"error: " + yb::test::hexBytes("B4 ED CE F3 B5 C4 D7 F8 B1 EA "
                                                                                       "D7 AA BB BB B2 CE CA FD D0 C5 "
                                                                                       "CF A2 A3 A1")});
    std::strcpy(block.blockDirectory, "Q:\\nowhere");
    EXPECT_EQ(ybWriteCordConvertPara(block, 3, params), yb::kCannotWrite);
}

}  // namespace
