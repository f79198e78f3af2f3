// Image property files used inside the library: the block folder writes the SPOT sensor files.
#pragma once

#include <cstdint>

namespace yb::params {

// Writes the default sensor property files of the SPOT sensors into `directory` (given without a
// trailing backslash). When either cannot be written, neither is left behind.
std::int32_t writeSpotSensorFiles(char const* directory);

}  // namespace yb::params
