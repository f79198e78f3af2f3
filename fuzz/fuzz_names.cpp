// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The file name builders and the path text they cut: texts as they come out of damaged block files
// (GBK lead bytes at the end, doubled separators, no terminator within a record's field) go into every
// builder. The input is split into texts at its zero bytes.
#include "fuzz_support.h"

#include <array>

namespace {

// Copies a text into a record's fixed field the way a damaged file fills it: without a terminator
// when the text is as long as the field.
template <std::size_t N>
void fillField(char (&field)[N], std::string const& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using yb::fuzz::Drive;
    Drive& drive = Drive::get();
    drive.reset();
    yb::fuzz::Numbers numbers(data, size);
    std::vector<std::string> texts;
    std::string_view rest(reinterpret_cast<char const*>(data), size);
    while (texts.size() < 8) {
        std::size_t const end = rest.find('\0');
        texts.emplace_back(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    }
    // Builders that declare char* still never change their texts; they get copies all the same.
    std::vector<std::vector<char>> writable;
    for (std::string const& text : texts) writable.emplace_back(text.c_str(), text.c_str() + text.size() + 1);
    auto text = [&](std::size_t i) { return texts[i].c_str(); };
    auto mutableText = [&](std::size_t i) { return writable[i].data(); };

    BlockInfo block{};
    fillField(block.blockDirectory, texts[0]);
    fillField(block.blockName, texts[1]);
    hbSetBlockDirectory(text(7));

    std::int16_t const kind = numbers.pickShort({0, 1, 2, 3});
    std::int16_t const sensor = numbers.pickShort({0, 1, 4, 5, 6});
    ybGetBlkAuxFileName(block, text(2), numbers.flag() ? text(3) : nullptr);
    ybGetImgAuxFileName(block, text(4), text(2), text(3), numbers.flag() ? text(5) : nullptr);
    ybGetModAuxFileName(block, text(4), text(5), text(2), text(3));
    ybGetTempAuxFileName(block, text(4), numbers.flag() ? text(5) : nullptr, text(2), text(3));
    ybGetBlkImgPropFileName(text(0), text(1));
    ybGetBlkImgListFileName(text(0), text(1));
    ybGetImagePropFile(text(4), text(0));

    ybGetOrientGcpFileName(text(0), kind, sensor, text(4), numbers.flag() ? text(5) : nullptr);
    ybGetOrientCeffFileName(text(0), kind, sensor, text(4), text(5));
    ybGetCurModelDir(text(0), text(4), text(5));
    ybGetOrientCeffFileNameByModel(text(0), kind, text(6));
    ybGetOrientGcpFileNameByModel(text(0), kind, text(6));
    ybGetOrientCeffFileNameByImage(mutableText(0), kind, sensor, text(6));
    ybGetOrientGcpFileNameByImage(text(0), kind, sensor, text(6));
    ybGetEpipolarFileName(mutableText(0), mutableText(4), mutableText(5), numbers.flag());
    ybGetMatchGcpFileName(mutableText(0), mutableText(4), mutableText(5));
    ybGetModelGridFileName(mutableText(0), mutableText(4), mutableText(5));
    ybGetImgGcpFile(mutableText(4));
    ybGetModelName(mutableText(4), mutableText(5));
    ybGetModelFileName(text(0), mutableText(4), mutableText(5));
    ybGetRPCSetFileName(texts[4]);
    ybGetSingleImgDomOptionFile(text(0), text(4));
    ybGetModelDomOptionFile(text(0), text(6));

    // The two builders that fill a caller's buffer get room for exactly what they promise.
    std::vector<char> projection(texts[6].size() + 1);
    ybGetSuvProjFileName(text(6), projection.data());
    ybGetSuvGcpProjFileName(text(6), projection.data());
    std::vector<char> name(texts[4].size() + 1);
    ybExtractFileNameFromDir(text(4), name.data());

    // Folder queries stay on the fuzzing drive; the extension is the input's.
    drive.write("Blk/Images/a.ybi", "");
    drive.write("Blk/Images/sub/b.YBI", "");
    ybIsDirectoryExist((Drive::host("Blk\\") + texts[2]).c_str());
    std::vector<std::string> titles;
    ybGetSameExtFilePathsInOneDir(Drive::host("Blk").c_str(), text(3), titles, numbers.flag() ? 1 : 0);

    // A null path anywhere a path is taken gives a result, never a crash.
    if (numbers.flag()) {
        char const* const null = nullptr;
        ybGetBlkImgPropFileName(null, text(1));
        ybGetBlkImgListFileName(text(0), null);
        ybGetImagePropFile(null, text(0));
        ybGetOrientGcpFileName(null, kind, sensor, text(4), null);
        ybGetOrientCeffFileName(text(0), kind, sensor, null, text(5));
        ybGetCurModelDir(null, text(4), null);
        ybGetOrientCeffFileNameByModel(null, kind, text(6));
        ybGetOrientGcpFileNameByModel(text(0), kind, null);
        ybGetOrientGcpFileNameByImage(null, kind, sensor, null);
        ybGetSingleImgDomOptionFile(null, text(4));
        ybGetModelDomOptionFile(text(0), null);
        ybGetSuvProjFileName(null, projection.data());
        ybIsDirectoryExist(null);
        ybExtractFileNameFromDir(null, name.data());
        ybGetSameExtFilePathsInOneDir(null, text(3), titles, 0);
        ImageOrderInfo record{};
        ybUpdateOneImageRecord(null, 101, record);
    }
    return 0;
}
