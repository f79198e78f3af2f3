// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// A COLMAP sparse model (cameras, images, points3D) in memory, read from its binary or its text form and
// written in either. The files are untrusted input: every count is checked against the bytes left
// before anything is allocated, every index against what it points into, and a damaged file gives a
// message naming the file and the place, never a crash.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace yb::colmap {

// COLMAP's camera models: id, name, number of parameters.
struct CameraModelInfo {
    std::int32_t id;
    std::string_view name;
    std::size_t parameters;
};
CameraModelInfo const* cameraModelById(std::int64_t id);
CameraModelInfo const* cameraModelByName(std::string_view name);

struct ModelCamera {
    std::uint32_t id = 0;
    std::int32_t model = 0;
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::vector<double> params;
};

struct ModelObservation {
    double x = 0.0;  // COLMAP pixels: the upper-left pixel's centre at (0.5, 0.5)
    double y = 0.0;
    std::int64_t point3D = -1;  // -1: in no track
};

struct ModelImage {
    std::uint32_t id = 0;
    std::array<double, 4> rotation{};     // qw qx qy qz, world to camera
    std::array<double, 3> translation{};  // x_cam = R X + t
    std::uint32_t camera = 0;
    std::string name;  // UTF-8, relative to the image folder
    std::vector<ModelObservation> points2D;
};

struct TrackElement {
    std::uint32_t image = 0;
    std::uint32_t point2D = 0;
};

struct ModelPoint {
    std::uint64_t id = 0;
    std::array<double, 3> position{};
    std::array<std::uint8_t, 3> colour{};
    double error = 0.0;
    std::vector<TrackElement> track;
};

struct Model {
    std::vector<ModelCamera> cameras;
    std::vector<ModelImage> images;
    std::vector<ModelPoint> points;
    bool binary = false;  // the form it was read from
};

// A file in a folder: joined with '\\' in a host path (one with a backslash or a drive letter), else with '/'.
std::string pathIn(std::string const& folder, std::string_view name);

// Reads the model in the folder `folder`: the binary files when cameras.bin is there, else the
// text files. Checks that every image names a camera of the model and every track element an image and
// one of its points. On failure answers nullopt with `problem` saying what and where.
std::optional<Model> readModel(std::string const& folder, std::string& problem);  // folder: a host path

// Writes the model into the folder `folder` in the binary or the text form; false with
// `problem` when a file cannot be written.
bool writeModel(Model const& model, std::string const& folder, bool binary, std::string& problem);

}  // namespace yb::colmap
