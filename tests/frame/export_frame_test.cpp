// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "export_frame.h"
#include "messages.h"

#include "test_support.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(ExportFrame, ExceptionsBecomeResults) {
    EXPECT_EQ(yb::frame::guarded([]() -> std::int32_t { throw std::bad_alloc(); }), yb::kNoMemory);
    EXPECT_EQ(yb::frame::guarded([]() -> std::int32_t { throw std::runtime_error("x"); }), yb::kInvalidContent);
    EXPECT_EQ(yb::frame::guarded([]() -> std::int32_t { return 5; }), 5);
    EXPECT_FALSE(yb::frame::guarded([]() -> bool { throw std::bad_alloc(); }));
    EXPECT_EQ(yb::frame::guarded([]() -> std::string { throw 1; }), "");
    EXPECT_EQ(yb::frame::guarded([]() -> double { throw 1; }), 0.0);
}

TEST(Messages, TextsLeaveAsGbk) {
    yb::test::MessageRecorder recorder;
    yb::frame::showErrorF("连接点<%s>不存在于影像<%ld>上！", "P1", 101L);
    // A GBK argument is placed unchanged into the GBK text.
    std::string name = yb::test::hexBytes("87 5C");
    yb::frame::showPlainF("<%s>", name.c_str());
    EXPECT_EQ(recorder.take(),
              (std::vector<std::string>{"error: " + yb::test::utf8ToGbk("连接点<P1>不存在于影像<101>上！"),
                                        "plain: <" + name + ">"}));
}

// Every export that takes a path, given a null one: a result, never a crash. Codes are a failure (where a
// row names one, that code: 4000015 for an image record update); truth values false; names and texts empty.
// (The option-file family's readers and writers are given null paths by tests/frame/option_file_test.cpp.)
TEST(ExportFrame, NullPathsGiveResults) {
    using Code = std::int32_t;
    std::vector<std::string> titles;
    std::vector<ImageOrderInfo> images;
    std::vector<tagImagePoint> points(4);
    std::vector<ModelCommonPoint> common(4);
    std::vector<ImageLayoutStru> relations;
    std::vector<BLOCKGCPLAYOUTINFO> layouts(4);
    std::vector<FeaturePoint> features(4);
    char paths[4][260] = {};
    char text[512] = {};
    std::int32_t n = 0;
    std::int32_t m = 0;
    double values[64] = {};
    ImageOrderInfo record{};
    record.nImageNo = 101;
    record.nStripNo = 1;
    CameraInfo camera{};
    tagImagePoint point{};
    ModelCommonPoint* handedOut = nullptr;
    CONTROLPOINT_STORAGE* set = nullptr;
    ybAllocControlPointMem(&set, 4);
    CONTROLPOINT_STORAGE* view = nullptr;
    RIMPOINTLAYOUT layout{};
    char const* const null = nullptr;
    struct Case {
        char const* name;
        std::function<Code()> call;
        Code expected = -1;  // -1: any failure
    };
    auto truth = [](bool answer) { return answer ? Code{0} : Code{1}; };
    auto name = [](std::string const& built) { return built.empty() ? Code{1} : Code{0}; };
    auto into = [&](void (*build)(char const*, char*)) {  // a name built into `text`
        text[0] = '\0';
        build(null, text);
        return name(text);
    };
    std::vector<Case> const cases = {
        {"ybCreateBlockFolder", [&] { return truth(ybCreateBlockFolder(null)); }},
        {"ybReomveBlockFolder", [&] { return truth(ybReomveBlockFolder(null)); }},
        {"ybIsDirectoryExist", [&] { return truth(ybIsDirectoryExist(null)); }},
        {"ybGetSameExtFilePathsInOneDir", [&] { return ybGetSameExtFilePathsInOneDir(null, ".ybi", titles, 0); }},
        {"ybExtractFileNameFromDir", [&] { return truth(ybExtractFileNameFromDir(null, text)); }},
        {"ybGetBlkImgPropFileName", [&] { return name(ybGetBlkImgPropFileName(null, null)); }},
        {"ybGetBlkImgListFileName", [&] { return name(ybGetBlkImgListFileName(null, null)); }},
        {"ybGetImagePropFile", [&] { return name(ybGetImagePropFile(null, null)); }},
        {"ybGetOrientGcpFileName", [&] { return name(ybGetOrientGcpFileName(null, 0, 0, null, null)); }},
        {"ybGetOrientCeffFileName", [&] { return name(ybGetOrientCeffFileName(null, 0, 0, null, null)); }},
        {"ybGetCurModelDir", [&] { return name(ybGetCurModelDir(null, null, null)); }},
        {"ybGetOrientCeffFileNameByModel", [&] { return name(ybGetOrientCeffFileNameByModel(null, 0, null)); }},
        {"ybGetOrientGcpFileNameByModel", [&] { return name(ybGetOrientGcpFileNameByModel(null, 0, null)); }},
        {"ybGetOrientGcpFileNameByImage", [&] { return name(ybGetOrientGcpFileNameByImage(null, 0, 0, null)); }},
        {"ybGetSuvProjFileName", [&] { return into(ybGetSuvProjFileName); }},
        {"ybGetSuvGcpProjFileName", [&] { return into(ybGetSuvGcpProjFileName); }},
        {"ybGetSingleImgRpcFile", [&] { return name(ybGetSingleImgRpcFile(null)); }},
        {"ybSetSingleImgRpcFile", [&] { return ybSetSingleImgRpcFile(null, null), Code{1}; }},
        {"ybGetModelFileName", [&] { return name(ybGetModelFileName(null, nullptr, nullptr)); }},
        {"ybGetSingleImgDomOptionFile", [&] { return name(ybGetSingleImgDomOptionFile(null, null)); }},
        {"ybGetModelDomOptionFile", [&] { return name(ybGetModelDomOptionFile(null, null)); }},
        {"ybCreateNewImageRecordFile", [&] { return ybCreateNewImageRecordFile(null, 1); }, yb::kInvalidArgument},
        {"ybWriteOneStripImageRecord", [&] { return ybWriteOneStripImageRecord(null, 1, 1, images); }},
        {"ybReadOneStripImageRecord", [&] { return ybReadOneStripImageRecord(null, 1, 1, images); },
         yb::kInvalidArgument},
        {"ybGetStripNumberOfImageRecord", [&] { return ybGetStripNumberOfImageRecord(null, &n); }},
        {"ybGetImgGroupNumsOfImageRecord", [&] { return ybGetImgGroupNumsOfImageRecord(null, n); }},
        {"ybReadOneImageRecord", [&] { return ybReadOneImageRecord(null, 1, 1, 0, &record); }},
        {"ybUpdateOneImageRecord", [&] { return ybUpdateOneImageRecord(null, 101, record); }, yb::kInvalidArgument},
        {"ybReadImageNumOfOneStrip", [&] { return ybReadImageNumOfOneStrip(null, 1, &n); }},
        {"ybReadAllImageDirectary", [&] { return ybReadAllImageDirectary(null, 1, paths, &n); }},
        {"ybGetBlockTotalImgNums", [&] { return ybGetBlockTotalImgNums(null, &n); }, yb::kInvalidArgument},
        {"ybGetImgGcpNumOfOneStrip", [&] { return ybGetImgGcpNumOfOneStrip(null, 1, &n); }},
        {"ybWriteBlockGcpLayoutFile", [&] { return ybWriteBlockGcpLayoutFile(null, layouts.data(), 1); },
         yb::kInvalidArgument},
        {"ybReadBlockGcpLayoutFile", [&] { return ybReadBlockGcpLayoutFile(null, layouts.data(), &n); }},
        {"ybGetGcpNumsOfGcpLayoutFile", [&] { return ybGetGcpNumsOfGcpLayoutFile(null, &n); }},
        {"ybGetGcpInfoOfOneStrip", [&] { return ybGetGcpInfoOfOneStrip(null, 1, layouts.data(), &n); }},
        {"ybGetTempBlockYbiGcpFile", [&] { return name(ybGetTempBlockYbiGcpFile(null)); }},
        {"ybWriteYbiGcpInfo", [&] { return ybWriteYbiGcpInfo(null); }, yb::kInvalidArgument},
        {"ybReadYbiGcpInfo", [&] { return ybReadYbiGcpInfo(null, 1); }},
        {"ybModiYbiGcpInfo", [&] { return ybModiYbiGcpInfo(null, D_RECT{}); }, yb::kInvalidArgument},
        {"ybGetImageGcpNumsOfFile", [&] { return ybGetImageGcpNumsOfFile(null, &n); }},
        {"ybReadImgGcpFile", [&] { return ybReadImgGcpFile(null, points.data(), &n); }},
        {"ybReadImgGcpFileToAry", [&] { return ybReadImgGcpFileToAry(null, points); }},
        {"ybWriteImgGcpFile", [&] { return ybWriteImgGcpFile(null, points.data(), 1); }},
        {"ybAppendImgJointPntToFile", [&] { return ybAppendImgJointPntToFile(null, points.data(), 1); }},
        {"ybGetFeaturePointNumsOfFile", [&] { return ybGetFeaturePointNumsOfFile(null, &n); }},
        {"ybReadImgFeaturePointFile", [&] { return ybReadImgFeaturePointFile(null, features.data(), &n); }},
        {"ybWriteImgFeatruePointFile", [&] { return ybWriteImgFeatruePointFile(null, features.data(), 1); },
         yb::kInvalidArgument},
        {"ybCreateComJointPntFile", [&] { return ybCreateComJointPntFile(null, 1); }},
        {"ybGetComJointPntFileInfo", [&] { return ybGetComJointPntFileInfo(null, &n, &m, &n); }},
        {"ybGetComJointPntNumsOfFile", [&] { return ybGetComJointPntNumsOfFile(null, 1, 1, 2, &n); }},
        {"ybReadComJointPntFile", [&] { return ybReadComJointPntFile(null, 1, 1, 2, common.data(), &n); }},
        {"ybWriteComJointPntFile", [&] { return ybWriteComJointPntFile(null, 1, 1, 2, set, set); }},
        {"ybCreateOneModelGcpFile", [&] { return ybCreateOneModelGcpFile(null, 1); }},
        {"ybGetModelGcpNumsOfFile", [&] { return ybGetModelGcpNumsOfFile(null, 1, 1, &n); }},
        {"ybReadModelGcpFile", [&] { return ybReadModelGcpFile(null, 1, 1, set); }},
        {"ybWriteModelGcpFile", [&] { return ybWriteModelGcpFile(null, 1, 1, set); }},
        {"ybGetModelNumsOfModelGcpFile", [&] { return ybGetModelNumsOfModelGcpFile(null, &n); }},
        {"ybGetStripNumsOfModelGcpFile", [&] { return ybGetStripNumsOfModelGcpFile(null, &n); }},
        {"ybGetBlockTiePntNumsOfFile", [&] { return ybGetBlockTiePntNumsOfFile(null, &n); }},
        {"ybGetOneModelTiePntNums", [&] { return ybGetOneModelTiePntNums(null, 0, &n); }},
        {"ybReadOneModelTiePnt", [&] { return ybReadOneModelTiePnt(null, 0, set); }},
        {"ybCreateTiePntFile", [&] { return ybCreateTiePntFile(null, points.data(), 1); }},
        {"ybReadTiePntNums", [&] { return ybReadTiePntNums(null, n); }, yb::kInvalidArgument},
        {"ybReadTiePntFileToAry", [&] { return ybReadTiePntFileToAry(null, points); }},
        {"ybGetOneImgTiePntNums", [&] { return ybGetOneImgTiePntNums(null, 101, n); }},
        {"ybReadOneTiePntInfo", [&] { return ybReadOneTiePntInfo(null, 101, "P", point); }},
        {"ybReadOneImgTiePntToAry", [&] { return ybReadOneImgTiePntToAry(null, 101, points); }},
        {"ybGetOneModCommPntNums", [&] { return ybGetOneModCommPntNums(null, 101, 102, n); }},
        {"ybReadOneModCommPnts", [&] { return ybReadOneModCommPnts(null, 101, 102, handedOut, n); }},
        {"ybGetOneModPntNums", [&] { return ybGetOneModPntNums(null, 101, n); }},
        {"ybReadOneModPnts", [&] { return ybReadOneModPnts(null, 101, view); }},
        {"ybAppendTiePntToFile", [&] { return ybAppendTiePntToFile(null, points.data(), 1); }},
        {"ybWriteOneImgTiePntToFile", [&] { return ybWriteOneImgTiePntToFile(null, points.data(), 1); }},
        {"ybRemoveTiePntContext", [&] { return ybRemoveTiePntContext(null); }},
        {"ybRemoveAutoExtractTiePnt", [&] { return ybRemoveAutoExtractTiePnt(null); }},
        {"ybRemoveAutoExtractStripTiePnt", [&] { return ybRemoveAutoExtractStripTiePnt(null); }},
        {"ybWriteOneModPnts", [&] { return ybWriteOneModPnts(null, 101, set); }},
        {"ybCleanBlockTmpTiePntFile", [&] { return ybCleanBlockTmpTiePntFile(null); }},
        {"ybDetachBlockTiePntFile", [&] { return ybDetachBlockTiePntFile(null); }},
        {"ybUniteBlockTiePntFile", [&] { return ybUniteBlockTiePntFile(null); }},
        {"ybReadCameraParaFile", [&] { return ybReadCameraParaFile(null, &camera, nullptr, &layout, nullptr, &n); }},
        {"ybWriteCameraParaFile", [&] { return ybWriteCameraParaFile(null, &camera, nullptr, layout, nullptr, 0); }},
        {"ybCreateCustomImagePropFile", [&] { return ybCreateCustomImagePropFile(null, "S", 1, 2, 1.0, 2.0); },
         yb::kInvalidArgument},
        {"ybReadCustomImagePropFile", [&] { return ybReadCustomImagePropFile(null, text, &n, &m, values, values + 1); },
         yb::kInvalidArgument},
        {"ybGetCurImgPixel", [&] { return ybGetCurImgPixel(null, nullptr) >= 0.0 ? Code{1} : Code{0}; }},
        {"ybReadOneInnOrientImgFileName", [&] { return ybReadOneInnOrientImgFileName(null, 0, text); }},
        {"ybReadImgNumsOfInnOrient", [&] { return ybReadImgNumsOfInnOrient(null, &n); }},
        {"ybWriteInnOrientImgListFile", [&] { return ybWriteInnOrientImgListFile(null, titles); }},
        {"ybReadInnefCeff", [&] { return ybReadInnefCeff(null, values); }, yb::kInvalidArgument},
        {"ybReadSingleRelaCeff", [&] { return ybReadSingleRelaCeff(null, values); }},
        {"ybReadAbsoluteCeff", [&] { return ybReadAbsoluteCeff(null, values); }},
        {"ybGetOneModelJointCeff", [&] { return ybGetOneModelJointCeff(null, 1, 1, values); }},
        {"ybCreateNewModelJointCeffFile", [&] { return ybCreateNewModelJointCeffFile(null, values, 1); }},
        {"ybAppendOneStripModelJointCeff", [&] { return ybAppendOneStripModelJointCeff(null, 1, values, 1); }},
        {"ybWriteImageRelaFile", [&] { return ybWriteImageRelaFile(null, relations); }},
        {"ybReadImageRelaFile", [&] { return ybReadImageRelaFile(null, relations); }},
        {"ybGenBlkFileStateReport", [&] { return ybGenBlkFileStateReport(null, 0, null); }, yb::kInvalidArgument},
        {"ybGenBlkModOrthoStateFile", [&] { return ybGenBlkModOrthoStateFile(null, null); }, yb::kInvalidArgument},
        {"ybGenBlkModEpiStateFile", [&] { return ybGenBlkModEpiStateFile(null, null); }},
    };
    yb::test::MessageRecorder quiet;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Code const code = c.call();
        if (c.expected >= 0) {
            EXPECT_EQ(code, c.expected);
        } else {
            EXPECT_NE(code, 0);
        }
    }
    ybFreeControlPointMem(set);
}

}  // namespace
