// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock info for the block option file, the model and product option files, the coordinate
// conversion file, the image list, the GCP layout files, the model product state file and the report.
#include "info.h"

#include "binary_io.h"
#include "fs.h"
#include "hostpath.h"
#include "reports/model_state_file.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace ybblock::info {
namespace {

// By value: the rectangle may sit unaligned inside a packed record.
Json rectangle(D_RECT rect) {
    return Json{{"x_min", rect.xMin}, {"y_min", rect.yMin}, {"x_max", rect.xMax}, {"y_max", rect.yMax}};
}

}  // namespace

std::int32_t describeBlockOption(Source const& source, Json& json) {
    BlockInfo block{};
    if (std::int32_t code = ybReadBlockOptionFile(source.hostPath.c_str(), &block)) return code;
    json["block_directory"] = fieldText(block.blockDirectory);
    json["block_name"] = fieldText(block.blockName);
    json["image_type"] = block.imageType;
    json["image_type_name"] = imageTypeName(block.imageType);
    json["control_point_file"] = fieldText(block.controlPointFile);
    json["camera_file"] = fieldText(block.cameraFile);
    json["image_list"] = toTerminal(ybGetBlkAuxFileName(block, ".bil", nullptr));
    json["tie_point_file"] = toTerminal(ybGetBlkAuxFileName(block, ".scp", nullptr));
    return yb::kSuccess;
}

std::int32_t describeModelOption(Source const& source, Json& json) {
    ModelInfo info{};
    if (std::int32_t code = ybReadModelOptionFile(source.hostPath.c_str(), &info)) return code;
    json["model_name"] = fieldText(info.modelName);
    json["left_image"] = fieldText(info.leftImage);
    json["right_image"] = fieldText(info.rightImage);
    json["host_texts"] = Json::array({fieldText(info.hostText0), fieldText(info.hostText1)});
    return yb::kSuccess;
}

std::int32_t describeOrthoMapOption(Source const& source, Json& json) {
    OrthoInfo info{};
    if (std::int32_t code = ybReadOrthoMapOption(source.hostPath.c_str(), &info)) return code;
    D_RECT const stored = info.domRect;  // a packed field: copied before a reference binds to it
    json["dom_rectangle"] = rectangle(stored);
    json["extent_image"] = fieldText(info.extentImage);
    return yb::kSuccess;
}

std::int32_t describeSingleImageDomOption(Source const& source, Json& json) {
    SingleImageDomOption option{};
    if (std::int32_t code = ybReadSingleImgDomOption(source.hostPath.c_str(), &option)) return code;
    json["record_bytes"] = sizeof option.bytes;
    return yb::kSuccess;
}

std::int32_t describeSingleDomOption(Source const& source, Json& json) {
    eTypeMathModel model{};
    if (std::int32_t code = ybReadSingleDomOption(source.hostPath.c_str(), &model)) return code;
    json["math_model"] = static_cast<std::int32_t>(model);
    return yb::kSuccess;
}

std::int32_t describeDemOption(Source const& source, Json& json) {
    DemInfo info{};
    if (std::int32_t code = ybReadDemGenOption(source.hostPath.c_str(), &info)) return code;
    json["area"] = Json::array({info.area[0], info.area[1], info.area[2], info.area[3]});
    json["spacing_x"] = info.spacingX;
    json["spacing_y"] = info.spacingY;
    json["texts"] = Json::array({fieldText(info.firstText), fieldText(info.secondText)});
    return yb::kSuccess;
}

// The library finds the conversion file through a block record: its directory and title stand in for one.
std::int32_t describeCoordinateConversion(Source const& source, Json& json) {
    BlockInfo block{};
    std::string const directory = yb::platform::withoutTrailingBackslashes(yb::platform::directoryOf(source.hostPath));
    std::string const title = yb::platform::splitPath(source.hostPath).title;
    if (directory.size() >= sizeof block.blockDirectory || title.size() >= sizeof block.blockName)
        return yb::kInvalidArgument;
    yb::platform::storeText(block.blockDirectory, sizeof block.blockDirectory, directory.empty() ? "." : directory);
    yb::platform::storeText(block.blockName, sizeof block.blockName, title);
    std::int32_t count = 0;
    double params[7] = {};
    if (std::int32_t code = ybReadCordConvertPara(block, count, params)) return code;
    json["parameter_count"] = count;
    json["parameters"] = Json(std::vector<double>(params, params + std::clamp(count, 0, 7)));
    return yb::kSuccess;
}

std::int32_t describeImageList(Source const& source, Json& json) {
    char const* const path = source.hostPath.c_str();
    std::int32_t strips = 0, groups = 0, total = 0;
    if (std::int32_t code = ybGetStripNumberOfImageRecord(path, &strips)) return code;
    if (std::int32_t code = ybGetBlockTotalImgNums(path, &total)) return code;
    if (std::int32_t code = ybGetImgGroupNumsOfImageRecord(path, groups)) return code;
    json["strips"] = strips;
    json["images"] = total;
    json["largest_group_number"] = groups;
    Json stripList = Json::array();
    std::int32_t code = yb::kSuccess;
    {
        ListBuilder images(json, "image_records", source.limit);
        std::vector<ImageOrderInfo> records;
        for (std::int32_t strip = 1; strip <= strips && code == yb::kSuccess; ++strip) {
            code = ybReadOneStripImageRecord(path, strips, strip, records);
            if (code != yb::kSuccess) break;
            stripList.push_back({{"strip", strip}, {"images", records.size()}});
            for (ImageOrderInfo const& record : records) {
                if (!images.wants()) {
                    images.skip();
                    continue;
                }
                images.add({{"image", record.nImageNo},
                            {"strip", record.nStripNo},
                            {"group", record.nGroupNo},
                            {"path", fieldText(record.szImagePath)}});
            }
        }
    }
    json["strip_list"] = std::move(stripList);
    return code;
}

std::int32_t describeGcpLayout(Source const& source, Json& json) {
    std::int32_t count = 0;
    if (std::int32_t code = ybGetGcpNumsOfGcpLayoutFile(source.hostPath.c_str(), &count)) return code;
    std::vector<BLOCKGCPLAYOUTINFO> records(static_cast<std::size_t>(std::max(count, 0)));
    if (std::int32_t code = ybReadBlockGcpLayoutFile(source.hostPath.c_str(), records.data(), &count)) return code;
    json["control_points"] = count;
    ListBuilder list(json, "points", source.limit);
    for (BLOCKGCPLAYOUTINFO const& record : records) {
        // The caller's 32 bytes: shown as text when they hold one, else as hex.
        std::size_t const length =
            yb::platform::boundedText(reinterpret_cast<char const*>(record.callerData), sizeof record.callerData)
                .size();
        bool const text = length > 0 && std::all_of(record.callerData, record.callerData + length,
                                                    [](unsigned char c) { return c >= 0x20; });
        std::int32_t const shown = std::clamp(record.imageCount, 0, 12);
        list.add({{"caller_data",
                   text ? fieldText(reinterpret_cast<char const*>(record.callerData), sizeof record.callerData)
                        : hexBytes(record.callerData, sizeof record.callerData)},
                  {"image_count", record.imageCount},
                  {"images", Json(std::vector<std::int32_t>(record.imageNo, record.imageNo + shown))}});
    }
    return yb::kSuccess;
}

// No export reads the temporary layout file without writing images, so it is walked here record by
// record: the strip count, then per strip its number, its image count and one rectangle per image.
std::int32_t describeTemporaryLayout(Source const& source, Json& json) {
    yb::platform::File file = yb::platform::openFile(source.hostPath, "rb");
    if (!file) return yb::kCannotOpen;
    yb::platform::BinaryStream stream(file.get());
    std::int32_t strips = 0;
    if (!stream.readI32(strips) || strips < 0) return yb::kInvalidContent;
    json["strips"] = strips;
    ListBuilder list(json, "rectangles", source.limit);
    for (std::int32_t i = 0; i < strips; ++i) {
        std::int32_t strip = 0, count = 0;
        if (!stream.readI32(strip) || !stream.readI32(count)) return yb::kInvalidContent;
        auto const remaining = stream.remaining();
        if (!remaining || !yb::platform::countFits(count, sizeof(D_RECT), *remaining)) return yb::kInvalidContent;
        std::vector<D_RECT> rects;
        if (!stream.readRecords(rects, static_cast<std::size_t>(count))) return yb::kInvalidContent;
        for (std::size_t k = 0; k < rects.size(); ++k) {
            Json item = rectangle(rects[k]);
            item["strip"] = strip;
            item["image"] = k + 1;
            list.add(std::move(item));
        }
    }
    return yb::kSuccess;
}

std::int32_t describeModelState(Source const& source, Json& json) {
    yb::platform::File file = yb::platform::openFile(source.hostPath, "rb");
    if (!file) return yb::kCannotOpen;
    yb::platform::BinaryStream stream(file.get());
    std::int32_t slots = 0, used = 0;
    if (!stream.seek(yb::reports::kSlotCountOffset) || !stream.readI32(slots) || !stream.readI32(used))
        return yb::kInvalidContent;
    std::uint64_t const length = stream.length().value_or(0);
    if (slots < 0 || used < 0 || used > slots ||
        length < static_cast<std::uint64_t>(yb::reports::flagsOffset(slots)) + static_cast<std::uint64_t>(used))
        return yb::kInvalidContent;
    json["model_slots"] = slots;
    json["models_surveyed"] = used;
    std::vector<std::int32_t> numbers;
    std::vector<unsigned char> flags;
    if (!stream.seek(yb::reports::kNumbersOffset) || !stream.readRecords(numbers, static_cast<std::size_t>(used)) ||
        !stream.seek(yb::reports::flagsOffset(slots)) || !stream.readRecords(flags, static_cast<std::size_t>(used)))
        return yb::kInvalidContent;
    ListBuilder list(json, "models", source.limit);
    for (std::size_t i = 0; i < numbers.size(); ++i) list.add({{"model", numbers[i]}, {"product", flags[i] != 0}});
    return yb::kSuccess;
}

std::int32_t describeBlockStateReport(Source const& source, Json& json) {
    yb::platform::File file = yb::platform::openFile(source.hostPath, "rb");
    if (!file) return yb::kCannotOpen;
    std::string text;
    char buffer[1 << 14];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, got);
    if (std::ferror(file.get())) return yb::kInvalidContent;
    // The rows of images and models ("(1)\t...") up to the limit; the heading lines all.
    std::string shown;
    std::size_t rows = 0, hidden = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t const end = std::min(text.find('\n', at), text.size() - 1) + 1;
        bool const row =
            text[at] == '(' && at + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[at + 1]));
        if (!row || static_cast<long>(rows++) < source.limit)
            shown.append(text, at, end - at);
        else
            ++hidden;
        at = end;
    }
    json["text"] = toTerminal(shown);
    if (hidden != 0) json["rows_not_shown"] = hidden;
    return yb::kSuccess;
}

}  // namespace ybblock::info
