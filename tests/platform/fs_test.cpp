#include "binary_io.h"
#include "fs.h"
#include "gbk.h"
#include "write_path.h"

#include "test_support.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

using namespace yb::platform;
using yb::test::hexBytes;

namespace {

class FileAccess : public yb::test::DriveFixture {};

bool writeFile(std::string const& hostPath, std::vector<unsigned char> const& bytes) {
    return replaceFile(hostPath, [&](Output& out) {
        out.write(bytes.data(), bytes.size());
        return true;
    });
}

TEST_F(FileAccess, ComponentsResolveIgnoringCase) {
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
    EXPECT_EQ(nativePath("D:\\..\\..\\escaped.dms", true), native("escaped.dms"));
    EXPECT_EQ(nativePath("D:\\blk\\..\\..\\..\\temp", false), std::nullopt);
    EXPECT_EQ(nativePath("D:\\..\\blk\\temp"), native("blk/Temp"));
    EXPECT_EQ(nativePath("a\\..\\..\\b", true), "../b");  // a relative path climbs from the current directory
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

TEST_F(FileAccess, UnmappedDrivesAndMissingFoldersNameNoFile) {
    EXPECT_FALSE(writeFile("Q:\\a.bin", {}));
    EXPECT_FALSE(isRegularFile("Q:\\a.bin"));
    EXPECT_FALSE(nativePath("Q:\\a.bin").has_value());
    // A missing middle directory is not created by writing a file.
    EXPECT_FALSE(writeFile("D:\\missing\\a.bin", {}));
    EXPECT_FALSE(openFile("D:\\a.bin", "wb"));  // streams only read
    EXPECT_TRUE(listNative().empty());
}

TEST_F(FileAccess, AReplacementGivenUpLeavesTheTargetAndNothingElse) {
    writeNative("a.dat", {1, 2, 3});
    ::chmod(native("a.dat").c_str(), 0640);
    EXPECT_FALSE(replaceFile("D:\\a.dat", [](Output& out) {
        out.write("xyz", 3);
        return false;
    }));
    EXPECT_EQ(readNative("a.dat"), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_EQ(listNative(), std::vector<std::string>{"a.dat"});
    ASSERT_TRUE(writeFile("D:\\A.DAT", {9}));
    EXPECT_EQ(readNative("a.dat"), std::vector<unsigned char>{9});
    EXPECT_EQ(std::filesystem::status(native("a.dat")).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}

// A change in place that a killed process left half done is rolled back by the next open; a journal
// cut short before its end never touched the file and is dropped; a work copy that is no journal is
// not ours and stays.
TEST_F(FileAccess, TheNextOpenRollsBackAnInterruptedChange) {
    writeNative("a.dat", {1, 2, 3, 4});
    pid_t const child = ::fork();
    if (child == 0) {
        FileChange change("D:\\a.dat", WorkCopyName::Bak);
        // Bytes the journal does not keep are never written.
        bool const ok = change.keep({{1, 2}}) && !change.write(1, "xxxxxx", 6) && change.write(1, "xx", 2) &&
                        change.write(4, "xxx", 3);
        std::_Exit(ok ? 0 : 1);  // killed before it could finish: no rollback, no commit
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readNative("a.dat").size(), 7u);
    ASSERT_TRUE(existsNative("a.dat.bak"));
    auto const journal = readNative("a.dat.bak");
    { File file = openFile("D:\\a.dat", "rb"); }
    EXPECT_EQ(readNative("a.dat"), (std::vector<unsigned char>{1, 2, 3, 4}));
    EXPECT_EQ(listNative(), std::vector<std::string>{"a.dat"});

    writeNative("a.dat", {5, 6});
    writeNative("a.dat.tmp", std::vector<unsigned char>(journal.begin(), journal.end() - 1));
    writeNative("a.dat.bak", {'m', 'i', 'n', 'e'});
    EXPECT_TRUE(isRegularFile("D:\\a.dat"));
    { File file = openFile("D:\\a.dat", "rb"); }
    EXPECT_EQ(readNative("a.dat"), (std::vector<unsigned char>{5, 6}));
    EXPECT_EQ(listNative(), (std::vector<std::string>{"a.dat", "a.dat.bak"}));
}

TEST_F(FileAccess, BinaryStreamReportsShortReads) {
    std::vector<unsigned char> bytes = yb::test::bytesOf("MAGIC");
    std::int32_t const minusSeven = -7;
    double const oneAndAHalf = 1.5;
    auto append = [&](void const* data, std::size_t size) {
        auto const* p = static_cast<unsigned char const*>(data);
        bytes.insert(bytes.end(), p, p + size);
    };
    append(&minusSeven, 4);
    append(&oneAndAHalf, 8);
    append("ab\0\0", 4);
    append(&minusSeven, 4);
    writeNative("v.bin", bytes);
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
