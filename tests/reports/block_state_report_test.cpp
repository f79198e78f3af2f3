// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

#include <filesystem>

namespace {

using yb::test::utf8ToGbk;

class BlockStateReport : public yb::test::DriveFixture {
protected:
    static constexpr char const* kOption = "D:\\Blk\\Area1.dms";
    static constexpr char const* kReport = "D:\\report.txt";

    void makeBlock(std::int32_t imageType, bool withControlAndCamera = true) {
        std::filesystem::create_directories(native("Blk/ImagesPara"));
        std::filesystem::create_directories(native("Blk/Model"));
        BlockInfo block = yb::test::blockRecord(imageType);
        std::strcpy(block.controlPointFile, "D:\\Blk\\Area1.gcp");
        std::strcpy(block.cameraFile, "D:\\Blk\\camera.cmr");
        ASSERT_EQ(ybWriteBlockOptionFile(kOption, &block), 0);
        if (withControlAndCamera) {
            writeNative("Blk/Area1.gcp", {0});
            writeNative("Blk/camera.cmr", {0});
        }
    }
    std::string report() const { return readNativeText("report.txt"); }
    static std::string heading(char const* typeName) {
        return utf8ToGbk(std::string("\t\t测区内单幅影像参数状态报告文件\n测区名：\tArea1\n影像类型：\t") + typeName +
                         "\n");
    }
};

TEST_F(BlockStateReport, MetricCameraImageReport) {
    makeBlock(0);
    for (auto const* name : {"a.ioc", "a.boc", "bb.ioc", "c.boc"})
        writeNative(std::string("Blk/ImagesPara/") + name, {0});
    ASSERT_EQ(ybGenBlkFileStateReport(kOption, 0, kReport), 0);
    EXPECT_EQ(report(), heading("量测相机") +
                            utf8ToGbk("\n测区参数状态\n控制点文件\t影像参数文件\t相机参数\nYes\t\tNo\t\tYes\t\t\n"
                                      "\n影像参数状态\n影像号\t影像名\t\t定向参数\n") +
                            "(1)\ta\t\tYes\t\tYes\t\t\n"
                            "(2)\tbb\t\tYes\t\tNo\t\t\n"
                            "(3)\tc\t\tNo\t\tYes\t\t\n");
}

TEST_F(BlockStateReport, SatelliteImageReportDropsTheSensorSuffix) {
    makeBlock(4);
    writeNative("Blk/ImagesPara/scene12_SPOT.boc", {0});
    writeNative("Blk/ImagesPara/a.ioc", {0});  // inner orientation is not listed for satellites
    writeNative("Blk/area1.ipp", {0});
    ASSERT_EQ(ybGenBlkFileStateReport(kOption, 0, kReport), 0);
    EXPECT_EQ(report(), heading("SPOT卫星影像") +
                            utf8ToGbk("\n测区参数状态\n控制点文件\t影像参数文件\nYes\t\tYes\t\t\n"
                                      "\n影像参数状态\n影像号\t影像名\t\t定向参数\n") +
                            "(1)\tscene12\tYes\t\t\n");
}

TEST_F(BlockStateReport, ModelReport) {
    makeBlock(5, false);
    ASSERT_EQ(ybGenBlkFileStateReport(kOption, 1, kReport), 0);
    EXPECT_EQ(report(), heading("IKONOS卫星影像") +
                            utf8ToGbk("\n测区参数状态\n控制点文件\nNo\t\t\n\n模型参数状态\n模型数： 0\n"));

    ModelInfo model{};
    std::strcpy(model.leftImage, "E:\\img\\0101.ybi");
    std::strcpy(model.rightImage, "E:\\img\\0102.ybi");
    ASSERT_EQ(ybWriteModelOptionFile("D:\\Blk\\Model\\m1.mod", &model), 0);
    writeNative("Blk/Model/0101_0102/0101_0102.roc", {0});
    writeNative("Blk/Model/0101_0102/0101_0102_Right_Epi.ybi", {0});
    ASSERT_EQ(ybGenBlkFileStateReport(kOption, 1, kReport), 0);
    EXPECT_EQ(report(), heading("IKONOS卫星影像") +
                            utf8ToGbk("\n测区参数状态\n控制点文件\nNo\t\t\n\n模型参数状态\n模型数： 1\n"
                                      "模型号\t模型名\t\t相对定向参数\t绝对定向参数\t左核线影像\t右核线影像\n") +
                            "(1)\t0101_0102\tYes\t\tNo\t\tNo\t\tYes\t\t\n");
}

TEST_F(BlockStateReport, FailuresLeaveNoReport) {
    makeBlock(0);
    writeNative("report.txt", {'o', 'l', 'd'});
    EXPECT_EQ(ybGenBlkFileStateReport(kOption, 2, kReport), yb::kInvalidArgument);
    EXPECT_EQ(report(), "old");  // an invalid kind touches nothing

    EXPECT_EQ(ybGenBlkFileStateReport("D:\\Blk\\none.dms", 0, kReport), yb::kCannotOpen);
    EXPECT_FALSE(existsNative("report.txt"));

    std::filesystem::remove_all(native("Blk/ImagesPara"));
    EXPECT_EQ(ybGenBlkFileStateReport(kOption, 0, kReport), yb::kOutOfRange);
    EXPECT_FALSE(existsNative("report.txt"));

    // A general satellite block has no image report, and a model report only without models.
    makeBlock(3);
    EXPECT_EQ(ybGenBlkFileStateReport(kOption, 0, kReport), yb::kInvalidArgument);
    EXPECT_FALSE(existsNative("report.txt"));
    EXPECT_EQ(ybGenBlkFileStateReport(kOption, 1, kReport), 0);

    // An image type outside the table fails in the heading.
    makeBlock(9);
    EXPECT_EQ(ybGenBlkFileStateReport(kOption, 1, kReport), yb::kOutOfRange);
    EXPECT_FALSE(existsNative("report.txt"));

    // A report that cannot be written.
    makeBlock(0);
    EXPECT_EQ(ybGenBlkFileStateReport(kOption, 0, "D:\\no\\dir\\r.txt"), yb::kCannotWrite);
}

}  // namespace
