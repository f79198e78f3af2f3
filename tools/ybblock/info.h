// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock info: one describer per file kind. A describer reads the file through the library and fills
// a JSON object; `ybblock info` prints that object as JSON or as indented text, so both forms show the
// same facts. A describer answers the reader's result code (0 when the file reads).
#pragma once

#include "tool.h"

namespace ybblock::info {

struct Source {
    std::string hostPath;
    long limit = 20;
    std::optional<std::int32_t> image;
};

// Puts at most `limit` items of a list under `key`, and how many were left out under "KEY_not_shown".
class ListBuilder {
public:
    ListBuilder(Json& parent, std::string key, long limit) : parent_(parent), key_(std::move(key)), limit_(limit) {}
    ~ListBuilder();
    bool wants() const { return static_cast<long>(items_.size()) < limit_; }
    void add(Json item);
    void skip(std::size_t count = 1) { skipped_ += count; }

private:
    Json& parent_;
    std::string key_;
    long limit_;
    Json items_ = Json::array();
    std::size_t skipped_ = 0;
};

std::string hexBytes(unsigned char const* bytes, std::size_t count);

using Describer = std::int32_t (*)(Source const& source, Json& json);

// Option files, block-level lists and reports.
std::int32_t describeBlockOption(Source const&, Json&);
std::int32_t describeModelOption(Source const&, Json&);
std::int32_t describeOrthoMapOption(Source const&, Json&);
std::int32_t describeSingleImageDomOption(Source const&, Json&);
std::int32_t describeSingleDomOption(Source const&, Json&);
std::int32_t describeDemOption(Source const&, Json&);
std::int32_t describeCoordinateConversion(Source const&, Json&);
std::int32_t describeImageList(Source const&, Json&);
std::int32_t describeGcpLayout(Source const&, Json&);
std::int32_t describeTemporaryLayout(Source const&, Json&);
std::int32_t describeModelState(Source const&, Json&);
std::int32_t describeBlockStateReport(Source const&, Json&);

// Point files and the tie point file.
std::int32_t describeImagePoints(Source const&, Json&);
std::int32_t describeFeaturePoints(Source const&, Json&);
std::int32_t describeModelCommonPoints(Source const&, Json&);
std::int32_t describeModelControlPoints(Source const&, Json&);
std::int32_t describeTiePoints(Source const&, Json&);

// Camera, image and orientation parameter files, and images.
std::int32_t describeCamera(Source const&, Json&);
std::int32_t describeImageProperty(Source const&, Json&);
std::int32_t describeSpotProperty(Source const&, Json&);
std::int32_t describeSensorProperty(Source const&, Json&);
std::int32_t describeModelJointCoefficients(Source const&, Json&);
std::int32_t describeProjection(Source const&, Json&);
std::int32_t describeOrientationCoefficients(Source const&, Json&);
std::int32_t describeImageRelation(Source const&, Json&);
std::int32_t describeInnerOrientationList(Source const&, Json&);
std::int32_t describeYbiImage(Source const&, Json&);

}  // namespace ybblock::info
