#include "test_support.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

class InnerOrientationList : public yb::test::DriveFixture {
protected:
    std::FILE* openNative(std::string const& relative, std::string const& content) {
        writeNative(relative, yb::test::bytesOf(content));
        return std::fopen(native(relative).c_str(), "r");
    }
};

TEST_F(InnerOrientationList, WritesCountAndNamesAndReadsThemBack) {
    std::vector<std::string> names{"C:\\a.ybi", "D:\\b.ybi"};
    ASSERT_EQ(ybWriteInnOrientImgListFile("D:\\list.txt", names), 0);
    auto bytes = readNative("list.txt");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "2\nC:\\a.ybi\nD:\\b.ybi\n");

    std::int32_t count = 0;
    ASSERT_EQ(ybReadImgNumsOfInnOrient("D:\\list.txt", &count), 0);
    EXPECT_EQ(count, 2);
    char name[128] = {};
    ASSERT_EQ(ybReadOneInnOrientImgFileName("D:\\list.txt", 2, name), 0);
    EXPECT_STREQ(name, "D:\\b.ybi");
    ASSERT_EQ(ybReadOneInnOrientImgFileName("D:\\list.txt", 1, name), 0);
    EXPECT_STREQ(name, "C:\\a.ybi");
    EXPECT_EQ(ybReadOneInnOrientImgFileName("D:\\list.txt", 3, name), yb::kOutOfRange);
    EXPECT_EQ(ybReadOneInnOrientImgFileName("D:\\list.txt", 0, name), yb::kOutOfRange);
    EXPECT_EQ(ybReadOneInnOrientImgFileName("D:\\list.txt", 1, nullptr), yb::kOutOfRange);
}

TEST_F(InnerOrientationList, ReadsWindowsLineEndsAndCutsLongLines) {
    std::string const longName(200, 'x');
    writeNative("list.txt", yb::test::bytesOf("2\r\nC:\\a.ybi  \r\n" + longName + "\r\n"));
    char name[128] = {};
    ASSERT_EQ(ybReadOneInnOrientImgFileName("D:\\list.txt", 1, name), 0);
    EXPECT_STREQ(name, "C:\\a.ybi");
    ASSERT_EQ(ybReadOneInnOrientImgFileName("D:\\list.txt", 2, name), 0);
    EXPECT_EQ(std::string(name), longName.substr(0, 127));
}

TEST_F(InnerOrientationList, BadCountsAndFilesGiveTheirCodes) {
    writeNative("zero.txt", yb::test::bytesOf("0\nC:\\a.ybi\n"));
    std::int32_t count = 9;
    char name[128] = {};
    EXPECT_EQ(ybReadImgNumsOfInnOrient("D:\\zero.txt", &count), yb::kInvalidContent);
    EXPECT_EQ(ybReadOneInnOrientImgFileName("D:\\zero.txt", 1, name), yb::kInvalidContent);
    writeNative("empty.txt", {});
    EXPECT_EQ(ybReadImgNumsOfInnOrient("D:\\empty.txt", &count), yb::kInvalidContent);
    writeNative("text.txt", yb::test::bytesOf("many\n"));
    EXPECT_EQ(ybReadImgNumsOfInnOrient("D:\\text.txt", &count), yb::kInvalidContent);
    EXPECT_EQ(count, 9);
    EXPECT_EQ(ybReadImgNumsOfInnOrient("D:\\missing.txt", &count), yb::kCannotOpen);
    EXPECT_EQ(ybReadOneInnOrientImgFileName("D:\\missing.txt", 1, name), yb::kCannotOpen);
    // The count promises more entries than there are lines.
    writeNative("short.txt", yb::test::bytesOf("3\na\n"));
    EXPECT_EQ(ybReadOneInnOrientImgFileName("D:\\short.txt", 3, name), yb::kInvalidContent);

    EXPECT_EQ(ybWriteInnOrientImgListFile("D:\\new.txt", {}), yb::kOutOfRange);
    EXPECT_EQ(ybWriteInnOrientImgListFile(nullptr, {"a"}), yb::kOutOfRange);
    EXPECT_FALSE(existsNative("new.txt"));
    EXPECT_EQ(ybWriteInnOrientImgListFile("Q:\\unmapped\\new.txt", {"a"}), yb::kCannotWrite);
}

TEST_F(InnerOrientationList, FailedWriteKeepsTheLinesBeforeIt) {
    {
        yb::test::WriteFault fault(0);
        EXPECT_EQ(ybWriteInnOrientImgListFile("D:\\list.txt", {"a", "b"}), yb::kCannotWrite);
    }
    EXPECT_TRUE(existsNative("list.txt"));
}

TEST_F(InnerOrientationList, SkipAtTheEndOfAFileWithAndWithoutFinalNewline) {
    std::int32_t position = -1;
    std::FILE* open = openNative("open.txt", "a\nb\nc");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(ybJumpTextFileLines(open, 3, 0, &position), 0);
    EXPECT_EQ(position, 5);
    EXPECT_EQ(ybJumpTextFileLines(open, 4, 0, &position), yb::kOutOfRange);
    EXPECT_EQ(ybJumpTextFileLines(open, 2, 0, &position), 0);
    EXPECT_EQ(position, 4);
    std::fclose(open);

    std::FILE* closed = openNative("closed.txt", "a\nb\nc\n");
    ASSERT_NE(closed, nullptr);
    EXPECT_EQ(ybJumpTextFileLines(closed, 3, 0, nullptr), 0);
    EXPECT_EQ(std::ftell(closed), 6);
    EXPECT_EQ(ybJumpTextFileLines(closed, 4, 0, &position), yb::kInvalidContent);
    // From the current position: after one line, one more.
    EXPECT_EQ(ybJumpTextFileLines(closed, 1, 0, nullptr), 0);
    EXPECT_EQ(ybJumpTextFileLines(closed, 1, 1, &position), 0);
    EXPECT_EQ(position, 4);
    std::fclose(closed);
}

TEST_F(InnerOrientationList, SkipCountsA600CharacterLineAsTwo) {
    std::FILE* stream = openNative("long.txt", std::string(600, 'x') + "\nnext\n");
    ASSERT_NE(stream, nullptr);
    std::int32_t position = 0;
    EXPECT_EQ(ybJumpTextFileLines(stream, 2, 0, &position), 0);
    EXPECT_EQ(position, 601);
    EXPECT_EQ(ybJumpTextFileLines(stream, 3, 0, &position), 0);
    EXPECT_EQ(position, 606);
    std::fclose(stream);
}

TEST_F(InnerOrientationList, SkipRejectsBadArguments) {
    std::FILE* stream = openNative("a.txt", "a\n");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(ybJumpTextFileLines(nullptr, 1, 0, nullptr), yb::kOutOfRange);
    EXPECT_EQ(ybJumpTextFileLines(stream, 0, 0, nullptr), yb::kOutOfRange);
    EXPECT_EQ(ybJumpTextFileLines(stream, 1, 3, nullptr), yb::kOutOfRange);
    EXPECT_EQ(ybJumpTextFileLines(stream, 1, -1, nullptr), yb::kOutOfRange);
    std::fclose(stream);
}

}  // namespace
