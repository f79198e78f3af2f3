// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

#include <bit>

namespace {

using yb::test::sampleStrip;

constexpr char const* kList = "D:\\Blk\\Area1.bil";
constexpr char const* kLayoutNative = "Tmp/area1_YbiGcp.tmp";
constexpr double kStep = 165.0000035762787;
static_assert(std::bit_cast<std::uint64_t>(kStep) == 0x4064A00007800000u);

struct Point {
    double x, y, column, row;
    bool operator==(Point const&) const = default;
};

class ImageControlPoints : public yb::test::DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        writeNative("Blk/placeholder", {});
        writeNative("Tmp/placeholder", {});
        writeNative("Img/placeholder", {});
        hbSetLayoutDirectory("D:\\Tmp");
    }
    void TearDown() override {
        hbSetLayoutDirectory("");
        DriveFixture::TearDown();
    }
    // Two strips: 101 and 102 above, 201 below; each image 1000 lines of 800 cells.
    void makeBlock() {
        std::vector<ImageOrderInfo> strip1 = sampleStrip(1, 2);
        std::vector<ImageOrderInfo> strip2 = sampleStrip(2, 1);
        ASSERT_EQ(ybWriteOneStripImageRecord(kList, 2, 1, strip1), 0);
        ASSERT_EQ(ybWriteOneStripImageRecord(kList, 2, 2, strip2), 0);
        for (auto const* image : {&strip1[0], &strip1[1], &strip2[0]})
            ASSERT_EQ(ybCreateYbiFile(image->szImagePath, 1000, 800, 300.0, D_RECT{0, 0, 1, 1}), 0);
    }
    static std::vector<Point> pointsOf(char const* imagePath) {
        YbiHandle image = nullptr;
        EXPECT_EQ(ybOpenYbiFileForRead(imagePath, &image), 0);
        std::int32_t count = 0;
        EXPECT_EQ(ybGetGCPNumsOfYBI(image, &count), 0);
        std::vector<Point> points(static_cast<std::size_t>(count));
        for (std::int32_t i = 0; i < count; ++i) {
            Point& p = points[static_cast<std::size_t>(i)];
            EXPECT_EQ(ybGetOneControlPointOfYBI(image, i + 1, &p.x, &p.y, &p.column, &p.row), 0);
        }
        ybCloseYbiFileForRead(image);
        return points;
    }
    // The four corners that a layout rectangle gives an image of 1000 lines and 800 cells.
    static void expectCorners(char const* imagePath, D_RECT r) {
        EXPECT_EQ(pointsOf(imagePath), (std::vector<Point>{{r.xMin, r.yMin, 0, 1000},
                                                           {r.xMin, r.yMax, 0, 0},
                                                           {r.xMax, r.yMax, 800, 0},
                                                           {r.xMax, r.yMin, 800, 1000}}))
            << imagePath;
    }
};

TEST_F(ImageControlPoints, LayoutFileNameComesFromTheHostsLayoutDirectory) {
    hbSetLayoutDirectory("C:\\Work");
    EXPECT_EQ(ybGetTempBlockYbiGcpFile("D:\\Blk\\Area1.bil"), "c:\\work\\area1_YbiGcp.tmp");
    EXPECT_EQ(ybGetTempBlockYbiGcpFile("D:\\Blk.BIL\\A.Bil"), "c:\\work\\a_YbiGcp.tmp");
}

// The layout of a two-strip block, and the corner points it gives the images of one strip or of all.
TEST_F(ImageControlPoints, LayoutAndCornerPointsOfATwoStripBlock) {
    makeBlock();
    auto strip1 = sampleStrip(1, 2);
    auto strip2 = sampleStrip(2, 1);
    ASSERT_EQ(ybWriteYbiGcpInfo(kList), 0);
    using I = std::int32_t;
    EXPECT_EQ(readNative(kLayoutNative),
              (yb::test::Le() << I{2} << I{1} << I{2} << D_RECT{0, 250, 150, 450}
                              << D_RECT{kStep, 250, kStep + 150, 450} << I{2} << I{1} << D_RECT{0, 0, 150, 200})
                  .bytes);

    // Strip 1 alone is moved down to the origin; strip 2 already starts there.
    ASSERT_EQ(ybReadYbiGcpInfo(kList, 1), 0);
    expectCorners(strip1[0].szImagePath, {0, 0, 150, 200});
    expectCorners(strip1[1].szImagePath, {kStep, 0, kStep + 150, 200});
    EXPECT_TRUE(pointsOf(strip2[0].szImagePath).empty());
    ASSERT_EQ(ybReadYbiGcpInfo(kList, 2), 0);
    expectCorners(strip2[0].szImagePath, {0, 0, 150, 200});

    ASSERT_EQ(ybReadYbiGcpInfo(kList, 0), 0);
    expectCorners(strip1[0].szImagePath, {0, 250, 150, 450});
    expectCorners(strip1[1].szImagePath, {kStep, 250, kStep + 150, 450});
    expectCorners(strip2[0].szImagePath, {0, 0, 150, 200});

    EXPECT_EQ(ybReadYbiGcpInfo(kList, 3), yb::kInvalidArgument);
}

TEST_F(ImageControlPoints, AnyExistingTableEndsWithExactlyTheFourCorners) {
    ASSERT_EQ(ybCreateYbiFile("D:\\Img\\a.ybi", 1000, 800, 300.0, D_RECT{0, 0, 1, 1}), 0);
    D_RECT const rect{10, 20, 160, 220};
    for (std::int32_t existing : {0, 4, 7}) {
        ASSERT_EQ(yb::test::writeImageTable("D:\\Img\\a.ybi", existing), 0);
        ASSERT_EQ(pointsOf("D:\\Img\\a.ybi").size(), static_cast<std::size_t>(existing));

        ASSERT_EQ(ybModiYbiGcpInfo("D:\\Img\\a.ybi", rect), 0) << existing;
        expectCorners("D:\\Img\\a.ybi", rect);
    }
    EXPECT_EQ(ybModiYbiGcpInfo("D:\\Img\\missing.ybi", rect), YBI_E_FILE_MISSING);
}

TEST_F(ImageControlPoints, StaleOrMissingLayoutsAndMissingImagesAreRefused) {
    makeBlock();
    EXPECT_EQ(ybReadYbiGcpInfo(kList, 0), yb::kCannotOpen);
    ASSERT_EQ(ybWriteYbiGcpInfo(kList), 0);

    // Strip 1 gained an image after the layout was written: its section no longer matches.
    auto strip1 = sampleStrip(1, 3);
    ASSERT_EQ(ybWriteOneStripImageRecord(kList, 2, 1, strip1), 0);
    EXPECT_EQ(ybReadYbiGcpInfo(kList, 1), yb::kInvalidContent);
    EXPECT_EQ(ybReadYbiGcpInfo(kList, 0), yb::kInvalidContent);

    // The third image has no file: the images before it keep their new points.
    ASSERT_EQ(ybWriteYbiGcpInfo(kList), 0);
    EXPECT_EQ(ybReadYbiGcpInfo(kList, 1), YBI_E_FILE_MISSING);
    expectCorners(strip1[1].szImagePath, {kStep, 0, kStep + 150, 200});

    // The image list was recreated with another strip count.
    ASSERT_EQ(ybCreateNewImageRecordFile(kList, 3), 0);
    EXPECT_EQ(ybReadYbiGcpInfo(kList, 0), yb::kInvalidContent);
    // A first strip without a first image is refused before any image changes.
    ASSERT_EQ(ybWriteYbiGcpInfo(kList), 0);
    EXPECT_EQ(ybReadYbiGcpInfo(kList, 0), yb::kImageNumberMismatch);
}

}  // namespace
