// Sample records and byte readers for the image list tests.
#pragma once

#include "test_support.h"

#include <cstring>
#include <string>
#include <vector>

namespace yb::test {

// Image k of strip s, with every caller field set to something recognisable.
inline ImageOrderInfo sampleImage(std::int32_t strip, std::int32_t k, std::int32_t group = 1) {
    ImageOrderInfo image;
    std::memset(&image, 0xCD, sizeof image);  // bytes after the path's terminator are not kept
    image.nImageNo = strip * 100 + k;
    std::string path = "D:\\Img\\s" + std::to_string(strip) + "_" + std::to_string(k) + ".ybi";
    std::memcpy(image.szImagePath, path.c_str(), path.size() + 1);
    image.nGroupNo = group;
    image.nStripNo = strip;
    for (int i = 0; i < 7; ++i) image.nExtra[i] = strip * 1000 + k * 10 + i;
    return image;
}

inline std::vector<ImageOrderInfo> sampleStrip(std::int32_t strip, std::int32_t count) {
    std::vector<ImageOrderInfo> images;
    for (std::int32_t k = 1; k <= count; ++k) images.push_back(sampleImage(strip, k));
    return images;
}

// Same image number, path text and bytes 264..299.
inline bool sameImage(ImageOrderInfo const& a, ImageOrderInfo const& b) {
    return a.nImageNo == b.nImageNo && std::string(a.szImagePath) == std::string(b.szImagePath) &&
           std::memcmp(reinterpret_cast<char const*>(&a) + 264, reinterpret_cast<char const*>(&b) + 264, 36) == 0;
}

inline std::int32_t i32At(std::vector<unsigned char> const& bytes, std::size_t offset) {
    std::int32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

}  // namespace yb::test
