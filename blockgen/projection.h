// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Where a ground point appears on a frame image: the collinearity equations and the image's inner
// orientation, shared by every generated block whose tie points are ground points seen from the air.
//
// Conventions:
// - World: a right-handed local frame in metres, X east, Y north, Z up.
// - Image (measured) coordinates of the tie point file: x the column, y the row, in pixels, with the
//   centre of the upper-left pixel at (0, 0): x grows to the right, y downwards.
// - Photo frame: x to the right of the image, y to its top, z backwards (the camera looks along -z);
//   in micrometres from the principal point.
// - Inner orientation (".ioc", six coefficients c0..c5) maps a pixel to the photo frame in
//   micrometres: u = c0 + c1 x + c2 y, v = c3 + c4 x + c5 y.
// - Rotation: R = R_x(omega) R_y(phi) R_z(kappa), angles in degrees, turning photo-frame directions
//   into world directions: X - C = lambda R (x, y, -f). With all three angles 0 the camera looks
//   straight down, its x along +X (east) and its y along +Y (north).
#pragma once

#include <array>

namespace yb::blockgen {

// A frame camera as its camera file holds it.
struct FrameCamera {
    double principalDistanceMm = 0.0;
    double principalPointX = 0.0;  // micrometres
    double principalPointY = 0.0;  // micrometres
};

// Rotation matrix of the convention above (row-major), from angles in degrees.
std::array<double, 9> rotationOf(double omega, double phi, double kappa);

// Where `ground` appears on an image taken from `centre` with `rotation` (block image coordinates), or
// false when it lies behind the camera.
bool project(std::array<double, 9> const& rotation, std::array<double, 3> const& centre, FrameCamera const& camera,
             std::array<double, 6> const& innerOrientation, std::array<double, 3> const& ground, double& x, double& y);

}  // namespace yb::blockgen
