// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

#include <array>

namespace {

using yb::test::StripTitles;
using Shown = std::vector<std::string>;  // messages as MessageRecorder::take gives them

tagImagePoint tiePoint(std::int32_t imageNo, char const* name, double x, double y) {
    tagImagePoint point = yb::test::tiePoint(name, imageNo, x, y);
    point.photoX = 123, point.photoY = 456;  // detach always sets the photo coordinates afresh
    return point;
}

// A block on drive D: with its folder, option file, image list and tie point file.
class BlockTiePoints : public yb::test::DriveFixture {
protected:
    static constexpr char const* kOption = "D:\\Blk\\Area1.dms";
    static constexpr char const* kTiePoints = "D:\\Blk\\Area1.scp";
    static constexpr std::array<double, 6> kInner{1.0, 2.0, 0.5, -3.0, 0.25, 4.0};

    void makeBlock(std::int32_t imageType, std::vector<StripTitles> const& strips,
                   std::vector<tagImagePoint> const& points) {
        BlockInfo block = yb::test::blockRecord(imageType);
        std::strcpy(block.cameraFile, "D:\\Blk\\camera.cmr");
        ASSERT_EQ(yb::test::makeBlock(block, strips), 0);
        ASSERT_EQ(ybCreateTiePntFile(kTiePoints, points.data(), static_cast<std::int32_t>(points.size())), 0);
    }
    void makeCamera() {
        CameraInfo camera{};
        camera.principalDistance = 153.0;
        camera.principalPointX = 0.1;
        camera.principalPointY = -0.2;
        std::array<RimPoint, 4> rims{};
        ASSERT_EQ(ybWriteCameraParaFile("D:\\Blk\\camera.cmr", &camera, rims.data(), RIM_LAYOUT_FOUR, nullptr, 0), 0);
    }
    void makeInnerOrientation(std::string const& title) {
        std::string path = "D:\\Blk\\ImagesPara\\" + title + ".ioc";
        ASSERT_EQ(ybWriteOrientCeff(path.c_str(), 0, kInner.data()), 0);
    }
    std::vector<tagImagePoint> imageFile(std::string const& title) {
        std::vector<tagImagePoint> points;
        std::string path = "D:\\Blk\\temp\\" + title + ".ijp";
        EXPECT_EQ(ybReadImgGcpFileToAry(path.c_str(), points), 0) << title;
        return points;
    }
};

TEST_F(BlockTiePoints, DetachFillsPhotoCoordinatesForMetricCameras) {
    makeBlock(0, {StripTitles{"a1", "a2", "a3"}},
              {tiePoint(102, "T1", 10, 20), tiePoint(101, "T1", 30, 40), tiePoint(102, "T2", 50, 60)});
    makeCamera();
    makeInnerOrientation("a1");
    makeInnerOrientation("a2");
    writeNative("Blk/temp/a3.ijp", {1, 2, 3});  // left from an earlier detach; a3 has no tie points now

    ASSERT_EQ(ybDetachBlockTiePntFile(kOption), 0);
    auto points = imageFile("a2");
    ASSERT_EQ(points.size(), 2u);
    EXPECT_STREQ(points[0].name, "T1");
    EXPECT_STREQ(points[1].name, "T2");
    // photo = 0.001 * (c0 + c1 x + c2 y - x0, c3 + c4 x + c5 y - y0)
    EXPECT_DOUBLE_EQ(points[1].photoX, 0.001 * (1.0 + 2.0 * 50 + 0.5 * 60 - 0.1));
    EXPECT_DOUBLE_EQ(points[1].photoY, 0.001 * (-3.0 + 0.25 * 50 + 4.0 * 60 + 0.2));
    EXPECT_DOUBLE_EQ(points[1].x, 50);
    EXPECT_EQ(imageFile("a1").size(), 1u);
    EXPECT_FALSE(existsNative("Blk/temp/a3.ijp"));
}

TEST_F(BlockTiePoints, DetachStopsAtTheFirstImageThatNeedsTheMissingCamera) {
    makeBlock(1, {StripTitles{"d1", "d2", "d3"}}, {tiePoint(102, "P", 1, 2), tiePoint(103, "P", 3, 4)});
    yb::test::MessageRecorder recorder;
    EXPECT_EQ(ybDetachBlockTiePntFile(kOption), yb::kOutOfRange);  // the camera reader's code for a missing file
    EXPECT_EQ(recorder.take(), Shown{"error: Read Camera File <D:\\Blk\\camera.cmr> Failure!"});
    EXPECT_FALSE(existsNative("Blk/temp/d2.ijp"));
    EXPECT_FALSE(existsNative("Blk/temp/d3.ijp"));

    // A camera without the image's coefficient file stops at the coefficient file.
    makeCamera();
    EXPECT_NE(ybDetachBlockTiePntFile(kOption), 0);
    EXPECT_EQ(recorder.take(), Shown{"error: Read Inter Orient Coeff File <D:\\Blk\\ImagesPara\\d2.ioc> Failure!"});
}

TEST_F(BlockTiePoints, SatelliteDetachWritesZeroPhotoCoordinatesAndUniteRegroupsInImageListOrder) {
    std::vector<tagImagePoint> points{tiePoint(201, "B", 1, 1), tiePoint(102, "A", 2, 2), tiePoint(101, "A", 3, 3),
                                      tiePoint(201, "C", 4, 4), tiePoint(202, "B", 5, 5), tiePoint(102, "D", 6, 6)};
    makeBlock(4, {StripTitles{"x1", "x2"}, StripTitles{"y1", "y2"}}, points);
    ASSERT_EQ(ybDetachBlockTiePntFile(kOption), 0);  // neither a camera nor a coefficient file exists
    for (char const* title : {"x1", "x2", "y1", "y2"})
        for (tagImagePoint const& point : imageFile(title))
            EXPECT_TRUE(point.photoX == 0 && point.photoY == 0) << title;
    ASSERT_EQ(ybUniteBlockTiePntFile(kOption), 0);

    std::vector<tagImagePoint> united;
    ASSERT_EQ(ybReadTiePntFileToAry(kTiePoints, united), 0);
    std::vector<std::pair<std::int32_t, std::string>> order;
    for (auto const& point : united) order.emplace_back(std::int32_t{point.imageNo}, point.name);
    EXPECT_EQ(order, (std::vector<std::pair<std::int32_t, std::string>>{
                         {101, "A"}, {102, "A"}, {102, "D"}, {201, "B"}, {201, "C"}, {202, "B"}}));

    // Without per-image files the tie point file is replaced by an empty one.
    ASSERT_EQ(ybCleanBlockTmpTiePntFile(kOption), 0);
    EXPECT_FALSE(existsNative("Blk/temp/x1.ijp"));
    ASSERT_EQ(ybUniteBlockTiePntFile(kOption), 0);
    EXPECT_EQ(sizeNative("Blk/Area1.scp"), 132u);
}

TEST_F(BlockTiePoints, CleanRemovesBothTemporaryFilesOfLongStrips) {
    StripTitles titles;
    for (int i = 1; i <= 150; ++i) titles.push_back("i" + std::to_string(i));
    titles.push_back("I1");
    makeBlock(3, {titles}, {});
    EXPECT_EQ(ybCleanBlockTmpTiePntFile(kOption), 0);  // nothing to remove is no failure
    writeNative("Blk/temp/i150.ijp", {1});
    writeNative("Blk/temp/i150_ImgGcp.ijp", {1});
    writeNative("Blk/temp/other.ijp", {1});
    EXPECT_EQ(ybCleanBlockTmpTiePntFile(kOption), 0);
    EXPECT_FALSE(existsNative("Blk/temp/i150.ijp"));
    EXPECT_FALSE(existsNative("Blk/temp/i150_ImgGcp.ijp"));
    EXPECT_TRUE(existsNative("Blk/temp/other.ijp"));

    // A detach cleans them too, but for the files it writes, also one that another image's title
    // names in other letter case ("I1" is "i1").
    std::vector<tagImagePoint> const points{tiePoint(101, "A", 1, 1)};
    ASSERT_EQ(ybCreateTiePntFile(kTiePoints, points.data(), 1), 0);
    writeNative("Blk/temp/i2.ijp", {1});
    writeNative("Blk/temp/i1_ImgGcp.ijp", {1});
    EXPECT_EQ(ybDetachBlockTiePntFile(kOption), 0);
    EXPECT_EQ(imageFile("i1").size(), 1u);
    EXPECT_FALSE(existsNative("Blk/temp/i2.ijp"));
    EXPECT_FALSE(existsNative("Blk/temp/i1_ImgGcp.ijp"));
}

TEST_F(BlockTiePoints, WorkflowFailuresNameTheFileThatFailed) {
    yb::test::MessageRecorder recorder;
    EXPECT_EQ(ybDetachBlockTiePntFile("D:\\none.dms"), yb::kCannotOpen);
    EXPECT_EQ(ybUniteBlockTiePntFile("D:\\none.dms"), yb::kCannotOpen);
    EXPECT_EQ(ybCleanBlockTmpTiePntFile("D:\\none.dms"), yb::kCannotOpen);
    EXPECT_EQ(recorder.take(), (Shown{"error: Read Block Option File <D:\\none.dms> Failure!",
                                      "error: Read Block Option File <D:\\none.dms> Failure!"}));  // clean shows none

    // A block without an image list.
    ASSERT_EQ(yb::test::makeBlock(yb::test::blockRecord(3), {}), 0);
    EXPECT_EQ(ybUniteBlockTiePntFile(kOption), yb::kFileNotFound);
    EXPECT_EQ(recorder.take(), Shown{"error: Read Block Image List File <D:\\Blk\\Area1.bil> Failure!"});

    // A block without a tie point file: the reader's message, then the workflow's.
    ASSERT_EQ(yb::test::writeImageList("D:\\Blk\\Area1.bil", {StripTitles{"a", "b"}}), 0);
    EXPECT_EQ(ybDetachBlockTiePntFile(kOption), yb::kCannotOpen);
    EXPECT_EQ(recorder.take(), (Shown{"plain: Open Tie Point File <D:\\Blk\\Area1.scp> Failure!",
                                      "error: Read Block Tie Point File <D:\\Blk\\Area1.scp> Failure!"}));

    // A damaged tail of the tie point file matters only to an image whose group is not before it.
    std::vector<tagImagePoint> points{tiePoint(101, "P", 1, 1), tiePoint(102, "P", 2, 2), tiePoint(999, "Q", 3, 3)};
    ASSERT_EQ(ybCreateTiePntFile(kTiePoints, points.data(), 3), 0);
    auto bytes = readNative("Blk/Area1.scp");
    bytes.pop_back();
    writeNative("Blk/Area1.scp", bytes);
    EXPECT_EQ(ybDetachBlockTiePntFile(kOption), 0);
    EXPECT_TRUE(recorder.take().empty());
    EXPECT_TRUE(existsNative("Blk/Temp/b.ijp"));
    ASSERT_EQ(yb::test::writeImageList("D:\\Blk\\Area1.bil", {StripTitles{"a", "b", "c"}}), 0);
    EXPECT_EQ(ybDetachBlockTiePntFile(kOption), yb::kInvalidContent);
    EXPECT_EQ(recorder.take(), (Shown{"error: " + yb::test::hexBytes("C1 AC BD D3 B5 E3 CE C4 BC FE B4 ED CE F3 A3 A1"),
                                      "error: Read Block Tie Point File <D:\\Blk\\Area1.scp> Failure!"}));
}

}  // namespace
