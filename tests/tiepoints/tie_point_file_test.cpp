// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "tiepoints/tie_point_file.h"

#include "tie_point_fixture.h"

#include <yb/HostBase.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <optional>

namespace {

using yb::test::hexBytes;
using yb::test::RawTiePointFile;
using yb::test::tiePoint;

class TiePointFile : public yb::test::TiePointTest {};

std::string const kUnsupportedFile = hexBytes("B2 BB D6 A7 B3 D6 B5 C4 C1 AC BD D3 B5 E3 CE C4 BC FE A3 A1");
std::string const kFileDamaged = hexBytes("C1 AC BD D3 B5 E3 CE C4 BC FE B4 ED CE F3 A3 A1");

TEST_F(TiePointFile, GroupsByFirstOccurrenceKeepingRecordOrderAndEmptyGroupsHoldNoPoints) {
    tagImagePoint const a = tiePoint("A", 12, 1, 2), b = tiePoint("B", 5), c = tiePoint("C", 12, 3, 4),
                        d = tiePoint("D", 7);
    create({a, b, c, d});
    EXPECT_EQ(fileBytes(), RawTiePointFile(3).group(12, {a, c}).group(5, {b}).group(7, {d}).bytes);
    std::int32_t total = -1;
    EXPECT_EQ(ybReadTiePntNums(kPath, total), yb::kSuccess);
    EXPECT_EQ(total, 4);
    EXPECT_EQ(names(readAll()), (std::vector<std::string>{"A@12", "C@12", "B@5", "D@7"}));
    EXPECT_TRUE(recorder.messages.empty());

    // No points: the header with a zero group count.
    ASSERT_EQ(ybCreateTiePntFile(kPath, nullptr, 0), yb::kSuccess);
    EXPECT_EQ(fileBytes(), RawTiePointFile().bytes);
    EXPECT_EQ(ybReadTiePntNums(kPath, total), yb::kSuccess);
    EXPECT_EQ(total, 0);
    EXPECT_TRUE(readAll().empty());

    // Empty and negative groups hold no points; the magic is compared ignoring case.
    writeNative("Area.scp", RawTiePointFile(4, "yb_tie_pnt_file_ver1.0")
                                .group(1, {tiePoint("A", 1)})
                                .i32(2)
                                .i32(0)
                                .i32(3)
                                .i32(-5)
                                .group(4, {tiePoint("C", 4), tiePoint("D", 4)})
                                .bytes);
    EXPECT_EQ(ybReadTiePntNums(kPath, total), yb::kSuccess);
    EXPECT_EQ(total, 3);
    EXPECT_EQ(names(readAll()), (std::vector<std::string>{"A@1", "C@4", "D@4"}));
}

// The file that grouping record by record gives: images in order of first occurrence, records of an
// image in their given order.
RawTiePointFile groupedRecordByRecord(std::vector<tagImagePoint> const& points) {
    std::vector<std::int32_t> firstSeen;
    std::map<std::int32_t, std::vector<tagImagePoint>> byImage;
    for (auto const& point : points) {
        std::int32_t const imageNo = point.imageNo;  // a copy: the record is packed
        if (byImage[imageNo].empty()) firstSeen.push_back(imageNo);
        byImage[imageNo].push_back(point);
    }
    RawTiePointFile expected(static_cast<std::int32_t>(firstSeen.size()));
    for (std::int32_t imageNo : firstSeen) expected.group(imageNo, byImage[imageNo]);
    return expected;
}

// The same records in every order a caller may hand them over, under every kind of image numbering:
// the file is the one that grouping record by record gives (images in order of first occurrence,
// records of an image in their given order), from an array and from pieces alike.
TEST_F(TiePointFile, AnyInputOrderGroupsByFirstOccurrenceKeepingRecordOrder) {
    struct Numbering {
        char const* what;
        std::int32_t (*imageNo)(std::int32_t image);
    };
    Numbering const numberings[] = {
        {"strip * 100 + position", [](std::int32_t image) { return (image / 80 + 1) * 100 + image % 80; }},
        {"large and negative numbers",
         [](std::int32_t image) { return image % 2 == 0 ? 2000000000 - image * 7919 : -1 - image; }},
        // Small numbers and numbers far apart, from zero to a few million.
        {"spread over millions", [](std::int32_t image) { return image * 3517; }},
    };
    enum class Order { Grouped, Interleaved, Shuffled };
    std::pair<Order, char const*> const orders[] = {
        {Order::Grouped, "grouped"}, {Order::Interleaved, "interleaved"}, {Order::Shuffled, "shuffled"}};
    // Enough images that shuffled records of one image lie far apart.
    constexpr std::int32_t kImages = 6000;
    for (auto const& numbering : numberings)
        for (auto const& [order, orderName] : orders) {
            SCOPED_TRACE(std::string(numbering.what) + ", " + orderName);
            // Each point on three neighbouring images, one image in 40 holding far more than the others,
            // and one more image that sees every point (a group larger than the writer takes at once).
            std::vector<tagImagePoint> points;
            for (std::int32_t p = 0; p < 30000; ++p) {
                std::int32_t const first = p % kImages;
                for (std::int32_t k = 0; k < (first % 40 == 0 ? 12 : 3); ++k)
                    points.push_back(
                        tiePoint(std::to_string(p).c_str(), numbering.imageNo((first + k % 3) % kImages), p, k));
                points.push_back(tiePoint(std::to_string(p).c_str(), numbering.imageNo(kImages), p, -1));
            }
            if (order == Order::Shuffled) std::shuffle(points.begin(), points.end(), std::mt19937(11));
            if (order == Order::Grouped) {
                std::map<std::int32_t, std::int32_t> rank;
                for (auto const& point : points)
                    rank.try_emplace(std::int32_t{point.imageNo}, static_cast<std::int32_t>(rank.size()));
                std::stable_sort(points.begin(), points.end(), [&](tagImagePoint const& x, tagImagePoint const& y) {
                    return rank[std::int32_t{x.imageNo}] < rank[std::int32_t{y.imageNo}];
                });
            }
            RawTiePointFile const expected = groupedRecordByRecord(points);
            create(points);
            EXPECT_EQ(fileBytes(), expected.bytes);
            // Pieces of uneven sizes, an empty one among them.
            std::vector<std::vector<tagImagePoint>> pieces(1);
            for (std::size_t i = 0; i < points.size(); ++i) {
                if (i % 997 == 0) pieces.emplace_back();
                if (i == 5000) pieces.emplace_back();
                pieces.back().push_back(points[i]);
            }
            std::filesystem::remove(native("Area.scp"));
            ASSERT_EQ(yb::tiepoints::writeTiePointGroups(kPath, pieces), yb::kSuccess);
            EXPECT_EQ(fileBytes(), expected.bytes);
        }
}

// Shuffled records are laid out 8 MiB of the file at a time: a first group that ends one record
// before, at and one record after the end of such a piece, and the rest of the file after it.
TEST_F(TiePointFile, ShuffledGroupsAcrossTheWritersPiecesAreWrittenWhole) {
    constexpr std::int32_t kPieceRecords = (8 << 20) / (70 + 8);
    for (std::int32_t const firstGroup : {kPieceRecords - 1, kPieceRecords, kPieceRecords + 1}) {
        SCOPED_TRACE(firstGroup);
        std::vector<tagImagePoint> points;
        for (std::int32_t p = 0; p < 40000; ++p) points.push_back(tiePoint("P", 100 + p % 5000, p, 0));
        for (std::int32_t p = 1; p < firstGroup; ++p) points.push_back(tiePoint("F", 7, p, 1));
        std::shuffle(points.begin(), points.end(), std::mt19937(5));
        points.insert(points.begin(), tiePoint("F", 7, 0, 1));
        create(points);
        EXPECT_EQ(fileBytes(), groupedRecordByRecord(points).bytes);
    }
}

TEST_F(TiePointFile, WriterFailuresLeaveNoFile) {
    create({tiePoint("A", 1)});
    EXPECT_EQ(ybCreateTiePntFile(kPath, nullptr, 2), yb::kOutOfRange);
    EXPECT_FALSE(existsNative("Area.scp"));
    expectOnlyMessage(HB_MESSAGE_ERROR, hexBytes("CE DE D0 A7 B5 C4 B5 D8 D6 B7 A3 A1"));

    // A folder that does not exist cannot hold the file.
    std::vector<tagImagePoint> many(2, tiePoint("P", 3));
    EXPECT_EQ(ybCreateTiePntFile("D:\\nowhere\\x.scp", many.data(), 1), yb::kCannotWrite);
    EXPECT_EQ(recorder.messages.back().gbk, "Create Tie Point File <D:\\nowhere\\x.scp> Failure!");
    EXPECT_EQ(recorder.messages.back().style, HB_MESSAGE_ERROR);
    // The file is created before the records are looked at.
    EXPECT_EQ(ybCreateTiePntFile("D:\\nowhere\\x.scp", nullptr, 2), yb::kCannotWrite);
    EXPECT_EQ(recorder.messages.back().gbk, "Create Tie Point File <D:\\nowhere\\x.scp> Failure!");
}

// Each reader of the whole file gives the code, no points and a message (the count's first).
TEST_F(TiePointFile, MissingOrDamagedFilesGiveTheirCodeAndNothingElse) {
    struct Case {
        char const* what;
        std::optional<std::vector<unsigned char>> bytes;  // none: no file
        std::int32_t code;
        HbMessageStyle style;
        std::string message;
    };
    std::string_view const magic = "YB_TIE_PNT_FILE_VER1.0";
    Case const cases[] = {
        {"no file", std::nullopt, yb::kCannotOpen, HB_MESSAGE_PLAIN, "Open Tie Point File <D:\\Area.scp> Failure!"},
        {"empty file", std::vector<unsigned char>{}, yb::kInvalidContent, HB_MESSAGE_ERROR, kUnsupportedFile},
        {"magic with more after it", RawTiePointFile(0, "YB_TIE_PNT_FILE_VER1.01").bytes, yb::kInvalidContent,
         HB_MESSAGE_ERROR, kUnsupportedFile},
        {"the magic text alone", std::vector<unsigned char>(magic.begin(), magic.end()), yb::kInvalidContent,
         HB_MESSAGE_ERROR, kFileDamaged},
        {"negative group count", RawTiePointFile(-1).bytes, yb::kInvalidContent, HB_MESSAGE_ERROR, kFileDamaged},
        {"fewer groups than counted", RawTiePointFile(3).group(1, {tiePoint("A", 1)}).bytes, yb::kInvalidContent,
         HB_MESSAGE_ERROR, kFileDamaged},
        {"record count beyond the file", RawTiePointFile(1).i32(1).i32(0x7fffffff).bytes, yb::kInvalidContent,
         HB_MESSAGE_ERROR, kFileDamaged},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(native("Area.scp"));
        if (c.bytes) writeNative("Area.scp", *c.bytes);
        recorder.messages.clear();
        std::int32_t total = 7;
        EXPECT_EQ(ybReadTiePntNums(kPath, total), c.code);
        EXPECT_EQ(total, 0);
        std::vector<tagImagePoint> points(3);
        EXPECT_EQ(ybReadTiePntFileToAry(kPath, points), c.code);
        EXPECT_TRUE(points.empty());
        ASSERT_EQ(recorder.messages.size(), 2u);
        EXPECT_EQ(recorder.messages[0].style, c.style);
        EXPECT_EQ(recorder.messages[0].gbk, c.message);
    }
}

}  // namespace
