#include "builders.h"

#include <algorithm>
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

    static std::int32_t intAt(std::vector<unsigned char> const& bytes, std::size_t offset) {
        std::int32_t value = 0;
        std::memcpy(&value, bytes.data() + offset, sizeof value);
        return value;
    }
    static constexpr char const* kOption = "D:\\Blk\\Area1.dms";
    static constexpr char const* kState = "D:\\Blk\\state.dat";
};

TEST_F(ModelStateFile, ListsEveryModelWithItsProductFlag) {
    ASSERT_EQ(yb::test::writeImageList("D:\\Blk\\area1.bil", {StripTitles{"p1", "p2", "p3"}, StripTitles{"q1", "q2"}}),
              0);
    touch("Blk/Model/deep/er/P1_p2.dom");  // found in any sub-directory, ignoring case
    touch("Blk/Model/q1_q2.epi");
    ASSERT_EQ(ybGenBlkModOrthoStateFile(kOption, kState), 0);

    auto bytes = readNative("Blk/state.dat");
    ASSERT_EQ(bytes.size(), 151u);
    EXPECT_EQ(std::string(reinterpret_cast<char const*>(bytes.data())), "YB_BLK_STATE_FILE_VER1.0");
    EXPECT_TRUE(std::all_of(bytes.begin() + 24, bytes.begin() + 128, [](unsigned char b) { return b == 0; }));
    EXPECT_EQ(intAt(bytes, 128), 3);  // slots
    EXPECT_EQ(intAt(bytes, 132), 3);  // filled
    EXPECT_EQ(intAt(bytes, 136), 101);
    EXPECT_EQ(intAt(bytes, 140), 102);
    EXPECT_EQ(intAt(bytes, 144), 201);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 148, bytes.end()), (std::vector<unsigned char>{1, 0, 0}));

    // The epipolar survey looks only at ".epi" files.
    ASSERT_EQ(ybGenBlkModEpiStateFile(kOption, kState), 0);
    bytes = readNative("Blk/state.dat");
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 148, bytes.end()), (std::vector<unsigned char>{0, 0, 1}));
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
    EXPECT_EQ(ybGenBlkModOrthoStateFile(nullptr, kState), yb::kInvalidArgument);
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
    EXPECT_EQ(intAt(bytes, 132), 149);
    EXPECT_EQ(bytes[136 + 4 * 149 + 139], 1);  // model 140 (entry 139)
}

}  // namespace
