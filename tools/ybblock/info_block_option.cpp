// ybblock info for block option files (".dms").
#include "commands.h"

#include <yb/ybBlockFileIO.h>

namespace ybblock {
namespace {

char const* imageTypeName(std::int32_t type) {
    static char const* const names[] = {"metric camera",           "digital camera",     "non-metric camera",
                                        "general satellite image", "SPOT satellite image", "IKONOS satellite image",
                                        "QUICKBIRD satellite image"};
    return (type >= 0 && type <= 6) ? names[type] : "invalid";
}

int printBlockOption(std::string const& hostPath, Arguments const&, std::ostream& out) {
    BlockInfo block{};
    std::int32_t code = ybReadBlockOptionFile(hostPath.c_str(), &block);
    if (code != 0) {
        out << "block option file: cannot read (" << code << ", " << describeCode(code) << ")\n";
        return 1;
    }
    out << "block option file\n"
        << "  block directory:    " << fieldText(block.blockDirectory, sizeof block.blockDirectory) << "\n"
        << "  block name:         " << fieldText(block.blockName, sizeof block.blockName) << "\n"
        << "  image type:         " << block.imageType << " (" << imageTypeName(block.imageType) << ")\n"
        << "  control point file: " << fieldText(block.controlPointFile, sizeof block.controlPointFile) << "\n"
        << "  camera file:        " << fieldText(block.cameraFile, sizeof block.cameraFile) << "\n";
    return 0;
}

InfoRegistration registration{{"block option file",
                               [](std::string const&, std::string_view head) {
                                   return head.rfind("YB_BLOCK_OPTION_FILE_VER1.0", 0) == 0;
                               },
                               printBlockOption}};

}  // namespace
}  // namespace ybblock
