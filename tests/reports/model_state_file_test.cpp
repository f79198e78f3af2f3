// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "builders.h"

#include <filesystem>

namespace {

using yb::test::StripTitles;

class ModelStateFile : public yb::test::DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        std::filesystem::create_directories(native("Blk/Model"));
    }
    void touch(std::string const& relative) { writeNative(relative, {0}); }
    static constexpr char const* kOption = "D:\\Blk\\Area1.dms";
    static constexpr char const* kState = "D:\\Blk\\state.dat";
};

TEST_F(ModelStateFile, ListsEveryModelWithItsProductFlag) {
    ASSERT_EQ(yb::test::writeImageList("D:\\Blk\\area1.bil", {StripTitles{"p1", "p2", "p3"}, StripTitles{"q1", "q2"}}),
              0);
    touch("Blk/Model/deep/er/P1_p2.dom");  // found in any sub-directory, ignoring case
    touch("Blk/Model/q1_q2.epi");
    ASSERT_EQ(ybGenBlkModOrthoStateFile(kOption, kState), 0);

    // The magic in 128 bytes, slots, models filled, each model's left image, then its product flags.
    yb::test::Le file;
    file.text("YB_BLK_STATE_FILE_VER1.0", 128)
        << std::int32_t{3} << std::int32_t{3} << std::int32_t{101} << std::int32_t{102} << std::int32_t{201};
    EXPECT_EQ(readNative("Blk/state.dat"), (yb::test::Le(file) << std::uint8_t{1} << std::uint16_t{0}).bytes);
    // The epipolar survey looks only at ".epi" files.
    ASSERT_EQ(ybGenBlkModEpiStateFile(kOption, kState), 0);
    EXPECT_EQ(readNative("Blk/state.dat"), (file << std::uint16_t{0} << std::uint8_t{1}).bytes);
}

TEST_F(ModelStateFile, OneProductFileCountsForOneModelOnly) {
    // Two strips with the same image titles name the same model twice; one product file serves one.
    ASSERT_EQ(yb::test::writeImageList("D:\\Blk\\area1.bil", {StripTitles{"a", "b"}, StripTitles{"a", "b"}}), 0);
    touch("Blk/Model/a_b.dom");
    ASSERT_EQ(ybGenBlkModOrthoStateFile(kOption, kState), 0);
    auto bytes = readNative("Blk/state.dat");
    ASSERT_EQ(bytes.size(), 136u + 5 * 2);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 144, bytes.end()), (std::vector<unsigned char>{1, 0}));
}

TEST_F(ModelStateFile, FailuresLeaveNoStateFile) {
    EXPECT_EQ(ybGenBlkModOrthoStateFile(kOption, nullptr), yb::kInvalidArgument);

    // No image list: its query's code, and an older state file is gone too.
    touch("Blk/state.dat");
    EXPECT_EQ(ybGenBlkModOrthoStateFile(kOption, kState), yb::kFileNotFound);
    EXPECT_FALSE(existsNative("Blk/state.dat"));

    // Every strip a single image: no model at all.
    ASSERT_EQ(yb::test::writeImageList("D:\\Blk\\area1.bil", {StripTitles{"a"}, StripTitles{"b"}}), 0);
    EXPECT_EQ(ybGenBlkModOrthoStateFile(kOption, kState), yb::kInvalidArgument);
    EXPECT_FALSE(existsNative("Blk/state.dat"));

    // Strips of 3 and 0 images: one slot for two models.
    ASSERT_EQ(yb::test::writeImageList("D:\\Blk\\area1.bil", {StripTitles{"a", "b", "c"}, StripTitles{}}), 0);
    EXPECT_EQ(ybGenBlkModOrthoStateFile(kOption, kState), yb::kOutOfRange);
    EXPECT_FALSE(existsNative("Blk/state.dat"));

    // No model directory: the listing's code.
    ASSERT_EQ(yb::test::writeImageList("D:\\Blk\\area1.bil", {StripTitles{"a", "b"}}), 0);
    std::filesystem::remove_all(native("Blk/Model"));
    EXPECT_NE(ybGenBlkModOrthoStateFile(kOption, kState), 0);
    EXPECT_FALSE(existsNative("Blk/state.dat"));
}

TEST_F(ModelStateFile, StripsLongerThanAHundredImagesAreSurveyedWhole) {
    StripTitles titles;
    for (int i = 1; i <= 150; ++i) titles.push_back("i" + std::to_string(i));
    ASSERT_EQ(yb::test::writeImageList("D:\\Blk\\area1.bil", {titles}), 0);
    touch("Blk/Model/i140_i141.dom");
    ASSERT_EQ(ybGenBlkModOrthoStateFile(kOption, kState), 0);
    auto bytes = readNative("Blk/state.dat");
    ASSERT_EQ(bytes.size(), 136u + 5 * 149);
    EXPECT_EQ(yb::test::at<std::int32_t>(bytes, 132), 149);
    EXPECT_EQ(bytes[136 + 4 * 149 + 139], 1);  // model 140 (entry 139)
}

}  // namespace
