#include "test_support.h"

#include <string>
#include <vector>

namespace {

using ImageRelationFile = yb::test::DriveFixture;

TEST_F(ImageRelationFile, WritesTabSeparatedLinesAndReadsThemBack) {
    std::vector<ImageLayoutStru> records{{1, 10.5, 20.25}, {2, -3, 4}};
    ASSERT_EQ(ybWriteImageRelaFile("D:\\rel.txt", records), 0);
    auto bytes = readNative("rel.txt");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "2\n1\t10.500000\t20.250000\n2\t-3.000000\t4.000000\n");

    std::vector<ImageLayoutStru> back{{9, 9, 9}};
    ASSERT_EQ(ybReadImageRelaFile("D:\\rel.txt", back), 0);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].imageNo, 1);
    EXPECT_EQ(back[0].x, 10.5);
    EXPECT_EQ(back[0].y, 20.25);
    EXPECT_EQ(back[1].imageNo, 2);
    EXPECT_EQ(back[1].x, -3.0);
    EXPECT_EQ(back[1].y, 4.0);
}

TEST_F(ImageRelationFile, ReaderIsLenientAboutSeparatorsAndTrailingText) {
    std::string const longTail(900, 'z');
    writeNative("rel.txt", yb::test::bytesOf("2 records\r\n7 1.5 2.5\r\n8\t-1\t2 " + longTail + "\r\nextra\n"));
    std::vector<ImageLayoutStru> back;
    ASSERT_EQ(ybReadImageRelaFile("D:\\rel.txt", back), 0);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].imageNo, 7);
    EXPECT_EQ(back[0].x, 1.5);
    EXPECT_EQ(back[0].y, 2.5);
    EXPECT_EQ(back[1].imageNo, 8);
    EXPECT_EQ(back[1].y, 2.0);
}

TEST_F(ImageRelationFile, ShortOrEmptyFilesEmptyTheArray) {
    std::vector<ImageLayoutStru> back{{1, 1, 1}};
    writeNative("short.txt", yb::test::bytesOf("3\n1\t1\t1\n2\t2\t2\n"));
    EXPECT_EQ(ybReadImageRelaFile("D:\\short.txt", back), yb::kInvalidContent);
    EXPECT_TRUE(back.empty());
    EXPECT_EQ(back.capacity(), 0u);

    back.assign(1, {1, 1, 1});
    writeNative("zero.txt", yb::test::bytesOf("0\n"));
    EXPECT_EQ(ybReadImageRelaFile("D:\\zero.txt", back), yb::kInvalidContent);
    EXPECT_TRUE(back.empty());
    writeNative("empty.txt", {});
    EXPECT_EQ(ybReadImageRelaFile("D:\\empty.txt", back), yb::kInvalidContent);
    // A huge count is not trusted for the allocation.
    writeNative("huge.txt", yb::test::bytesOf("2000000000\n1 1 1\n"));
    EXPECT_EQ(ybReadImageRelaFile("D:\\huge.txt", back), yb::kInvalidContent);

    back.assign(1, {1, 1, 1});
    EXPECT_EQ(ybReadImageRelaFile("D:\\missing.txt", back), yb::kCannotOpen);
    EXPECT_EQ(back.size(), 1u);
}

TEST_F(ImageRelationFile, WriterFailures) {
    EXPECT_EQ(ybWriteImageRelaFile("D:\\rel.txt", {}), yb::kInvalidArgument);
    EXPECT_FALSE(existsNative("rel.txt"));
    EXPECT_EQ(ybWriteImageRelaFile(nullptr, {{1, 1, 1}}), yb::kInvalidArgument);
    EXPECT_EQ(ybWriteImageRelaFile("Q:\\x\\rel.txt", {{1, 1, 1}}), yb::kCannotWrite);
    {
        yb::test::WriteFault fault(0);
        EXPECT_EQ(ybWriteImageRelaFile("D:\\rel.txt", {{1, 1, 1}}), yb::kCannotWrite);
    }
    EXPECT_FALSE(existsNative("rel.txt"));

    // A value too wide for a usual line still comes out whole.
    ASSERT_EQ(ybWriteImageRelaFile("D:\\wide.txt", {{5, 1e200, -2}}), 0);
    std::vector<ImageLayoutStru> back;
    ASSERT_EQ(ybReadImageRelaFile("D:\\wide.txt", back), 0);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].y, -2.0);
}

}  // namespace
