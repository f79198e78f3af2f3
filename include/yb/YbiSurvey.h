// YbiSurvey: survey computations. Result codes: 0 success, YSURVEY_E_NULL_ARGUMENT for a null pointer.
#ifndef YB_YBISURVEY_H
#define YB_YBISURVEY_H

#include <yb/ybTypes.h>

#include <cstdint>

inline constexpr std::int32_t YSURVEY_E_NULL_ARGUMENT = 7300001;

// result[0] = c0 + c1*x + c2*y - x0, result[1] = c3 + c4*x + c5*y - y0 (principal point of the camera).
YB_API std::int32_t ybCalInnerDirectional_2(double x, double y, double const* innerCoefficients, CameraInfo const* camera,
                                            double* result);

#endif
