// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The option-file family: a magic text, then one raw record. One table gives each member's magic,
// record size and the codes its reader and writer give for every way a call can fail; the few rules
// a member has of its own follow the table.
#include "builders.h"

#include <yb/HostBaseInternal.h>

#include <cstring>
#include <functional>
#include <limits>

namespace {

using Bytes = std::vector<unsigned char>;

// What a read that fails (or comes up short) leaves in the caller's record.
enum class Leaves { Untouched, Zero, BytesReadThenZero, BytesReadThenCallers };

struct Member {
    char const* name;
    std::string magic;
    std::size_t recordSize;
    std::function<std::int32_t(char const* path, void const* stored)> write;  // stored: the file's record
    std::function<std::int32_t(char const* path, void* stored)> read;         // null `stored` passes null
    std::int32_t nullPath, nullRecord, missing, otherMagic, cutMagic, shortRecord;
    Leaves afterMissing, afterOtherMagic, afterShortRecord;
};

void PrintTo(Member const& member, std::ostream* out) { *out << member.name; }

constexpr unsigned char kCallerByte = 0xAB;

// A member's writer and reader of its record type T, over the untyped record of the table.
template <class T, class Write>
auto writes(Write write) {
    return [write](char const* p, void const* s) { return write(p, static_cast<T*>(const_cast<void*>(s))); };
}
template <class T, class Read>
auto reads(Read read) {
    return [read](char const* p, void* s) { return read(p, static_cast<T*>(s)); };
}

// ModelInfo keeps its four texts and trailing bytes in the file; its first two texts are derived.
ModelInfo modelFromStored(void const* stored) {
    ModelInfo info{};
    std::memcpy(info.leftImage, stored, sizeof info - offsetof(ModelInfo, leftImage));
    return info;
}

std::vector<Member> const& members() {
    static std::vector<Member> const table = {
        {"block option", "YB_BLOCK_OPTION_FILE_VER1.0", sizeof(BlockInfo), writes<BlockInfo>(ybWriteBlockOptionFile),
         reads<BlockInfo>(ybReadBlockOptionFile), yb::kInvalidArgument, yb::kInvalidArgument, yb::kCannotOpen,
         yb::kWrongMagic, yb::kWrongMagic, 0, Leaves::Zero, Leaves::Zero, Leaves::BytesReadThenZero},
        {"DEM option", "YB_DEM_OPTION_FILE_VER1.0", sizeof(DemInfo), writes<DemInfo>(ybWriteDemGenOption),
         reads<DemInfo>(ybReadDemGenOption), yb::kInvalidArgument, yb::kInvalidArgument,
         0 /* writes the defaults, below */, yb::kInvalidContent, yb::kInvalidContent, 0, Leaves::Untouched,
         Leaves::Untouched, Leaves::BytesReadThenCallers},
        {"model option", "YB_MODEL_OPTION_FILE_VER1.0", 1080,
         [](char const* p, void const* s) {
             ModelInfo info = s ? modelFromStored(s) : ModelInfo{};
             return ybWriteModelOptionFile(p, s ? &info : nullptr);
         },
         [](char const* p, void* s) {
             ModelInfo info;
             std::memset(&info, kCallerByte, sizeof info);
             std::int32_t const code = ybReadModelOptionFile(p, s ? &info : nullptr);
             if (s) std::memcpy(s, info.leftImage, 1080);
             return code;
         },
         yb::kInvalidArgument, yb::kInvalidArgument, yb::kCannotOpen, yb::kWrongMagic, yb::kWrongMagic, 0,
         Leaves::Untouched, Leaves::Zero, Leaves::BytesReadThenZero},
        {"ortho map option", "YB_ORTHO_MAP_OPTION_FILE_VER1.0", sizeof(OrthoInfo),
         writes<OrthoInfo>(ybWriteOrthoMapOption), reads<OrthoInfo>(ybReadOrthoMapOption), yb::kOrthoNullArgument,
         yb::kOrthoNullArgument, yb::kOrthoCannotOpen, yb::kInvalidContent, yb::kInvalidContent, 0, Leaves::Untouched,
         Leaves::Untouched, Leaves::BytesReadThenCallers},
        {"single-image DOM option", "YB_ORTHO_MAP_OPTION_FILE_VER1.0", sizeof(SingleImageDomOption),
         writes<SingleImageDomOption>(ybWriteSingleImgDomOption), reads<SingleImageDomOption>(ybReadSingleImgDomOption),
         yb::kInvalidArgument, yb::kInvalidArgument, yb::kCannotOpen, yb::kWrongMagic, yb::kInvalidContent,
         yb::kInvalidContent, Leaves::Untouched, Leaves::Untouched, Leaves::Untouched},
        {"single DOM option", "YB_ORTHO_SINGLE_OPTION_FILE_VER1.0", sizeof(eTypeMathModel),
         writes<eTypeMathModel>(ybWriteSingleDomOption), reads<eTypeMathModel>(ybReadSingleDomOption),
         yb::kInvalidArgument, yb::kInvalidArgument, yb::kCannotOpen, yb::kWrongMagic, yb::kInvalidContent,
         yb::kInvalidContent, Leaves::Untouched, Leaves::Untouched, Leaves::Untouched},
        {"projection", "YBI_PROJTRANS_FILE_VER1.0", sizeof(MAP_PARAstruct),
         [](char const* p, void const* s) {
             // Failures are not reported: the file tells.
             ybWriteSuvProjInfo(p, static_cast<MAP_PARAstruct const*>(s));
             return p && s && ybIsFileExist(p) ? 0 : yb::kInvalidArgument;
         },
         [](char const* p, void* s) { return ybReadSuvProjInfo(p, static_cast<MAP_PARAstruct*>(s)); },
         yb::kFileNotFound, yb::kInvalidArgument, yb::kFileNotFound, yb::kInvalidContent, yb::kInvalidContent,
         yb::kInvalidContent, Leaves::Untouched, Leaves::Untouched, Leaves::Untouched},
        {"image property", "YB_IMAGE_PROPINFO_FILE_VER1.0", sizeof(IMAGEPROPINFO),
         writes<IMAGEPROPINFO>(ybWriteImagePropInfoFile), reads<IMAGEPROPINFO>(ybReadImagePropInfoFile),
         yb::kCannotOpen, yb::kStoredCountTooSmall, yb::kCannotOpen, yb::kWrongMagic, yb::kWrongMagic, 0,
         Leaves::Untouched, Leaves::Zero, Leaves::BytesReadThenZero},
        {"SPOT property", "YB_SPOTIMAGE_PROPINFO_FILE_VER1.0", sizeof(double),
         [](char const* p, void const* s) {
             return s ? ybWriteSPOTPropInfoFile(p, *static_cast<double const*>(s)) : yb::kInvalidArgument;
         },
         [](char const* p, void* s) { return ybReadSPOTPropInfoFile(p, static_cast<double*>(s)); }, yb::kCannotOpen,
         yb::kInvalidArgument, yb::kCannotOpen, yb::kWrongMagic, yb::kWrongMagic, 0, Leaves::Untouched,
         Leaves::Untouched, Leaves::BytesReadThenZero},
    };
    return table;
}

class OptionFile : public yb::test::DriveFixture, public testing::WithParamInterface<Member> {
protected:
    // A record whose every byte differs from the caller's and from zero, with a terminator at the end
    // of each 260-byte text so that the model's texts come back whole.
    static Bytes record(std::size_t size) {
        Bytes bytes(size);
        for (std::size_t i = 0; i < size; ++i) bytes[i] = i % 260 == 259 ? 0 : static_cast<unsigned char>(i % 251 + 1);
        return bytes;
    }
    // Reads into a record of caller bytes and returns the code and what the record holds after.
    std::pair<std::int32_t, Bytes> read(char const* path) const {
        Bytes into(GetParam().recordSize, kCallerByte);
        std::int32_t const code = GetParam().read(path, into.data());
        return {code, into};
    }
    static Bytes expected(Leaves leaves, Bytes const& present, std::size_t size) {
        Bytes out(size, leaves == Leaves::Untouched || leaves == Leaves::BytesReadThenCallers ? kCallerByte : 0);
        if (leaves == Leaves::BytesReadThenZero || leaves == Leaves::BytesReadThenCallers)
            std::copy(present.begin(), present.end(), out.begin());
        return out;
    }
};

TEST_P(OptionFile, IsItsMagicAndItsRecordAndReadsBack) {
    Member const& m = GetParam();
    Bytes const stored = record(m.recordSize);
    ASSERT_EQ(m.write("D:\\a.opt", stored.data()), 0);
    Bytes golden = yb::test::bytesOf(m.magic);
    golden.insert(golden.end(), stored.begin(), stored.end());
    EXPECT_EQ(readNative("a.opt"), golden);
    EXPECT_EQ(read("d:\\A.OPT"), std::make_pair(0, stored));
}

TEST_P(OptionFile, EachFailureGivesItsCode) {
    Member const& m = GetParam();
    std::size_t const size = m.recordSize;
    Bytes const stored = record(size);
    Bytes other = yb::test::bytesOf(m.magic + std::string(size, 'x'));
    other[m.magic.size() - 2] ^= 1;  // a version this reader does not know
    writeNative("other.opt", other);
    writeNative("cut.opt", Bytes(m.magic.begin(), m.magic.end() - 3));
    Bytes half = yb::test::bytesOf(m.magic);
    half.insert(half.end(), stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(size / 2));
    writeNative("short.opt", half);

    EXPECT_EQ(read(nullptr).first, m.nullPath);
    EXPECT_EQ(m.read("D:\\short.opt", nullptr), m.nullRecord);
    if (m.missing != 0) {
        EXPECT_EQ(read("D:\\missing.opt"), std::make_pair(m.missing, expected(m.afterMissing, {}, size)));
    }
    EXPECT_EQ(read("D:\\other.opt"), std::make_pair(m.otherMagic, expected(m.afterOtherMagic, {}, size)));
    EXPECT_EQ(read("D:\\cut.opt").first, m.cutMagic);
    Bytes const present(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(size / 2));
    EXPECT_EQ(read("D:\\short.opt"), std::make_pair(m.shortRecord, expected(m.afterShortRecord, present, size)));

    // Refused writes and writes nowhere leave no file.
    auto const before = listNative();
    EXPECT_EQ(m.write(nullptr, stored.data()), yb::kInvalidArgument);
    EXPECT_EQ(m.write("D:\\new.opt", nullptr), yb::kInvalidArgument);
    EXPECT_NE(m.write("D:\\no\\such\\dir\\a.opt", stored.data()), 0);
    EXPECT_NE(m.write("Q:\\a.opt", stored.data()), 0);
    EXPECT_EQ(listNative(), before);
}

INSTANTIATE_TEST_SUITE_P(Family, OptionFile, testing::ValuesIn(members()),
                         [](auto const& test) { return yb::test::paramName(test.param.name); });

using OptionFileRules = yb::test::DriveFixture;

TEST_F(OptionFileRules, FirstDemReadWritesTheDefaults) {
    DemInfo info;
    std::memset(&info, 0x5A, sizeof info);
    ASSERT_EQ(ybReadDemGenOption("D:\\a.dem", &info), 0);
    EXPECT_EQ((std::vector<double>{info.area[3], info.spacingX, info.spacingY}), (std::vector<double>{0, 10, 10}));
    EXPECT_EQ(info.secondText[0], 0);
    EXPECT_EQ(info.firstText[1], 0x5A);  // only the first byte of each text is a default
    Bytes golden = yb::test::bytesOf("YB_DEM_OPTION_FILE_VER1.0");
    golden.insert(golden.end(), reinterpret_cast<unsigned char*>(&info), reinterpret_cast<unsigned char*>(&info + 1));
    EXPECT_EQ(readNative("a.dem"), golden);

    // Defaults that cannot be stored are not handed out either.
    std::memset(&info, 0x11, sizeof info);
    hbSetFileFault(1, true);
    EXPECT_EQ(ybReadDemGenOption("D:\\d.dem", &info), yb::kCannotWrite);
    hbSetFileFault(0, false);
    EXPECT_FALSE(existsNative("d.dem"));
    EXPECT_NE(info.spacingX, 10.0);
}

TEST_F(OptionFileRules, ModelReadDerivesPathAndTitleAndCutsUnterminatedTexts) {
    writeNative("Model/0101_0102.mod", yb::test::bytesOf("YB_MODEL_OPTION_FILE_VER1.0" + std::string(300, 'L')));
    ModelInfo back;
    std::memset(&back, 0x77, sizeof back);
    ASSERT_EQ(ybReadModelOptionFile("D:\\Model\\0101_0102.mod", &back), 0);
    EXPECT_STREQ(back.optionPath, "D:\\Model\\0101_0102.mod");
    EXPECT_STREQ(back.modelName, "0101_0102");
    EXPECT_EQ(std::string(back.leftImage), std::string(259, 'L'));
    EXPECT_EQ(std::string(back.rightImage), std::string(40, 'L'));
}

TEST_F(OptionFileRules, OrthoMapReaderTakesTheHeadOfASingleImageDomOption) {
    SingleImageDomOption dom;
    for (std::size_t i = 0; i < sizeof dom.bytes; ++i) dom.bytes[i] = static_cast<unsigned char>(i % 13);
    ASSERT_EQ(ybWriteSingleImgDomOption("D:\\dom.oms", &dom), 0);
    OrthoInfo back{};
    ASSERT_EQ(ybReadOrthoMapOption("D:\\dom.oms", &back), 0);
    EXPECT_EQ(std::memcmp(&back, dom.bytes, sizeof back), 0);
}

struct OrthoRect : yb::test::DriveFixture {
    static OrthoInfo withRect(double xMin, double yMin, double xMax, double yMax, char const* image) {
        OrthoInfo info{};
        info.domRect = D_RECT{xMin, yMin, xMax, yMax};
        std::strcpy(info.extentImage, image);
        return info;
    }
};

TEST_F(OrthoRect, ComesFromTheRecordOrFromTheImage) {
    D_RECT rect{};
    // All four set: the image is never opened, so it need not exist.
    ASSERT_EQ(ybCalDomRectByOrthOpt(withRect(100, 200, 300, 400, "D:\\missing.ybi"), rect), 0);
    EXPECT_EQ((std::vector<double>{rect.xMin, rect.yMin, rect.xMax, rect.yMax}),
              (std::vector<double>{100, 200, 300, 400}));

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
