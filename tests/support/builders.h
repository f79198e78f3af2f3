// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Builders shared by the tests: golden byte strings, the records of every format and small blocks
// made through the library itself.
#pragma once

#include "test_support.h"

#include <yb/YbiBase.h>
#include <yb/ybiOrient.h>

#include <cctype>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace yb::test {

using Bytes = std::vector<unsigned char>;

// A golden byte string built field by field, little-endian as the files are:
// Le() << "MAGIC" << std::int32_t{3} << 1.5 gives the magic's characters, then 4 and 8 bytes.
struct Le {
    Le& operator<<(std::string_view text) { return raw(text.data(), text.size()); }
    Le& operator<<(char const* text) { return *this << std::string_view(text); }
    template <class T,
              class = std::enable_if_t<std::is_trivially_copyable_v<T> && !std::is_pointer_v<T> && !std::is_array_v<T>>>
    Le& operator<<(T const& value) {
        return raw(&value, sizeof value);
    }
    // `text` in a field of `width` bytes, zero bytes after it.
    Le& text(std::string_view value, std::size_t width) {
        bytes.insert(bytes.end(), value.begin(), value.end());
        bytes.resize(bytes.size() + width - value.size());
        return *this;
    }
    Le& raw(void const* data, std::size_t size) {
        auto const* p = static_cast<unsigned char const*>(data);
        bytes.insert(bytes.end(), p, p + size);
        return *this;
    }
    operator Bytes const&() const { return bytes; }
    Bytes bytes;
};

// A record of type T with every byte `byte`.
template <class T>
T filled(unsigned char byte) {
    T record;
    std::memset(&record, byte, sizeof record);
    return record;
}

// The name of a parameterised test from its parameter's `name`: letters and digits, '_' for the rest.
inline std::string paramName(char const* name) {
    std::string out;
    for (char const* c = name; *c; ++c) out += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return out;
}

// The value of type T stored at `offset` of a file's bytes (zero past the end), and its replacement.
template <class T>
T at(Bytes const& bytes, std::size_t offset) {
    T value{};
    if (offset + sizeof value <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}
template <class T>
void put(Bytes& bytes, std::size_t offset, T value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}
// A copy of `bytes` with `value` at `offset`; a copy of its first `size` bytes.
template <class T>
Bytes patched(Bytes bytes, std::size_t offset, T value) {
    put(bytes, offset, value);
    return bytes;
}
inline Bytes cut(Bytes const& bytes, std::size_t size) { return Bytes(bytes.data(), bytes.data() + size); }

// A name one call builds, against the name it should be; `label` names the case.
struct NameCase {
    char const* label;
    std::function<std::string()> build;
    std::string expected;
    friend void PrintTo(NameCase const& c, std::ostream* os) { *os << c.label; }
};

// ---- points ----

inline tagImagePoint tiePoint(char const* name, std::int32_t imageNo, double x = 0, double y = 0,
                              std::int16_t type = 0) {
    tagImagePoint point{0, 0, x, y, imageNo, type, {}};
    std::strncpy(point.name, name, sizeof point.name - 1);
    return point;
}

// Bytes of a tie point file laid out by hand: the magic in a 128-byte head, the group count, groups.
struct RawTiePointFile : Le {
    explicit RawTiePointFile(std::int32_t groupCount = 0, std::string const& magic = "YB_TIE_PNT_FILE_VER1.0") {
        text(magic, 128);
        *this << groupCount;
    }
    RawTiePointFile& i32(std::int32_t value) {
        *this << value;
        return *this;
    }
    RawTiePointFile& group(std::int32_t imageNo, std::vector<tagImagePoint> const& points) {
        i32(imageNo).i32(static_cast<std::int32_t>(points.size()));
        for (auto const& point : points) raw(&point, sizeof point);
        return *this;
    }
};

// A model point set over the test's own entries, as the orientation library would hand it out.
struct TestSet {
    explicit TestSet(std::int32_t capacity) : entries(static_cast<std::size_t>(capacity)) {
        set.entries = entries.data();
        set.capacity = capacity;
    }
    // Adds a point; coordinates are derived from `seed` so every entry differs.
    void add(char const* name, double seed, std::int16_t type = 0) {
        CONTROLPOINT_INFO& entry = entries[static_cast<std::size_t>(set.count)];
        entry.serial = set.count++;
        std::strcpy(entry.name, name);
        entry.type = type;
        entry.inUse = 1;
        entry.leftX = seed + 0.25;
        entry.leftY = seed + 0.5;
        entry.rightX = seed + 0.75;
        entry.rightY = seed + 1.0;
    }
    // The header is packed, so its count is read by value, never bound to a reference.
    std::int32_t count() const { return set.count; }
    std::vector<CONTROLPOINT_INFO> entries;
    CONTROLPOINT_STORAGE set{};
};

// Opens an image for update, gives it a control point table of `count` points and closes it; the first
// failing code of the three.
inline std::int32_t writeImageTable(char const* path, std::int32_t count) {
    YbiHandle image = nullptr;
    std::int32_t code = ybOpenYbiFileForReadWrite(path, &image);
    if (code == 0) code = ybInitialControlPointFileOfYBI(image, count);
    std::int32_t const closed = image != nullptr ? ybCloseYbiFileForReadWrite(image) : 0;
    return code != 0 ? code : closed;
}

// ---- image lists and blocks ----

inline ImageOrderInfo imageRecord(std::int32_t strip, std::int32_t position, std::string const& path) {
    ImageOrderInfo image{};
    image.nImageNo = strip * 100 + position;
    std::strncpy(image.szImagePath, path.c_str(), sizeof image.szImagePath - 1);
    image.nGroupNo = 1;
    image.nStripNo = strip;
    return image;
}

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

// Same image number, path text and the fields after the path.
inline bool sameImage(ImageOrderInfo const& a, ImageOrderInfo const& b) {
    constexpr std::size_t kAfterPath = offsetof(ImageOrderInfo, nGroupNo);
    return a.nImageNo == b.nImageNo && std::string(a.szImagePath) == std::string(b.szImagePath) &&
           std::memcmp(reinterpret_cast<char const*>(&a) + kAfterPath, reinterpret_cast<char const*>(&b) + kAfterPath,
                       sizeof a - kAfterPath) == 0;
}

// The images of one strip: titles, made into paths "D:\Blk\Images\<title>.ybi".
using StripTitles = std::vector<std::string>;

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

// Block "Area1" in D:\Blk: its folders, the option file of `block` and, where `strips` has any, an image
// list of them; 0 or the first failing code (-1: the folders).
inline std::int32_t makeBlock(BlockInfo block,
                              std::vector<StripTitles> const& strips = {{"a1", "a2", "a3"}, {"b1", "b2"}}) {
    if (!ybCreateBlockFolder("D:\\Blk")) return -1;
    if (std::int32_t code = ybWriteBlockOptionFile("D:\\Blk\\Area1.dms", &block); code != 0) return code;
    return strips.empty() ? 0 : writeImageList("D:\\Blk\\Area1.bil", strips);
}

}  // namespace yb::test
