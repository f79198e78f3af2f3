// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The user ranges of many images: one lookup of their folders, then each header through the image
// library's own reading of the format, so that an image gives the range and the code opening it would.
#include "image_user_ranges.h"

#include "call_barrier.h"
#include "fs.h"
#include "ybi_image_format.h"

namespace yb::imagelist {

UserRanges readUserRanges(std::vector<std::string> const& hostPaths) {
    UserRanges result;
    std::vector<platform::FoundFile> const found = platform::findFiles(hostPaths, platform::LookFor::Presence);
    result.ranges.reserve(found.size());
    for (platform::FoundFile const& file : found) {
        ybi::ImageContent content;
        // Answered as the image library's barrier answers an open: no memory, or a damaged file.
        std::int32_t const code = platform::callBarrier(YBI_E_NO_MEMORY, YBI_E_BAD_CONTENT, [&] {
            platform::File const opened = platform::openFoundFile(file);
            return ybi::readImageContent(opened.get(), content);
        });
        if (code != 0) {
            result.failure = code;
            break;
        }
        result.ranges.push_back(content.header.userRange);
    }
    return result;
}

}  // namespace yb::imagelist
