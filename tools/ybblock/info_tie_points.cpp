// ybblock info for tie point files (".scp"): group count, points per image, and with --image N the
// points of one image.
#include "commands.h"

#include "hostpath.h"

#include <yb/ybBlockFileIO.h>

#include <cstring>
#include <fstream>

namespace ybblock {
namespace {

constexpr std::string_view kMagic = "YB_TIE_PNT_FILE_VER1.0";

bool isTiePointFile(std::string const&, std::string_view head) {
    std::string_view text = head.substr(0, std::min(head.find('\0'), head.size()));
    return yb::platform::equalsIgnoreCase(text, kMagic);
}

// The group count as the header stores it (groups may be empty, so it can differ from the images).
std::int32_t storedGroupCount(std::string const& nativePath) {
    std::ifstream file(nativePath, std::ios::binary);
    std::int32_t count = 0;
    file.seekg(128);
    file.read(reinterpret_cast<char*>(&count), sizeof count);
    return file ? count : 0;
}

int printOneImage(std::string const& hostPath, long imageNo, long limit, std::ostream& out) {
    std::vector<tagImagePoint> points;
    std::int32_t code = ybReadOneImgTiePntToAry(hostPath.c_str(), static_cast<std::int32_t>(imageNo), points);
    if (code != 0) {
        out << "tie point file: cannot read (" << code << ", " << describeCode(code) << ")\n";
        return 1;
    }
    out << "tie point file\n  image " << imageNo << ": " << points.size() << " points\n";
    std::size_t shown = 0;
    for (tagImagePoint const& point : points) {
        if (limit >= 0 && shown == static_cast<std::size_t>(limit)) break;
        out << "    " << fieldText(point.name, sizeof point.name) << "  type " << point.type << "  x " << point.x
            << "  y " << point.y << "  photo " << point.photoX << " " << point.photoY << "\n";
        ++shown;
    }
    if (shown < points.size()) out << "    ... " << points.size() - shown << " more\n";
    return 0;
}

int printTiePoints(std::string const& hostPath, Arguments const& args, std::ostream& out) {
    long const limit = args.number("limit", -1);
    if (args.has("image")) return printOneImage(hostPath, args.number("image", 0), limit, out);

    std::vector<tagImagePoint> points;
    std::int32_t code = ybReadTiePntFileToAry(hostPath.c_str(), points);
    if (code != 0) {
        out << "tie point file: cannot read (" << code << ", " << describeCode(code) << ")\n";
        return 1;
    }
    // The reader hands the points over grouped by image, in file order.
    std::vector<std::pair<std::int32_t, std::size_t>> perImage;
    for (tagImagePoint const& point : points) {
        std::int32_t const imageNo = point.imageNo;  // copied out of the packed record
        if (perImage.empty() || perImage.back().first != imageNo) perImage.emplace_back(imageNo, 0);
        ++perImage.back().second;
    }
    out << "tie point file\n"
        << "  groups: " << storedGroupCount(args.positional.at(0)) << "\n"
        << "  points: " << points.size() << "\n"
        << "  points per image:\n";
    std::size_t shown = 0;
    for (auto const& [imageNo, count] : perImage) {
        if (limit >= 0 && shown == static_cast<std::size_t>(limit)) break;
        out << "    image " << imageNo << ": " << count << "\n";
        ++shown;
    }
    if (shown < perImage.size()) out << "    ... " << perImage.size() - shown << " more images\n";
    return 0;
}

InfoRegistration registration{{"tie point file", isTiePointFile, printTiePoints}};

}  // namespace
}  // namespace ybblock
