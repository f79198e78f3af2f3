// The image paths of one strip of an image list, in a table sized by the strip's own image count.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace yb::reports {

// Reads the image paths of strip `stripNo`: the strip's image count first, then exactly that many
// 260-byte rows, so strips of any length are read whole. Returns the failing operation's code.
std::int32_t readStripImagePaths(char const* imageListPath, std::int32_t stripNo, std::vector<std::string>& paths);

}  // namespace yb::reports
