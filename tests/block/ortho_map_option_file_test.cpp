#include "test_support.h"

#include <cstring>
#include <limits>

namespace {

struct OrthoMapOptionFile : yb::test::DriveFixture {
    static OrthoInfo withRect(double xMin, double yMin, double xMax, double yMax, char const* image) {
        OrthoInfo info{};
        info.domRect = D_RECT{xMin, yMin, xMax, yMax};
        std::strcpy(info.extentImage, image);
        return info;
    }
};

TEST_F(OrthoMapOptionFile, RoundTripAndTheSharedMagic) {
    OrthoInfo info;
    auto* raw = reinterpret_cast<unsigned char*>(&info);
    for (std::size_t i = 0; i < sizeof info; ++i) raw[i] = static_cast<unsigned char>(i * 5 + 1);
    ASSERT_EQ(ybWriteOrthoMapOption("D:\\a.oms", &info), 0);
    auto bytes = readNative("a.oms");
    ASSERT_EQ(bytes.size(), 875u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 31), "YB_ORTHO_MAP_OPTION_FILE_VER1.0");
    OrthoInfo back{};
    ASSERT_EQ(ybReadOrthoMapOption("D:\\a.oms", &back), 0);
    EXPECT_EQ(std::memcmp(&back, &info, sizeof info), 0);

    // A single-image DOM option file is accepted: its first 844 record bytes.
    SingleImageDomOption dom;
    for (std::size_t i = 0; i < sizeof dom.bytes; ++i) dom.bytes[i] = static_cast<unsigned char>(i % 13);
    ASSERT_EQ(ybWriteSingleImgDomOption("D:\\dom.oms", &dom), 0);
    ASSERT_EQ(ybReadOrthoMapOption("D:\\dom.oms", &back), 0);
    EXPECT_EQ(std::memcmp(&back, dom.bytes, sizeof back), 0);
}

TEST_F(OrthoMapOptionFile, CodesOfTheOrthoFamily) {
    OrthoInfo back{};
    EXPECT_EQ(ybReadOrthoMapOption(nullptr, &back), yb::kOrthoNullArgument);
    EXPECT_EQ(ybReadOrthoMapOption("D:\\missing.oms", &back), yb::kOrthoCannotOpen);
    writeNative("tiny.oms", yb::test::bytesOf("YB_ORTHO"));
    EXPECT_EQ(ybReadOrthoMapOption("D:\\tiny.oms", &back), yb::kInvalidContent);
    EXPECT_EQ(ybWriteOrthoMapOption("D:\\b.oms", nullptr), yb::kInvalidArgument);
}

TEST_F(OrthoMapOptionFile, RectangleFromTheRecordOrFromTheImage) {
    D_RECT rect{};
    // All four set: the image is never opened, so it need not exist.
    ASSERT_EQ(ybCalDomRectByOrthOpt(withRect(100, 200, 300, 400, "D:\\missing.ybi"), rect), 0);
    EXPECT_EQ(rect.xMin, 100);
    EXPECT_EQ(rect.yMax, 400);

    ASSERT_EQ(ybCreateYbiFile("D:\\img.ybi", 10, 20, 300.0, D_RECT{1000, 2000, 3000, 4000}), 0);
    double const nan = std::numeric_limits<double>::quiet_NaN();
    for (OrthoInfo const& info : {withRect(100, 200, 0.0, 400, "D:\\img.ybi"), withRect(1e-21, 2, 3, 4, "D:\\img.ybi"),
                                  withRect(nan, 2, 3, 4, "D:\\img.ybi")}) {
        rect = D_RECT{};
        ASSERT_EQ(ybCalDomRectByOrthOpt(info, rect), 0);
        EXPECT_EQ((std::vector<double>{rect.xMin, rect.yMin, rect.xMax, rect.yMax}),
                  (std::vector<double>{1000, 2000, 3000, 4000}));
    }
    rect = D_RECT{7, 7, 7, 7};
    EXPECT_EQ(ybCalDomRectByOrthOpt(withRect(0, 0, 0, 0, "D:\\missing.ybi"), rect), YBI_E_FILE_MISSING);
    EXPECT_EQ(rect.xMin, 7);
}

}  // namespace
