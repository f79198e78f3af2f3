// ybblock info for block image lists (".bil"): strips, images, their paths and groups.
#include "commands.h"

#include <yb/ybBlockFileIO.h>

#include <algorithm>
#include <vector>

namespace ybblock {
namespace {

int printImageList(std::string const& hostPath, Arguments const& args, std::ostream& out) {
    std::int32_t stripCount = 0;
    std::int32_t code = ybGetStripNumberOfImageRecord(hostPath.c_str(), &stripCount);
    if (code != 0) {
        out << "image list: cannot read (" << code << ", " << describeCode(code) << ")\n";
        return 1;
    }
    std::int32_t groups = 0;
    std::int32_t total = 0;
    ybGetImgGroupNumsOfImageRecord(hostPath.c_str(), groups);
    if (ybGetBlockTotalImgNums(hostPath.c_str(), &total) != 0) total = 0;
    out << "block image list\n"
        << "  strips: " << stripCount << "\n"
        << "  images: " << total << "\n"
        << "  groups: " << groups << " (largest group number)\n";

    long const limit = args.number("limit", 20);
    long shown = 0;
    int status = 0;
    std::vector<ImageOrderInfo> images;
    for (std::int32_t strip = 1; strip <= stripCount; ++strip) {
        code = ybReadOneStripImageRecord(hostPath.c_str(), stripCount, strip, images);
        if (code != 0) {
            out << "  strip " << strip << ": cannot read (" << code << ", " << describeCode(code) << ")\n";
            status = 1;
            break;
        }
        out << "  strip " << strip << ": " << images.size() << " images\n";
        for (auto const& image : images) {
            if (limit >= 0 && shown >= limit) break;
            ++shown;
            out << "    " << image.nImageNo << "  group " << image.nGroupNo << "  strip " << image.nStripNo << "  "
                << fieldText(image.szImagePath, sizeof image.szImagePath) << "\n";
        }
    }
    if (limit >= 0 && total > shown)
        out << "  (" << shown << " of " << total << " images listed; --limit N shows more)\n";
    return status;
}

InfoRegistration registration{{"block image list",
                               [](std::string const&, std::string_view head) {
                                   return head.rfind("YB_BLOCK_IMAGE_LIST_FILE_VER1.0", 0) == 0;
                               },
                               printImageList}};

}  // namespace
}  // namespace ybblock
