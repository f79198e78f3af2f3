#include "binary_io.h"
#include "fs.h"
#include "gbk.h"

#include "test_support.h"

#include <filesystem>

using namespace yb::platform;
using yb::test::hexBytes;

namespace {

class FileAccess : public yb::test::DriveFixture {};

TEST_F(FileAccess, ComponentsResolveIgnoringCase) {
    std::filesystem::create_directories(native("blk/Temp"));
    File file = openFile("D:\\Blk\\temp\\a.bin", "wb");
    ASSERT_TRUE(file);
    file.close();
    EXPECT_TRUE(existsNative("blk/Temp/a.bin"));
    EXPECT_TRUE(isRegularFile("d:/BLK/TEMP/A.BIN"));
    EXPECT_TRUE(isDirectory("D:\\blk\\temp"));
    EXPECT_FALSE(isRegularFile("D:\\blk\\temp"));
    // '/' and '\' both separate.
    EXPECT_TRUE(isRegularFile("D:/blk\\Temp/a.bin"));
}

TEST_F(FileAccess, GbkNamesAppearInUtf8OnDisk) {
    std::string folder = hexBytes("87 5C");  // 嘰, second byte 0x5C
    ASSERT_TRUE(makeDirectory("D:\\" + folder));
    EXPECT_TRUE(existsNative("\xE5\x98\xB0"));  // 嘰 in UTF-8
    File file = openFile("D:\\" + folder + "\\" + folder + ".txt", "wb");
    ASSERT_TRUE(file);
    file.close();
    EXPECT_TRUE(existsNative("\xE5\x98\xB0/\xE5\x98\xB0.txt"));
    auto entries = listDirectory("D:\\" + folder);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ((*entries)[0].name, folder + ".txt");
    // A dangling lead byte names no file.
    EXPECT_FALSE(openFile("D:\\bad\x87", "wb"));
}

TEST_F(FileAccess, UnmappedDriveNamesNoFile) {
    EXPECT_FALSE(openFile("Q:\\a.bin", "wb"));
    EXPECT_FALSE(isRegularFile("Q:\\a.bin"));
    // A missing middle directory is not created by opening a file.
    EXPECT_FALSE(openFile("D:\\missing\\a.bin", "wb"));
}

TEST_F(FileAccess, CopyRemoveAndWorkCopy) {
    writeNative("a.dat", {1, 2, 3});
    {
        WorkCopy copy("D:\\a.dat", ".bak");
        ASSERT_TRUE(copy.made());
        EXPECT_EQ(readNative("a.dat.bak"), (std::vector<unsigned char>{1, 2, 3}));
        writeNative("a.dat", {9});
        EXPECT_TRUE(copy.restore());
    }
    EXPECT_EQ(readNative("a.dat"), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_FALSE(existsNative("a.dat.bak"));
    EXPECT_TRUE(removeFile("D:\\A.DAT"));
    EXPECT_FALSE(existsNative("a.dat"));
    EXPECT_FALSE(copyFile("D:\\a.dat", "D:\\b.dat"));
}

TEST_F(FileAccess, AFailedCopyLeavesTheTargetAsItWas) {
    writeNative("a.dat", {1, 2, 3});
    writeNative("b.dat", {7, 7});
    {
        yb::test::WriteFault fault(0);
        EXPECT_FALSE(copyFile("D:\\a.dat", "D:\\b.dat"));
    }
    EXPECT_EQ(readNative("b.dat"), (std::vector<unsigned char>{7, 7}));
    EXPECT_EQ(listNative(), (std::vector<std::string>{"a.dat", "b.dat"}));
    // A restore that cannot write keeps the damaged file rather than losing it, and the copy stays
    // for the length of the work.
    WorkCopy copy("D:\\a.dat", ".bak");
    writeNative("a.dat", {9});
    {
        yb::test::WriteFault fault(0);
        EXPECT_FALSE(copy.restore());
    }
    EXPECT_EQ(readNative("a.dat"), (std::vector<unsigned char>{9}));
    EXPECT_TRUE(copy.restore());
    EXPECT_EQ(readNative("a.dat"), (std::vector<unsigned char>{1, 2, 3}));
}

TEST_F(FileAccess, NewFileGuardRemovesUncommittedFiles) {
    {
        File file = openFile("D:\\partial.bin", "wb");
        NewFileGuard guard("D:\\partial.bin");
    }
    EXPECT_FALSE(existsNative("partial.bin"));
    {
        File file = openFile("D:\\whole.bin", "wb");
        NewFileGuard guard("D:\\whole.bin");
        guard.commit();
    }
    EXPECT_TRUE(existsNative("whole.bin"));
}

TEST_F(FileAccess, BinaryStreamReportsShortReadsAndWrites) {
    {
        File file = openFile("D:\\v.bin", "wb");
        BinaryStream out(file.get());
        EXPECT_TRUE(out.writeMagic("MAGIC"));
        EXPECT_TRUE(out.writeI32(-7));
        EXPECT_TRUE(out.writeDouble(1.5));
        EXPECT_TRUE(out.writeText("ab", 4));
        yb::test::WriteFault fault(0);
        EXPECT_FALSE(out.writeI32(1));  // the injected fault
        EXPECT_TRUE(out.writeI32(2));   // only one write fails
    }
    EXPECT_EQ(sizeNative("v.bin"), 5u + 4 + 8 + 4 + 4);
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
    std::string text;
    EXPECT_TRUE(in.readText(text, 4));
    EXPECT_EQ(text, "ab");
    EXPECT_EQ(in.remaining(), 4u);
    std::vector<std::int32_t> records;
    EXPECT_FALSE(in.readRecords(records, 2));  // only one is there
    EXPECT_TRUE(records.empty());
}

TEST(CountCheck, RejectsCountsTheFileCannotHold) {
    EXPECT_TRUE(countFits(3, 70, 210));
    EXPECT_FALSE(countFits(4, 70, 210));
    EXPECT_FALSE(countFits(-1, 70, 1000));
    EXPECT_FALSE(countFits(0x7FFFFFFF, 0x7FFFFFFF, 1000));
    EXPECT_TRUE(countFits(0, 70, 0));
}

TEST(Gbk, ConvertsStrictly) {
    EXPECT_EQ(utf8ToGbk("\xE9\x87\x8F\xE6\xB5\x8B"), hexBytes("C1 BF B2 E2"));  // 量测
    EXPECT_EQ(gbkToUtf8(hexBytes("C1 BF B2 E2")), "\xE9\x87\x8F\xE6\xB5\x8B");
    EXPECT_FALSE(gbkToUtf8("a\x87").has_value());
    EXPECT_FALSE(utf8ToGbk("\xF0\x9F\x98\x80").has_value());  // no GBK form
    EXPECT_EQ(gbkToUtf8Lossy("a\x87"), "a?");
}

}  // namespace
