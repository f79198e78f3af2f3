// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "survey.h"

#include <yb/YbiBase.h>
#include <yb/ybiOrient.h>

#include "fs.h"
#include "hostpath.h"
#include "write_path.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

namespace yb::blockgen {
namespace {

using Camera = SurveyCamera;
using Vector = std::array<double, 3>;

// Ground height: gentle hills of some tens of metres, so that the scene is not a plane.
double terrainHeight(double x, double y) {
    return 40.0 * std::sin(x / 170.0) * std::cos(y / 130.0) + 15.0 * std::sin(x / 60.0 + y / 90.0) + 0.01 * x;
}

// Normal deviates from the 32-bit Mersenne twister (whose output the standard fixes), so that a seed
// gives the same survey with every standard library.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : engine_(seed) {}
    double uniform() { return (static_cast<double>(engine_()) + 0.5) / 4294967296.0; }
    double normal(double deviation) {
        if (deviation == 0.0) return 0.0;
        double const radius = std::sqrt(-2.0 * std::log(uniform()));
        return deviation * radius * std::cos(2.0 * std::numbers::pi * uniform());
    }

private:
    std::mt19937 engine_;
};

double radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

std::string number(double value) {
    char text[64];
    auto const end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string padded(std::int64_t value, int width) {
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
    return text;
}

// Ground sampling distance at the datum, metres per pixel.
constexpr double kGroundPixel = Camera::kFlyingHeight * Camera::kPixelMicrometres * 1e-3 / Camera::kPrincipalDistanceMm;

bool writeCsv(std::string const& hostPath, std::string const& text) {
    return platform::replaceFile(hostPath, [&](platform::Output& output) {
        output.write(text.data(), text.size());
        return true;
    });
}

}  // namespace

bool project(SurveyExposure const& exposure, std::array<double, 6> const& innerOrientation, Vector const& ground,
             double& x, double& y) {
    return project(rotationOf(exposure.omega, exposure.phi, exposure.kappa), exposure.centre, Camera::kFrame,
                   innerOrientation, ground, x, y);
}

std::string surveyShapeProblem(SurveyShape const& shape) {
    if (shape.strips < 1 || shape.strips > 9999) return "strips: 1 to 9999";
    if (shape.imagesPerStrip < 2 || shape.imagesPerStrip > 99) return "images a strip: 2 to 99";
    if (!(shape.forwardOverlap >= 0.0 && shape.forwardOverlap < 0.95)) return "forward overlap: 0 to 0.95";
    if (!(shape.sideOverlap >= 0.0 && shape.sideOverlap < 0.95)) return "side overlap: 0 to 0.95";
    if (!(shape.pointsPerImage >= 1.0 && shape.pointsPerImage <= 100000.0)) return "points an image: 1 to 100000";
    if (!(shape.pixelNoise >= 0.0 && shape.attitudeNoise >= 0.0 && shape.positionNoise >= 0.0))
        return "noise: not negative";
    if (shape.controlPoints < 0 || shape.controlPoints > 5) return "control points: 0 to 5";
    return {};
}

std::int32_t generateSurvey(std::string const& blockDirectory, std::string const& name, SurveyShape const& shape,
                            Survey& survey, std::string& failedStep) {
    survey = Survey{};
    std::int32_t code = 0;
    auto step = [&](std::int32_t result, std::string const& what) {
        if (code == 0 && result != 0) {
            code = result;
            failedStep = what;
        }
        return code == 0;
    };
    if (std::string const problem = surveyShapeProblem(shape); !problem.empty()) {
        step(kInvalidArgument, "the survey's shape (" + problem + ")");
        return code;
    }
    GeneratedBlock& block = survey.block;
    block.directory = blockDirectory;
    block.optionPath = blockDirectory + "\\" + name + ".dms";
    block.strips = shape.strips;
    BlockInfo& info = block.info;
    platform::storeText(info.blockDirectory, sizeof info.blockDirectory, blockDirectory);
    platform::storeText(info.blockName, sizeof info.blockName, name);
    info.imageType = 1;  // digital camera
    block.cameraPath = blockDirectory + "\\" + name + ".cmr";
    platform::storeText(info.cameraFile, sizeof info.cameraFile, block.cameraPath);
    survey.gcpLayoutPath = blockDirectory + "\\" + name + ".gcl";
    platform::storeText(info.controlPointFile, sizeof info.controlPointFile, survey.gcpLayoutPath);
    block.imageListPath = ybGetBlkAuxFileName(info, ".bil", nullptr);
    block.tiePointPath = ybGetBlkAuxFileName(info, ".scp", nullptr);
    survey.truthDirectory = blockDirectory + "\\truth";

    // The flight plan and what was flown.
    double const footprintX = Camera::kColumns * kGroundPixel;
    double const footprintY = Camera::kRows * kGroundPixel;
    double const base = (1.0 - shape.forwardOverlap) * footprintX;
    double const spacing = (1.0 - shape.sideOverlap) * footprintY;
    Noise noise(shape.seed);
    std::int32_t const perStrip = shape.imagesPerStrip;
    for (std::int32_t s = 1; s <= shape.strips; ++s) {
        bool const east = s % 2 == 1;
        for (std::int32_t k = 1; k <= perStrip; ++k) {
            SurveyExposure exposure;
            exposure.imageNo = s * 100 + k;
            double const along = (east ? k - 1 : perStrip - k) * base;
            double const across = -(s - 1) * spacing;
            exposure.centre = {along + noise.normal(shape.positionNoise), across + noise.normal(shape.positionNoise),
                               Camera::kFlyingHeight + noise.normal(shape.positionNoise)};
            exposure.omega = noise.normal(shape.attitudeNoise);
            exposure.phi = noise.normal(shape.attitudeNoise);
            exposure.kappa = (east ? 0.0 : 180.0) + noise.normal(shape.attitudeNoise);
            survey.exposures.push_back(exposure);
        }
    }
    // Pixel to micrometres, y up, the image's middle (between the pixel centres) at 0.
    double const pixel = Camera::kPixelMicrometres;
    survey.innerOrientation = {-pixel * (Camera::kColumns - 1) / 2.0, pixel, 0.0,
                               pixel * (Camera::kRows - 1) / 2.0,     0.0,   -pixel};

    // Ground points on a jittered grid over the covered area, dense enough for the points an image asks.
    double const gridStep = std::sqrt(footprintX * footprintY / shape.pointsPerImage);
    double const west = -footprintX / 2, eastEnd = (perStrip - 1) * base + footprintX / 2;
    double const north = footprintY / 2, south = -(shape.strips - 1) * spacing - footprintY / 2;
    auto const columns = static_cast<std::int64_t>(std::ceil((eastEnd - west) / gridStep));
    auto const rows = static_cast<std::int64_t>(std::ceil((north - south) / gridStep));
    std::vector<std::vector<std::pair<std::int64_t, std::array<double, 2>>>> seen(survey.exposures.size());
    std::vector<Vector> grounds;
    std::vector<std::int32_t> views;
    double const reach = 3.0 * shape.positionNoise + Camera::kFlyingHeight * std::sin(radians(4 * shape.attitudeNoise));
    for (std::int64_t row = 0; row < rows; ++row) {
        for (std::int64_t column = 0; column < columns; ++column) {
            double const gx = west + (static_cast<double>(column) + 0.1 + 0.8 * noise.uniform()) * gridStep;
            double const gy = south + (static_cast<double>(row) + 0.1 + 0.8 * noise.uniform()) * gridStep;
            Vector const ground{gx, gy, terrainHeight(gx, gy)};
            auto const serial = static_cast<std::int64_t>(grounds.size());
            std::int32_t count = 0;
            // Only the exposures whose planned footprint (widened by what the deviations and relief
            // can move it) holds the point are tried.
            double const halfX = footprintX / 2 + reach + 0.2 * footprintX,
                         halfY = footprintY / 2 + reach + 0.2 * footprintY;
            auto firstStrip = static_cast<std::int32_t>(std::floor((-gy - halfY) / spacing)) + 1;
            auto lastStrip = static_cast<std::int32_t>(std::ceil((-gy + halfY) / spacing)) + 1;
            for (std::int32_t s = std::max(1, firstStrip); s <= std::min(shape.strips, lastStrip); ++s) {
                auto const lowSlot =
                    std::max<std::int64_t>(0, static_cast<std::int64_t>(std::floor((gx - halfX) / base)));
                auto const highSlot =
                    std::min<std::int64_t>(perStrip - 1, static_cast<std::int64_t>(std::ceil((gx + halfX) / base)));
                for (std::int64_t slot = lowSlot; slot <= highSlot; ++slot) {
                    std::int64_t const k = s % 2 == 1 ? slot + 1 : perStrip - slot;
                    std::size_t const index = static_cast<std::size_t>((s - 1) * perStrip + k - 1);
                    double x = 0, y = 0;
                    if (!project(survey.exposures[index], survey.innerOrientation, ground, x, y)) continue;
                    if (x < 0.0 || y < 0.0 || x > Camera::kColumns - 1.0 || y > Camera::kRows - 1.0) continue;
                    seen[index].push_back(
                        {serial, {x + noise.normal(shape.pixelNoise), y + noise.normal(shape.pixelNoise)}});
                    ++count;
                }
            }
            grounds.push_back(ground);
            views.push_back(count);
        }
    }
    // Points on two images or more are tie points; they are named in the order of the grid.
    std::vector<std::int64_t> pointOf(grounds.size(), -1);
    int const width = std::max<int>(5, static_cast<int>(std::to_string(grounds.size()).size()));
    for (std::size_t i = 0; i < grounds.size(); ++i) {
        if (views[i] < 2) continue;
        pointOf[i] = static_cast<std::int64_t>(survey.points.size());
        survey.points.push_back({"P" + padded(static_cast<std::int64_t>(survey.points.size()) + 1, width), grounds[i]});
    }
    std::vector<std::vector<std::int32_t>> imagesOfPoint(survey.points.size());
    for (std::size_t e = 0; e < survey.exposures.size(); ++e) {
        for (auto const& [serial, xy] : seen[e]) {
            std::int64_t const p = pointOf[static_cast<std::size_t>(serial)];
            if (p < 0) continue;
            tagImagePoint point{};
            point.imageNo = survey.exposures[e].imageNo;
            point.x = xy[0];
            point.y = xy[1];
            point.type = 0;  // measured, not to be removed with the automatically extracted points
            std::string const& pointName = survey.points[static_cast<std::size_t>(p)].name;
            std::memcpy(point.name, pointName.data(), std::min(pointName.size(), sizeof point.name - 1));
            block.points.push_back(point);
            imagesOfPoint[static_cast<std::size_t>(p)].push_back(survey.exposures[e].imageNo);
        }
    }

    // Control: the points nearest to the block's corners and its middle, each on at most 12 images.
    std::vector<BLOCKGCPLAYOUTINFO> layout;
    std::array<std::array<double, 2>, 5> const targets{{{west, north},
                                                        {eastEnd, north},
                                                        {west, south},
                                                        {eastEnd, south},
                                                        {(west + eastEnd) / 2, (north + south) / 2}}};
    for (std::int32_t t = 0; t < shape.controlPoints; ++t) {
        std::size_t best = survey.points.size();
        double bestDistance = 0.0;
        for (std::size_t p = 0; p < survey.points.size(); ++p) {
            if (imagesOfPoint[p].size() > 12) continue;
            auto const& g = survey.points[p].ground;
            double const distance = std::hypot(g[0] - targets[static_cast<std::size_t>(t)][0],
                                               g[1] - targets[static_cast<std::size_t>(t)][1]);
            if (best == survey.points.size() || distance < bestDistance) best = p, bestDistance = distance;
        }
        if (best == survey.points.size() || std::ranges::count(survey.controlNames, survey.points[best].name) > 0)
            continue;
        BLOCKGCPLAYOUTINFO record{};
        std::string const& controlName = survey.points[best].name;
        std::memcpy(record.callerData, controlName.data(), std::min(controlName.size(), sizeof record.callerData - 1));
        record.imageCount = static_cast<std::int32_t>(imagesOfPoint[best].size());
        std::ranges::copy(imagesOfPoint[best], record.imageNo);
        layout.push_back(record);
        survey.controlNames.push_back(controlName);
    }

    // The block's files.
    if (!ybCreateBlockFolder(blockDirectory.c_str()) &&
        !step(kCannotWrite, "creating the block folder " + blockDirectory))
        return code;
    if (!step(ybWriteBlockOptionFile(block.optionPath.c_str(), &info), "writing " + block.optionPath)) return code;
    CameraInfo camera{};
    camera.principalDistance = Camera::kPrincipalDistanceMm;
    camera.principalPointX = Camera::kPrincipalPointX;
    camera.principalPointY = Camera::kPrincipalPointY;
    // A digital camera's fiducial marks: the corners of its sensor, in millimetres.
    double const halfWidth = Camera::kColumns * pixel / 2000.0, halfHeight = Camera::kRows * pixel / 2000.0;
    RimPoint const rims[4] = {{1, -halfWidth, halfHeight},
                              {2, halfWidth, halfHeight},
                              {3, halfWidth, -halfHeight},
                              {4, -halfWidth, -halfHeight}};
    if (!step(ybWriteCameraParaFile(block.cameraPath.c_str(), &camera, rims, RIM_LAYOUT_FOUR, nullptr, 0),
              "writing " + block.cameraPath))
        return code;
    if (!step(ybCreateNewImageRecordFile(block.imageListPath.c_str(), shape.strips), "creating " + block.imageListPath))
        return code;
    block.stripImages.resize(static_cast<std::size_t>(shape.strips));
    double const dotsPerInch = 25400.0 / pixel;
    for (SurveyExposure const& exposure : survey.exposures) {
        std::int32_t const strip = exposure.imageNo / 100, position = exposure.imageNo % 100;
        std::string const path = imagePath(blockDirectory, strip, position, shape.strips);
        ImageOrderInfo image{};
        image.nImageNo = exposure.imageNo;
        platform::storeText(image.szImagePath, sizeof image.szImagePath, path);
        image.nGroupNo = 1;
        image.nStripNo = strip;
        D_RECT const range{exposure.centre[0] - footprintX / 2, exposure.centre[1] - footprintY / 2,
                           exposure.centre[0] + footprintX / 2, exposure.centre[1] + footprintY / 2};
        if (!step(ybCreateYbiFile(path.c_str(), Camera::kRows, Camera::kColumns, dotsPerInch, range),
                  "creating " + path))
            return code;
        std::string const inner = ybGetImgAuxFileName(info, path.c_str(), ".ioc", nullptr, nullptr);
        if (!step(ybWriteOrientCeff(inner.c_str(), 0, survey.innerOrientation.data()), "writing " + inner)) return code;
        block.stripImages[static_cast<std::size_t>(strip - 1)].push_back(image);
    }
    for (std::int32_t s = 1; s <= shape.strips; ++s)
        if (!step(ybWriteOneStripImageRecord(block.imageListPath.c_str(), shape.strips, s,
                                             block.stripImages[static_cast<std::size_t>(s - 1)]),
                  "writing strip " + std::to_string(s) + " of " + block.imageListPath))
            return code;
    if (!step(ybCreateTiePntFile(block.tiePointPath.c_str(), block.points.data(),
                                 static_cast<std::int32_t>(block.points.size())),
              "writing " + block.tiePointPath))
        return code;
    if (!step(ybWriteBlockGcpLayoutFile(survey.gcpLayoutPath.c_str(), layout.data(),
                                        static_cast<std::int32_t>(layout.size())),
              "writing " + survey.gcpLayoutPath))
        return code;

    // The truth.
    if (!platform::makeDirectory(survey.truthDirectory) && !step(kCannotWrite, "creating " + survey.truthDirectory))
        return code;
    std::string cameras = "image,x,y,z,omega,phi,kappa\n";
    for (SurveyExposure const& e : survey.exposures)
        cameras += std::to_string(e.imageNo) + "," + number(e.centre[0]) + "," + number(e.centre[1]) + "," +
                   number(e.centre[2]) + "," + number(e.omega) + "," + number(e.phi) + "," + number(e.kappa) + "\n";
    std::string points = "name,x,y,z\n";
    for (SurveyPoint const& p : survey.points)
        points += p.name + "," + number(p.ground[0]) + "," + number(p.ground[1]) + "," + number(p.ground[2]) + "\n";
    for (auto const& [file, text] :
         {std::pair{std::string("cameras.csv"), &cameras}, {std::string("points.csv"), &points}})
        if (!writeCsv(survey.truthDirectory + "\\" + file, *text) &&
            !step(kCannotWrite, "writing " + survey.truthDirectory + "\\" + file))
            return code;
    return code;
}

}  // namespace yb::blockgen
