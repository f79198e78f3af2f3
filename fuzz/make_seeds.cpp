// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Writes the seed corpora of the fuzzing harnesses: small valid files of every family, made by the
// library's own writers, plus files of the example block that `ybblock demo` builds.
//   cmake --build --preset fuzz --target make_seeds
//   ybblock demo /tmp/demo && build/fuzz/fuzz/make_seeds /tmp/demo/DemoBlock fuzz/corpus
// The seeds are kept in the tree; run this again only when a file layout changes.
#include "fuzz_support.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path out;   // fuzz/corpus
fs::path demo;  // the demo block folder
fs::path work;  // mapped as drive W: while the writers run

std::string readFile(fs::path const& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "make_seeds: cannot read " << path << "\n";
        std::exit(1);
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void seed(char const* family, char const* name, std::string const& bytes) {
    fs::create_directories(out / family);
    std::ofstream(out / family / name, std::ios::binary) << bytes;
}

// Runs a writer on W:\f, then keeps the file as a seed.
template <class Writer>
void written(char const* family, char const* name, Writer write) {
    fs::remove(work / "f");
    write("W:\\f");
    seed(family, name, readFile(work / "f"));
}

tagImagePoint point(std::int32_t imageNo, char const* name, std::int16_t type = 0) {
    tagImagePoint p{};
    p.imageNo = imageNo;
    p.type = type;
    std::strcpy(p.name, name);
    p.x = 10.0 * imageNo;
    p.y = -5.0;
    return p;
}

ImageOrderInfo image(std::int32_t number, char const* path) {
    ImageOrderInfo record{};
    record.nImageNo = number;
    std::strcpy(record.szImagePath, path);
    record.nGroupNo = number % 3;
    record.nStripNo = number / 100;
    return record;
}

void options() {
    seed("options", "demo.dms", readFile(demo / "Demo.dms"));
    seed("options", "demo.mod", readFile(demo / "Model" / "0101_0102.mod"));
    written("options", "ortho.oms", [](char const* path) {
        OrthoInfo info{};
        std::strcpy(info.extentImage, "F:\\a.opt");
        ybWriteOrthoMapOption(path, &info);
    });
    written("options", "single_image.oms", [](char const* path) {
        SingleImageDomOption option{};
        option.bytes[0] = 7;
        ybWriteSingleImgDomOption(path, &option);
    });
    written("options", "single.oms", [](char const* path) {
        eTypeMathModel model{3};
        ybWriteSingleDomOption(path, &model);
    });
    written("options", "dem.dem", [](char const* path) {
        DemInfo dem{};
        ybReadDemGenOption(path, &dem);  // a missing file is made with the defaults
    });
}

void imageList() {
    seed("image_list", "demo.bil", readFile(demo / "Demo.bil"));
    written("image_list", "empty.bil", [](char const* path) { ybCreateNewImageRecordFile(path, 3); });
    // Images on the fuzzing drive, so the schematic layout reaches the images.
    written("image_list", "drive_images.bil", [](char const* path) {
        ybCreateNewImageRecordFile(path, 2);
        std::vector<ImageOrderInfo> first{image(101, "F:\\a.ybi"), image(102, "F:\\a.ybi")};
        std::vector<ImageOrderInfo> second{image(201, "F:\\a.ybi")};
        ybWriteOneStripImageRecord(path, 2, 1, first);
        ybWriteOneStripImageRecord(path, 2, 2, second);
    });
}

void gcpLayout() {
    written("gcp_layout", "two.gcl", [](char const* path) {
        std::array<BLOCKGCPLAYOUTINFO, 3> records{};
        records[0].imageCount = 2;
        records[0].imageNo[0] = 105;
        records[0].imageNo[1] = 203;
        records[1].imageCount = 3;
        records[1].imageNo[0] = 101;
        records[1].imageNo[1] = 102;
        records[1].imageNo[2] = 103;
        ybWriteBlockGcpLayoutFile(path, records.data(), 3);
    });
}

void points() {
    seed("points", "demo.ijp", readFile(demo / "Temp" / "0101.ijp"));
    written("points", "features.fpt", [](char const* path) {
        std::array<FeaturePoint, 2> features{};
        ybWriteImgFeatruePointFile(path, features.data(), 2);
    });
    written("points", "common.cpt", [](char const* path) {
        ybCreateComJointPntFile(path, 2);
        CONTROLPOINT_STORAGE* a = yb::fuzz::pointSet(3);
        CONTROLPOINT_STORAGE* b = yb::fuzz::pointSet(3);
        ybWriteComJointPntFile(path, 1, 1, 2, a, b);
        ybWriteComJointPntFile(path, 2, 2, 3, b, a);
        ybFreeControlPointMem(a);
        ybFreeControlPointMem(b);
    });
    written("points", "model.mgp", [](char const* path) {
        ybCreateOneModelGcpFile(path, 2);
        CONTROLPOINT_STORAGE* set = yb::fuzz::pointSet(3);
        ybWriteModelGcpFile(path, 1, 2, set);
        ybWriteModelGcpFile(path, 1, 1, set);
        ybFreeControlPointMem(set);
    });
}

void tiePoints() {
    seed("tie_points", "demo.scp", readFile(demo / "Demo.scp"));
    written("tie_points", "five.scp", [](char const* path) {
        std::vector<tagImagePoint> const points{point(101, "A"),    point(102, "A"), point(101, "B"),
                                                point(102, "b", 1), point(103, "A"), point(412, "P0312", 1)};
        ybCreateTiePntFile(path, points.data(), static_cast<std::int32_t>(points.size()));
    });
}

void camera() {
    seed("camera", "demo.cmr", readFile(demo / "Demo.cmr"));
    written("camera", "eight.cmr", [](char const* path) {
        CameraInfo info{153.0, 0.01, -0.02, {}};
        std::array<RimPoint, 8> rims{};
        for (int i = 0; i < 8; ++i) rims[i] = RimPoint{i + 1, 10.0 * i, -10.0 * i};
        std::array<AberranceInfo, 2> distortions{{{10, 0.001, 0.002}, {20, 0.003, 0.004}}};
        ybWriteCameraParaFile(path, &info, rims.data(), RIM_LAYOUT_EIGHT, distortions.data(), 2);
    });
}

void properties() {
    written("properties", "image.ipp", [](char const* path) {
        IMAGEPROPINFO info{};
        info.pixelSize = 0.012;
        ybWriteImagePropInfoFile(path, &info);
    });
    written("properties", "spot.spt", [](char const* path) { ybWriteSPOTPropInfoFile(path, 6.5); });
    written("properties", "projection.prj", [](char const* path) {
        MAP_PARAstruct info{};
        info.bytes[0] = 1;
        ybWriteSuvProjInfo(path, &info);
    });
}

void textFiles() {
    seed("text_files", "sensor.ipc", readFile(demo / "ImagesProp" / "spot5_pan.ipc"));
    written("text_files", "inner.txt", [](char const* path) {
        ybWriteInnOrientImgListFile(path, {"D:\\Blk\\Images\\0101.ybi", "D:\\Blk\\Images\\0102.ybi"});
    });
    written("text_files", "relation.rel", [](char const* path) {
        ybWriteImageRelaFile(path, {{101, 10.5, 20.25}, {102, -3, 4}});
    });
    seed("text_files", "seven.ctp", "7\n1\t2\t3\t4\t5\t6\t7\t\n");
    seed("text_files", "three_crlf.ctp", "3\r\n0.5\t-1e-3\t12\t\r\n");
}

void coefficients() {
    seed("coefficients", "inner.ioc", readFile(demo / "ImagesPara" / "0101.ioc"));
    seed("coefficients", "relative.roc", readFile(demo / "Model" / "0101_0102" / "0101_0102.roc"));
    written("coefficients", "absolute.aoc", [](char const* path) {
        std::array<double, 7> values{1, 2, 3, 4, 5, 6, 7};
        ybWriteOrientCeff(path, 2, values.data());
    });
    written("coefficients", "joint.mjc", [](char const* path) {
        std::array<double, 3> values{0.5, 1.5, 2.5};
        ybCreateNewModelJointCeffFile(path, values.data(), 3);
        ybAppendOneStripModelJointCeff(path, 2, values.data(), 2);
    });
}

void block() {
    std::string const separator = "#YBPART#";
    seed("block", "demo.parts",
         readFile(demo / "Demo.bil") + separator + readFile(demo / "Demo.scp") + separator +
             readFile(demo / "Demo.cmr") + separator + readFile(demo / "Model" / "0101_0102.mod") + separator +
             readFile(demo / "ImagesPara" / "0101.ioc") + separator + readFile(demo / "Temp" / "0101.ijp"));
}

void ybi() {
    seed("ybi", "demo.ybi", readFile(demo / "Images" / "0101.ybi"));
    written("ybi", "four_points.ybi", [](char const* path) {
        ybCreateYbiFile(path, 10, 20, 300.0, D_RECT{0, 0, 1, 1});
        ybModiYbiGcpInfo(path, D_RECT{0, 0, 150, 200});
    });
}

// Texts for the name builders, split at zero bytes: block directory, block name, extension, suffix,
// two image paths, a model name, the host's block directory. One set is in GBK, with a character
// whose second byte is a backslash.
void names() {
    using namespace std::string_literals;
    seed("names", "plain.txt",
         "D:\\Blk\0Area1\0.bil\0_x\0D:\\Blk\\Images\\0101.ybi\0D:\\Blk\\Images\\0102.ybi\0"
         "0101_0102\0C:\\Work"s);
    seed("names", "gbk.txt",
         "D:\\\xB2\xE2\xC7\xF8\\\0\xB2\xE2\x81\x5C\0.dms\0\0E:\\\x81\x5C\\0101.ybi\0"
         "0102\0\x81\x5C_0102\0D:\\\xB2\xE2"s);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_seeds DEMO_BLOCK_DIR CORPUS_DIR\n";
        return 2;
    }
    demo = argv[1];
    out = argv[2];
    work = fs::temp_directory_path() / "yb-make-seeds";
    fs::create_directories(work);
    hbSetDriveRoot('W', work.c_str());
    options();
    imageList();
    gcpLayout();
    points();
    tiePoints();
    camera();
    properties();
    textFiles();
    coefficients();
    block();
    ybi();
    names();
    fs::remove_all(work);
    return 0;
}
