// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "projection.h"

#include <cmath>
#include <numbers>

namespace yb::blockgen {
namespace {

double radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

}  // namespace

std::array<double, 9> rotationOf(double omega, double phi, double kappa) {
    double const so = std::sin(radians(omega)), co = std::cos(radians(omega));
    double const sp = std::sin(radians(phi)), cp = std::cos(radians(phi));
    double const sk = std::sin(radians(kappa)), ck = std::cos(radians(kappa));
    // R_x(omega) * R_y(phi) * R_z(kappa)
    return {cp * ck,
            -cp * sk,
            sp,
            co * sk + so * sp * ck,
            co * ck - so * sp * sk,
            -so * cp,
            so * sk - co * sp * ck,
            so * ck + co * sp * sk,
            co * cp};
}

bool project(std::array<double, 9> const& r, std::array<double, 3> const& centre, FrameCamera const& camera,
             std::array<double, 6> const& c, std::array<double, 3> const& ground, double& x, double& y) {
    std::array<double, 3> const d{ground[0] - centre[0], ground[1] - centre[1], ground[2] - centre[2]};
    // Photo-frame direction: R transposed times the world direction.
    double const px = r[0] * d[0] + r[3] * d[1] + r[6] * d[2];
    double const py = r[1] * d[0] + r[4] * d[1] + r[7] * d[2];
    double const pz = r[2] * d[0] + r[5] * d[1] + r[8] * d[2];
    if (pz >= 0.0) return false;
    double const f = camera.principalDistanceMm * 1000.0;  // micrometres
    double const u = -f * px / pz + camera.principalPointX;
    double const v = -f * py / pz + camera.principalPointY;
    // Invert the inner orientation u = c0 + c1 x + c2 y, v = c3 + c4 x + c5 y.
    double const det = c[1] * c[5] - c[2] * c[4];
    x = ((u - c[0]) * c[5] - (v - c[3]) * c[2]) / det;
    y = ((v - c[3]) * c[1] - (u - c[0]) * c[4]) / det;
    return true;
}

}  // namespace yb::blockgen
