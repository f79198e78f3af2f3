// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "params/image_property_files.h"
#include "test_support.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

class ImagePropertyFiles : public yb::test::DriveFixture {
protected:
    static IMAGEPROPINFO sample() {
        IMAGEPROPINFO info;
        auto* bytes = reinterpret_cast<unsigned char*>(&info);
        for (std::size_t i = 0; i < sizeof info; ++i) bytes[i] = static_cast<unsigned char>(i * 5 + 1);
        info.pixelSize = 0.012;
        return info;
    }
};

TEST_F(ImagePropertyFiles, SensorFileRoundTrip) {
    ASSERT_EQ(ybCreateCustomImagePropFile("D:\\s.ipc", "MY_SENSOR", 12000, 8000, 0.0065, 1500.25), 0);
    EXPECT_EQ(readNative("s.ipc"), yb::test::bytesOf("MY_SENSOR\n12000\t8000\t0.006500000000\t1500.250000000000\n"));

    char name[64];
    std::memset(name, '#', sizeof name);
    std::int32_t first = -1, second = -1;
    double firstReal = -1, secondReal = -1;
    ASSERT_EQ(ybReadCustomImagePropFile("D:\\s.ipc", name, &first, &second, &firstReal, &secondReal), 0);
    EXPECT_STREQ(name, "MY_SENSOR");
    EXPECT_EQ(first, 12000);
    EXPECT_EQ(second, 8000);
    EXPECT_EQ(firstReal, 0.0065);
    EXPECT_EQ(secondReal, 1500.25);

    // Lines ending in "\r\n", and out pointers left null.
    writeNative("w.ipc", yb::test::bytesOf("  SPOT5_PAN\r\n24000 24000\t0.00325\t1082\r\n"));
    ASSERT_EQ(ybReadCustomImagePropFile("D:\\w.ipc", name, nullptr, &second, nullptr, &secondReal), 0);
    EXPECT_STREQ(name, "SPOT5_PAN");
    EXPECT_EQ(second, 24000);
    EXPECT_EQ(secondReal, 1082.0);
}

TEST_F(ImagePropertyFiles, BadSensorArgumentsDeleteTheFile) {
    double const nan = std::numeric_limits<double>::quiet_NaN();
    struct Bad {
        char const* name;
        std::int32_t first;
        double secondReal;
    };
    std::string const longName(64, 'N');
    for (Bad bad : {Bad{"S", 1, -1.0}, Bad{"S", -1, 1.0}, Bad{"S", 1, nan}, Bad{"", 1, 1.0}, Bad{"TWO WORDS", 1, 1.0},
                    Bad{nullptr, 1, 1.0}, Bad{longName.c_str(), 1, 1.0}}) {
        writeNative("s.ipc", {'x'});
        EXPECT_EQ(ybCreateCustomImagePropFile("D:\\s.ipc", bad.name, bad.first, 1, 1.0, bad.secondReal),
                  yb::kInvalidArgument);
        EXPECT_FALSE(existsNative("s.ipc"));
    }
    EXPECT_EQ(ybCreateCustomImagePropFile("D:\\no\\s.ipc", "S", 1, 1, 1.0, 1.0), yb::kCannotWrite);
    EXPECT_TRUE(listNative().empty());
}

TEST_F(ImagePropertyFiles, DamagedSensorFilesAreInvalidContent) {
    std::string const longName(64, 'N');
    for (std::string const& content :
         {std::string(""), std::string("\n1\t1\t1\t1\n"), std::string("   \n1\t1\t1\t1\n"), std::string("S\n"),
          std::string("S\n1\t1\t1\n"), std::string("S\n1\t-1\t1\t1\n"), std::string("S\n1\t1\t1\t-0.5\n"),
          std::string("S\n1\t1\tnan\t1\n"), std::string("S\n4294967296\t1\t1\t1\n"), longName + "\n1\t1\t1\t1\n"}) {
        writeNative("d.ipc", yb::test::bytesOf(content));
        char name[64] = "kept";
        std::int32_t first = 7;
        EXPECT_EQ(ybReadCustomImagePropFile("D:\\d.ipc", name, &first, nullptr, nullptr, nullptr), yb::kInvalidContent)
            << content;
        EXPECT_STREQ(name, "kept");
        EXPECT_EQ(first, 7);
    }
    EXPECT_EQ(ybReadCustomImagePropFile("D:\\missing.ipc", nullptr, nullptr, nullptr, nullptr, nullptr),
              yb::kCannotOpen);
}

TEST_F(ImagePropertyFiles, SpotSensorFilesComeAsAPair) {
    EXPECT_EQ(yb::params::writeSpotSensorFiles(nullptr), yb::kInvalidArgument);
    EXPECT_EQ(yb::params::writeSpotSensorFiles("D:\\missing"), yb::kCannotWrite);
    EXPECT_TRUE(listNative().empty());
    ASSERT_EQ(yb::params::writeSpotSensorFiles("D:"), 0);
    EXPECT_EQ(listNative(), (std::vector<std::string>{"spot4_mss.ipc", "spot5_pan.ipc"}));
}

TEST_F(ImagePropertyFiles, PixelSizeComesFromThePropertyFileOrTheResolution) {
    writeNative("blk/ImagesPara/keep", {});
    writeNative("img/keep", {});
    ASSERT_EQ(ybCreateYbiFile("D:\\img\\0101.ybi", 4, 4, 254.0, D_RECT{0, 0, 1, 1}), 0);
    YbiHandle image = nullptr;
    ASSERT_EQ(ybOpenYbiFileForRead("D:\\img\\0101.ybi", &image), 0);

    EXPECT_DOUBLE_EQ(ybGetCurImgPixel("D:\\blk", image), 0.0001);  // 25.4 mm / 254, in metres
    EXPECT_DOUBLE_EQ(ybGetCurImgPixel("D:\\blk", nullptr), 0.001);

    IMAGEPROPINFO info = sample();
    ASSERT_EQ(ybWriteImagePropInfoFile("D:\\blk\\ImagesPara\\0101.ipp", &info), 0);
    EXPECT_DOUBLE_EQ(ybGetCurImgPixel("D:\\blk", image), 0.000012);

    // The record is cleared before the magic is checked, so a damaged file gives 0.
    writeNative("blk/ImagesPara/0101.ipp", yb::test::bytesOf(std::string(190, 'x')));
    EXPECT_EQ(ybGetCurImgPixel("D:\\blk", image), 0.0);
    EXPECT_EQ(ybCloseYbiFileForRead(image), 0);
}

}  // namespace
