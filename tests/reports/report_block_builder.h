// Builds small blocks through the library itself for the report and workflow tests.
#pragma once

#include "test_support.h"

#include <cstring>
#include <string>
#include <vector>

namespace yb::test {

// The images of one strip: titles, made into paths "D:\Blk\Images\<title>.ybi".
using StripTitles = std::vector<std::string>;

inline ImageOrderInfo imageRecord(std::int32_t strip, std::int32_t position, std::string const& path) {
    ImageOrderInfo image{};
    image.nImageNo = strip * 100 + position;
    std::strncpy(image.szImagePath, path.c_str(), sizeof image.szImagePath - 1);
    image.nGroupNo = 1;
    image.nStripNo = strip;
    return image;
}

// Writes an image list with the given strips; returns 0 or the first failing code.
inline std::int32_t writeImageList(std::string const& listPath, std::vector<StripTitles> const& strips,
                                   std::string const& imageFolder = "D:\\Blk\\Images\\") {
    auto stripCount = static_cast<std::int32_t>(strips.size());
    if (std::int32_t code = ybCreateNewImageRecordFile(listPath.c_str(), stripCount); code != 0) return code;
    for (std::int32_t s = 1; s <= stripCount; ++s) {
        std::vector<ImageOrderInfo> images;
        auto const& titles = strips[static_cast<std::size_t>(s - 1)];
        for (std::size_t k = 0; k < titles.size(); ++k)
            images.push_back(imageRecord(s, static_cast<std::int32_t>(k + 1), imageFolder + titles[k] + ".ybi"));
        if (std::int32_t code = ybWriteOneStripImageRecord(listPath.c_str(), stripCount, s, images); code != 0)
            return code;
    }
    return 0;
}

inline BlockInfo blockRecord(std::int32_t imageType, std::string const& directory = "D:\\Blk",
                             std::string const& name = "Area1") {
    BlockInfo block{};
    std::strncpy(block.blockDirectory, directory.c_str(), sizeof block.blockDirectory - 1);
    std::strncpy(block.blockName, name.c_str(), sizeof block.blockName - 1);
    block.imageType = imageType;
    return block;
}

}  // namespace yb::test
