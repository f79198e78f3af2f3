// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// A simulated aerial survey, written as a real block with the truth beside it: terrain with relief, a
// frame camera flown in strips, small random deviations of every exposure from the flight plan, and
// ground points projected into every image that sees them, measured with a little pixel noise. Tools
// that orient images (or exchange a block with programs that do) are checked against it.
//
// The block and the truth keep the conventions of projection.h. Strip 1 is flown east along +X at
// Y = 0; strip s lies (s - 1) strip spacings south and is flown the other way from its neighbours
// (kappa 180 degrees on even strips), as a pilot flies a block. The camera record holds the principal
// distance in millimetres (byte 0; not read by YbiSurvey) and the principal point x0, y0 in
// micrometres of the photo frame (bytes 8 and 16). YbiSurvey returns (u - x0, v - y0); the tie point
// records keep 0.001 times that, the photo coordinates in millimetres.
#pragma once

#include "block_generator.h"
#include "projection.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace yb::blockgen {

struct SurveyShape {
    std::int32_t strips = 3;
    std::int32_t imagesPerStrip = 8;  // at most 99
    double forwardOverlap = 0.6;      // of neighbouring images in a strip, 0 to below 1
    double sideOverlap = 0.3;         // of neighbouring strips, 0 to below 1
    double pointsPerImage = 150;      // about as many ground points seen on each image
    double pixelNoise = 0.3;          // standard deviation of a measurement, pixels
    double attitudeNoise = 1.0;       // standard deviation of omega, phi and kappa, degrees
    double positionNoise = 2.0;       // standard deviation of each coordinate of a projection centre, metres
    std::int32_t controlPoints = 5;   // ground points listed in the GCP layout (corners and middle)
    std::uint32_t seed = 1;
};

// The frame camera of every survey.
struct SurveyCamera {
    static constexpr std::int32_t kColumns = 3000;
    static constexpr std::int32_t kRows = 2000;
    static constexpr double kPixelMicrometres = 6.0;
    static constexpr double kPrincipalDistanceMm = 24.0;
    static constexpr double kPrincipalPointX = 12.0;  // micrometres
    static constexpr double kPrincipalPointY = -9.0;  // micrometres
    static constexpr double kFlyingHeight = 400.0;    // metres above the datum (Z = 0)
    static constexpr FrameCamera kFrame{kPrincipalDistanceMm, kPrincipalPointX, kPrincipalPointY};
};

struct SurveyExposure {
    std::int32_t imageNo = 0;
    std::array<double, 3> centre{};              // X, Y, Z
    double omega = 0.0, phi = 0.0, kappa = 0.0;  // degrees
};

struct SurveyPoint {
    std::string name;
    std::array<double, 3> ground{};  // X, Y, Z
};

struct Survey {
    GeneratedBlock block;                      // option file, image list, camera, tie point file
    std::string gcpLayoutPath;                 // also the block's control point file
    std::string truthDirectory;                // host path of truth\ beside the block option file
    std::vector<SurveyExposure> exposures;     // image order: strip by strip
    std::vector<SurveyPoint> points;           // every named ground point (seen on at least two images)
    std::vector<std::string> controlNames;     // the points of the GCP layout
    std::array<double, 6> innerOrientation{};  // the coefficients every image's ".ioc" holds
};

// Where a ground point appears on an image of the survey (block image coordinates), or false when it
// lies behind the camera.
bool project(SurveyExposure const& exposure, std::array<double, 6> const& innerOrientation,
             std::array<double, 3> const& ground, double& x, double& y);

// Validity of a shape; an empty text when it can be flown, else what is wrong.
std::string surveyShapeProblem(SurveyShape const& shape);

// Flies the survey and writes the block in the host folder `blockDirectory` with block name `name`,
// the truth in its `truth` folder (cameras.csv, points.csv). Returns 0 or the failing call's result
// code, with `failedStep` saying which step failed.
std::int32_t generateSurvey(std::string const& blockDirectory, std::string const& name, SurveyShape const& shape,
                            Survey& survey, std::string& failedStep);

}  // namespace yb::blockgen
