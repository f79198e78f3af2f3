// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Every reader is given damaged copies of a valid file: cut at every length of its head and at a
// spread of lengths after it, and with each 32-bit word of its head replaced by extreme values. A
// reader must answer with a result code, and a reader that fails leaves its outputs as they were (or
// as its format says: an emptied array); the sanitizer builds turn any read past a buffer, any huge
// allocation or any crash into a failure here. (The option-file family, a magic and one record of
// fixed size, is cut in its magic and in its record by tests/frame/option_file_test.cpp.)
#include "builders.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

constexpr char const* kPath = "D:\\f.dat";
constexpr std::int32_t kLargestBuffer = 100000;  // counts beyond this are not handed a buffer

// Sizes a caller's buffer by a count query, the way callers of these readers do.
template <class T>
std::vector<T> bufferFor(std::int32_t code, std::int32_t count) {
    return std::vector<T>(code == 0 && count > 0 && count <= kLargestBuffer ? static_cast<std::size_t>(count) : 0);
}

tagImagePoint point(std::int32_t imageNo, char const* name) { return yb::test::tiePoint(name, imageNo, imageNo); }

struct Format {
    char const* name;
    std::function<void()> write;            // writes a valid file at kPath
    std::function<void(char const*)> read;  // runs every reader of the format on a file
    char const* extension = ".dat";         // of the damaged copies, for readers that name their file
};

// The title of a host path "D:\title.ext".
std::string titleOf(char const* path) {
    std::string const name = std::string(path).substr(3);
    return name.substr(0, name.rfind('.'));
}

std::vector<Format> formats() {
    static std::vector<tagImagePoint> const points{point(101, "A"), point(102, "A"), point(101, "B"), point(102, "b"),
                                                   point(103, "A")};
    return {
        {"image list",
         [] {
             ybCreateNewImageRecordFile(kPath, 2);
             std::vector<ImageOrderInfo> images(3);
             std::int32_t number = 101;
             for (ImageOrderInfo& image : images) {
                 image.nImageNo = number++;
                 image.nStripNo = 1;
             }
             ybWriteOneStripImageRecord(kPath, 2, 1, images);
         },
         [](char const* path) {
             std::int32_t strips = 0, total = 0, groups = 0, count = 0;
             ybGetStripNumberOfImageRecord(path, &strips);
             ybGetBlockTotalImgNums(path, &total);
             ybGetImgGroupNumsOfImageRecord(path, groups);
             std::vector<ImageOrderInfo> images;
             ybReadOneStripImageRecord(path, 2, 1, images);
             ImageOrderInfo one{};
             ybReadOneImageRecord(path, 2, 1, 2, &one);
             auto rows = bufferFor<std::array<char, 260>>(ybReadImageNumOfOneStrip(path, 1, &count), count);
             if (!rows.empty()) ybReadAllImageDirectary(path, 1, reinterpret_cast<char(*)[260]>(rows.data()), &count);
         }},
        {"GCP layout",
         [] {
             std::vector<BLOCKGCPLAYOUTINFO> records(2);
             records[0].imageCount = 2;
             records[0].imageNo[0] = 101;
             records[0].imageNo[1] = 201;
             ybWriteBlockGcpLayoutFile(kPath, records.data(), 2);
         },
         [](char const* path) {
             std::int32_t count = 0;
             auto records = bufferFor<BLOCKGCPLAYOUTINFO>(ybGetGcpNumsOfGcpLayoutFile(path, &count), count);
             if (!records.empty()) ybReadBlockGcpLayoutFile(path, records.data(), &count);
             std::vector<BLOCKGCPLAYOUTINFO> strip(64);
             ybGetImgGcpNumOfOneStrip(path, 1, &count);
             ybGetGcpInfoOfOneStrip(path, 2, strip.data(), &count);
         }},
        {"image point", [] { ybWriteImgGcpFile(kPath, points.data(), static_cast<std::int32_t>(points.size())); },
         [](char const* path) {
             std::int32_t count = 0;
             auto buffer = bufferFor<tagImagePoint>(ybGetImageGcpNumsOfFile(path, &count), count);
             if (!buffer.empty()) ybReadImgGcpFile(path, buffer.data(), &count);
             std::vector<tagImagePoint> all;
             ybReadImgGcpFileToAry(path, all);
         }},
        {"feature point",
         [] {
             std::vector<FeaturePoint> features(3);
             ybWriteImgFeatruePointFile(kPath, features.data(), 3);
         },
         [](char const* path) {
             std::int32_t count = 0;
             auto buffer = bufferFor<FeaturePoint>(ybGetFeaturePointNumsOfFile(path, &count), count);
             if (!buffer.empty()) ybReadImgFeaturePointFile(path, buffer.data(), &count);
         }},
        {"tie point", [] { ybCreateTiePntFile(kPath, points.data(), static_cast<std::int32_t>(points.size())); },
         [](char const* path) {
             std::int32_t count = 0;
             ybReadTiePntNums(path, count);
             ybGetOneImgTiePntNums(path, 102, count);
             ybGetOneModPntNums(path, 101, count);
             ybGetOneModCommPntNums(path, 101, 102, count);
             std::vector<tagImagePoint> all;
             ybReadTiePntFileToAry(path, all);
             ybReadOneImgTiePntToAry(path, 103, all);
             tagImagePoint one{};
             ybReadOneTiePntInfo(path, 102, "B", one);
             CONTROLPOINT_STORAGE* set = nullptr;
             if (ybReadOneModPnts(path, 101, set) == 0 && set != nullptr) ybFreeControlPointMem(set);
             ModelCommonPoint* common = nullptr;
             if (ybReadOneModCommPnts(path, 101, 102, common, count) == 0) std::free(common);
         }},
        {"model control point",
         [] {
             ybCreateOneModelGcpFile(kPath, 2);
             CONTROLPOINT_STORAGE* set = yb::test::modelPointSet(3);
             ybWriteModelGcpFile(kPath, 1, 1, set);
             ybWriteModelGcpFile(kPath, 2, 1, set);
             ybFreeControlPointMem(set);
         },
         [](char const* path) {
             std::int32_t count = 0;
             ybGetModelGcpNumsOfFile(path, 2, 1, &count);
             ybGetModelNumsOfModelGcpFile(path, &count);
             ybGetStripNumsOfModelGcpFile(path, &count);
             ybGetBlockTiePntNumsOfFile(path, &count);
             ybGetOneModelTiePntNums(path, 2, &count);
             CONTROLPOINT_STORAGE* set = yb::test::modelPointSet(0);
             ybReadModelGcpFile(path, 2, 1, set);
             ybReadOneModelTiePnt(path, 2, set);
             ybFreeControlPointMem(set);
         }},
        {"model common point",
         [] {
             ybCreateComJointPntFile(kPath, 2);
             CONTROLPOINT_STORAGE* first = yb::test::modelPointSet(3);
             CONTROLPOINT_STORAGE* second = yb::test::modelPointSet(2);
             ybWriteComJointPntFile(kPath, 1, 1, 2, first, second);
             ybWriteComJointPntFile(kPath, 1, 2, 3, second, first);
             ybFreeControlPointMem(first);
             ybFreeControlPointMem(second);
         },
         [](char const* path) {
             std::int32_t strips = 0, sections = 0, total = 0, count = 0;
             ybGetComJointPntFileInfo(path, &strips, &sections, &total);
             auto buffer = bufferFor<ModelCommonPoint>(ybGetComJointPntNumsOfFile(path, 1, 2, 3, &count), count);
             if (!buffer.empty()) ybReadComJointPntFile(path, 1, 2, 3, buffer.data(), &count);
         }},
        {"camera",
         [] {
             CameraInfo camera{};
             std::array<RimPoint, 8> rims{};
             std::array<AberranceInfo, 2> distortions{};
             ybWriteCameraParaFile(kPath, &camera, rims.data(), RIM_LAYOUT_EIGHT, distortions.data(), 2);
         },
         [](char const* path) {
             RIMPOINTLAYOUT layout{};
             std::int32_t count = 0;
             std::int32_t code = ybReadCameraParaFile(path, nullptr, nullptr, &layout, nullptr, &count);
             CameraInfo camera{};
             std::array<RimPoint, 8> rims{};
             auto distortions = bufferFor<AberranceInfo>(code, count);
             if (code == 0 && distortions.size() == static_cast<std::size_t>(count))
                 ybReadCameraParaFile(path, &camera, rims.data(), &layout, distortions.data(), &count);
         }},
        {"model joint coefficients",
         [] {
             std::array<double, 3> values{1, 2, 3};
             ybCreateNewModelJointCeffFile(kPath, values.data(), 3);
             ybAppendOneStripModelJointCeff(kPath, 2, values.data(), 2);
         },
         [](char const* path) {
             double value = 0;
             ybGetOneModelJointCeff(path, 1, 2, &value);
             ybGetOneModelJointCeff(path, 2, 2, &value);
         }},
        {"ybi image",
         [] {
             ybCreateYbiFile(kPath, 10, 20, 300.0, D_RECT{0, 0, 1, 1});
             yb::test::writeImageTable(kPath, 4);
         },
         [](char const* path) {
             YbiHandle image = nullptr;
             if (ybOpenYbiFileForRead(path, &image) != 0) return;
             std::int32_t count = 0;
             double x = 0, y = 0, column = 0, row = 0;
             ybGetGCPNumsOfYBI(image, &count);
             ybGetOneControlPointOfYBI(image, count, &x, &y, &column, &row);
             ybCloseYbiFileForRead(image);
         }},
        {"coordinate conversion",
         [] {
             BlockInfo const block = yb::test::blockRecord(0, "D:", "f");
             double values[7] = {1, 2, 3, 4, 5, 6, 7};
             ybWriteCordConvertPara(block, 7, values);
         },
         [](char const* path) {
             BlockInfo const block = yb::test::blockRecord(0, "D:", titleOf(path));
             std::int32_t count = 0;
             double values[7] = {9, 9, 9, 9, 9, 9, 9};
             EXPECT_TRUE(ybReadCordConvertPara(block, count, values) == 0 || values[0] == 9.0);
         },
         ".ctp"},
        {"image relation",
         [] {
             ybWriteImageRelaFile(kPath, {{101, 1.5, -2.5}, {102, 1e6, 3}, {201, 0, 0}});
         },
         [](char const* path) {
             std::vector<ImageLayoutStru> records(2);
             EXPECT_TRUE(ybReadImageRelaFile(path, records) == 0 || records.empty());
         }},
        {"inner orientation list",
         [] {
             ybWriteInnOrientImgListFile(kPath, {"D:\\a.ybi", "D:\\b.ybi", "D:\\c.ybi"});
         },
         [](char const* path) {
             std::int32_t count = -7;
             EXPECT_TRUE(ybReadImgNumsOfInnOrient(path, &count) == 0 || count == -7);
             char name[128] = "kept";
             EXPECT_TRUE(ybReadOneInnOrientImgFileName(path, 3, name) == 0 || std::string(name) == "kept");
         }},
        {"sensor property", [] { ybCreateCustomImagePropFile(kPath, "SPOT5_PAN", 24000, 24000, 0.00325, 1082.0); },
         [](char const* path) {
             char name[64] = "kept";
             std::int32_t first = -7;
             double real = -7;
             EXPECT_TRUE(ybReadCustomImagePropFile(path, name, &first, nullptr, &real, nullptr) == 0 ||
                         (std::string(name) == "kept" && first == -7 && real == -7.0));
         }},
        {"orientation coefficients",
         [] {
             std::array<double, 7> values{1, 2, 3, 4, 5, 6, 7};
             ybWriteOrientCeff(kPath, 2, values.data());
         },
         [](char const* path) {
             std::array<double, 16> record{};
             ybReadOrientCeff(path, record.data());
             std::array<double, 7> elements{};
             ybReadAbsoluteCeff(path, elements.data());
         }},
    };
}

class DamagedFiles : public yb::test::DriveFixture, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(DamagedFiles, ReadersAnswerEveryCutAndEveryBadCountWithACode) {
    Format const format = formats()[GetParam()];
    SCOPED_TRACE(format.name);
    yb::test::MessageRecorder quiet;  // the tie point readers show messages about damage
    format.write();
    Bytes const valid = readNative(std::string("f") + format.extension);
    ASSERT_FALSE(valid.empty());

    // Each damaged copy is a new file: rewriting one file in place makes the file system flush it.
    int serial = 0;
    auto check = [&](Bytes const& bytes) {
        std::string const name = "d" + std::to_string(serial++) + format.extension;
        writeNative(name, bytes);
        format.read(("D:\\" + name).c_str());
        std::filesystem::remove(native(name));
    };
    // Every length inside the head (magic, counts, first records), then a spread of longer ones.
    for (std::size_t length = 0; length < valid.size(); length += (length < 160 ? 1 : 41))
        check(Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(length)));
    // Counts and numbers in the head replaced by negative, huge and merely large values.
    std::size_t const head = std::min<std::size_t>(valid.size(), 160);
    for (std::uint32_t word : {0xFFFFFFFFu, 0x7FFFFFFFu, 0x00010000u}) {
        for (std::size_t offset = 0; offset + 4 <= head; ++offset) {
            Bytes damaged = valid;
            std::memcpy(damaged.data() + offset, &word, sizeof word);
            check(damaged);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, DamagedFiles, ::testing::Range<std::size_t>(0, formats().size()));

}  // namespace
