// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock info for the point files: image points, feature points, model common points, model control
// points, and the tie point file.
#include "info.h"

#include "binary_io.h"
#include "hostpath.h"
#include "fs.h"
#include "points/model_point_sections.h"
#include "tiepoints/tie_point_file.h"

#include <array>
#include <optional>

namespace ybblock::info {
namespace {

Json imagePoint(tagImagePoint const& point) {
    return Json{{"image", std::int32_t{point.imageNo}},
                {"name", fieldText(point.name)},
                {"type", std::int16_t{point.type}},
                {"x", double{point.x}},
                {"y", double{point.y}},
                {"photo_x", double{point.photoX}},
                {"photo_y", double{point.photoY}}};
}

struct SectionHead {
    yb::points::sections::Key key{};
    std::int32_t count = 0;
};

// The section heads of a model point file in file order, through the library's walk over them. The
// library reads a section by its key; only the tool needs to list which keys there are. A head whose
// records do not fit the file ends the list.
std::vector<SectionHead> sectionHeads(std::string const& hostPath, yb::points::sections::Layout const& layout,
                                      std::int32_t sections) {
    namespace sn = yb::points::sections;
    std::vector<SectionHead> heads;
    yb::platform::File file = yb::platform::openFile(hostPath, "rb");
    if (!file) return heads;
    yb::platform::BinaryStream stream(file.get());
    std::uint64_t const length = yb::platform::fileSize(hostPath).value_or(0);
    sn::scan(sn::readerOf(stream), layout, sections, [&](std::int32_t, sn::Key const& key, sn::Section const& section) {
        if (!sn::recordsWithin(layout, section, length)) return true;  // ends the walk
        heads.push_back({key, section.count});
        return false;
    });
    return heads;
}

}  // namespace

std::int32_t describeImagePoints(Source const& source, Json& json) {
    std::vector<tagImagePoint> points;
    if (std::int32_t code = ybReadImgGcpFileToAry(source.hostPath.c_str(), points)) return code;
    json["points"] = points.size();
    ListBuilder list(json, "point_list", source.limit);
    for (tagImagePoint const& point : points) list.add(imagePoint(point));
    return yb::kSuccess;
}

std::int32_t describeFeaturePoints(Source const& source, Json& json) {
    std::int32_t count = 0;
    if (std::int32_t code = ybGetFeaturePointNumsOfFile(source.hostPath.c_str(), &count)) return code;
    std::vector<FeaturePoint> points(static_cast<std::size_t>(count));
    if (std::int32_t code = ybReadImgFeaturePointFile(source.hostPath.c_str(), points.data(), &count)) return code;
    json["points"] = count;
    ListBuilder list(json, "point_list", source.limit);
    for (FeaturePoint const& point : points) list.add({{"bytes", hexBytes(point.bytes, sizeof point.bytes)}});
    return yb::kSuccess;
}

std::int32_t describeModelCommonPoints(Source const& source, Json& json) {
    char const* const path = source.hostPath.c_str();
    std::int32_t strips = 0, sections = 0, total = 0;
    if (std::int32_t code = ybGetComJointPntFileInfo(path, &strips, &sections, &total)) return code;
    json["strips"] = strips;
    json["sections"] = sections;
    json["points"] = total;
    Json sectionList = Json::array();
    std::int32_t code = yb::kSuccess;
    {
        ListBuilder list(json, "point_list", source.limit);
        for (SectionHead const& head :
             sectionHeads(source.hostPath, yb::points::sections::kCommonPointLayout, sections)) {
            sectionList.push_back({{"strip", head.key[0]},
                                   {"first_model", head.key[1]},
                                   {"second_model", head.key[2]},
                                   {"points", head.count}});
            if (!list.wants() || head.count == 0) {
                list.skip(static_cast<std::size_t>(head.count));
                continue;
            }
            std::vector<ModelCommonPoint> points(static_cast<std::size_t>(head.count));
            std::int32_t count = 0;
            code = ybReadComJointPntFile(path, head.key[0], head.key[1], head.key[2], points.data(), &count);
            if (code != yb::kSuccess) break;
            for (ModelCommonPoint const& point : points)
                list.add({{"strip", head.key[0]},
                          {"first_model", head.key[1]},
                          {"name", fieldText(point.name)},
                          {"x1", point.x1},
                          {"y1", point.y1},
                          {"x2", point.x2},
                          {"y2", point.y2},
                          {"x3", point.x3},
                          {"y3", point.y3}});
        }
    }
    json["section_list"] = std::move(sectionList);
    return code;
}

std::int32_t describeModelControlPoints(Source const& source, Json& json) {
    char const* const path = source.hostPath.c_str();
    std::int32_t strips = 0, models = 0, total = 0;
    if (std::int32_t code = ybGetStripNumsOfModelGcpFile(path, &strips)) return code;
    if (std::int32_t code = ybGetModelNumsOfModelGcpFile(path, &models)) return code;
    if (std::int32_t code = ybGetBlockTiePntNumsOfFile(path, &total)) return code;
    json["strips"] = strips;
    json["models"] = models;
    json["points"] = total;
    Json sectionList = Json::array();
    std::int32_t code = yb::kSuccess;
    {
        ListBuilder list(json, "point_list", source.limit);
        for (SectionHead const& head : sectionHeads(source.hostPath, yb::points::sections::kModelPointLayout, models)) {
            sectionList.push_back({{"strip", head.key[0]}, {"model", head.key[1]}, {"points", head.count}});
            if (!list.wants() || head.count == 0) {
                list.skip(static_cast<std::size_t>(head.count));
                continue;
            }
            std::vector<CONTROLPOINT_INFO> entries(static_cast<std::size_t>(head.count));
            CONTROLPOINT_STORAGE set{};
            set.entries = entries.data();
            set.capacity = head.count;
            code = ybReadModelGcpFile(path, head.key[0], head.key[1], &set);
            if (code != yb::kSuccess) break;
            for (std::int32_t i = 0; i < set.count; ++i) {
                CONTROLPOINT_INFO const& entry = entries[static_cast<std::size_t>(i)];
                list.add({{"strip", head.key[0]},
                          {"model", head.key[1]},
                          {"name", fieldText(entry.name)},
                          {"type", entry.type},
                          {"left_x", entry.leftX},
                          {"left_y", entry.leftY},
                          {"right_x", entry.rightX},
                          {"right_y", entry.rightY}});
            }
        }
    }
    json["section_list"] = std::move(sectionList);
    return code;
}

std::int32_t describeTiePoints(Source const& source, Json& json) {
    char const* const path = source.hostPath.c_str();
    if (source.image) {
        std::vector<tagImagePoint> points;
        if (std::int32_t code = ybReadOneImgTiePntToAry(path, *source.image, points)) return code;
        json["image"] = *source.image;
        json["points"] = points.size();
        ListBuilder list(json, "point_list", source.limit);
        for (tagImagePoint const& point : points) list.add(imagePoint(point));
        return yb::kSuccess;
    }
    // The groups as the library's reader walks them: the count the header stores (empty groups make it
    // differ from the images listed), then each group's image and records.
    yb::tiepoints::TiePointFileReader reader;
    if (std::int32_t code = reader.open(path, HB_MESSAGE_PLAIN)) return code;
    reader.leaveDamageMessageToCaller();
    Json body{{"groups", reader.groupCount()}};  // shown only when every group reads
    std::int64_t total = 0;
    {
        ListBuilder list(body, "points_per_image", source.limit);
        std::optional<std::pair<std::int32_t, std::int64_t>> run;  // image, points of groups in a row
        for (std::int32_t group = 0; group < reader.groupCount(); ++group) {
            std::int32_t imageNo = 0, count = 0;
            if (std::int32_t code = reader.nextGroup(imageNo, count)) return code;
            if (std::int32_t code = reader.skipRecords(count)) return code;
            if (count <= 0) continue;
            total += count;
            if (run && run->first == imageNo) {
                run->second += count;
                continue;
            }
            if (run) list.add({{"image", run->first}, {"points", run->second}});
            run.emplace(imageNo, count);
        }
        if (run) list.add({{"image", run->first}, {"points", run->second}});
    }
    json["groups"] = body["groups"];
    json["points"] = total;
    for (auto& [key, value] : body.items())
        if (key != "groups") json[key] = std::move(value);
    return yb::kSuccess;
}

}  // namespace ybblock::info
