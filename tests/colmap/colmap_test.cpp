// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The COLMAP exchange judged by COLMAP itself: a simulated survey exported, oriented by `colmap mapper`
// and compared with its truth, its model imported back; and every refusal (damaged model or database,
// unknown camera model, images the block lacks, a satellite block) leaving the block as it was.
#include "test_support.h"

#include "colmap_database.h"
#include "colmap_exchange.h"
#include "colmap_model.h"
#include "fs.h"
#include "survey.h"
#include "tool_run.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <yb/YbiBase.h>
#include <yb/ybiOrient.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using yb::blockgen::Survey;
using Vector = std::array<double, 3>;

using yb::test::expectRun;
using yb::test::Outcome;
using yb::test::ybblock;

// Runs a COLMAP command quietly; its output, or nullopt when it failed.
std::optional<std::string> colmap(std::string const& arguments, std::string const& folder) {
    std::string const log = folder + "/colmap.log";
    std::string const command = "QT_QPA_PLATFORM=offscreen colmap " + arguments + " > '" + log + "' 2>&1";
    int const status = std::system(command.c_str());
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    if (status != 0) {
        ADD_FAILURE() << "colmap " << arguments << " failed (scripts/bootstrap.sh colmap installs COLMAP):\n" << text;
        return std::nullopt;
    }
    return text;
}

// The best similarity transform from `from` onto `to` (Horn's quaternion rotation, with the least
// squares scale, as Umeyama's method gives), and the largest distance left.
double largestResidual(std::vector<Vector> const& from, std::vector<Vector> const& to) {
    Vector a{}, b{};
    for (std::size_t i = 0; i < from.size(); ++i)
        for (std::size_t k = 0; k < 3; ++k)
            a[k] += from[i][k] / static_cast<double>(from.size()), b[k] += to[i][k] / static_cast<double>(to.size());
    double s[3][3] = {};
    for (std::size_t i = 0; i < from.size(); ++i)
        for (std::size_t r = 0; r < 3; ++r)
            for (std::size_t c = 0; c < 3; ++c) s[r][c] += (from[i][r] - a[r]) * (to[i][c] - b[c]);
    double n[4][4] = {{s[0][0] + s[1][1] + s[2][2], s[1][2] - s[2][1], s[2][0] - s[0][2], s[0][1] - s[1][0]},
                      {0, s[0][0] - s[1][1] - s[2][2], s[0][1] + s[1][0], s[2][0] + s[0][2]},
                      {0, 0, -s[0][0] + s[1][1] - s[2][2], s[1][2] + s[2][1]},
                      {0, 0, 0, -s[0][0] - s[1][1] + s[2][2]}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < r; ++c) n[r][c] = n[c][r];
    // The eigenvector of the largest eigenvalue by Jacobi rotations.
    double v[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    for (int sweep = 0; sweep < 50; ++sweep)
        for (int p = 0; p < 4; ++p)
            for (int q = p + 1; q < 4; ++q) {
                if (std::abs(n[p][q]) < 1e-300) continue;
                double const theta = (n[q][q] - n[p][p]) / (2 * n[p][q]);
                double const t = (theta >= 0 ? 1 : -1) / (std::abs(theta) + std::sqrt(theta * theta + 1));
                double const c = 1 / std::sqrt(t * t + 1), sn = t * c;
                auto rotate = [c, sn](double& first, double& second) {
                    double const was = first;
                    first = c * was - sn * second, second = sn * was + c * second;
                };
                for (int k = 0; k < 4; ++k) rotate(n[k][p], n[k][q]);  // columns p and q, then rows p and q
                for (int k = 0; k < 4; ++k) rotate(n[p][k], n[q][k]);
                for (int k = 0; k < 4; ++k) rotate(v[k][p], v[k][q]);
            }
    int best = 0;
    for (int k = 1; k < 4; ++k)
        if (n[k][k] > n[best][best]) best = k;
    double const w = v[0][best], x = v[1][best], y = v[2][best], z = v[3][best];
    double const r[3][3] = {{w * w + x * x - y * y - z * z, 2 * (x * y - w * z), 2 * (x * z + w * y)},
                            {2 * (x * y + w * z), w * w - x * x + y * y - z * z, 2 * (y * z - w * x)},
                            {2 * (x * z - w * y), 2 * (y * z + w * x), w * w - x * x - y * y + z * z}};
    std::vector<Vector> turned(from.size());
    double along = 0, norm = 0;
    for (std::size_t i = 0; i < from.size(); ++i) {
        for (std::size_t row = 0; row < 3; ++row) {
            turned[i][row] = 0;
            for (std::size_t c = 0; c < 3; ++c) turned[i][row] += r[row][c] * (from[i][c] - a[c]);
            along += turned[i][row] * (to[i][row] - b[row]);
            norm += turned[i][row] * turned[i][row];
        }
    }
    double const scale = along / norm;
    double worst = 0;
    for (std::size_t i = 0; i < from.size(); ++i)
        worst =
            std::max(worst, std::hypot(scale * turned[i][0] + b[0] - to[i][0], scale * turned[i][1] + b[1] - to[i][1],
                                       scale * turned[i][2] + b[2] - to[i][2]));
    return worst;
}

// Projection centre of a model image: -R(q)^T t.
Vector centreOf(yb::colmap::ModelImage const& image) {
    auto const [qw, qx, qy, qz] = image.rotation;
    double const r[3][3] = {{1 - 2 * (qy * qy + qz * qz), 2 * (qx * qy - qw * qz), 2 * (qx * qz + qw * qy)},
                            {2 * (qx * qy + qw * qz), 1 - 2 * (qx * qx + qz * qz), 2 * (qy * qz - qw * qx)},
                            {2 * (qx * qz - qw * qy), 2 * (qy * qz + qw * qx), 1 - 2 * (qx * qx + qy * qy)}};
    Vector centre{};
    for (std::size_t c = 0; c < 3; ++c)
        for (std::size_t k = 0; k < 3; ++k) centre[c] -= r[k][c] * image.translation[k];
    return centre;
}

class ColmapTest : public yb::test::DriveFixture {
protected:
    yb::test::MessageRecorder messages_;

    Survey fly(std::string const& folder, yb::blockgen::SurveyShape shape = {}) {
        Survey survey;
        std::string failed;
        EXPECT_EQ(yb::blockgen::generateSurvey("D:\\" + folder, "Survey", shape, survey, failed), 0) << failed;
        return survey;
    }
    std::vector<tagImagePoint> tiePoints(Survey const& survey) {
        std::vector<tagImagePoint> points;
        EXPECT_EQ(ybReadTiePntFileToAry(survey.block.tiePointPath.c_str(), points), 0);
        return points;
    }
    // A model of the survey's own tie points, as COLMAP would give it back from the survey's export
    // had it kept every point; written in `form` into `folder` (native, relative) unless empty.
    yb::colmap::Model modelOf(Survey const& survey, std::string const& folder, bool binary) {
        std::vector<std::string> names;
        std::vector<std::int32_t> numbers;
        for (auto const& exposure : survey.exposures) {
            char name[16];
            std::snprintf(name, sizeof name, "%04d.ybi", exposure.imageNo);
            names.push_back(name);
            numbers.push_back(exposure.imageNo);
        }
        yb::colmap::Model model = yb::colmap::modelOfTiePoints(
            names, numbers, tiePoints(survey), yb::blockgen::SurveyCamera::kColumns, yb::blockgen::SurveyCamera::kRows);
        if (!folder.empty()) write(model, folder, binary);
        return model;
    }
    void write(yb::colmap::Model const& model, std::string const& folder, bool binary) {
        fs::create_directories(native(folder));
        std::string problem;
        EXPECT_TRUE(yb::colmap::writeModel(model, native(folder), binary, problem)) << problem;
    }
    // Renames the inner orientation file of `image` to its name in capitals; the path it then has.
    static fs::path capitaliseInnerOrientation(Survey const& survey, ImageOrderInfo const& image) {
        fs::path const file = *yb::platform::nativePath(
            ybGetImgAuxFileName(survey.block.info, image.szImagePath, ".ioc", nullptr, nullptr));
        std::string upper = file.filename().string();
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_NE(upper, file.filename().string());
        fs::rename(file, file.parent_path() / upper);
        return file.parent_path() / upper;
    }
    static std::size_t observationsInTracks(yb::colmap::Model const& model) {
        std::size_t elements = 0;
        for (auto const& point : model.points) elements += point.track.size();
        return elements;
    }
};

// Photo coordinates in millimetres as the survey's inner orientation gives them: the offset from the
// principal point (pixel 1501.5, 1001), 6 um a pixel, y up.
void expectPhotoCoordinates(tagImagePoint const& point) {
    EXPECT_NEAR(point.photoX, (point.x - 1501.5) * 0.006, 1e-9) << point.name;
    EXPECT_NEAR(point.photoY, -(point.y - 1001.0) * 0.006, 1e-9) << point.name;
}

// The observations of a tie point file by image and name.
std::map<std::pair<std::int32_t, std::string>, tagImagePoint> byImageAndName(std::vector<tagImagePoint> const& points) {
    std::map<std::pair<std::int32_t, std::string>, tagImagePoint> found;
    for (tagImagePoint const& point : points) found.emplace(std::pair{std::int32_t{point.imageNo}, point.name}, point);
    return found;
}

// Where a ground point appears on an image, worked from the collinearity equations on their own,
// apart from the generator's projection: the direction to the point is turned into the photo frame one
// axis at a time (omega undone about x, then phi about y, then kappa about z), put on the image plane
// at the principal distance, moved by the principal point, and made a pixel by inverting the image's
// inner orientation. Nothing when the point lies behind the camera.
struct Pose {
    Vector centre{};
    double omega = 0, phi = 0, kappa = 0;  // degrees
};
std::optional<std::array<double, 2>> pixelOf(Pose const& pose, CameraInfo const& camera,
                                             std::array<double, 6> const& inner, Vector const& ground) {
    double d[3] = {ground[0] - pose.centre[0], ground[1] - pose.centre[1], ground[2] - pose.centre[2]};
    auto undo = [](double& a, double& b, double degrees) {
        double const t = degrees * std::acos(-1.0) / 180.0, was = a;
        a = std::cos(t) * was + std::sin(t) * b;
        b = -std::sin(t) * was + std::cos(t) * b;
    };
    undo(d[1], d[2], pose.omega);
    undo(d[2], d[0], pose.phi);
    undo(d[0], d[1], pose.kappa);
    if (d[2] >= 0) return std::nullopt;
    double const u = -camera.principalDistance * d[0] / d[2] * 1000.0 + camera.principalPointX;  // micrometres
    double const v = -camera.principalDistance * d[1] / d[2] * 1000.0 + camera.principalPointY;
    double const det = inner[1] * inner[5] - inner[2] * inner[4];
    return std::array<double, 2>{((u - inner[0]) * inner[5] - (v - inner[3]) * inner[2]) / det,
                                 ((v - inner[3]) * inner[1] - (u - inner[0]) * inner[4]) / det};
}

// The comma-separated numbers of each line of a truth file after its heading, by the first field.
std::map<std::string, std::vector<double>> truthRows(std::string const& text) {
    std::map<std::string, std::vector<double>> rows;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string key, field;
        std::getline(fields, key, ',');
        while (std::getline(fields, field, ',')) rows[key].push_back(std::stod(field));
    }
    return rows;
}

// The measurements of the survey's tie point file against the truth it wrote (cameras.csv, points.csv),
// the block's camera file (its principal point in micrometres, as the survey keeps it) and each
// image's inner orientation file, through pixelOf. pixelOf itself is
// pinned by points worked by hand with the survey's camera (24 mm, principal point 12 and -9 um, 6 um
// pixels, y down; the image's middle is pixel 1499.5, 999.5), one pose for each axis and one turned
// about two, where the order of the turns shows.
TEST_F(ColmapTest, SurveyMeasurementsAreTheTruthProjected) {
    CameraInfo camera{};
    camera.principalDistance = 24.0;
    camera.principalPointX = 12.0;
    camera.principalPointY = -9.0;
    std::array<double, 6> const inner{-8997.0, 6.0, 0.0, 5997.0, 0.0, -6.0};
    struct Worked {
        Pose pose;
        Vector ground;
        double x, y;
    };
    Worked const worked[] = {
        {{{0, 0, 400}, 0, 0, 0}, {40, 20, 0}, 1901.5, 801},       // 2.4 and 1.2 mm off the principal point
        {{{0, 0, 400}, 0, 0, 180}, {40, 20, 0}, 1101.5, 1201},    // the same, flown the other way
        {{{0, 0, 400}, 90, 0, 0}, {10, 400, 420}, 1601.5, 801},   // looking north
        {{{0, 0, 400}, 0, 90, 0}, {-400, 20, 410}, 1401.5, 801},  // looking west
        {{{0, 0, 400}, 90, 0, 90}, {10, 400, 420}, 1701.5, 1101},
    };
    for (Worked const& point : worked) {
        auto const pixel = pixelOf(point.pose, camera, inner, point.ground);
        ASSERT_TRUE(pixel);
        EXPECT_NEAR((*pixel)[0], point.x, 1e-9);
        EXPECT_NEAR((*pixel)[1], point.y, 1e-9);
    }
    EXPECT_FALSE(pixelOf({{0, 0, 400}, 0, 0, 0}, camera, inner, {0, 0, 500}));

    Survey const survey = fly("Survey");
    ASSERT_EQ(survey.exposures.size(), 24u);
    CameraInfo blockCamera{};
    ASSERT_EQ(ybReadCameraParaFile(survey.block.cameraPath.c_str(), &blockCamera, nullptr, nullptr, nullptr, nullptr),
              0);
    BlockInfo info{};
    ASSERT_EQ(ybReadBlockOptionFile(survey.block.optionPath.c_str(), &info), 0);
    std::map<std::int32_t, std::array<double, 6>> innerOf;
    for (auto const& strip : survey.block.stripImages)
        for (ImageOrderInfo const& image : strip) {
            std::string const file = ybGetImgAuxFileName(info, image.szImagePath, ".ioc", nullptr, nullptr);
            alignas(8) unsigned char record[128] = {};
            ASSERT_EQ(ybReadOrientCeff(file.c_str(), record), 0) << file;
            std::memcpy(innerOf[image.nImageNo].data(), record + ORIENT_RECORD_FIRST_VALUE[ORIENT_KIND_INNER], 48);
        }
    auto const poses = truthRows(readNativeText("Survey/truth/cameras.csv"));
    auto const grounds = truthRows(readNativeText("Survey/truth/points.csv"));
    ASSERT_EQ(poses.size(), 24u);
    EXPECT_EQ(grounds.size(), survey.points.size());
    std::vector<tagImagePoint> const points = tiePoints(survey);
    ASSERT_GT(points.size(), 2000u);
    double worst = 0, squares = 0;
    for (tagImagePoint const& point : points) {
        std::int32_t const imageNo = point.imageNo;  // packed record: copied, not referred to
        std::vector<double> const& p = poses.at(std::to_string(imageNo));
        std::vector<double> const& g = grounds.at(point.name);
        auto const pixel =
            pixelOf({{p[0], p[1], p[2]}, p[3], p[4], p[5]}, blockCamera, innerOf.at(imageNo), {g[0], g[1], g[2]});
        ASSERT_TRUE(pixel) << point.name;
        double const dx = point.x - (*pixel)[0], dy = point.y - (*pixel)[1];
        worst = std::max({worst, std::abs(dx), std::abs(dy)});
        squares += dx * dx + dy * dy;
    }
    // The pixel noise the survey adds (0.3 a coordinate): never five times over, and there on the whole.
    EXPECT_LT(worst, 5 * 0.3);
    double const spread = std::sqrt(squares / (2.0 * static_cast<double>(points.size())));
    EXPECT_GT(spread, 0.25);
    EXPECT_LT(spread, 0.35);
    EXPECT_EQ(survey.controlNames.size(), 5u);
}

// Two runs of the mapper from other initial pairs number their 3D points independently; each imported
// in turn, neither adds a name nor moves a measurement: every observation stays the survey's own, one
// name per ground point and image, and the observations in the tracks get their photo coordinates.
TEST_F(ColmapTest, ColmapOrientsTheExportedSurveyAndTwoRunsComeBackUnderTheBlocksNames) {
    if (std::system("command -v colmap >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "COLMAP is not installed (scripts/test-colmap.sh installs it and runs these tests)";
    Survey const survey = fly("Survey");
    std::vector<tagImagePoint> const measured = tiePoints(survey);
    Outcome const exported = expectRun({"export", "colmap", "D:\\Survey\\Survey.dms", "-o", native("colmap")}, 0,
                                       {"PINHOLE 4000, 4000, 1502, 1001.5"});
    ASSERT_EQ(exported.status, 0);
    std::string const folder = native("colmap");
    fs::create_directories(native("colmap/sparse"));
    fs::create_directories(native("colmap/second"));
    ASSERT_TRUE(colmap("mapper --database_path " + folder + "/database.db --image_path " + folder + " --output_path " +
                           folder + "/sparse",
                       folder));
    // The second run starts from a pair of the last strip.
    ASSERT_TRUE(colmap("mapper --database_path " + folder + "/database.db --image_path " + folder + " --output_path " +
                           folder + "/second --Mapper.init_image_id1 20 --Mapper.init_image_id2 21",
                       folder));
    auto const analysis = colmap("model_analyzer --path " + folder + "/sparse/0", folder);
    ASSERT_TRUE(analysis);
    EXPECT_NE(analysis->find("Registered images: 24"), std::string::npos) << *analysis;
    auto const error = analysis->find("Mean reprojection error: ");
    ASSERT_NE(error, std::string::npos) << *analysis;
    EXPECT_LT(std::stod(analysis->substr(error + 25)), 1.0) << *analysis;

    // Camera centres against the truth, after the best similarity transform.
    std::string problem;
    auto const model = yb::colmap::readModel(folder + "/sparse/0", problem);
    ASSERT_TRUE(model) << problem;
    ASSERT_EQ(model->images.size(), 24u);
    std::vector<Vector> found, truth;
    Vector low{1e300, 1e300, 1e300}, high{-1e300, -1e300, -1e300};
    for (auto const& image : model->images) {
        found.push_back(centreOf(image));
        auto const number = std::stoi(image.name.substr(0, 4));
        auto const exposure = std::ranges::find(survey.exposures, number, &yb::blockgen::SurveyExposure::imageNo);
        truth.push_back(exposure->centre);
        for (std::size_t k = 0; k < 3; ++k)
            low[k] = std::min(low[k], exposure->centre[k]), high[k] = std::max(high[k], exposure->centre[k]);
    }
    double const extent = std::hypot(high[0] - low[0], high[1] - low[1], high[2] - low[2]);
    EXPECT_LT(largestResidual(found, truth), 0.005 * extent);

    // The first run as it is (binary), the second in its text form; each finds the export's record
    // in the folder above.
    auto const second = yb::colmap::readModel(folder + "/second/0", problem);
    ASSERT_TRUE(second) << problem;
    fs::create_directories(native("colmap/second/text"));
    ASSERT_TRUE(colmap("model_converter --input_path " + folder + "/second/0 --output_path " + folder +
                           "/second/text --output_type TXT",
                       folder));
    // Keypoint k of an image is its k-th observation.
    std::map<std::int32_t, std::vector<tagImagePoint>> measuredOf;
    for (tagImagePoint const& point : measured) measuredOf[std::int32_t{point.imageNo}].push_back(point);
    std::set<std::pair<std::int32_t, std::string>> inTracks;
    for (auto const* run : {&*model, &*second}) {
        std::map<std::uint32_t, std::int32_t> numberOf;
        for (auto const& image : run->images) numberOf[image.id] = std::stoi(image.name.substr(0, 4));
        for (auto const& point : run->points)
            for (auto const& element : point.track)
                inTracks.insert(
                    {numberOf.at(element.image), measuredOf.at(numberOf.at(element.image)).at(element.point2D).name});
    }
    for (std::string const& run : {folder + "/sparse/0", folder + "/second/text"})
        expectRun({"import", "colmap", run, "D:\\Survey\\Survey.dms"}, 0,
                  {"exported from D:\\Survey\\Survey.dms", ": 0 new, "});

    // Every measurement as it was, under its name; photo coordinates filled on the rows the tracks hold.
    std::vector<tagImagePoint> const after = tiePoints(survey);
    ASSERT_EQ(after.size(), measured.size());
    auto const was = byImageAndName(measured);
    std::size_t filled = 0;
    for (tagImagePoint const& point : after) {
        tagImagePoint const& before = was.at({std::int32_t{point.imageNo}, point.name});
        EXPECT_EQ(std::memcmp(&before.x, &point.x, 2 * sizeof point.x), 0) << point.name;
        if (inTracks.contains({std::int32_t{point.imageNo}, point.name})) {
            expectPhotoCoordinates(point);
            ++filled;
        } else {
            EXPECT_EQ(double{point.photoX}, double{before.photoX});  // copies: the record is packed
        }
    }
    EXPECT_EQ(filled, inTracks.size());
    EXPECT_GT(filled, 2000u);

    // Each observation is where one ground point projects: no name joins two of them, and no ground
    // point is measured twice on an image.
    std::map<std::int32_t, std::vector<std::pair<std::string, std::array<double, 2>>>> projected;
    for (auto const& exposure : survey.exposures)
        for (auto const& ground : survey.points) {
            double x = 0, y = 0;
            if (yb::blockgen::project(exposure, survey.innerOrientation, ground.ground, x, y))
                projected[exposure.imageNo].push_back({ground.name, {x, y}});
        }
    std::map<std::string, std::string> groundOfName;
    std::set<std::pair<std::int32_t, std::string>> measuredOnce;
    for (tagImagePoint const& point : after) {
        std::string nearest;
        double best = 5 * 0.3;  // five standard deviations of the pixel noise
        for (auto const& [ground, at] : projected[std::int32_t{point.imageNo}])
            if (double const d = std::hypot(at[0] - point.x, at[1] - point.y); d < best) best = d, nearest = ground;
        ASSERT_FALSE(nearest.empty()) << point.name << " on image " << point.imageNo;
        EXPECT_EQ(groundOfName.try_emplace(point.name, nearest).first->second, nearest) << point.name;
        EXPECT_TRUE(measuredOnce.insert({std::int32_t{point.imageNo}, nearest}).second) << nearest;
    }
}

// The demo block a newcomer makes first is oriented by the mapper from its tie points alone: every
// image registered, in one model, the camera centres where the demo flew them (over the middles of the
// images' user ranges, all at one height), and the model imported back under the block's names.
TEST_F(ColmapTest, ColmapOrientsTheDemoBlock) {
    if (std::system("command -v colmap >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "COLMAP is not installed (scripts/test-colmap.sh installs it and runs these tests)";
    ASSERT_EQ(ybblock({"demo", native()}).status, 0);
    std::string const block = "D:\\DemoBlock\\Demo.dms";
    ASSERT_EQ(ybblock({"export", "colmap", block, "-o", native("colmap")}).status, 0);
    std::string const folder = native("colmap");
    fs::create_directories(native("colmap/sparse"));
    ASSERT_TRUE(colmap("mapper --database_path " + folder + "/database.db --image_path " + folder + " --output_path " +
                           folder + "/sparse",
                       folder));
    EXPECT_FALSE(fs::exists(native("colmap/sparse/1"))) << "the mapper split the block";
    auto const analysis = colmap("model_analyzer --path " + folder + "/sparse/0", folder);
    ASSERT_TRUE(analysis);
    EXPECT_NE(analysis->find("Registered images: 10"), std::string::npos) << *analysis;
    auto const error = analysis->find("Mean reprojection error: ");
    ASSERT_NE(error, std::string::npos) << *analysis;
    EXPECT_LT(std::stod(analysis->substr(error + 25)), 0.05) << *analysis;  // pixels kept to a hundredth

    std::string problem;
    auto const model = yb::colmap::readModel(folder + "/sparse/0", problem);
    ASSERT_TRUE(model) << problem;
    std::vector<Vector> found, flown;
    for (auto const& image : model->images) {
        found.push_back(centreOf(image));
        int const number = std::stoi(image.name.substr(0, 4));
        double range[4] = {};  // x minimum and maximum, y minimum and maximum of the image's user range
        YbiHandle handle{};
        ASSERT_EQ(ybOpenYbiFileForRead(("D:\\DemoBlock\\Images\\" + image.name).c_str(), &handle), 0) << image.name;
        ASSERT_EQ(ybGetUserCoordinateRangle(handle, 0, &range[0], &range[1], &range[2], &range[3]), 0);
        ybCloseYbiFileForRead(handle);
        flown.push_back({(range[0] + range[1]) / 2, (range[2] + range[3]) / 2, 1800.0});
        EXPECT_EQ(number % 100, static_cast<int>(range[0]) / 1000) << image.name;
    }
    EXPECT_LT(largestResidual(found, flown), 0.5);  // metres, over a block 4 km long

    expectRun({"import", "colmap", folder + "/sparse/0", block}, 0, {"exported from " + block, ": 0 new, "});
}

TEST_F(ColmapTest, RefusalsSayWhyAndLeaveTheBlockAsItWas) {
    Survey const survey = fly("Survey");
    modelOf(survey, "good", true);
    modelOf(survey, "text", false);
    auto const tieBytes = readNative("Survey/Survey.scp");
    auto copyModel = [&](std::string const& from, std::string const& to) {
        fs::create_directories(native(to));
        fs::copy(native(from), native(to), fs::copy_options::recursive);
    };
    // Damaged models: images.bin cut short; a count beyond the file; an unknown camera model (binary
    // and text); a text value that is no number; a track naming a point of another track.
    copyModel("good", "cut");
    fs::resize_file(native("cut/images.bin"), fs::file_size(native("cut/images.bin")) - 5);
    copyModel("good", "huge");
    auto points = readNative("huge/points3D.bin");
    for (int k = 0; k < 8; ++k) points[static_cast<std::size_t>(k)] = 0x7f;
    writeNative("huge/points3D.bin", points);
    copyModel("good", "model9");
    auto cameras = readNative("model9/cameras.bin");
    cameras[12] = 42;  // the model id of camera 1
    writeNative("model9/cameras.bin", cameras);
    copyModel("text", "weird");
    writeNative("weird/cameras.txt", {'1', ' ', 'W', 'E', 'I', 'R', 'D', ' ', '9', ' ', '9', ' ', '1', '\n'});
    copyModel("text", "nan");
    std::string text = readNativeText("text/points3D.txt");
    std::string const first = "\n1 0 0 0 0 0 0 0 ";  // id, position, colour, error
    ASSERT_NE(text.find(first), std::string::npos);
    text.replace(text.find(first), first.size(), "\n1 0 0 0 0 0 0 x ");
    writeNative("nan/points3D.txt", std::vector<unsigned char>(text.begin(), text.end()));
    // A model of images the block does not have.
    auto foreign = modelOf(survey, "", false);
    for (auto& image : foreign.images) image.name = "other_" + image.name;
    write(foreign, "foreign", false);
    // The survey's export, and its model imported into the demo block, whose images have the same
    // file names: exported from another block, of another camera, most images unknown.
    ASSERT_EQ(ybblock({"export", "colmap", "D:\\Survey\\Survey.dms", "-o", native("colmap")}).status, 0);
    copyModel("good", "colmap/sparse/0");
    ASSERT_EQ(ybblock({"demo", native()}).status, 0);
    auto const demoBytes = readNative("DemoBlock/Demo.scp");
    std::string const demoBlock = "D:\\DemoBlock\\Demo.dms";
    // A satellite block.
    BlockInfo satellite = survey.block.info;
    satellite.imageType = 4;
    ASSERT_EQ(ybWriteBlockOptionFile("D:\\Survey\\Spot.dms", &satellite), 0);
    // A folder whose database.db is damaged.
    fs::create_directories(native("damaged"));
    writeNative("damaged/database.db", std::vector<unsigned char>(4096, 'x'));

    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> says;
    };
    std::vector<Case> const cases = {
        {{"import", "colmap", native("cut"), "D:\\Survey\\Survey.dms"}, {"images.bin: a count of"}},
        {{"import", "colmap", native("huge"), "D:\\Survey\\Survey.dms"}, {"is more than the file can hold"}},
        {{"import", "colmap", native("model9"), "D:\\Survey\\Survey.dms"}, {"unknown camera model id 42"}},
        {{"import", "colmap", native("weird"), "D:\\Survey\\Survey.dms"}, {"unknown camera model 'WEIRD'"}},
        {{"import", "colmap", native("nan"), "D:\\Survey\\Survey.dms"}, {"is not a valid error"}},
        {{"import", "colmap", native("foreign"), "D:\\Survey\\Survey.dms", "--force"},
         {"none of the model's 24 images"}},
        {{"import", "colmap", native("Survey"), "D:\\Survey\\Survey.dms"}, {"no COLMAP model here"}},
        {{"import", "colmap", native("good"), "D:\\Survey\\Spot.dms"}, {"SPOT satellite images"}},
        {{"export", "colmap", "D:\\Survey\\Spot.dms", "-o", native("spot")}, {"SPOT satellite images"}},
        {{"export", "colmap", "D:\\Survey\\Survey.dms", "-o", native("damaged")}, {"not an SQLite database"}},
        {{"import", "colmap", native("good"), "D:\\Survey\\Survey.dms"},
         {"no export record: no database.db in its folder or the two above it", "--force imports it"}},
        {{"import", "colmap", native("good"), "D:\\Survey\\Survey.dms", "--database", native("damaged/database.db")},
         {"not an SQLite database"}},
        {{"import", "colmap", native("good"), "D:\\Survey\\Survey.dms", "--tag", "no tag"}, {"1 to 12 letters"}},
        {{"import", "colmap", native("colmap/sparse/0"), demoBlock},
         {"it was exported from the block 'Survey' (D:\\Survey\\Survey.dms), not from 'Demo'",
          "its camera 1 is 3000 x 2000 pixels, but image 101 of the block is 11000 x 11000",
          "14 of its 24 images are not in the block's image list", "--force imports it all the same"}},
    };
    for (Case const& c : cases) {
        expectRun(c.args, 1, c.says);
        EXPECT_EQ(readNative("Survey/Survey.scp"), tieBytes) << c.args[2];
        EXPECT_EQ(readNative("DemoBlock/Demo.scp"), demoBytes) << c.args[2];
    }
    EXPECT_EQ(readNative("damaged/database.db"), std::vector<unsigned char>(4096, 'x'));
    EXPECT_FALSE(existsNative("spot/database.db"));
    // With --force the damaged database is replaced; a dry run changes nothing.
    EXPECT_EQ(ybblock({"export", "colmap", "D:\\Survey\\Survey.dms", "-o", native("damaged"), "--force"}).status, 0);
    EXPECT_EQ(yb::colmap::whatDatabaseIs(native("damaged/database.db")), "");
    expectRun({"import", "colmap", native("good"), "D:\\Survey\\Survey.dms", "--force", "--dry-run"}, 0,
              {"forced (--force): no export record", "dry run, nothing changed"});
    EXPECT_EQ(readNative("Survey/Survey.scp"), tieBytes);
}

// The inner orientations are found in one look at their folder: a file whose name differs from the
// block's in letter case only is the same file (the same database), and a missing one is named with
// its image, before anything is written.
TEST_F(ColmapTest, ExportFindsInnerOrientationsInAnyCaseAndNamesAMissingOne) {
    Survey const survey = fly("Survey");
    ASSERT_EQ(ybblock({"export", "colmap", "D:\\Survey\\Survey.dms", "-o", native("asWritten")}).status, 0);
    EXPECT_NE(readNativeText("asWritten/README.txt").find(" images named by their file names, 1 camera ("),
              std::string::npos);
    ImageOrderInfo const& image = survey.block.stripImages.at(1).at(2);
    std::string const host = ybGetImgAuxFileName(survey.block.info, image.szImagePath, ".ioc", nullptr, nullptr);
    fs::path const renamed = capitaliseInnerOrientation(survey, image);
    ASSERT_EQ(ybblock({"export", "colmap", "D:\\Survey\\Survey.dms", "-o", native("upper")}).status, 0);
    EXPECT_EQ(readNative("upper/database.db"), readNative("asWritten/database.db"));
    fs::remove(renamed);
    expectRun({"export", "colmap", "D:\\Survey\\Survey.dms", "-o", native("missing")}, 1,
              {"image " + std::to_string(image.nImageNo) + ": its inner orientation '" + host + "' cannot be read",
               "run the inner orientation first"});
    EXPECT_FALSE(existsNative("missing/database.db"));
}

// A model of the survey's export in which COLMAP joined two points into one track, split one over two
// tracks, and kept an observation the block has since moved: every observation goes back under its own
// name, the moved one stays where the block has it, and nothing is added.
TEST_F(ColmapTest, ExportedKeypointsGoBackToTheirObservations) {
    Survey const survey = fly("Survey");
    ASSERT_EQ(ybblock({"export", "colmap", "D:\\Survey\\Survey.dms", "-o", native("colmap")}).status, 0);
    yb::colmap::Model model = modelOf(survey, "", true);
    ASSERT_GT(model.points.size(), 3u);
    auto retrack = [&](yb::colmap::ModelPoint& point) {
        for (auto const& element : point.track)
            model.images[element.image - 1].points2D[element.point2D].point3D = static_cast<std::int64_t>(point.id);
    };
    auto const splitting = std::ranges::find_if(model.points.begin() + 2, model.points.end(),
                                                [](auto const& p) { return p.track.size() >= 3; });
    ASSERT_NE(splitting, model.points.end());
    yb::colmap::ModelPoint joined = model.points[0], part, rest = *splitting;
    joined.track.insert(joined.track.end(), model.points[1].track.begin(), model.points[1].track.end());
    part.id = 100000;
    part.track = {rest.track.back()};
    rest.track.pop_back();
    std::vector<yb::colmap::ModelPoint> points = {joined, rest, part};
    points.insert(points.end(), model.points.begin() + 2, splitting);
    points.insert(points.end(), splitting + 1, model.points.end());
    model.points = std::move(points);
    for (auto& image : model.images)
        for (auto& seen : image.points2D) seen.point3D = -1;
    for (auto& point : model.points) retrack(point);
    write(model, "colmap/sparse/0", true);

    // The import finds an inner orientation whatever the case of its name, as the export does.
    capitaliseInnerOrientation(survey, survey.block.stripImages.at(0).at(1));

    std::vector<tagImagePoint> const measured = tiePoints(survey);
    tagImagePoint moved = measured.back();
    moved.x += 2.0;
    ASSERT_EQ(ybAppendTiePntToFile(survey.block.tiePointPath.c_str(), &moved, 1), 0);
    std::vector<tagImagePoint> const before = tiePoints(survey);
    std::string const bytes = readNativeText("Survey/Survey.scp");
    std::size_t const elements = observationsInTracks(model);
    std::string const says = std::to_string(elements - 1) + " observations in COLMAP's tracks, under their own names";
    std::vector<std::string> const notes = {says,
                                            "1 track joins several points of the block",
                                            "1 point of the block is split over several tracks",
                                            "1 observation was changed or removed in the block since the export",
                                            "COLMAP's own points: 0 points",
                                            ": 0 new, "};
    expectRun({"import", "colmap", native("colmap/sparse/0"), "D:\\Survey\\Survey.dms", "--dry-run"}, 0, notes);
    EXPECT_TRUE(readNativeText("Survey/Survey.scp") == bytes);
    expectRun({"import", "colmap", native("colmap/sparse/0"), "D:\\Survey\\Survey.dms"}, 0, notes);

    std::vector<tagImagePoint> const after = tiePoints(survey);
    ASSERT_EQ(after.size(), before.size());
    auto const was = byImageAndName(before);
    for (tagImagePoint const& point : after) {
        tagImagePoint const& old = was.at({std::int32_t{point.imageNo}, point.name});
        EXPECT_EQ(std::memcmp(&old.x, &point.x, 2 * sizeof point.x + sizeof point.imageNo), 0) << point.name;
        if (point.imageNo == moved.imageNo && std::string(point.name) == moved.name)
            EXPECT_EQ(std::memcmp(&old, &point, sizeof point), 0);
        else if (point.photoX != 0.0)
            expectPhotoCoordinates(point);
    }
    // Imported again: nothing left to change.
    expectRun({"import", "colmap", native("colmap/sparse/0"), "D:\\Survey\\Survey.dms"}, 0,
              {": 0 new, 0 replacing the same image and name, " + std::to_string(elements - 1) + " unchanged"});
}

// A tie point file whose groups do not follow the image list (here: the list's last image first) gives
// each pair once, under the image listed first, with the columns of its matches in that order. A name
// measured twice on one image is matched by its first observation, and the export says so.
TEST_F(ColmapTest, MatchesPairKeypointsOfOneNameWhateverTheTiePointFilesOrder) {
    Survey const survey = fly("Survey");
    std::vector<tagImagePoint> points = tiePoints(survey);
    std::stable_sort(points.begin(), points.end(),
                     [](tagImagePoint const& a, tagImagePoint const& b) { return a.imageNo > b.imageNo; });
    points.push_back(points.front());
    points.back().x += 1;
    ASSERT_EQ(
        ybCreateTiePntFile(survey.block.tiePointPath.c_str(), points.data(), static_cast<std::int32_t>(points.size())),
        0);
    expectRun({"export", "colmap", "D:\\Survey\\Survey.dms", "-o", native("colmap")}, 0,
              {"1 observations repeat a name on the same image"});
    std::string const database = native("colmap/database.db");
    std::string problem;
    std::optional<yb::colmap::ExportRecord> const record = yb::colmap::readExportRecord(database, problem);
    ASSERT_TRUE(record) << problem;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* rows = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT pair_id, rows, data FROM matches", -1, &rows, nullptr), SQLITE_OK);
    std::size_t matches = 0;
    while (sqlite3_step(rows) == SQLITE_ROW) {
        auto const pair = static_cast<std::uint64_t>(sqlite3_column_int64(rows, 0));
        auto const first = static_cast<std::uint32_t>(pair / 2147483647u),
                   second = static_cast<std::uint32_t>(pair % 2147483647u);
        ASSERT_LT(first, second);
        auto const* data = static_cast<std::uint32_t const*>(sqlite3_column_blob(rows, 2));
        for (std::int64_t m = 0; m < sqlite3_column_int64(rows, 1); ++m, ++matches)
            EXPECT_EQ(record->names.at(record->images.at(first).keypoints.at(data[2 * m])),
                      record->names.at(record->images.at(second).keypoints.at(data[2 * m + 1])))
                << "pair " << first << ", " << second;
    }
    sqlite3_finalize(rows);
    sqlite3_close(db);
    EXPECT_GT(matches, 100u);
}

// COLMAP's own points of a model (here: one without an export record, forced in) take names of that
// model alone: the same model again, in either form, replaces them; another model adds its own.
TEST_F(ColmapTest, OwnPointsOfAModelNeverMeetAnothersNames) {
    Survey const survey = fly("Survey");
    std::string const block = "D:\\Survey\\Survey.dms";
    yb::colmap::Model model = modelOf(survey, "binary", true);
    write(model, "text", false);
    std::size_t const elements = observationsInTracks(model);
    std::size_t const measured = tiePoints(survey).size();

    Outcome const first = expectRun({"import", "colmap", native("binary"), block, "--force"}, 0,
                                    {"forced (--force): no export record", ": " + std::to_string(elements) + " new"});
    auto const tag = first.out.substr(first.out.find("named COLMAP_") + 13, 7);
    std::size_t named = 0;
    for (auto const& [key, point] : byImageAndName(tiePoints(survey)))
        if (key.second.starts_with("COLMAP_" + tag + "_")) {
            expectPhotoCoordinates(point);
            ++named;
        }
    EXPECT_EQ(named, elements) << first.out;
    expectRun({"import", "colmap", native("text"), block, "--force"}, 0,
              {"named COLMAP_" + tag + "_<id>", ": 0 new, 0 replacing the same image and name"});
    EXPECT_EQ(tiePoints(survey).size(), measured + elements);

    // Another model: one point fewer. Its names are its own.
    std::size_t const otherElements = elements - model.points.back().track.size();
    model.points.pop_back();
    for (auto& image : model.images)
        for (auto& seen : image.points2D)
            if (seen.point3D > static_cast<std::int64_t>(model.points.size())) seen.point3D = -1;
    write(model, "other", true);
    Outcome const other = expectRun({"import", "colmap", native("other"), block, "--force"}, 0, {" new, 0 replacing"});
    EXPECT_EQ(other.out.find("COLMAP_" + tag), std::string::npos) << other.out;
    expectRun({"import", "colmap", native("other"), block, "--force", "--tag", "run-2"}, 0,
              {"named COLMAP_run-2_<id>"});
    EXPECT_EQ(tiePoints(survey).size(), measured + elements + 2 * otherElements);
}

// Every prefix of every file of a small model, and bytes flipped through it, read without a crash or
// an allocation beyond the file: each read either fails with a message or gives a consistent model.
TEST_F(ColmapTest, DamagedModelFilesAreRefusedWithoutACrash) {
    yb::blockgen::SurveyShape shape;
    shape.strips = 1;
    shape.imagesPerStrip = 3;
    shape.pointsPerImage = 12;
    Survey const survey = fly("Small", shape);
    for (bool binary : {true, false}) {
        modelOf(survey, "model", binary);
        for (char const* name : binary ? std::vector<char const*>{"cameras.bin", "images.bin", "points3D.bin"}
                                       : std::vector<char const*>{"cameras.txt", "images.txt", "points3D.txt"}) {
            std::string const file = std::string("model/") + name;
            auto const whole = readNative(file);
            for (std::size_t length = 0; length < whole.size(); length += 1 + whole.size() / 60) {
                auto damaged = whole;
                damaged.resize(length);
                if (length > 0) damaged[length / 2] = static_cast<unsigned char>(damaged[length / 2] ^ 0xA5);
                for (auto const& bytes :
                     {std::vector<unsigned char>(whole.begin(), whole.begin() + static_cast<long>(length)), damaged}) {
                    writeNative(file, bytes);
                    std::string problem;
                    auto const model = yb::colmap::readModel(native("model"), problem);
                    EXPECT_TRUE(model.has_value() || !problem.empty());
                }
            }
            writeNative(file, whole);
        }
    }
}

TEST(ColmapCamera, ParametersFollowTheInnerOrientation) {
    CameraInfo camera{};
    camera.principalDistance = 24.0;
    camera.principalPointX = 12.0;
    camera.principalPointY = -9.0;
    double const inner[6] = {-8997.0, 6.0, 0.0, 5997.0, 0.0, -6.0};
    auto const pinhole = yb::colmap::cameraModelOf(camera, {}, inner, 3000, 2000);
    EXPECT_EQ(pinhole.model, 1);
    EXPECT_EQ(pinhole.params, (std::vector<double>{4000.0, 4000.0, 1502.0, 1001.5}));
    // Distortion records of dr = r (k1 rho^2 + k2 rho^4): the radial model gives k1 and k2 back.
    std::vector<AberranceInfo> records;
    for (double r : {2.0, 4.0, 6.0, 8.0, 10.0}) {
        double const rho = r / 24.0;
        records.push_back({r, 1000.0 * r * (-0.05 * rho * rho + 0.01 * rho * rho * rho * rho), 0.0});
    }
    auto const radial = yb::colmap::cameraModelOf(camera, records, inner, 3000, 2000);
    ASSERT_EQ(radial.model, 3);
    EXPECT_NEAR(radial.params[3], -0.05, 1e-9);
    EXPECT_NEAR(radial.params[4], 0.01, 1e-9);
    double const oblong[6] = {-8997.0, 6.0, 0.0, 5997.0, 0.0, -5.0};
    EXPECT_EQ(yb::colmap::cameraModelOf(camera, records, oblong, 3000, 2000).model, 4);
    double const sheared[6] = {-8997.0, 6.0, 0.01, 5997.0, 0.0, -6.0};
    double const mirrored[6] = {-8997.0, 6.0, 0.0, 5997.0, 0.0, 6.0};
    EXPECT_NE(yb::colmap::cameraModelOf(camera, {}, sheared, 3000, 2000).problem.find("shears"), std::string::npos);
    EXPECT_NE(yb::colmap::cameraModelOf(camera, {}, mirrored, 3000, 2000).problem.find("downwards"), std::string::npos);
}

}  // namespace
