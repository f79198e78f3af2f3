// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

#include <filesystem>

namespace {

using yb::test::sampleStrip;

constexpr char const* kList = "D:\\Blk\\Area1.bil";
constexpr char const* kNative = "Blk/Area1.bil";

class ImageListFile : public yb::test::DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        writeNative("Blk/placeholder", {});
    }
    void write(std::int32_t strip, std::vector<ImageOrderInfo> images) {
        ASSERT_EQ(ybWriteOneStripImageRecord(kList, 3, strip, images), 0);
    }
    void expectStrip(std::int32_t strip, std::vector<ImageOrderInfo> const& expected) {
        std::vector<ImageOrderInfo> images;
        ASSERT_EQ(ybReadOneStripImageRecord(kList, 3, strip, images), 0);
        ASSERT_EQ(images.size(), expected.size()) << "strip " << strip;
        for (std::size_t i = 0; i < images.size(); ++i)
            EXPECT_TRUE(yb::test::sameImage(images[i], expected[i])) << "strip " << strip << " image " << i;
    }
};

// The image list of three strips, as the file holds it.
yb::test::Le listBytes(std::vector<ImageOrderInfo> const& strip1, std::vector<ImageOrderInfo> const& strip2,
                       std::vector<ImageOrderInfo> const& strip3) {
    yb::test::Le bytes;
    bytes << "YB_BLOCK_IMAGE_LIST_FILE_VER1.0" << std::int32_t{3};
    std::int32_t number = 0;
    for (auto const* strip : {&strip1, &strip2, &strip3}) {
        bytes << ++number << static_cast<std::int32_t>(strip->size());
        for (auto const& image : *strip) (bytes << image.nImageNo).text(image.szImagePath, 260);
        for (auto const& image : *strip) bytes.raw(&image.nImageNo, 4).raw(&image.nGroupNo, 36);
    }
    return bytes;
}
yb::test::Le listBytes(std::vector<ImageOrderInfo> const& strip2 = {}) { return listBytes({}, strip2, {}); }

TEST_F(ImageListFile, AnAbsentListIsCreatedWithMagicCountAndEmptySections) {
    std::vector<ImageOrderInfo> images = sampleStrip(1, 2);
    EXPECT_EQ(ybReadOneStripImageRecord(kList, 3, 2, images), 0);
    EXPECT_TRUE(images.empty());
    EXPECT_EQ(readNative(kNative), listBytes().bytes);
    ASSERT_EQ(ybCreateNewImageRecordFile(kList, 3), 0);
    EXPECT_EQ(readNative(kNative), listBytes().bytes);

    EXPECT_EQ(ybCreateNewImageRecordFile(kList, 0), yb::kInvalidArgument);
    EXPECT_EQ(ybCreateNewImageRecordFile("D:\\NoSuchDir\\a.bil", 2), yb::kCannotWrite);
}

TEST_F(ImageListFile, RewritingAStripMovesTheFollowingOnesAndNeverShortens) {
    auto strip2 = sampleStrip(2, 4);  // caller bytes after each path's terminator are never stored
    auto strip3 = sampleStrip(3, 1);
    write(2, strip2);
    EXPECT_EQ(readNative(kNative), listBytes(strip2).bytes);
    write(3, strip3);
    std::uint64_t const before = sizeNative(kNative);

    write(1, sampleStrip(1, 2));
    EXPECT_EQ(sizeNative(kNative), before + 2 * 304);
    expectStrip(1, sampleStrip(1, 2));
    expectStrip(2, strip2);
    expectStrip(3, strip3);

    auto grown = readNative(kNative);
    write(1, {});
    auto shrunk = readNative(kNative);
    ASSERT_EQ(shrunk.size(), grown.size());
    // The sections moved forward by 608 bytes; the old last 608 bytes stay as they were.
    EXPECT_TRUE(std::equal(grown.end() - 608, grown.end(), shrunk.end() - 608));
    EXPECT_TRUE(std::equal(grown.begin() + 35 + 8 + 608, grown.end(), shrunk.begin() + 35 + 8, shrunk.end() - 608));
    expectStrip(1, {});

    // The last strip grows from where the sections end, 608 bytes before the file's end.
    write(3, sampleStrip(3, 5));
    EXPECT_EQ(sizeNative(kNative), shrunk.size() - 608 + 4 * 304);
    expectStrip(3, sampleStrip(3, 5));
}

TEST_F(ImageListFile, StripCountAndNumberAreCheckedBeforeAnythingChanges) {
    write(2, sampleStrip(2, 2));
    auto bytes = readNative(kNative);
    std::vector<ImageOrderInfo> images = sampleStrip(1, 1);
    EXPECT_EQ(ybReadOneStripImageRecord(kList, 4, 1, images), yb::kInvalidContent);
    EXPECT_TRUE(images.empty());
    images = sampleStrip(1, 1);
    EXPECT_EQ(ybWriteOneStripImageRecord(kList, 4, 1, images), yb::kNotFound);
    for (std::int32_t strip : {0, 4}) {
        EXPECT_EQ(ybReadOneStripImageRecord(kList, 3, strip, images), yb::kNotFound);
        EXPECT_EQ(images.size(), 1u) << "the list is left as it was";
        EXPECT_EQ(ybWriteOneStripImageRecord(kList, 3, strip, images), yb::kNotFound);
    }
    EXPECT_EQ(ybWriteOneStripImageRecord(kList, 0, 1, images), yb::kInvalidArgument);
    EXPECT_EQ(readNative(kNative), bytes);
}

TEST_F(ImageListFile, DamagedFilesGiveInvalidContentAndStayUntouched) {
    writeNative(kNative, yb::test::bytesOf("YB_BLOCK_IMAGE_LIST_FILE_VER1.1\3\0\0\0"));
    std::vector<ImageOrderInfo> images;
    EXPECT_EQ(ybReadOneStripImageRecord(kList, 3, 1, images), yb::kInvalidContent);
    images = sampleStrip(1, 1);
    EXPECT_EQ(ybWriteOneStripImageRecord(kList, 3, 1, images), yb::kInvalidContent);

    // A count far beyond the file's length, in the wanted strip and in one that must be moved.
    ASSERT_EQ(ybCreateNewImageRecordFile(kList, 3), 0);
    write(1, sampleStrip(1, 1));
    auto bytes = yb::test::patched(readNative(kNative), 35 + 8 + 304 + 4, std::int32_t{0x7FFFFFF0});  // strip 2's count
    writeNative(kNative, bytes);
    images.clear();
    EXPECT_EQ(ybReadOneStripImageRecord(kList, 3, 2, images), yb::kInvalidContent);
    EXPECT_EQ(ybReadOneStripImageRecord(kList, 3, 3, images), yb::kInvalidContent);
    images = sampleStrip(1, 3);
    EXPECT_EQ(ybWriteOneStripImageRecord(kList, 3, 1, images), yb::kInvalidContent);
    EXPECT_EQ(readNative(kNative), bytes);

    // A file cut inside strip 1's entries.
    bytes.resize(35 + 8 + 100);
    writeNative(kNative, bytes);
    EXPECT_EQ(ybReadOneStripImageRecord(kList, 3, 1, images), yb::kInvalidContent);
    EXPECT_TRUE(images.empty());
}

// Strip queries answer from the list as it stands: a change by the library, or an outside write of the
// same size with the old write time, is seen at the next query.
TEST_F(ImageListFile, QueriesAnswerFromTheListAsItStandsAfterAnyChange) {
    write(2, sampleStrip(2, 2));
    write(3, sampleStrip(3, 1));
    expectStrip(3, sampleStrip(3, 1));

    write(1, sampleStrip(1, 2));
    expectStrip(3, sampleStrip(3, 1));
    expectStrip(2, sampleStrip(2, 2));

    // Another program moves strip 2's images to strip 1 within the same clock tick, keeping the
    // length and the write time.
    auto const written = std::filesystem::last_write_time(native(kNative));
    writeNative(kNative, listBytes(sampleStrip(1, 4), {}, sampleStrip(3, 1)).bytes);
    std::filesystem::last_write_time(native(kNative), written);
    expectStrip(2, {});
    expectStrip(3, sampleStrip(3, 1));
    expectStrip(1, sampleStrip(1, 4));

    expectStrip(3, sampleStrip(3, 1));
    writeNative(kNative, listBytes({}, sampleStrip(2, 3), sampleStrip(3, 2)).bytes);
    std::filesystem::last_write_time(native(kNative), written);
    expectStrip(3, sampleStrip(3, 2));
    expectStrip(2, sampleStrip(2, 3));
}

}  // namespace
