// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "tie_point_fixture.h"

#include "points/hash_slots.h"
#include "points/point_records.h"

#include <yb/HostBase.h>
#include <yb/ybiOrient.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <vector>

namespace {

using yb::test::hexBytes;
using yb::test::RawTiePointFile;
using yb::test::tiePoint;

class TiePointAccess : public yb::test::TiePointTest {
protected:
    // Entries of a set, as "name l(x,y) r(x,y)".
    static std::vector<std::string> entries(CONTROLPOINT_STORAGE* set) {
        std::vector<std::string> out;
        std::int32_t count = 0;
        EXPECT_EQ(ybGetGcpNum(set, &count), 0);
        for (std::int32_t i = 0; i < count; ++i) {
            CONTROLPOINT_INFO entry{};
            EXPECT_EQ(ybGetOneGcpInfo(set, &entry, i), 0);
            EXPECT_EQ(entry.serial, i);
            EXPECT_EQ(entry.inUse, 1);
            char text[128];
            std::snprintf(text, sizeof text, "%s l(%g,%g) r(%g,%g)", entry.name, entry.leftX, entry.leftY, entry.rightX,
                          entry.rightY);
            out.push_back(text);
        }
        return out;
    }
};

TEST_F(TiePointAccess, OneImageIsReadFromItsGroupOnly) {
    create({tiePoint("A", 101, 1), tiePoint("B", 102), tiePoint("C", 101, 2), tiePoint("D", 103), tiePoint("E", 103)});
    std::vector<tagImagePoint> points(5);
    EXPECT_EQ(ybReadOneImgTiePntToAry(kPath, 101, points), yb::kSuccess);
    EXPECT_EQ(names(points), (std::vector<std::string>{"A@101", "C@101"}));
    EXPECT_EQ(ybReadOneImgTiePntToAry(kPath, 999, points), yb::kSuccess);
    EXPECT_TRUE(points.empty());

    std::int32_t count = -1;
    EXPECT_EQ(ybGetOneImgTiePntNums(kPath, 103, count), yb::kSuccess);  // the third of three groups
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(TiePointAccess, OneImageFailures) {
    std::int32_t count = 42;
    EXPECT_EQ(ybGetOneImgTiePntNums("D:\\none.scp", 1, count), yb::kCannotOpen);
    EXPECT_EQ(count, 42);  // left as it was
    expectOnlyMessage(HB_MESSAGE_ERROR, "Open Tie Point File <D:\\none.scp> Failure!");

    std::vector<tagImagePoint> points(1);
    EXPECT_EQ(ybReadOneImgTiePntToAry("D:\\none.scp", 1, points), yb::kCannotOpen);
    EXPECT_TRUE(points.empty());
    expectOnlyMessage(HB_MESSAGE_PLAIN, "Open Tie Point File <D:\\none.scp> Failure!");

    writeNative("Area.scp", RawTiePointFile(2).i32(7).i32(-1).group(8, {tiePoint("A", 8)}).bytes);
    EXPECT_EQ(ybGetOneImgTiePntNums(kPath, 8, count), yb::kSuccess);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(ybGetOneImgTiePntNums(kPath, 7, count), yb::kOutOfRange);
    EXPECT_EQ(count, 0);
    expectOnlyMessage(HB_MESSAGE_ERROR, hexBytes("C1 AC BD D3 B5 E3 CE C4 BC FE BC C7 C2 BC B4 ED CE F3 A3 A1"));
}

TEST_F(TiePointAccess, NamedPointIsTheFirstMatchIgnoringCase) {
    create({tiePoint("B", 101), tiePoint("A17", 101, 5, 6), tiePoint("a17", 101, 7, 8), tiePoint("A17", 102, 9, 9)});
    tagImagePoint point{};
    EXPECT_EQ(ybReadOneTiePntInfo(kPath, 101, "a17", point), yb::kSuccess);
    EXPECT_STREQ(point.name, "A17");
    EXPECT_EQ(+point.x, 5);
    EXPECT_EQ(+point.imageNo, 101);

    std::memset(&point, 0x5A, sizeof point);
    EXPECT_EQ(ybReadOneTiePntInfo(kPath, 101, "Z9", point), yb::kNotFound);
    tagImagePoint const zero{};
    EXPECT_EQ(std::memcmp(&point, &zero, sizeof point), 0);
    // "连接点<Z9>不存在于影像<101>上！"
    expectOnlyMessage(
        HB_MESSAGE_ERROR,
        hexBytes("C1 AC BD D3 B5 E3 3C 5A 39 3E B2 BB B4 E6 D4 DA D3 DA D3 B0 CF F1 3C 31 30 31 3E C9 CF A3 A1"));
    EXPECT_EQ(ybReadOneTiePntInfo(kPath, 555, "A17", point), yb::kNotFound);
}

TEST_F(TiePointAccess, ModelViewsDoNotDependOnTheOrderOfNames) {
    // Images listed by rising name are merged, others matched through a table: the same pairs either
    // way, in the order of the left image. The name bytes after the terminator do not count.
    tagImagePoint e5 = tiePoint("E5", 101, 5);
    std::memcpy(e5.name + 3, "xx", 2);
    tagImagePoint e5Right = tiePoint("e5", 102, 15);
    std::memcpy(e5Right.name + 3, "yy", 2);
    char const* longName = "Twenty_Byte_Name_001";  // ends in the second half of the field
    auto at = [](char const* name, std::int32_t image, double x) { return tiePoint(name, image, x); };
    struct Case {
        char const* what;
        std::vector<tagImagePoint> points;
        std::int32_t count;
        std::vector<std::string> entries;  // model 101
        std::vector<std::string> common;   // models 101 and 102
        std::int32_t commonCount;
    };
    Case const cases[] = {
        {"rising",
         {at("A1", 101, 1), at("B2", 101, 2), at("C3", 101, 3), e5, at(longName, 101, 6), at("a1", 102, 11),
          at("B2", 102, 12), at("d4", 102, 14), e5Right, at("twenty_byte_name_001", 102, 16), at("A1", 103, 21),
          at("b2", 103, 22), at(longName, 103, 26)},
         4,
         {"A1 l(1,0) r(11,0)", "B2 l(2,0) r(12,0)", "E5 l(5,0) r(15,0)", "Twenty_Byte_Name_001 l(6,0) r(16,0)"},
         {"A1 1/11/21", "B2 2/12/22", "Twenty_Byte_Name_001 6/16/26"},
         3},
        {"not rising",
         {at("C3", 101, 3), at(longName, 101, 6), at("A1", 101, 1), e5, at("B2", 101, 2), at("d4", 102, 14),
          at("B2", 102, 12), at("twenty_byte_name_001", 102, 16), at("a1", 102, 11), e5Right, at("b2", 103, 22),
          at(longName, 103, 26), at("A1", 103, 21)},
         4,
         {"Twenty_Byte_Name_001 l(6,0) r(16,0)", "A1 l(1,0) r(11,0)", "E5 l(5,0) r(15,0)", "B2 l(2,0) r(12,0)"},
         {"Twenty_Byte_Name_001 6/16/26", "A1 1/11/21", "B2 2/12/22"},
         3},
        // a walk that stopped with the left list would miss the second a
        {"a name after the end of the left list",
         {at("a", 101, 1), at("c", 101, 3), at("b", 102, 12), at("c", 102, 13), at("a", 102, 11)},
         2,
         {"a l(1,0) r(11,0)", "c l(3,0) r(13,0)"},
         {},
         0},
        // each right point pairs once, though both left points count
        {"a right name under two left ones",
         {at("A", 101, 1), at("A", 101, 2), at("A", 102, 9), at("D", 102, 14), at("d", 103, 24)},
         2,
         {"A l(1,0) r(9,0)"},
         {},  // A is not on image 103, D not on 101
         0},
        // no image 102: no pairs at all, and no set or array handed out
        {"a missing right image", {at("A", 101, 1), at("A", 103, 21)}, 0, {}, {}, 0},
        {"names repeated on both images",
         {at("A", 101, 1), at("A", 101, 2), at("a", 102, 11), at("A", 102, 12), at("A", 103, 21)},
         2,
         {"A l(1,0) r(11,0)", "A l(2,0) r(12,0)"},
         {"A 1/11/21"},
         2},  // both entries of model 101 find the one of model 102; the array has room for one
        // each left point takes the first right point of its name not yet taken
        {"names repeated in no order",
         {at("b", 101, 1), at("A", 101, 2), at("a", 101, 3), at("B", 101, 4), at("a", 102, 11), at("B", 102, 12),
          at("A", 102, 13), at("b", 102, 14), at("a", 102, 15), at("A", 103, 21)},
         4,
         {"b l(1,0) r(12,0)", "A l(2,0) r(11,0)", "a l(3,0) r(13,0)", "B l(4,0) r(14,0)"},
         {"A 2/11/21"},
         2},
        // two names whose hashes meet in a small table's slot and tag are still two names
        {"names of one hash",
         {at("Q85035", 101, 1), at("K", 101, 2), at("K", 102, 12), at("Q135734", 102, 11), at("K", 103, 22),
          at("Q135734", 103, 21)},
         1,
         {"K l(2,0) r(12,0)"},
         {"K 2/12/22"},
         1},
        // GBK: the second byte of a double-byte character keeps its case
        {"double-byte names",
         {at("\xB5\x41", 101, 1), at("\xB5\x61", 102, 2), at("\xB5\x41", 102, 3)},
         1,
         {"\xB5\x41 l(1,0) r(3,0)"},
         {},
         0},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        create(c.points);
        std::int32_t count = -1;
        EXPECT_EQ(ybGetOneModPntNums(kPath, 101, count), yb::kSuccess);
        EXPECT_EQ(count, c.count);
        // The outputs start as garbage: the calls set them, to null where there is nothing to hand out.
        auto* set = reinterpret_cast<CONTROLPOINT_STORAGE*>(&count);
        ASSERT_EQ(ybReadOneModPnts(kPath, 101, set), yb::kSuccess);
        ASSERT_EQ(set == nullptr, c.entries.empty());
        if (set != nullptr) {
            EXPECT_EQ(entries(set), c.entries);
            ybFreeControlPointMem(set);
        }
        count = 5;
        auto* common = reinterpret_cast<ModelCommonPoint*>(&count);
        ASSERT_EQ(ybReadOneModCommPnts(kPath, 101, 102, common, count), yb::kSuccess);
        ASSERT_TRUE(count == 0 || common != nullptr);
        EXPECT_TRUE(!c.entries.empty() || common == nullptr);
        std::vector<std::string> got;
        for (std::int32_t i = 0; i < count; ++i) {
            char text[128];
            std::snprintf(text, sizeof text, "%s %g/%g/%g", common[i].name, common[i].x1, common[i].x2, common[i].x3);
            got.push_back(text);
        }
        std::free(common);
        EXPECT_EQ(got, c.common);
        EXPECT_EQ(ybGetOneModCommPntNums(kPath, 101, 102, count), yb::kSuccess);
        EXPECT_EQ(count, c.commonCount);
    }
    EXPECT_TRUE(recorder.messages.empty());
}

// Images of thousands of points are read a stretch at a time, and the hashes of names in no order are
// made as each stretch arrives: the pairs must be those of a plain walk, with a name without a key
// (double-byte) met in a later stretch as well as without one.
TEST_F(TiePointAccess, LongModelViewsInNoOrderPairAsAPlainWalk) {
    constexpr int kNames = 9000;
    std::mt19937 random(7);
    std::vector<int> leftOrder(kNames);
    for (int i = 0; i < kNames; ++i) leftOrder[static_cast<std::size_t>(i)] = i;
    std::vector<int> rightOrder = leftOrder;
    std::shuffle(leftOrder.begin(), leftOrder.end(), random);
    std::shuffle(rightOrder.begin(), rightOrder.end(), random);
    // A name of both images, far into the left image's list (past its first stretch).
    std::size_t farIn = 6000;
    while (leftOrder[farIn] % 3 != 0) ++farIn;
    int const late = leftOrder[farIn];
    auto nameOf = [late](int n, bool doubleByte) {
        char name[16];
        std::snprintf(name, sizeof name, "P%05d", n);
        return doubleByte && n == late ? std::string("\xB5\x41") : std::string(name);
    };
    for (bool const doubleByte : {false, true}) {
        SCOPED_TRACE(doubleByte ? "a double-byte name" : "plain names");
        std::vector<tagImagePoint> points;
        std::vector<std::string> expected;
        for (int n : leftOrder) points.push_back(tiePoint(nameOf(n, doubleByte).c_str(), 101, n));
        // Every third name is on the right image, its x the name's number plus 0.5.
        for (int n : rightOrder)
            if (n % 3 == 0) points.push_back(tiePoint(nameOf(n, doubleByte).c_str(), 102, n + 0.5));
        for (int n : leftOrder)
            if (n % 3 == 0) {
                char text[128];
                std::snprintf(text, sizeof text, "%s l(%g,0) r(%g,0)", nameOf(n, doubleByte).c_str(), double(n),
                              n + 0.5);
                expected.push_back(text);
            }
        create(points);
        std::int32_t count = -1;
        EXPECT_EQ(ybGetOneModPntNums(kPath, 101, count), yb::kSuccess);
        EXPECT_EQ(count, kNames / 3);
        CONTROLPOINT_STORAGE* set = nullptr;
        ASSERT_EQ(ybReadOneModPnts(kPath, 101, set), yb::kSuccess);
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(entries(set), expected);
        ybFreeControlPointMem(set);
    }
}

// A name's hash is made two ways, from its whole key and straight from its field: they must agree, and
// agree across letter case, or a name would miss its partner without any check noticing.
TEST(NameHashes, AgreeWithTheKeysOfTheirNamesIgnoringCase) {
    auto hashOf = [](char const* name) {
        tagImagePoint const point = tiePoint(name, 1);
        std::uint64_t direct = 0;
        yb::points::NameOrder key{};
        EXPECT_EQ(yb::points::hashOfName(point, direct), yb::points::nameOrderOf(point, key)) << name;
        EXPECT_EQ(direct, yb::points::hashOfOrder(key)) << name;
        return direct;
    };
    for (auto [upper, lower] : {std::pair{"A", "a"}, std::pair{"Fifteen_Bytes_X", "fifteen_bytes_x"},
                                std::pair{"Sixteen_Bytes_XY", "sixteen_bytes_xy"},
                                std::pair{"Thirty_One_Bytes_Of_Name_ABCDEF", "thirty_one_bytes_of_name_abcdef"}})
        EXPECT_EQ(hashOf(upper), hashOf(lower)) << upper;
    EXPECT_NE(hashOf("A1"), hashOf("A2"));
    // The model views' "names of one hash": one tag, and one bucket of a table of two.
    std::uint64_t const q1 = hashOf("Q85035"), q2 = hashOf("Q135734");
    EXPECT_TRUE((q1 ^ q2) >> 63 == 0 && (static_cast<std::uint32_t>(q1) | 1) == (static_cast<std::uint32_t>(q2) | 1));
    std::uint64_t hash = 0;
    EXPECT_FALSE(yb::points::hashOfName(tiePoint("\xB5\x41", 1), hash));
    tagImagePoint full = tiePoint("", 1);
    std::memset(full.name, 'N', sizeof full.name);
    EXPECT_FALSE(yb::points::hashOfName(full, hash));
}

// Many names hashed at once give what each gives alone, whatever lies after a terminator and wherever it
// lies; one name without a key anywhere among them fails the lot.
TEST(NameHashes, ManyAtOnceGiveWhatEachGivesAlone) {
    std::mt19937 random(8);
    auto byte = [&](char const* from) { return from[random() % std::strlen(from)]; };
    auto randomPoint = [&] {
        tagImagePoint point = tiePoint("", 1);
        for (char& c : point.name) c = static_cast<char>(random());  // what follows the name is noise
        std::size_t const length = random() % 3 == 0 ? random() % 32 : random() % 12;
        for (std::size_t i = 0; i < length; ++i) point.name[i] = byte("AZaz09_-.QqMmZz@[`{");
        point.name[length] = '\0';
        return point;
    };
    for (std::size_t count :
         {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{4}, std::size_t{7}, std::size_t{1001}}) {
        std::vector<tagImagePoint> points;
        for (std::size_t i = 0; i < count; ++i) points.push_back(randomPoint());
        std::vector<std::uint64_t> hashes(count + 1, 0);
        ASSERT_TRUE(yb::points::hashNames(points.data(), count, hashes.data())) << count;
        for (std::size_t i = 0; i < count; ++i) {
            std::uint64_t alone = 0;
            ASSERT_TRUE(yb::points::hashOfName(points[i], alone));
            EXPECT_EQ(hashes[i], alone) << points[i].name;
        }
        EXPECT_EQ(hashes[count], 0u);
    }
    tagImagePoint unterminated = tiePoint("", 1);
    std::memset(unterminated.name, 'N', sizeof unterminated.name);
    for (tagImagePoint const& bad : {tiePoint("AB\xB5", 1), tiePoint("\x80", 1), unterminated}) {
        for (std::size_t at = 0; at < 9; ++at) {
            std::vector<tagImagePoint> points;
            for (std::size_t i = 0; i < 9; ++i) points.push_back(i == at ? bad : randomPoint());
            std::vector<std::uint64_t> hashes(points.size());
            EXPECT_FALSE(yb::points::hashNames(points.data(), points.size(), hashes.data())) << at;
        }
    }
}

// Records checked many at once are refused exactly where a check of each alone first refuses one, and
// for the same field and reason: the quick test that lets plain records through must let nothing
// unsound through with them.
TEST(ObservationChecks, ManyAtOnceRefuseWhereOneAtATimeRefuses) {
    auto withName = [](char const* bytes, std::size_t size) {
        tagImagePoint point = tiePoint("", 1);
        std::memcpy(point.name, bytes, size);
        return point;
    };
    // The record is packed: a coordinate is placed by its offset, never through a double reference.
    auto withCoordinate = [](std::size_t offset, double value) {
        tagImagePoint point = tiePoint("P1", 1, 1.0, 2.0);
        std::memcpy(reinterpret_cast<unsigned char*>(&point) + offset, &value, sizeof value);
        return point;
    };
    tagImagePoint unterminated = tiePoint("", 1);
    std::memset(unterminated.name, 'N', sizeof unterminated.name);
    char noiseAfterName[32] = "GBK\xB5\xE3";
    for (std::size_t i = 6; i < sizeof noiseAfterName; ++i) noiseAfterName[i] = static_cast<char>(0x80 + i);
    double const inf = std::numeric_limits<double>::infinity();
    tagImagePoint const cases[] = {
        // sound, though not plain: GBK names (0x80 alone is the euro sign), noise after the terminator,
        // extreme finite numbers
        tiePoint("\xB5\xE3\xC3\xFB", 1), tiePoint("\x80", 1), withName(noiseAfterName, sizeof noiseAfterName),
        tiePoint("Thirty_One_Bytes_Of_Name_ABCDEF", 1), withCoordinate(offsetof(tagImagePoint, x), -0.0),
        withCoordinate(offsetof(tagImagePoint, y), std::numeric_limits<double>::max()),
        withCoordinate(offsetof(tagImagePoint, photoX), std::numeric_limits<double>::denorm_min()),
        // unsound
        tiePoint("", 1), unterminated, tiePoint("AB\xB5", 1), tiePoint("\xFF\xFF", 1),
        withCoordinate(offsetof(tagImagePoint, x), std::nan("")), withCoordinate(offsetof(tagImagePoint, y), inf),
        withCoordinate(offsetof(tagImagePoint, photoX), -inf),
        withCoordinate(offsetof(tagImagePoint, photoY), -std::nan(""))};
    auto oneAtATime = [](std::vector<tagImagePoint> const& points) -> std::optional<yb::points::RowProblem> {
        for (std::size_t i = 0; i < points.size(); ++i)
            if (auto problem = yb::points::observationProblem(points[i])) return yb::points::RowProblem{i, *problem};
        return std::nullopt;
    };
    std::size_t refused = 0;
    for (tagImagePoint const& odd : cases) {
        for (std::size_t at : {std::size_t{0}, std::size_t{5}, std::size_t{9}}) {
            std::vector<tagImagePoint> points(10, tiePoint("Plain_7", 3, 1.5, -2.5));
            points[at] = odd;
            if (at == 5) points[9] = cases[8];  // an unsound record later on is not the one named
            auto const expected = oneAtATime(points);
            auto const got = yb::points::firstObservationProblem(points.data(), points.size());
            ASSERT_EQ(got.has_value(), expected.has_value()) << odd.name << " at " << at;
            if (!got) continue;
            ++refused;
            EXPECT_EQ(got->row, expected->row) << odd.name;
            EXPECT_EQ(got->problem.field, expected->problem.field) << odd.name;
            EXPECT_EQ(got->problem.why, expected->problem.why) << odd.name;
        }
    }
    EXPECT_EQ(refused, 8u * 3 + 7);  // every unsound case where it stands, and the later one after a sound case
    EXPECT_FALSE(yb::points::firstObservationProblem(nullptr, 0));
}

}  // namespace
