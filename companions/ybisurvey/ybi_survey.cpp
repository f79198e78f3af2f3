// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// YbiSurvey: inner orientation of measured image coordinates.
#include <yb/YbiSurvey.h>

std::int32_t ybCalInnerDirectional_2(double x, double y, double const* c, CameraInfo const* camera, double* result) {
    if (c == nullptr || camera == nullptr || result == nullptr) return YSURVEY_E_NULL_ARGUMENT;
    result[0] = c[0] + c[1] * x + c[2] * y - camera->principalPointX;
    result[1] = c[3] + c[4] * x + c[5] * y - camera->principalPointY;
    return 0;
}
