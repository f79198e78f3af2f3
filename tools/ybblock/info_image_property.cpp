// ybblock info for image property files (".ipp"), SPOT property files and sensor property files (".ipc").
#include "commands.h"

#include <yb/ybBlockFileIO.h>

#include <cstdio>
#include <iomanip>
#include <sstream>

namespace ybblock {
namespace {

int cannotRead(std::ostream& out, char const* kind, std::int32_t code) {
    out << kind << ": cannot read (" << code << ", " << describeCode(code) << ")\n";
    return 1;
}

std::string number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.12g", value);
    return text;
}

int printImageProperties(std::string const& hostPath, Arguments const&, std::ostream& out) {
    IMAGEPROPINFO info{};
    std::int32_t code = ybReadImagePropInfoFile(hostPath.c_str(), &info);
    if (code != 0) return cannotRead(out, "image property file", code);
    out << "image property file\n"
        << "  pixel size: " << number(info.pixelSize) << " mm\n"
        << "  record bytes (offsets in decimal):\n";
    auto const* bytes = reinterpret_cast<unsigned char const*>(&info);
    for (std::size_t row = 0; row < sizeof info; row += 16) {
        std::ostringstream line;
        line << "    " << std::setw(3) << row << ":" << std::hex << std::setfill('0');
        for (std::size_t i = row; i < row + 16 && i < sizeof info; ++i) line << ' ' << std::setw(2) << int{bytes[i]};
        out << line.str() << "\n";
    }
    return 0;
}

int printSpotProperties(std::string const& hostPath, Arguments const&, std::ostream& out) {
    double value = 0.0;
    std::int32_t code = ybReadSPOTPropInfoFile(hostPath.c_str(), &value);
    if (code != 0) return cannotRead(out, "SPOT image property file", code);
    out << "SPOT image property file\n"
        << "  value: " << number(value) << "\n";
    return 0;
}

int printSensorProperties(std::string const& hostPath, Arguments const&, std::ostream& out) {
    char name[64] = {};
    std::int32_t first = 0, second = 0;
    double firstReal = 0.0, secondReal = 0.0;
    std::int32_t code = ybReadCustomImagePropFile(hostPath.c_str(), name, &first, &second, &firstReal, &secondReal);
    if (code != 0) return cannotRead(out, "sensor property file", code);
    out << "sensor property file\n"
        << "  sensor:          " << fieldText(name, sizeof name) << "\n"
        << "  whole numbers:   " << first << ", " << second << "\n"
        << "  real numbers:    " << number(firstReal) << ", " << number(secondReal) << "\n";
    return 0;
}

InfoRegistration imageProperties{{"image property file",
                                  [](std::string const&, std::string_view head) {
                                      return head.rfind("YB_IMAGE_PROPINFO_FILE_VER1.0", 0) == 0;
                                  },
                                  printImageProperties}};

InfoRegistration spotProperties{{"SPOT image property file",
                                 [](std::string const&, std::string_view head) {
                                     return head.rfind("YB_SPOTIMAGE_PROPINFO_FILE_VER1.0", 0) == 0;
                                 },
                                 printSpotProperties}};

InfoRegistration sensorProperties{{"sensor property file",
                                   [](std::string const& path, std::string_view) { return hasExtension(path, ".ipc"); },
                                   printSensorProperties}};

}  // namespace
}  // namespace ybblock
