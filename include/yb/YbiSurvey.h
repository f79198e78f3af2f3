// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
/// \file
/// YbiSurvey: survey computations. Result codes: 0 success, YSURVEY_E_NULL_ARGUMENT for a null pointer.
#ifndef YB_YBISURVEY_H
#define YB_YBISURVEY_H

#include <yb/ybTypes.h>

#include <cstdint>

/// \addtogroup resultcodes
/// @{
inline constexpr std::int32_t YSURVEY_E_NULL_ARGUMENT = 7300001;  ///< a null pointer
/// @}

/// result[0] = c0 + c1*x + c2*y - x0, result[1] = c3 + c4*x + c5*y - y0 (principal point of the camera).
/// \param x the x coordinate on the image
/// \param y the y coordinate on the image
/// \param innerCoefficients the six inner orientation coefficients c0 to c5
/// \param camera the camera record (principal point at bytes 8 and 16)
/// \param[out] result receives the two results
/// \return 0 or YSURVEY_E_NULL_ARGUMENT (\ref resultcodes)
YB_API std::int32_t ybCalInnerDirectional_2(double x, double y, double const* innerCoefficients,
                                            CameraInfo const* camera, double* result);

#endif
