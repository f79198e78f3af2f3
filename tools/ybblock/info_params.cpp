// ybblock info for the camera and parameter files: camera parameter file, model joint coefficient file,
// projection information file, inner orientation image list and image relation file.
#include "commands.h"

#include <yb/ybBlockFileIO.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <vector>

namespace ybblock {
namespace {

constexpr long kDefaultLimit = 50;

long limitOf(Arguments const& args) { return args.number("limit", kDefaultLimit); }

int cannotRead(std::ostream& out, char const* kind, std::int32_t code) {
    out << kind << ": cannot read (" << code << ", " << describeCode(code) << ")\n";
    return 1;
}

char const* layoutName(RIMPOINTLAYOUT layout) {
    switch (layout) {
        case RIM_LAYOUT_FOUR: return "4 fiducial marks";
        case RIM_LAYOUT_FOUR_ALT: return "4 fiducial marks (alternative placement)";
        case RIM_LAYOUT_EIGHT: return "8 fiducial marks";
    }
    return "invalid";
}

int printCamera(std::string const& hostPath, Arguments const& args, std::ostream& out) {
    std::int32_t count = 0;
    RIMPOINTLAYOUT layout = RIM_LAYOUT_FOUR;
    if (std::int32_t code = ybReadCameraParaFile(hostPath.c_str(), nullptr, nullptr, &layout, nullptr, &count))
        return cannotRead(out, "camera parameter file", code);
    CameraInfo camera{};
    RimPoint rims[8]{};
    std::vector<AberranceInfo> distortions(static_cast<std::size_t>(count));
    if (std::int32_t code = ybReadCameraParaFile(hostPath.c_str(), &camera, rims, &layout, distortions.data(), &count))
        return cannotRead(out, "camera parameter file", code);
    out << "camera parameter file\n"
        << std::setprecision(10) << "  principal distance: " << camera.principalDistance << "\n"
        << "  principal point:    " << camera.principalPointX << ", " << camera.principalPointY << "\n"
        << "  fiducial layout:    " << static_cast<int>(layout) << " (" << layoutName(layout) << ")\n";
    int const marks = layout == RIM_LAYOUT_EIGHT ? 8 : 4;
    for (int i = 0; i < marks; ++i)
        out << "    mark " << rims[i].number << ": " << rims[i].x << ", " << rims[i].y << "\n";
    out << "  distortion records: " << count << "\n";
    long const limit = limitOf(args);
    for (std::size_t i = 0; i < distortions.size() && static_cast<long>(i) < limit; ++i)
        out << "    " << distortions[i].radius << "  " << distortions[i].deltaX << "  " << distortions[i].deltaY << "\n";
    if (static_cast<long>(distortions.size()) > limit) out << "    ... (" << distortions.size() - limit << " more)\n";
    return 0;
}

int printJointCoefficients(std::string const& hostPath, Arguments const& args, std::ostream& out) {
    std::string head(35, '\0');
    std::ifstream file(args.positional.at(0), std::ios::binary);
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    if (file.gcount() != static_cast<std::streamsize>(head.size()))
        return cannotRead(out, "model joint coefficient file", yb::kInvalidContent);
    std::int32_t strips = 0;
    std::memcpy(&strips, head.data() + 31, sizeof strips);
    out << "model joint coefficient file\n  strips: " << strips << "\n" << std::setprecision(10);
    long const limit = limitOf(args);
    for (std::int32_t strip = 1; strip <= strips && strip <= limit; ++strip) {
        out << "  strip " << strip << ":";
        double value = 0;
        std::int32_t model = 1;
        for (; model <= limit && ybGetOneModelJointCeff(hostPath.c_str(), strip, model, &value) == 0; ++model)
            out << " " << value;
        bool const more = model > limit && ybGetOneModelJointCeff(hostPath.c_str(), strip, model, &value) == 0;
        out << (more ? " ..." : "") << "\n";
    }
    if (strips > limit) out << "  ... (" << strips - limit << " more strips)\n";
    return 0;
}

int printProjection(std::string const& hostPath, Arguments const&, std::ostream& out) {
    MAP_PARAstruct info{};
    if (std::int32_t code = ybReadSuvProjInfo(hostPath.c_str(), &info))
        return cannotRead(out, "projection information file", code);
    out << "projection information file\n  record (" << sizeof info.bytes << " bytes):";
    std::ostringstream hex;
    for (std::size_t i = 0; i < sizeof info.bytes; ++i) {
        if (i % 24 == 0) hex << "\n   ";
        hex << ' ' << std::hex << std::setw(2) << std::setfill('0') << static_cast<int>(info.bytes[i]);
    }
    out << hex.str() << "\n";
    return 0;
}

// The two text lists start with a count line; the relation file's lines are three numbers.
bool startsWithCount(std::string_view head, std::string_view& secondLine) {
    std::size_t const end = head.find('\n');
    if (end == std::string_view::npos || end == 0) return false;
    std::string_view first = head.substr(0, end);
    if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
    if (first.empty() || first.find_first_not_of("0123456789") != std::string_view::npos) return false;
    secondLine = head.substr(end + 1);
    return !secondLine.empty();
}

bool isRecordLine(std::string_view line) {
    std::string const text(line.substr(0, line.find('\n')));
    char const* cursor = text.c_str();
    char* end = nullptr;
    std::strtol(cursor, &end, 10);
    if (end == cursor || (*end != '\t' && *end != ' ')) return false;
    for (int i = 0; i < 2; ++i) {
        cursor = end;
        std::strtod(cursor, &end);
        if (end == cursor) return false;
    }
    return true;
}

bool isRelationFile(std::string const& path, std::string_view head) {
    std::string_view second;
    return !hasExtension(path, ".ctp") && startsWithCount(head, second) && isRecordLine(second);
}

bool isInnerOrientationList(std::string const& path, std::string_view head) {
    std::string_view second;
    return !hasExtension(path, ".ctp") && startsWithCount(head, second) && !isRecordLine(second);
}

int printRelations(std::string const& hostPath, Arguments const& args, std::ostream& out) {
    std::vector<ImageLayoutStru> records;
    if (std::int32_t code = ybReadImageRelaFile(hostPath.c_str(), records))
        return cannotRead(out, "image relation file", code);
    out << "image relation file\n  records: " << records.size() << "\n" << std::fixed << std::setprecision(6);
    long const limit = limitOf(args);
    for (std::size_t i = 0; i < records.size() && static_cast<long>(i) < limit; ++i) {
        ImageLayoutStru const record = records[i];
        double const x = record.x;
        double const y = record.y;
        out << "    image " << record.imageNo << ": " << x << ", " << y << "\n";
    }
    if (static_cast<long>(records.size()) > limit) out << "    ... (" << records.size() - limit << " more)\n";
    return 0;
}

int printInnerOrientationList(std::string const& hostPath, Arguments const& args, std::ostream& out) {
    std::int32_t count = 0;
    if (std::int32_t code = ybReadImgNumsOfInnOrient(hostPath.c_str(), &count))
        return cannotRead(out, "inner orientation image list", code);
    out << "inner orientation image list\n  images: " << count << "\n";
    long const limit = limitOf(args);
    for (std::int32_t i = 1; i <= count && i <= limit; ++i) {
        char name[128] = {};
        std::int32_t const code = ybReadOneInnOrientImgFileName(hostPath.c_str(), i, name);
        if (code != 0) return cannotRead(out, "inner orientation image list entry", code);
        out << "    " << i << ": " << toTerminal(name) << "\n";
    }
    if (count > limit) out << "    ... (" << count - limit << " more)\n";
    return 0;
}

bool startsWith(std::string_view head, std::string_view magic) { return head.substr(0, magic.size()) == magic; }

InfoRegistration camera{{"camera parameter file",
                         [](std::string const&, std::string_view head) {
                             return startsWith(head, "YBI_CAMERA_PARAMETER_FILE_VER1.0");
                         },
                         printCamera}};
InfoRegistration joint{{"model joint coefficient file",
                        [](std::string const&, std::string_view head) {
                            return startsWith(head, "YB_MODEL_JOINT_CEFF_FILE_VER1.0");
                        },
                        printJointCoefficients}};
InfoRegistration projection{{"projection information file",
                             [](std::string const&, std::string_view head) {
                                 return startsWith(head, "YBI_PROJTRANS_FILE_VER1.0");
                             },
                             printProjection}};
InfoRegistration relation{{"image relation file", isRelationFile, printRelations}};
InfoRegistration innerList{{"inner orientation image list", isInnerOrientationList, printInnerOrientationList}};

}  // namespace
}  // namespace ybblock
