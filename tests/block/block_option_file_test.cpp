#include "test_support.h"

#include <cstring>

namespace {

class BlockOptionFile : public yb::test::DriveFixture {
protected:
    static BlockInfo sampleBlock() {
        BlockInfo block;
        auto* bytes = reinterpret_cast<unsigned char*>(&block);
        for (std::size_t i = 0; i < sizeof block; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 3);
        std::strcpy(block.blockDirectory, "D:\\Blk");
        std::strcpy(block.blockName, "Area1");
        block.imageType = 4;
        return block;
    }
    static bool allZero(BlockInfo const& block) {
        static BlockInfo const zero{};
        return std::memcmp(&block, &zero, sizeof block) == 0;
    }
    BlockInfo dirty() {
        BlockInfo block;
        std::memset(&block, 0xAB, sizeof block);
        return block;
    }
};

TEST_F(BlockOptionFile, RoundTripKeepsAll712Bytes) {
    BlockInfo block = sampleBlock();
    ASSERT_EQ(ybWriteBlockOptionFile("D:\\Area1.dms", &block), 0);
    auto bytes = readNative("Area1.dms");
    ASSERT_EQ(bytes.size(), 739u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 27), "YB_BLOCK_OPTION_FILE_VER1.0");
    EXPECT_EQ(std::memcmp(bytes.data() + 27, &block, sizeof block), 0);

    BlockInfo back = dirty();
    ASSERT_EQ(ybReadBlockOptionFile("d:\\AREA1.DMS", &back), 0);
    EXPECT_EQ(std::memcmp(&back, &block, sizeof block), 0);
}

TEST_F(BlockOptionFile, MagicOnlyFileReadsAsZeroRecord) {
    writeNative("m.dms", yb::test::bytesOf("YB_BLOCK_OPTION_FILE_VER1.0"));
    BlockInfo block = dirty();
    EXPECT_EQ(ybReadBlockOptionFile("D:\\m.dms", &block), 0);
    EXPECT_TRUE(allZero(block));

    // A record cut short keeps the bytes present, the rest zero.
    auto bytes = yb::test::bytesOf("YB_BLOCK_OPTION_FILE_VER1.0Blk");
    writeNative("short.dms", bytes);
    block = dirty();
    EXPECT_EQ(ybReadBlockOptionFile("D:\\short.dms", &block), 0);
    EXPECT_EQ(std::string(block.blockDirectory), "Blk");
}

TEST_F(BlockOptionFile, FailuresLeaveAZeroRecord) {
    writeNative("v2.dms", yb::test::bytesOf("YB_BLOCK_OPTION_FILE_VER2.0" + std::string(712, 'x')));
    writeNative("tiny.dms", yb::test::bytesOf("YB_BLOCK"));
    std::pair<char const*, std::int32_t> const cases[] = {
        {"D:\\missing.dms", yb::kCannotOpen}, {"D:\\v2.dms", yb::kWrongMagic},
        {"D:\\tiny.dms", yb::kWrongMagic}, {nullptr, yb::kInvalidArgument}};
    for (auto const& [path, code] : cases) {
        BlockInfo block = dirty();
        EXPECT_EQ(ybReadBlockOptionFile(path, &block), code) << (path ? path : "null");
        EXPECT_TRUE(allZero(block)) << (path ? path : "null");
    }
    EXPECT_EQ(ybReadBlockOptionFile("D:\\missing.dms", nullptr), yb::kInvalidArgument);
}

TEST_F(BlockOptionFile, WriterFailuresLeaveNoFile) {
    BlockInfo block = sampleBlock();
    EXPECT_EQ(ybWriteBlockOptionFile(nullptr, &block), yb::kInvalidArgument);
    EXPECT_EQ(ybWriteBlockOptionFile("D:\\a.dms", nullptr), yb::kInvalidArgument);
    EXPECT_EQ(ybWriteBlockOptionFile("D:\\no\\such\\dir\\a.dms", &block), yb::kCannotWrite);
    EXPECT_EQ(ybWriteBlockOptionFile("Q:\\a.dms", &block), yb::kCannotWrite);
    EXPECT_TRUE(listNative().empty());
}

}  // namespace
