// The tie points of a whole file, indexed by image, for workflows that visit every image of a block.
// The file is read once, on the first request; each image then gets what reading its own group
// would give: the records of its first group, in file order, or none.
#pragma once

#include <yb/ybBlockFileIO.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace yb::tiepoints {

class TiePointIndex {
public:
    explicit TiePointIndex(std::string path) : path_(std::move(path)) {}

    // The records of image `imageNo`, where the index keeps them: a caller may change them on the way
    // out (each image's are its own); a file that cannot be read gives its code.
    std::int32_t recordsOf(std::int32_t imageNo, std::span<tagImagePoint>& records);

private:
    struct Group {
        std::size_t first = 0;
        std::size_t count = 0;
    };
    void load();

    std::string path_;
    bool loaded_ = false;
    std::int32_t openCode_ = kSuccess;    // failure to open or to read the header
    std::int32_t damageCode_ = kSuccess;  // failure part-way through the groups
    std::vector<tagImagePoint> records_;
    std::unordered_map<std::int32_t, Group> groups_;
};

}  // namespace yb::tiepoints
