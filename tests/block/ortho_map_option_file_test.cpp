#include "test_support.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

class OrthoMapOptionFile : public yb::test::DriveFixture {
protected:
    static OrthoInfo sample() {
        OrthoInfo info;
        auto* bytes = reinterpret_cast<unsigned char*>(&info);
        for (std::size_t i = 0; i < sizeof info; ++i) bytes[i] = static_cast<unsigned char>(i * 5 + 1);
        return info;
    }
    static OrthoInfo withRect(double xMin, double yMin, double xMax, double yMax, char const* image) {
        OrthoInfo info{};
        info.domRect = D_RECT{xMin, yMin, xMax, yMax};
        std::strcpy(info.extentImage, image);
        return info;
    }
};

TEST_F(OrthoMapOptionFile, RoundTripIs875Bytes) {
    OrthoInfo info = sample();
    ASSERT_EQ(ybWriteOrthoMapOption("D:\\a.oms", &info), 0);
    auto bytes = readNative("a.oms");
    ASSERT_EQ(bytes.size(), 875u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 31), "YB_ORTHO_MAP_OPTION_FILE_VER1.0");
    EXPECT_EQ(std::memcmp(bytes.data() + 31, &info, sizeof info), 0);
    OrthoInfo back{};
    ASSERT_EQ(ybReadOrthoMapOption("D:\\a.oms", &back), 0);
    EXPECT_EQ(std::memcmp(&back, &info, sizeof info), 0);
}

TEST_F(OrthoMapOptionFile, ReadsTheFirstBytesOfASingleImageDomFile) {
    SingleImageDomOption dom;
    for (std::size_t i = 0; i < sizeof dom.bytes; ++i) dom.bytes[i] = static_cast<unsigned char>(i % 13);
    ASSERT_EQ(ybWriteSingleImgDomOption("D:\\dom.oms", &dom), 0);
    OrthoInfo back{};
    ASSERT_EQ(ybReadOrthoMapOption("D:\\dom.oms", &back), 0);
    EXPECT_EQ(std::memcmp(&back, dom.bytes, sizeof back), 0);
}

TEST_F(OrthoMapOptionFile, CodesOfTheOrthoReader) {
    OrthoInfo back = sample();
    OrthoInfo const before = back;
    EXPECT_EQ(ybReadOrthoMapOption(nullptr, &back), yb::kOrthoNullArgument);
    EXPECT_EQ(ybReadOrthoMapOption("D:\\a.oms", nullptr), yb::kOrthoNullArgument);
    EXPECT_EQ(ybReadOrthoMapOption("D:\\missing.oms", &back), yb::kOrthoCannotOpen);
    writeNative("tiny.oms", yb::test::bytesOf("YB_ORTHO"));
    EXPECT_EQ(ybReadOrthoMapOption("D:\\tiny.oms", &back), yb::kInvalidContent);
    writeNative("single.oms", yb::test::bytesOf("YB_ORTHO_SINGLE_OPTION_FILE_VER1.0\x01"));
    EXPECT_EQ(ybReadOrthoMapOption("D:\\single.oms", &back), yb::kInvalidContent);
    EXPECT_EQ(std::memcmp(&back, &before, sizeof back), 0);

    OrthoInfo info = sample();
    EXPECT_EQ(ybWriteOrthoMapOption(nullptr, &info), yb::kInvalidArgument);
    EXPECT_EQ(ybWriteOrthoMapOption("D:\\b.oms", nullptr), yb::kInvalidArgument);
    {
        yb::test::WriteFault fault(1);
        EXPECT_EQ(ybWriteOrthoMapOption("D:\\b.oms", &info), yb::kCannotWrite);
    }
    EXPECT_FALSE(existsNative("b.oms"));
}

TEST_F(OrthoMapOptionFile, RectangleComesFromTheRecordWhenAllFourAreSet) {
    // The image does not exist: a set rectangle must not need it.
    OrthoInfo const info = withRect(100, 200, 300, 400, "D:\\missing.ybi");
    D_RECT rect{};
    ASSERT_EQ(ybCalDomRectByOrthOpt(info, rect), 0);
    EXPECT_EQ(rect.xMin, 100);
    EXPECT_EQ(rect.yMin, 200);
    EXPECT_EQ(rect.xMax, 300);
    EXPECT_EQ(rect.yMax, 400);
}

TEST_F(OrthoMapOptionFile, RectangleComesFromTheImageWhenAValueIsUnset) {
    ASSERT_EQ(ybCreateYbiFile("D:\\img.ybi", 10, 20, 300.0, D_RECT{1000, 2000, 3000, 4000}), 0);
    double const nan = std::numeric_limits<double>::quiet_NaN();
    for (OrthoInfo const& info : {withRect(100, 200, 0.0, 400, "D:\\img.ybi"), withRect(1e-21, 2, 3, 4, "D:\\img.ybi"),
                                  withRect(nan, 2, 3, 4, "D:\\img.ybi")}) {
        D_RECT rect{};
        ASSERT_EQ(ybCalDomRectByOrthOpt(info, rect), 0);
        EXPECT_EQ(rect.xMin, 1000);
        EXPECT_EQ(rect.yMin, 2000);
        EXPECT_EQ(rect.xMax, 3000);
        EXPECT_EQ(rect.yMax, 4000);
    }
    D_RECT rect{7, 7, 7, 7};
    EXPECT_EQ(ybCalDomRectByOrthOpt(withRect(0, 0, 0, 0, "D:\\missing.ybi"), rect), YBI_E_FILE_MISSING);
    EXPECT_EQ(rect.xMin, 7);
}

}  // namespace
