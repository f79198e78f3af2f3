#include "points/point_records.h"

#include "hostpath.h"

#include <cstring>

namespace yb::points {

std::string_view pointName(tagImagePoint const& point) {
    return platform::boundedText(point.name, sizeof point.name);
}

std::string_view pointName(CONTROLPOINT_INFO const& entry) {
    return platform::boundedText(entry.name, sizeof entry.name);
}

bool sameName(std::string_view a, std::string_view b) { return platform::equalsIgnoreCase(a, b); }

std::string nameKey(std::string_view name) { return platform::toLower(name); }

CONTROLPOINT_INFO modelPointFromImagePoints(tagImagePoint const& left, tagImagePoint const& right, std::int32_t serial) {
    CONTROLPOINT_INFO entry{};
    entry.serial = serial;
    std::memcpy(entry.name, left.name, sizeof entry.name);
    entry.name[sizeof entry.name - 1] = '\0';
    entry.type = left.type;
    entry.inUse = 1;
    entry.leftX = left.x;
    entry.leftY = left.y;
    entry.rightX = right.x;
    entry.rightY = right.y;
    return entry;
}

std::optional<std::pair<tagImagePoint, tagImagePoint>> imagePointsFromModelPoint(CONTROLPOINT_INFO const& entry,
                                                                                  std::int32_t modelNo) {
    if (entry.inUse != 1) return std::nullopt;
    auto make = [&](std::int32_t imageNo, double x, double y) {
        tagImagePoint point{};
        point.x = x;
        point.y = y;
        point.imageNo = imageNo;
        point.type = entry.type;
        std::memcpy(point.name, entry.name, sizeof point.name);
        point.name[sizeof point.name - 1] = '\0';
        return point;
    };
    return std::make_pair(make(modelNo, entry.leftX, entry.leftY), make(modelNo + 1, entry.rightX, entry.rightY));
}

ModelCommonPoint commonPointFromModelPoints(CONTROLPOINT_INFO const& first, CONTROLPOINT_INFO const& second,
                                            CONTROLPOINT_INFO const& nameSource) {
    ModelCommonPoint common{};
    std::memcpy(common.name, nameSource.name, sizeof common.name);
    common.name[sizeof common.name - 1] = '\0';
    common.x1 = first.leftX;
    common.y1 = first.leftY;
    common.x2 = first.rightX;
    common.y2 = first.rightY;
    common.x3 = second.rightX;
    common.y3 = second.rightY;
    return common;
}

}  // namespace yb::points
