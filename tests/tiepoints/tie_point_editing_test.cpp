// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "tie_point_fixture.h"

#include <yb/HostBase.h>
#include <yb/ybiOrient.h>

#include <random>

namespace {

using yb::test::hexBytes;
using yb::test::tiePoint;

class TiePointEditing : public yb::test::TiePointTest {
protected:
    std::int32_t merge(std::vector<tagImagePoint> const& points) {
        return ybAppendTiePntToFile(kPath, points.data(), static_cast<std::int32_t>(points.size()));
    }
    std::int32_t groupCount() const { return yb::test::at<std::int32_t>(fileBytes(), 128); }
    bool backupLeft() const { return existsNative("Area.scp.bak"); }
};

TEST_F(TiePointEditing, MergeReplacesInPlaceAppendsToGroupsAndAddsGroups) {
    create({tiePoint("a7", 101, 1), tiePoint("B", 101, 2), tiePoint("C", 102, 3)});
    ASSERT_EQ(merge({tiePoint("A7", 101, 10)}), yb::kSuccess);
    auto points = readAll();
    EXPECT_EQ(names(points), (std::vector<std::string>{"A7@101", "B@101", "C@102"}));
    EXPECT_EQ(+points[0].x, 10);
    EXPECT_EQ(groupCount(), 2);

    // A known image gets the point at the end of its group; a new image gets a new last group.
    ASSERT_EQ(ybWriteOneImgTiePntToFile(kPath, std::vector{tiePoint("Q", 305), tiePoint("D", 101)}.data(), 2),
              yb::kSuccess);
    EXPECT_EQ(names(readAll()), (std::vector<std::string>{"A7@101", "B@101", "D@101", "C@102", "Q@305"}));
    EXPECT_EQ(groupCount(), 3);

    // Of two given points of one image and name the later wins, in the earlier's place.
    ASSERT_EQ(merge({tiePoint("N", 102, 1), tiePoint("M", 102), tiePoint("n", 102, 2)}), yb::kSuccess);
    points = readAll();
    EXPECT_EQ(names(points),
              (std::vector<std::string>{"A7@101", "B@101", "D@101", "C@102", "n@102", "M@102", "Q@305"}));
    EXPECT_EQ(+points[4].x, 2);
    EXPECT_FALSE(backupLeft());
    EXPECT_TRUE(recorder.messages.empty());
}

// A file as the grouping writer leaves it is changed a group at a time, any other file whole in
// memory; both must give the same file. Each round writes the same points twice, grouped and with one
// image's group split in two (which only the whole change takes: it regroups the same points), and
// changes both alike: a removal, then a merge of the same given points (names differing in case,
// names repeated on an image, given twice, on images whose group is empty and on new images).
TEST_F(TiePointEditing, GroupByGroupChangesGiveWhatWholeChangesGive) {
    std::mt19937 random(11);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::vector<std::string> pool = {"a", "A", "b7", "B7", "c", "LongerName_0123456789", "longername_0123456789"};
    auto point = [&](std::int32_t imageNo) {
        return tiePoint(pool[static_cast<std::size_t>(pick(static_cast<int>(pool.size())))].c_str(), imageNo,
                        pick(1000) / 4.0, pick(1000) / 8.0, static_cast<std::int16_t>(pick(3)));
    };
    for (int round = 0; round < 40; ++round) {
        // The later rounds give an image more points than are matched one by one.
        bool const many = round >= 30;
        if (round == 30)
            for (int i = 0; i < 40; ++i) pool.push_back((i % 2 == 0 ? "p" : "P") + std::to_string(i / 2));
        std::vector<std::int32_t> images = {101, 102, 205, 7, 350};
        std::shuffle(images.begin(), images.end(), random);
        std::vector<std::vector<tagImagePoint>> groups;
        for (std::int32_t imageNo : images) {
            groups.emplace_back();
            for (int i = pick(many ? 40 : 5) + (imageNo == images[0] ? 2 : 0); i > 0; --i)
                groups.back().push_back(point(imageNo));
        }
        yb::test::RawTiePointFile grouped(static_cast<std::int32_t>(groups.size()));
        yb::test::RawTiePointFile split(static_cast<std::int32_t>(groups.size() + 1));
        for (auto const& group : groups) {
            std::int32_t const imageNo = group.empty() ? 0 : group[0].imageNo;
            grouped.group(group.empty() ? 999 : imageNo, group);
            if (&group != &groups[0]) {
                split.group(group.empty() ? 999 : imageNo, group);
                continue;
            }
            split.group(imageNo, {group.begin(), group.begin() + 1});
            split.group(imageNo, {group.begin() + 1, group.end()});
        }
        // The removals of automatically extracted points, then the merge.
        writeNative("Area.scp", grouped.bytes);
        writeNative("Split.scp", split.bytes);
        auto const remove = round % 2 == 0 ? ybRemoveAutoExtractTiePnt : ybRemoveAutoExtractStripTiePnt;
        ASSERT_EQ(remove(kPath), yb::kSuccess);
        ASSERT_EQ(remove("D:\\Split.scp"), yb::kSuccess);
        ASSERT_EQ(fileBytes(), readNative("Split.scp")) << "round " << round;
        writeNative("Area.scp", grouped.bytes);
        writeNative("Split.scp", split.bytes);
        std::vector<tagImagePoint> added;
        std::int32_t const addedImages[] = {101, 102, 999, 600, 601};
        for (int i = pick(many ? 90 : 9); i > 0; --i) added.push_back(point(addedImages[pick(many ? 2 : 5)]));
        auto const count = static_cast<std::int32_t>(added.size());
        ASSERT_EQ(ybAppendTiePntToFile(kPath, added.data(), count), yb::kSuccess);
        ASSERT_EQ(ybAppendTiePntToFile("D:\\Split.scp", added.data(), count), yb::kSuccess);
        ASSERT_EQ(fileBytes(), readNative("Split.scp")) << "round " << round;
    }
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(TiePointEditing, FailedMergesLeaveTheFileAndNoBackup) {
    std::vector<tagImagePoint> one = {tiePoint("A", 1)};
    EXPECT_EQ(merge(one), yb::kCannotWrite);
    EXPECT_TRUE(listNative().empty());  // nothing created, no backup
    expectOnlyMessage(HB_MESSAGE_ERROR, "Open Tie Point File <D:\\Area.scp> Failure!");

    create({tiePoint("A", 1), tiePoint("B", 2)});
    auto before = fileBytes();
    EXPECT_EQ(ybAppendTiePntToFile(kPath, nullptr, 3), yb::kInvalidArgument);
    EXPECT_EQ(fileBytes(), before);

    // A stale backup from an interrupted merge is replaced and removed.
    writeNative("Area.scp.bak", {1, 2, 3});
    writeNative("Area.scp", {'n', 'o', 'p', 'e'});
    recorder.messages.clear();
    EXPECT_EQ(merge(one), yb::kInvalidContent);
    EXPECT_EQ(readNative("Area.scp"), (std::vector<unsigned char>{'n', 'o', 'p', 'e'}));
    EXPECT_FALSE(backupLeft());
    expectOnlyMessage(HB_MESSAGE_ERROR, hexBytes("B2 BB D6 A7 B3 D6 B5 C4 C1 AC BD D3 B5 E3 CE C4 BC FE A3 A1"));
}

TEST_F(TiePointEditing, RemovalOfAutomaticallyExtractedPoints) {
    EXPECT_EQ(ybRemoveAutoExtractTiePnt(kPath), yb::kSuccess);
    EXPECT_EQ(ybRemoveAutoExtractStripTiePnt(kPath), yb::kSuccess);
    EXPECT_TRUE(listNative().empty());

    create({tiePoint("A", 1, 0, 0, 1), tiePoint("B", 2, 0, 0, 1)});
    EXPECT_EQ(ybRemoveAutoExtractTiePnt(kPath), yb::kSuccess);
    EXPECT_EQ(fileBytes(), yb::test::RawTiePointFile().bytes);

    create({tiePoint("M", 4, 0, 0, 2), tiePoint("A", 5, 0, 0, 1), tiePoint("N", 5), tiePoint("B", 4, 0, 0, 1)});
    EXPECT_EQ(ybRemoveAutoExtractTiePnt(kPath), yb::kSuccess);
    EXPECT_EQ(names(readAll()), (std::vector<std::string>{"M@4", "N@5"}));

    // Removing the context deletes a left-over backup and nothing else.
    auto const before = fileBytes();
    writeNative("Area.scp.bak", {1});
    EXPECT_EQ(ybRemoveTiePntContext(kPath), yb::kSuccess);
    EXPECT_FALSE(backupLeft());
    EXPECT_EQ(fileBytes(), before);
    EXPECT_EQ(ybRemoveTiePntContext(kPath), yb::kSuccess);
}

TEST_F(TiePointEditing, StripRemovalReadsTheTagAsStrtolDoes) {
    create({
        tiePoint("P0312", 305, 0, 0, 1),   // tag 3, strip 3: stays
        tiePoint("P0312", 412, 0, 0, 1),   // strip 4: removed
        tiePoint("P0312", 412, 0, 0, 0),   // not automatic: stays
        tiePoint("X", 12, 0, 0, 1),        // no digits, tag 0, strip 0: stays
        tiePoint("T 7Q", 712, 0, 0, 1),    // " 7": blank skipped, tag 7: stays
        tiePoint("T-1", -150, 0, 0, 1),    // "-1", strip -1: stays
        tiePoint("T12345", 1250, 0, 0, 1)  // only two characters: 12: stays
    });
    EXPECT_EQ(ybRemoveAutoExtractStripTiePnt(kPath), yb::kSuccess);
    EXPECT_EQ(names(readAll()),
              (std::vector<std::string>{"P0312@305", "P0312@412", "X@12", "T 7Q@712", "T-1@-150", "T12345@1250"}));
}

TEST_F(TiePointEditing, ModelPointsAreMergedIntoBothImages) {
    create({tiePoint("OLD", 205)});
    CONTROLPOINT_STORAGE* set = nullptr;
    ASSERT_EQ(ybAllocControlPointMem(&set, 3), 0);
    ASSERT_EQ(ybInitControlPoint(set, 1), 0);
    auto before = fileBytes();
    // Entries of type 3: serial, name, type, in use, left x, y, reserved, right x, y, reserved.
    ASSERT_EQ(ybAddOneGcpPoint(set, {0, "SKIP", 3, 0, 5, 0, 0, 6, 0, 0}, 1), 0);
    EXPECT_EQ(ybWriteOneModPnts(kPath, 205, set), yb::kSuccess);  // nothing in use: file untouched
    EXPECT_EQ(fileBytes(), before);

    ASSERT_EQ(ybAddOneGcpPoint(set, {0, "M1", 3, 1, 1, 0, 0, 2, 0, 0}, 1), 0);
    ASSERT_EQ(ybAddOneGcpPoint(set, {0, "M2", 3, 1, 3, 0, 0, 4, 0, 0}, 1), 0);
    EXPECT_EQ(ybWriteOneModPnts(kPath, 205, set), yb::kSuccess);
    auto points = readAll();
    EXPECT_EQ(names(points), (std::vector<std::string>{"OLD@205", "M1@205", "M2@205", "M1@206", "M2@206"}));
    EXPECT_EQ(+points[2].x, 3);
    EXPECT_EQ(+points[4].x, 4);
    EXPECT_EQ(+points[4].type, 3);

    // A count beyond what the set holds: the entry cannot be fetched and the file is not touched.
    before = fileBytes();
    set->count = 5;
    EXPECT_NE(ybWriteOneModPnts(kPath, 205, set), yb::kSuccess);
    EXPECT_EQ(recorder.messages.back().gbk, hexBytes("C4 A3 D0 CD B5 E3 CA FD BE DD B4 ED CE F3 A3 A1"));
    EXPECT_EQ(fileBytes(), before);
    set->count = 3;
    ybFreeControlPointMem(set);

    EXPECT_EQ(ybWriteOneModPnts(kPath, 205, nullptr), yb::kOutOfRange);
    EXPECT_EQ(recorder.messages.back().gbk, hexBytes("CE DE D0 A7 B5 C4 D6 B8 D5 EB B5 D8 D6 B7 A3 A1"));
}

}  // namespace
