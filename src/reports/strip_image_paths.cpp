#include "reports/strip_image_paths.h"

#include <yb/ybBlockFileIO.h>

#include "hostpath.h"

#include <array>

namespace yb::reports {

std::int32_t readStripImagePaths(char const* imageListPath, std::int32_t stripNo, std::vector<std::string>& paths) {
    paths.clear();
    std::int32_t count = 0;
    std::int32_t code = ybReadImageNumOfOneStrip(imageListPath, stripNo, &count);
    // Failures are reported with the codes the path listing gives for the same situations.
    if (code == kCannotOpen) return kFileNotFound;
    if (code == kOutOfRange) return kStoredCountTooSmall;
    if (code != kSuccess) return code;
    if (count < 0) return kInvalidContent;
    std::vector<std::array<char, 260>> rows(static_cast<std::size_t>(count) + 1);
    std::int32_t listed = 0;
    code = ybReadAllImageDirectary(imageListPath, stripNo, reinterpret_cast<char(*)[260]>(rows.data()), &listed);
    if (code != kSuccess) return code;
    if (listed < 0 || listed > count) return kInvalidContent;
    paths.reserve(static_cast<std::size_t>(listed));
    for (std::int32_t i = 0; i < listed; ++i) paths.emplace_back(platform::boundedText(rows[static_cast<std::size_t>(i)].data(), 260));
    return kSuccess;
}

}  // namespace yb::reports
