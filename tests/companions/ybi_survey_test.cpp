// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "test_support.h"

namespace {

TEST(InnerOrientation, AppliesTheAffineCoefficientsAndRemovesThePrincipalPoint) {
    double const c[6] = {10.0, 2.0, 0.5, -4.0, 0.25, 3.0};
    CameraInfo camera{};
    camera.principalDistance = 153.0;
    camera.principalPointX = 1.5;
    camera.principalPointY = -2.5;
    double result[2] = {};
    ASSERT_EQ(ybCalInnerDirectional_2(100.0, 20.0, c, &camera, result), 0);
    EXPECT_DOUBLE_EQ(result[0], 10.0 + 200.0 + 10.0 - 1.5);
    EXPECT_DOUBLE_EQ(result[1], -4.0 + 25.0 + 60.0 + 2.5);
    EXPECT_EQ(ybCalInnerDirectional_2(1, 1, nullptr, &camera, result), YSURVEY_E_NULL_ARGUMENT);
    EXPECT_EQ(ybCalInnerDirectional_2(1, 1, c, nullptr, result), YSURVEY_E_NULL_ARGUMENT);
    EXPECT_EQ(ybCalInnerDirectional_2(1, 1, c, &camera, nullptr), YSURVEY_E_NULL_ARGUMENT);
}

}  // namespace
