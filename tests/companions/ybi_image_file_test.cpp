// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

#include <yb/HostBaseInternal.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>

namespace {

constexpr D_RECT kRange{100.0, 200.0, 1100.0, 1700.0};
// The file of a created image with `count` stored points n = 1..count at (10n, 20n, n + 0.5, n + 0.25).
std::vector<unsigned char> imageFile(std::int32_t count) {
    yb::test::Le file;
    file << "YBI_IMAGE_FILE_VER1.0" << std::int32_t{3000} << std::int32_t{2000} << 1200.0 << kRange << count;
    for (std::int32_t n = 1; n <= count; ++n) file << n << n * 10.0 << n * 20.0 << n + 0.5 << n + 0.25;
    return file.bytes;
}

class YbiImage : public yb::test::DriveFixture {
protected:
    void create(char const* path = "D:\\a.ybi") { ASSERT_EQ(ybCreateYbiFile(path, 3000, 2000, 1200.0, kRange), 0); }

    // Opens the image for update, replaces its table by `count` points and closes it.
    void storePoints(std::int32_t count, char const* path = "D:\\a.ybi") {
        YbiHandle image = nullptr;
        ASSERT_EQ(ybOpenYbiFileForReadWrite(path, &image), 0);
        ASSERT_EQ(ybFreeControlPointFileOfYBI(image), 0);
        ASSERT_EQ(ybAllocControlPointFileOfYBI(image, count), 0);
        ASSERT_EQ(ybInitialControlPointFileOfYBI(image, count), 0);
        for (std::int32_t n = 1; n <= count; ++n)
            ASSERT_EQ(ybUpdataOneControlPointOfYBI(image, n, 1, 1, n * 10.0, n * 20.0, n + 0.5, n + 0.25), 0);
        ASSERT_EQ(ybCloseYbiFileForReadWrite(image), 0);
    }
};

// A created image (header bytes, no table) with pixel data behind it, then tables of four, seven and
// zero points: a rewritten table keeps the pixels that follow it, and leaves nothing beside the file.
TEST_F(YbiImage, HeaderAndControlPointTablesRoundTripKeepingThePixels) {
    create();
    std::vector<unsigned char> pixels(5000);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 7);
    auto withPixels = [&](std::vector<unsigned char> bytes) {
        bytes.insert(bytes.end(), pixels.begin(), pixels.end());
        return bytes;
    };
    writeNative("a.ybi", withPixels(readNative("a.ybi")));
    for (std::int32_t count : {-1, 4, 7, 0}) {
        if (count >= 0) storePoints(count);
        count = std::max(count, 0);
        SCOPED_TRACE(count);
        EXPECT_EQ(readNative("a.ybi"), withPixels(imageFile(count)));
        EXPECT_EQ(listNative(), std::vector<std::string>{"a.ybi"});
        YbiHandle image = nullptr;
        ASSERT_EQ(ybOpenYbiFileForRead("d:\\A.YBI", &image), 0);
        std::int32_t lines = 0, cells = 0, stored = -1;
        double dpi = 0, xMin = 0, xMax = 0, yMin = 0, yMax = 0;
        EXPECT_EQ((std::vector<std::int32_t>{ybGetLines(image, &lines), ybGetLineCells(image, &cells),
                                             ybGetXResolution(image, &dpi), ybGetGCPNumsOfYBI(image, &stored),
                                             ybGetUserCoordinateRangle(image, 1, &xMin, &xMax, &yMin, &yMax)}),
                  std::vector<std::int32_t>(5, 0));
        EXPECT_EQ((std::vector<double>{double(lines), double(cells), dpi, double(stored), xMin, xMax, yMin, yMax}),
                  (std::vector<double>{3000, 2000, 1200, double(count), 100, 1100, 200, 1700}));
        for (std::int32_t n = 1; n <= count; ++n) {
            double x = 0, y = 0, column = 0, row = 0;
            ASSERT_EQ(ybGetOneControlPointOfYBI(image, n, &x, &y, &column, &row), 0);
            EXPECT_EQ((std::vector<double>{x, y, column, row}),
                      (std::vector<double>{n * 10.0, n * 20.0, n + 0.5, n + 0.25}));
        }
        double x = 0, y = 0, column = 0, row = 0;
        EXPECT_EQ(ybGetOneControlPointOfYBI(image, count + 1, &x, &y, &column, &row), YBI_E_RANGE);
        EXPECT_EQ(ybGetOneControlPointOfYBI(image, 0, &x, &y, &column, &row), YBI_E_RANGE);
        EXPECT_EQ(ybCloseYbiFileForRead(image), 0);
    }
}

TEST_F(YbiImage, ReadHandlesNeverChangeTheFile) {
    create();
    storePoints(4);
    auto const before = readNative("a.ybi");
    YbiHandle image = nullptr;
    ASSERT_EQ(ybOpenYbiFileForRead("D:\\a.ybi", &image), 0);
    EXPECT_EQ(ybUpdataOneControlPointOfYBI(image, 1, 1, 1, 0, 0, 0, 0), YBI_E_READ_ONLY);
    EXPECT_EQ(ybCloseYbiFileForReadWrite(image), 0);
    // Closing an update handle with the read close drops its changes.
    ASSERT_EQ(ybOpenYbiFileForReadWrite("D:\\a.ybi", &image), 0);
    ASSERT_EQ(ybFreeControlPointFileOfYBI(image), 0);
    EXPECT_EQ(ybCloseYbiFileForRead(image), 0);
    EXPECT_EQ(readNative("a.ybi"), before);
    // An update close with nothing changed writes nothing, so even a failing disk is no matter.
    ASSERT_EQ(ybOpenYbiFileForReadWrite("D:\\a.ybi", &image), 0);
    hbSetFileFault(1, true);
    EXPECT_EQ(ybCloseYbiFileForReadWrite(image), 0);
}

TEST_F(YbiImage, DamagedFilesGiveTheirCodes) {
    create();
    storePoints(4);
    auto const good = readNative("a.ybi");
    YbiHandle image = reinterpret_cast<YbiHandle>(&image);
    EXPECT_EQ(ybOpenYbiFileForRead("D:\\missing.ybi", &image), YBI_E_FILE_MISSING);
    EXPECT_EQ(image, nullptr);

    auto expectCode = [&](std::vector<unsigned char> const& bytes, std::int32_t code, char const* what) {
        writeNative("bad.ybi", bytes);
        YbiHandle opened = nullptr;
        EXPECT_EQ(ybOpenYbiFileForRead("D:\\bad.ybi", &opened), code) << what;
        EXPECT_EQ(ybOpenYbiFileForReadWrite("D:\\bad.ybi", &opened), code) << what;
        EXPECT_EQ(opened, nullptr) << what;
    };
    auto patched = [&](std::size_t offset, std::int32_t value) { return yb::test::patched(good, offset, value); };

    expectCode(yb::test::bytesOf("YBI_IMAGE_FILE_VER2.0 and more bytes than a header needs ........"), YBI_E_BAD_MAGIC,
               "other magic");
    expectCode(yb::test::cut(good, 50), YBI_E_SHORT_FILE, "inside the header");
    expectCode(patched(69, 0x7fffffff), YBI_E_SHORT_FILE, "count beyond the file");
    expectCode(patched(69, -1), YBI_E_BAD_CONTENT, "negative count");
    expectCode(patched(73 + 36, 9), YBI_E_BAD_CONTENT, "point numbers out of order");
    expectCode(patched(21, 0), YBI_E_BAD_CONTENT, "no lines");
}

// Every call finds its handle through one registry: a null, closed or foreign handle is refused.
TEST_F(YbiImage, NullClosedAndForeignHandlesGiveACode) {
    create();
    YbiHandle closed = nullptr;
    ASSERT_EQ(ybOpenYbiFileForReadWrite("D:\\a.ybi", &closed), 0);
    ASSERT_EQ(ybCloseYbiFileForReadWrite(closed), 0);
    int local = 0;
    for (YbiHandle image : {YbiHandle{}, closed, reinterpret_cast<YbiHandle>(&local)}) {
        std::int32_t value = 0;
        EXPECT_EQ(ybCloseYbiFileForRead(image), YBI_E_NULL_ARGUMENT);
        EXPECT_EQ(ybGetLines(image, &value), YBI_E_NULL_ARGUMENT);
    }
    YbiHandle image = nullptr;
    EXPECT_EQ(ybOpenYbiFileForRead(nullptr, &image), YBI_E_NULL_ARGUMENT);
    EXPECT_EQ(ybOpenYbiFileForRead("D:\\a.ybi", nullptr), YBI_E_NULL_ARGUMENT);
    ASSERT_EQ(ybOpenYbiFileForReadWrite("D:\\a.ybi", &image), 0);
    EXPECT_EQ(ybGetLines(image, nullptr), YBI_E_NULL_ARGUMENT);
    EXPECT_EQ(ybGetYBIFileNmaeWithPath(image, nullptr), YBI_E_NULL_ARGUMENT);
    EXPECT_EQ(ybAllocControlPointFileOfYBI(image, -1), YBI_E_RANGE);
    EXPECT_EQ(ybInitialControlPointFileOfYBI(image, YBI_MAX_CONTROL_POINTS + 1), YBI_E_RANGE);
    ASSERT_EQ(ybInitialControlPointFileOfYBI(image, 4), 0);
    EXPECT_EQ(ybUpdataOneControlPointOfYBI(image, 5, 1, 1, 0, 0, 0, 0), YBI_E_RANGE);
    EXPECT_EQ(ybCloseYbiFileForReadWrite(image), 0);
}

TEST_F(YbiImage, CreationRefusesWhatIsNoImage) {
    D_RECT const notFinite{0, 0, std::numeric_limits<double>::infinity(), 1};
    EXPECT_EQ(ybCreateYbiFile(nullptr, 1, 1, 1, kRange), YBI_E_NULL_ARGUMENT);
    EXPECT_EQ(ybCreateYbiFile("D:\\a.ybi", 0, 1, 1, kRange), YBI_E_RANGE);
    EXPECT_EQ(ybCreateYbiFile("D:\\a.ybi", 1, -1, 1, kRange), YBI_E_RANGE);
    EXPECT_EQ(ybCreateYbiFile("D:\\a.ybi", 1, 1, 0, kRange), YBI_E_RANGE);
    EXPECT_EQ(ybCreateYbiFile("D:\\a.ybi", 1, 1, 300, notFinite), YBI_E_RANGE);
    EXPECT_EQ(ybCreateYbiFile("Q:\\unmapped\\a.ybi", 1, 1, 300, kRange), YBI_E_WRITE);
    EXPECT_TRUE(listNative().empty());
}

TEST_F(YbiImage, PathFillsTheBufferWithTheTextAndItsTerminatorOnly) {
    create("D:\\a.ybi");
    YbiHandle image = nullptr;
    ASSERT_EQ(ybOpenYbiFileForRead("D:\\a.ybi", &image), 0);
    char buffer[260];
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_EQ(ybGetYBIFileNmaeWithPath(image, buffer), 0);
    EXPECT_STREQ(buffer, "D:\\a.ybi");
    EXPECT_EQ(buffer[9], '#');
    ASSERT_EQ(ybCloseYbiFileForRead(image), 0);

    // A path of 324 bytes is cut to fit, before a whole double-byte character.
    std::string word;
    for (int i = 0; i < 80; ++i) word += "\xE6\xB5\x8B";  // one Chinese character, two bytes in GBK
    std::filesystem::create_directories(nativeFsPath(word + "/" + word));
    std::string const hostDir = "D:\\" + yb::test::utf8ToGbk(word) + "\\" + yb::test::utf8ToGbk(word);
    std::string const hostPath = hostDir + "\\a.ybi";
    create(hostPath.c_str());
    ASSERT_EQ(ybOpenYbiFileForRead(hostPath.c_str(), &image), 0);
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_EQ(ybGetYBIFileNmaeWithPath(image, buffer), 0);
    EXPECT_EQ(std::strlen(buffer), 258u);
    EXPECT_EQ(std::string(buffer), hostPath.substr(0, 258));
    ASSERT_EQ(ybCloseYbiFileForRead(image), 0);
}

}  // namespace
