// Orientation coefficient files: placeholder until the reader and writer land.
#include <yb/ybiOrient.h>

std::int32_t ybReadOrientCeff(char const*, void*) { return ORIENT_E_FILE_MISSING; }
std::int32_t ybWriteOrientCeff(char const*, std::int32_t, double const*) { return ORIENT_E_WRITE; }
