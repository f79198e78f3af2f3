// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock info for the camera, image property, sensor, joint coefficient, projection, orientation
// coefficient, image relation and inner orientation list files, and for .ybi images.
#include "info.h"

#include "binary_io.h"
#include "fs.h"
#include "ybi_image.h"

#include <array>
#include <cstring>

namespace ybblock::info {

std::int32_t describeCamera(Source const& source, Json& json) {
    char const* const path = source.hostPath.c_str();
    std::int32_t count = 0;
    RIMPOINTLAYOUT layout = RIM_LAYOUT_FOUR;
    if (std::int32_t code = ybReadCameraParaFile(path, nullptr, nullptr, &layout, nullptr, &count)) return code;
    CameraInfo camera{};
    std::array<RimPoint, 8> rims{};
    std::vector<AberranceInfo> distortions(static_cast<std::size_t>(count));
    if (std::int32_t code = ybReadCameraParaFile(path, &camera, rims.data(), &layout, distortions.data(), &count))
        return code;
    json["principal_distance"] = camera.principalDistance;
    json["principal_point"] = Json::array({camera.principalPointX, camera.principalPointY});
    json["fiducial_layout"] = static_cast<std::int32_t>(layout);
    Json marks = Json::array();
    for (std::size_t i = 0; i < (layout == RIM_LAYOUT_EIGHT ? 8u : 4u); ++i)
        marks.push_back({{"number", std::int32_t{rims[i].number}}, {"x", double{rims[i].x}}, {"y", double{rims[i].y}}});
    json["fiducial_marks"] = std::move(marks);
    json["distortion_records"] = count;
    ListBuilder list(json, "distortions", source.limit);
    for (AberranceInfo const& record : distortions)
        list.add({{"radius", record.radius}, {"delta_x", record.deltaX}, {"delta_y", record.deltaY}});
    return yb::kSuccess;
}

std::int32_t describeImageProperty(Source const& source, Json& json) {
    IMAGEPROPINFO info{};
    if (std::int32_t code = ybReadImagePropInfoFile(source.hostPath.c_str(), &info)) return code;
    json["pixel_size_mm"] = double{info.pixelSize};
    return yb::kSuccess;
}

std::int32_t describeSpotProperty(Source const& source, Json& json) {
    double value = 0.0;
    if (std::int32_t code = ybReadSPOTPropInfoFile(source.hostPath.c_str(), &value)) return code;
    json["value"] = value;
    return yb::kSuccess;
}

std::int32_t describeSensorProperty(Source const& source, Json& json) {
    char name[64] = {};
    std::int32_t first = 0, second = 0;
    double firstReal = 0.0, secondReal = 0.0;
    if (std::int32_t code =
            ybReadCustomImagePropFile(source.hostPath.c_str(), name, &first, &second, &firstReal, &secondReal))
        return code;
    json["sensor"] = fieldText(name);
    json["whole_numbers"] = Json::array({first, second});
    json["real_numbers"] = Json::array({firstReal, secondReal});
    return yb::kSuccess;
}

std::int32_t describeModelJointCoefficients(Source const& source, Json& json) {
    // The strip count follows the magic; the library reads values by strip and model only.
    yb::platform::File file = yb::platform::openFile(source.hostPath, "rb");
    if (!file) return yb::kCannotOpen;
    yb::platform::BinaryStream stream(file.get());
    std::int32_t strips = 0;
    if (!stream.seek(
            static_cast<std::int64_t>(yb::frame::magicOf(yb::frame::FileKind::ModelJointCoefficient).size())) ||
        !stream.readI32(strips))
        return yb::kInvalidContent;
    json["strips"] = strips;
    ListBuilder list(json, "strip_list", source.limit);
    for (std::int32_t strip = 1; strip <= strips; ++strip) {
        if (!list.wants()) {
            list.skip(static_cast<std::size_t>(strips - strip + 1));
            break;
        }
        Json values = Json::array();
        double value = 0;
        std::int32_t code = yb::kSuccess;
        for (std::int32_t model = 1; static_cast<long>(values.size()) < source.limit; ++model) {
            code = ybGetOneModelJointCeff(source.hostPath.c_str(), strip, model, &value);
            if (code != yb::kSuccess) break;
            values.push_back(value);
        }
        if (values.empty() && code != yb::kSuccess && code != yb::kInvalidArgument) return code;
        list.add({{"strip", strip}, {"values", std::move(values)}});
    }
    return yb::kSuccess;
}

std::int32_t describeProjection(Source const& source, Json& json) {
    MAP_PARAstruct info{};
    if (std::int32_t code = ybReadSuvProjInfo(source.hostPath.c_str(), &info)) return code;
    json["record"] = hexBytes(info.bytes, sizeof info.bytes);
    return yb::kSuccess;
}

std::int32_t describeOrientationCoefficients(Source const& source, Json& json) {
    std::array<unsigned char, 128> record{};
    if (std::int32_t code = ybReadOrientCeff(source.hostPath.c_str(), record.data())) return code;
    static char const* const kindNames[] = {"inner orientation", "relative orientation", "absolute orientation"};
    std::int16_t kind = 0;
    std::memcpy(&kind, record.data() + ORIENT_RECORD_KIND_OFFSET, sizeof kind);
    if (kind < 0 || kind > 2) return ORIENT_E_BAD_MAGIC;
    json["orientation"] = kind;
    json["orientation_name"] = kindNames[kind];
    Json values = Json::array();
    for (std::int32_t i = 0; i < ORIENT_RECORD_VALUE_COUNT[kind]; ++i) {
        double value = 0;
        std::memcpy(&value, record.data() + ORIENT_RECORD_FIRST_VALUE[kind] + 8 * static_cast<std::size_t>(i),
                    sizeof value);
        values.push_back(value);
    }
    json["values"] = std::move(values);
    return yb::kSuccess;
}

std::int32_t describeImageRelation(Source const& source, Json& json) {
    std::vector<ImageLayoutStru> records;
    if (std::int32_t code = ybReadImageRelaFile(source.hostPath.c_str(), records)) return code;
    json["records"] = records.size();
    ListBuilder list(json, "record_list", source.limit);
    for (ImageLayoutStru const& record : records)
        list.add({{"image", std::int32_t{record.imageNo}}, {"x", double{record.x}}, {"y", double{record.y}}});
    return yb::kSuccess;
}

std::int32_t describeInnerOrientationList(Source const& source, Json& json) {
    std::int32_t count = 0;
    if (std::int32_t code = ybReadImgNumsOfInnOrient(source.hostPath.c_str(), &count)) return code;
    json["images"] = count;
    ListBuilder list(json, "image_list", source.limit);
    for (std::int32_t i = 1; i <= count; ++i) {
        if (!list.wants()) {
            list.skip(static_cast<std::size_t>(count - i + 1));
            break;
        }
        char name[128] = {};
        if (std::int32_t code = ybReadOneInnOrientImgFileName(source.hostPath.c_str(), i, name)) return code;
        list.add({{"entry", i}, {"path", fieldText(name)}});
    }
    return yb::kSuccess;
}

std::int32_t describeYbiImage(Source const& source, Json& json) {
    yb::frame::YbiImage opened;
    if (std::int32_t code = opened.open(source.hostPath.c_str(), yb::frame::YbiImage::Mode::Read)) return code;
    YbiHandle const image = opened.get();
    std::int32_t lines = 0, cells = 0, count = 0;
    double dpi = 0, xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    for (std::int32_t code :
         {ybGetLines(image, &lines), ybGetLineCells(image, &cells), ybGetXResolution(image, &dpi),
          ybGetUserCoordinateRangle(image, 1, &xMin, &xMax, &yMin, &yMax), ybGetGCPNumsOfYBI(image, &count)})
        if (code != yb::kSuccess) return code;
    json["lines"] = lines;
    json["cells"] = cells;
    json["dots_per_inch"] = dpi;
    json["user_range"] = Json{{"x_min", xMin}, {"x_max", xMax}, {"y_min", yMin}, {"y_max", yMax}};
    json["control_points"] = count;
    ListBuilder list(json, "control_point_list", source.limit);
    for (std::int32_t n = 1; n <= count; ++n) {
        if (!list.wants()) {
            list.skip(static_cast<std::size_t>(count - n + 1));
            break;
        }
        double x = 0, y = 0, column = 0, row = 0;
        if (std::int32_t code = ybGetOneControlPointOfYBI(image, n, &x, &y, &column, &row)) return code;
        list.add({{"number", n}, {"x", x}, {"y", y}, {"column", column}, {"row", row}});
    }
    return yb::kSuccess;
}

}  // namespace ybblock::info
