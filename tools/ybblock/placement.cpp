// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Image placement: the ground when every image tells where it lies, else the schematic layout for all.
// Ground and schematic units cannot be mixed in one picture, so one image without a range puts the whole
// block back on the schematic layout, and the picture says which image did.
#include "placement.h"

#include "fs.h"
#include "hostpath.h"
#include "imagelist/image_user_ranges.h"
#include "imagelist/schematic_layout.h"

#include <yb/YbiBase.h>

#include <algorithm>
#include <cmath>

namespace ybblock {
namespace {

bool usable(D_RECT const& range) {
    return std::isfinite(range.xMin) && std::isfinite(range.xMax) && std::isfinite(range.yMin) &&
           std::isfinite(range.yMax) && range.xMax > range.xMin && range.yMax > range.yMin;
}

double middleOf(std::vector<double>& values) {
    auto const middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The factor that keeps neighbours along a strip apart: 0.9 of the usual step between them over the usual
// footprint length along that step, at most 1.
double shrinkOf(std::vector<BlockImage> const& images, std::vector<D_RECT> const& rects) {
    std::vector<double> steps, lengths;
    for (std::size_t i = 1; i < rects.size(); ++i) {
        if (images[i].strip != images[i - 1].strip) continue;
        D_RECT const& a = rects[i - 1];
        D_RECT const& b = rects[i];
        double const dx = (b.xMin + b.xMax - a.xMin - a.xMax) / 2, dy = (b.yMin + b.yMax - a.yMin - a.yMax) / 2;
        double const step = std::hypot(dx, dy);
        if (step <= 0) continue;
        steps.push_back(step);
        // The footprint's length in the direction of the step.
        lengths.push_back(std::abs(dx) / step * (b.xMax - b.xMin) + std::abs(dy) / step * (b.yMax - b.yMin));
    }
    if (steps.empty()) return 1.0;
    return std::clamp(0.9 * middleOf(steps) / middleOf(lengths), 0.05, 1.0);
}

}  // namespace

ImagePlacement placeImages(std::vector<BlockImage> const& images, std::int32_t strips) {
    ImagePlacement placement;
    placement.onGround = !images.empty();
    std::vector<std::string> paths;
    paths.reserve(images.size());
    for (BlockImage const& image : images)
        paths.emplace_back(yb::platform::boundedText(image.record.szImagePath, sizeof image.record.szImagePath));
    // The first image without a usable range says why the block is not drawn on the ground.
    yb::imagelist::UserRanges read = yb::imagelist::readUserRanges(paths);
    for (std::size_t i = 0; i < read.ranges.size() && placement.onGround; ++i) {
        if (usable(read.ranges[i])) continue;
        placement.why = "the user range of " + toTerminal(paths[i]) + " is empty";
        placement.onGround = false;
    }
    if (placement.onGround && read.failure != 0) {
        placement.why = "cannot read " + toTerminal(paths[read.ranges.size()]) + " (" + codeText(read.failure) + ")";
        placement.onGround = false;
    }
    if (placement.onGround) placement.rects = std::move(read.ranges);
    if (placement.onGround) {
        placement.shrink = shrinkOf(images, placement.rects);
        for (D_RECT& rect : placement.rects) {
            double const x = (rect.xMin + rect.xMax) / 2, y = (rect.yMin + rect.yMax) / 2;
            double const halfWidth = (rect.xMax - rect.xMin) / 2 * placement.shrink;
            double const halfHeight = (rect.yMax - rect.yMin) / 2 * placement.shrink;
            rect = {x - halfWidth, y - halfHeight, x + halfWidth, y + halfHeight};
        }
        return placement;
    }
    if (images.empty()) placement.why = "the image list holds no image";
    placement.rects.clear();
    for (BlockImage const& image : images)
        placement.rects.push_back(yb::imagelist::layoutRectangle(image.record.nImageNo, strips));
    return placement;
}

std::string gcpLayoutPathOf(std::string const& asked, Block const& block) {
    if (!asked.empty()) return toHost(asked);
    std::string const named(yb::platform::boundedText(block.info.controlPointFile, sizeof block.info.controlPointFile));
    if (!named.empty() && recogniseFile(named) == yb::frame::FileKind::GcpLayout) return named;
    return {};
}

std::int32_t readGcpLayout(std::string const& hostPath, std::vector<BLOCKGCPLAYOUTINFO>& records) {
    records.clear();
    if (hostPath.empty()) return yb::kSuccess;
    std::int32_t count = 0;
    if (std::int32_t code = ybGetGcpNumsOfGcpLayoutFile(hostPath.c_str(), &count)) return code;
    records.resize(static_cast<std::size_t>(std::max(count, 0)));
    std::int32_t const code = ybReadBlockGcpLayoutFile(hostPath.c_str(), records.data(), &count);
    records.resize(code == yb::kSuccess ? std::min(records.size(), static_cast<std::size_t>(std::max(count, 0))) : 0);
    return code;
}

}  // namespace ybblock
