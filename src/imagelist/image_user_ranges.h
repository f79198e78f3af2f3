// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The user ranges of many ".ybi" images, for the library's own callers (a block drawn on the ground).
#pragma once

#include <yb/YbiBase.h>

#include <cstdint>
#include <string>
#include <vector>

namespace yb::imagelist {

struct UserRanges {
    std::vector<D_RECT> ranges;  // one per image, in the order asked, up to the first that cannot be read
    // 0 when every image was read, else the code the image library gives for opening the image after
    // the last range (YBI_E_*).
    std::int32_t failure = 0;
};

// Reads the user range of each image file at `hostPaths`, in their order, and stops at the first that
// cannot be read. The files are looked up in one look at each folder, whose index is taken at its
// word for a name it lacks (an image made after that look is one made after the drawing), and read as
// the image library reads them, under their read lock.
UserRanges readUserRanges(std::vector<std::string> const& hostPaths);

}  // namespace yb::imagelist
