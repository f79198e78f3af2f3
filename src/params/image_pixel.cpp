// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The pixel size of an image, for the host's measuring tools.
#include "block/file_names.h"
#include "params/image_property_files.h"

#include "export_frame.h"

#include "fs.h"

#include <yb/YbiBase.h>

#include <cmath>
#include <string>

namespace yb::params {
namespace {

// Bytes of the image path buffer that the image library fills.
constexpr std::size_t kYbiPathSize = 260;

// The pixel size of an image, from its image property file when the block has one, otherwise from the
// image's resolution. The property file stores millimetres; the result is in metres.
double currentImagePixel(char const* blockDir, YbiHandle image) {
    constexpr double kMetresPerMillimetre = 0.001;
    constexpr double kMillimetresPerInch = 25.4;
    // Without an image or a usable resolution the pixel is taken as one millimetre.
    constexpr double kUnknownPixel = 1.0 * kMetresPerMillimetre;
    if (image == nullptr) return kUnknownPixel;

    char imagePath[kYbiPathSize + 1] = {};
    if (ybGetYBIFileNmaeWithPath(image, imagePath) == kSuccess && blockDir != nullptr) {
        std::string const propertyFile = block::imagePropertyFileName(imagePath, blockDir);
        if (!propertyFile.empty() && platform::isRegularFile(propertyFile.c_str())) {
            // A file that does not read leaves a cleared record: its pixel size is 0.
            IMAGEPROPINFO info{};
            readImageProperties(propertyFile.c_str(), &info);
            return info.pixelSize * kMetresPerMillimetre;
        }
    }
    double dotsPerInch = 0.0;
    if (ybGetXResolution(image, &dotsPerInch) != kSuccess || !(dotsPerInch > 0.0) || !std::isfinite(dotsPerInch))
        return kUnknownPixel;
    return kMillimetresPerInch / dotsPerInch * kMetresPerMillimetre;
}

}  // namespace
}  // namespace yb::params

using yb::frame::guarded;

double ybGetCurImgPixel(char const* blockDir, YbiHandle image) {
    return guarded([&] { return yb::params::currentImagePixel(blockDir, image); });
}
