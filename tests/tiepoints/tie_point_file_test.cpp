#include "tiepoints/tie_point_file.h"

#include "tie_point_fixture.h"

#include <yb/HostBase.h>

namespace {

using yb::test::hexBytes;
using yb::test::RawTiePointFile;
using yb::test::tiePoint;

class TiePointFile : public yb::test::TiePointTest {};

std::string const kUnsupportedFile = hexBytes("B2 BB D6 A7 B3 D6 B5 C4 C1 AC BD D3 B5 E3 CE C4 BC FE A3 A1");
std::string const kFileDamaged = hexBytes("C1 AC BD D3 B5 E3 CE C4 BC FE B4 ED CE F3 A3 A1");

std::int32_t i32At(std::vector<unsigned char> const& bytes, std::size_t offset) {
    std::int32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

TEST_F(TiePointFile, GroupsByFirstOccurrenceKeepingRecordOrder) {
    std::vector<tagImagePoint> points = {tiePoint("A", 12, 1, 2), tiePoint("B", 5), tiePoint("C", 12, 3, 4),
                                         tiePoint("D", 7)};
    create(points);
    auto bytes = fileBytes();
    ASSERT_EQ(bytes.size(), 436u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 22), "YB_TIE_PNT_FILE_VER1.0");
    EXPECT_TRUE(std::all_of(bytes.begin() + 22, bytes.begin() + 128, [](unsigned char b) { return b == 0; }));
    // group 12: A, C; group 5: B; group 7: D
    struct Group {
        std::size_t at;
        std::int32_t imageNo;
        std::vector<std::size_t> records;
    };
    for (Group const& g : {Group{128 + 4, 12, {0, 2}}, Group{280, 5, {1}}, Group{358, 7, {3}}}) {
        EXPECT_EQ(i32At(bytes, g.at), g.imageNo);
        EXPECT_EQ(i32At(bytes, g.at + 4), static_cast<std::int32_t>(g.records.size()));
        for (std::size_t r = 0; r < g.records.size(); ++r) {
            EXPECT_EQ(std::memcmp(bytes.data() + g.at + 8 + 70 * r, &points[g.records[r]], 70), 0);
        }
    }
    EXPECT_EQ(i32At(bytes, 128), 3);
    std::int32_t total = -1;
    EXPECT_EQ(ybReadTiePntNums(kPath, total), yb::kSuccess);
    EXPECT_EQ(total, 4);
    EXPECT_EQ(names(readAll()), (std::vector<std::string>{"A@12", "C@12", "B@5", "D@7"}));
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(TiePointFile, EmptyFileIsTheHeaderOnly) {
    ASSERT_EQ(ybCreateTiePntFile(kPath, nullptr, 0), yb::kSuccess);
    EXPECT_EQ(fileBytes().size(), 132u);
    std::int32_t total = -1;
    EXPECT_EQ(ybReadTiePntNums(kPath, total), yb::kSuccess);
    EXPECT_EQ(total, 0);
    EXPECT_TRUE(readAll().empty());
}

TEST_F(TiePointFile, WriterFailuresLeaveNoFile) {
    create({tiePoint("A", 1)});
    EXPECT_EQ(ybCreateTiePntFile(kPath, nullptr, 2), yb::kOutOfRange);
    EXPECT_FALSE(existsNative("Area.scp"));
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].style, HB_MESSAGE_ERROR);
    EXPECT_EQ(recorder.messages[0].gbk, hexBytes("CE DE D0 A7 B5 C4 B5 D8 D6 B7 A3 A1"));

    // A write that comes up short is a failure, never a truncated file reported as success.
    std::vector<tagImagePoint> many(20000, tiePoint("P", 3));
    {
        yb::test::WriteFault fault(1);
        EXPECT_EQ(ybCreateTiePntFile(kPath, many.data(), 20000), yb::kCannotWrite);
    }
    EXPECT_FALSE(existsNative("Area.scp"));
    EXPECT_EQ(recorder.messages.back().gbk, "Create Tie Point File <D:\\Area.scp> Failure!");

    // A folder that does not exist cannot hold the file.
    EXPECT_EQ(ybCreateTiePntFile("D:\\nowhere\\x.scp", many.data(), 1), yb::kCannotWrite);
    EXPECT_EQ(recorder.messages.back().gbk, "Create Tie Point File <D:\\nowhere\\x.scp> Failure!");
    EXPECT_EQ(recorder.messages.back().style, HB_MESSAGE_ERROR);
}

TEST_F(TiePointFile, MagicIsComparedIgnoringCaseUpToItsFirstZero) {
    writeNative("Area.scp", RawTiePointFile("yb_tie_pnt_file_ver1.0", 1).group(4, {tiePoint("A", 4)}).bytes);
    EXPECT_EQ(names(readAll()), std::vector<std::string>{"A@4"});

    writeNative("Area.scp", RawTiePointFile("YB_TIE_PNT_FILE_VER1.01", 0).bytes);
    std::int32_t total = 9;
    EXPECT_EQ(ybReadTiePntNums(kPath, total), yb::kInvalidContent);
    EXPECT_EQ(total, 0);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].gbk, kUnsupportedFile);
    EXPECT_EQ(recorder.messages[0].style, HB_MESSAGE_ERROR);

    EXPECT_EQ(yb::tiepoints::CheckTiePntMagic(nullptr), yb::kInvalidArgument);
    EXPECT_EQ(recorder.messages.back().gbk, hexBytes("CE DE D0 A7 B5 C4 CE C4 BC FE D6 B8 D5 EB A3 A1"));
}

TEST_F(TiePointFile, DamagedFilesGiveInvalidContentAndNothingElse) {
    struct Case {
        char const* what;
        std::vector<unsigned char> bytes;
    };
    std::vector<unsigned char> headerCut = RawTiePointFile().bytes;
    headerCut.resize(130);
    std::vector<unsigned char> recordCut = RawTiePointFile("YB_TIE_PNT_FILE_VER1.0", 2).group(1, {tiePoint("A", 1)})
                                               .group(2, {tiePoint("B", 2), tiePoint("C", 2)}).bytes;
    recordCut.resize(recordCut.size() - 1);
    Case cases[] = {
        {"negative group count", RawTiePointFile("YB_TIE_PNT_FILE_VER1.0", -1).bytes},
        {"group count cut off", headerCut},
        {"fewer groups than counted", RawTiePointFile("YB_TIE_PNT_FILE_VER1.0", 3).group(1, {tiePoint("A", 1)}).bytes},
        {"last record cut short", recordCut},
        {"record count beyond the file", RawTiePointFile("YB_TIE_PNT_FILE_VER1.0", 1).i32(1).i32(0x7fffffff).bytes},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        writeNative("Area.scp", c.bytes);
        recorder.messages.clear();
        std::int32_t total = 7;
        EXPECT_EQ(ybReadTiePntNums(kPath, total), yb::kInvalidContent);
        EXPECT_EQ(total, 0);
        std::vector<tagImagePoint> points(3);
        EXPECT_EQ(ybReadTiePntFileToAry(kPath, points), yb::kInvalidContent);
        EXPECT_TRUE(points.empty());
        ASSERT_EQ(recorder.messages.size(), 2u);
        EXPECT_EQ(recorder.messages[0].gbk, kFileDamaged);
    }
}

TEST_F(TiePointFile, EmptyAndNegativeGroupsHoldNoPoints) {
    writeNative("Area.scp", RawTiePointFile("YB_TIE_PNT_FILE_VER1.0", 4)
                                .group(1, {tiePoint("A", 1)}).i32(2).i32(0).i32(3).i32(-5)
                                .group(4, {tiePoint("C", 4), tiePoint("D", 4)}).bytes);
    std::int32_t total = 0;
    EXPECT_EQ(ybReadTiePntNums(kPath, total), yb::kSuccess);
    EXPECT_EQ(total, 3);
    EXPECT_EQ(names(readAll()), (std::vector<std::string>{"A@1", "C@4", "D@4"}));
}

TEST_F(TiePointFile, MissingFileOpensNothing) {
    std::int32_t total = 3;
    EXPECT_EQ(ybReadTiePntNums("D:\\none.scp", total), yb::kCannotOpen);
    EXPECT_EQ(total, 0);
    std::vector<tagImagePoint> points(2);
    EXPECT_EQ(ybReadTiePntFileToAry("D:\\none.scp", points), yb::kCannotOpen);
    EXPECT_TRUE(points.empty());
    ASSERT_EQ(recorder.messages.size(), 2u);
    EXPECT_EQ(recorder.messages[0].style, HB_MESSAGE_PLAIN);
    EXPECT_EQ(recorder.messages[0].gbk, "Open Tie Point File <D:\\none.scp> Failure!");
    EXPECT_EQ(ybReadTiePntNums(nullptr, total), yb::kInvalidArgument);
}

}  // namespace
