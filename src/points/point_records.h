// Conversions between the point records, used by the model point files and the tie point store.
#pragma once

#include <yb/ybBlockFileIO.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace yb::points {

// The name of a record's fixed name field, read bounded.
std::string_view pointName(tagImagePoint const& point);
std::string_view pointName(CONTROLPOINT_INFO const& entry);
// Points are the same point when their names are equal ignoring case.
bool sameName(std::string_view a, std::string_view b);
// The key under which names are indexed in hash maps: the name lower-cased.
std::string nameKey(std::string_view name);

// A model point from the left and right image points of one name: serial, name and type from the
// left point, in use, left and right measured coordinates.
CONTROLPOINT_INFO modelPointFromImagePoints(tagImagePoint const& left, tagImagePoint const& right, std::int32_t serial);

// The two image points of an entry of model `modelNo` (left on image modelNo, right on modelNo + 1),
// with zero photo coordinates; nothing for an entry that is not in use.
std::optional<std::pair<tagImagePoint, tagImagePoint>> imagePointsFromModelPoint(CONTROLPOINT_INFO const& entry,
                                                                                  std::int32_t modelNo);

// A common point of two neighbouring models from entry `first` of the first model and `second` of the
// second: image 1 and 2 from the first's left and right, image 3 from the second's right. The name is
// taken from `nameSource`.
ModelCommonPoint commonPointFromModelPoints(CONTROLPOINT_INFO const& first, CONTROLPOINT_INFO const& second,
                                            CONTROLPOINT_INFO const& nameSource);

}  // namespace yb::points
