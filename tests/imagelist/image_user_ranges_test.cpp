// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

#include "imagelist/image_user_ranges.h"

#include <filesystem>

namespace {

using yb::imagelist::readUserRanges;

class ImageUserRanges : public yb::test::DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        writeNative("Img/placeholder", {});
    }
    // A good image whose range starts at `x`, then its bytes as `change` leaves them.
    void makeImage(std::string const& name, double x, void (*change)(std::vector<unsigned char>&) = nullptr) {
        std::string const host = "D:\\Img\\" + name;
        ASSERT_EQ(ybCreateYbiFile(host.c_str(), 1000, 800, 300.0, D_RECT{x, 0, x + 10, 20}), 0);
        if (change == nullptr) return;
        std::vector<unsigned char> bytes = readNative("Img/" + name);
        change(bytes);
        writeNative("Img/" + name, bytes);
    }
};

// Each image as the image library opens it: the same range, or the same code at the same image.
TEST_F(ImageUserRanges, GiveWhatOpeningEachImageGivesAndStopAtTheFirstUnreadable) {
    makeImage("good.ybi", 5);
    makeImage("upper.ybi", 7);
    makeImage("nolines.ybi", 0, [](auto& b) { b[21] = b[22] = b[23] = b[24] = 0; });
    makeImage("cut.ybi", 0, [](auto& b) { b.resize(40); });
    makeImage("magic.ybi", 0, [](auto& b) { b[0] = 'X'; });
    makeImage("table.ybi", 0, [](auto& b) {  // one point numbered 2
        b[69] = 1;
        std::vector<unsigned char> point(36, 0);
        point[0] = 2;
        b.insert(b.end(), point.begin(), point.end());
    });
    makeImage("count.ybi", 0, [](auto& b) { b[69] = 0xff; });  // more points than the file holds
    std::filesystem::create_directories(nativeFsPath("Img/folder.ybi"));

    for (std::string const name : {"good.ybi", "UPPER.YBI", "missing.ybi", "folder.ybi", "nolines.ybi", "cut.ybi",
                                   "magic.ybi", "table.ybi", "count.ybi", "..\\Nowhere\\a.ybi"}) {
        SCOPED_TRACE(name);
        std::string const path = "D:\\Img\\" + name;
        YbiHandle image = nullptr;
        std::int32_t const opened = ybOpenYbiFileForRead(path.c_str(), &image);
        D_RECT expected{};
        if (opened == 0) {
            ASSERT_EQ(
                ybGetUserCoordinateRangle(image, 0, &expected.xMin, &expected.xMax, &expected.yMin, &expected.yMax), 0);
            ybCloseYbiFileForRead(image);
        }
        auto const read = readUserRanges({"D:\\Img\\good.ybi", path, "D:\\Img\\good.ybi"});
        EXPECT_EQ(read.failure, opened);
        ASSERT_EQ(read.ranges.size(), opened == 0 ? 3u : 1u);
        EXPECT_EQ(read.ranges[0].xMin, 5);
        if (opened != 0) continue;
        EXPECT_EQ(std::memcmp(&read.ranges[1], &expected, sizeof expected), 0);
    }
    EXPECT_TRUE(readUserRanges({}).ranges.empty());
}

}  // namespace
