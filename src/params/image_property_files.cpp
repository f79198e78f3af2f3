// Image property files: the binary property file of one image (".ipp", magic + one IMAGEPROPINFO), the
// binary SPOT property file (magic + one double), and the two-line text file that describes a sensor
// (".ipc": its name, then two whole and two real numbers).
#include "file_kinds.h"
#include "params/image_property_files.h"

#include "export_frame.h"
#include "messages.h"
#include "option_file.h"

#include "binary_io.h"
#include "fs.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <array>
#include <cctype>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace yb::params {
namespace {

constexpr std::string_view kImagePropertyMagic = frame::magicOf(frame::FileKind::ImageProperty);
static_assert(kImagePropertyMagic.size() == 29);
static_assert(kImagePropertyMagic.size() + sizeof(IMAGEPROPINFO) == 190);
constexpr std::string_view kSpotPropertyMagic = frame::magicOf(frame::FileKind::SpotProperty);
static_assert(kSpotPropertyMagic.size() == 33);
// Both binary property files answer the same way when a read fails.
constexpr frame::OptionReadCodes kPropertyReadCodes{.cannotOpen = kCannotOpen, .wrongMagic = kWrongMagic};

// Sensor files: line 1 is the sensor name, one word that fits a 64-byte field with its terminator.
constexpr std::size_t kSensorNameSize = 64;
// Bytes of the image path buffer that the image library fills.
constexpr std::size_t kYbiPathSize = 260;
// Characters of a line that are looked at; the rest of a longer line is passed over.
constexpr std::size_t kLineLimit = 1023;

struct SensorFile {
    char const* fileName;  // appended to the directory
    char const* sensorName;
    std::int32_t first;
    std::int32_t second;
    double firstReal;
    double secondReal;
};
constexpr SensorFile kSpotSensorFiles[] = {
    {"\\spot4_mss.ipc", "SPOT4_MSS", 6000, 6000, 0.013, 1082.0},
    {"\\spot5_pan.ipc", "SPOT5_PAN", 24000, 24000, 0.00325, 1082.0},
};

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// One word that reads back whole: not empty, no white space, room for its terminator.
bool isSensorName(char const* name) {
    std::size_t const length = strnlen(name, kSensorNameSize);
    if (length == 0 || length >= kSensorNameSize) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (isBlank(name[i])) return false;
    return true;
}

bool isNonNegative(double value) { return value >= 0.0; }  // false for NaN too

std::int32_t readImageProperties(char const* path, IMAGEPROPINFO* info) {
    if (info == nullptr) return kStoredCountTooSmall;
    if (ybIsFileExist(path) == 0) return kCannotOpen;
    std::memset(info, 0, sizeof *info);
    // A short record keeps the bytes present and the rest stays zero; on a wrong magic it stays cleared.
    return frame::optionReadResult(frame::readOptionFile(path, kImagePropertyMagic, info, sizeof *info),
                                   kPropertyReadCodes);
}

std::int32_t writeImageProperties(char const* path, IMAGEPROPINFO const* info) {
    if (path == nullptr || info == nullptr) return kInvalidArgument;
    return frame::writeOptionFile(path, kImagePropertyMagic, info, sizeof *info) ? kSuccess : kCannotWrite;
}

std::int32_t readSpotProperties(char const* path, double* value) {
    if (value == nullptr) return kInvalidArgument;
    if (ybIsFileExist(path) == 0) return kCannotOpen;
    double stored = 0.0;
    std::int32_t const result = frame::optionReadResult(
        frame::readOptionFile(path, kSpotPropertyMagic, &stored, sizeof stored), kPropertyReadCodes);
    if (result == kSuccess) *value = stored;
    return result;
}

std::int32_t writeSpotProperties(char const* path, double value) {
    if (path == nullptr) return kInvalidArgument;
    return frame::writeOptionFile(path, kSpotPropertyMagic, &value, sizeof value) ? kSuccess : kCannotWrite;
}

std::string sensorFileText(char const* name, std::int32_t first, std::int32_t second, double firstReal,
                           double secondReal) {
    return frame::formatGbk("%s\n%ld\t%ld\t%.12f\t%.12f\n", name, static_cast<long>(first), static_cast<long>(second),
                            firstReal, secondReal);
}

std::int32_t createSensorFile(char const* path, char const* name, std::int32_t first, std::int32_t second,
                              double firstReal, double secondReal) {
    bool const valid = path != nullptr && name != nullptr && isSensorName(name) && first >= 0 && second >= 0 &&
                       isNonNegative(firstReal) && isNonNegative(secondReal);
    if (!valid) {
        // A file at the path would describe a sensor the caller no longer means.
        if (path != nullptr) platform::removeFile(path);
        return kInvalidArgument;
    }
    std::string const text = sensorFileText(name, first, second, firstReal, secondReal);
    bool const written = !text.empty() && platform::replaceFile(path, [&](platform::Output& out) {
        out.write(text.data(), text.size());
        return true;
    });
    return written ? kSuccess : kCannotWrite;
}

// Reads one line, keeping at most kLineLimit characters of it; false at the end of the file.
bool readLine(std::FILE* stream, std::string& line) {
    line.clear();
    int c = std::getc(stream);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::getc(stream)) {
        if (line.size() < kLineLimit) line.push_back(static_cast<char>(c));
    }
    return true;
}

bool parseWhole(char const*& cursor, std::int32_t& value) {
    char* end = nullptr;
    errno = 0;
    long long const parsed = std::strtoll(cursor, &end, 10);
    if (end == cursor || errno == ERANGE || parsed < 0 || parsed > std::numeric_limits<std::int32_t>::max())
        return false;
    value = static_cast<std::int32_t>(parsed);
    cursor = end;
    return true;
}

bool parseReal(char const*& cursor, double& value) {
    char* end = nullptr;
    double const parsed = std::strtod(cursor, &end);
    if (end == cursor || !isNonNegative(parsed)) return false;
    value = parsed;
    cursor = end;
    return true;
}

std::int32_t readSensorFile(char const* path, char* name, std::int32_t* first, std::int32_t* second,
                            double* firstReal, double* secondReal) {
    if (path == nullptr) return kInvalidArgument;
    platform::File file = platform::openFile(path, "r");
    if (!file) return kCannotOpen;

    std::string line;
    if (!readLine(file.get(), line)) return kInvalidContent;
    std::size_t begin = 0;
    while (begin < line.size() && isBlank(line[begin])) ++begin;
    std::size_t end = begin;
    while (end < line.size() && !isBlank(line[end])) ++end;
    std::string const word = line.substr(begin, end - begin);
    // A name without room for its terminator in the caller's field is damage, not a name.
    if (word.empty() || word.size() >= kSensorNameSize || word.find('\0') != std::string::npos)
        return kInvalidContent;

    if (!readLine(file.get(), line)) return kInvalidContent;
    std::int32_t wholes[2] = {};
    double reals[2] = {};
    char const* cursor = line.c_str();
    if (!parseWhole(cursor, wholes[0]) || !parseWhole(cursor, wholes[1]) || !parseReal(cursor, reals[0]) ||
        !parseReal(cursor, reals[1]))
        return kInvalidContent;

    if (name != nullptr) std::memcpy(name, word.c_str(), word.size() + 1);
    if (first != nullptr) *first = wholes[0];
    if (second != nullptr) *second = wholes[1];
    if (firstReal != nullptr) *firstReal = reals[0];
    if (secondReal != nullptr) *secondReal = reals[1];
    return kSuccess;
}

// The pixel size of an image, from its image property file when the block has one, otherwise from the
// image's resolution. The property file stores millimetres; the result is in metres.
double currentImagePixel(char const* blockDir, YbiHandle image) {
    constexpr double kMetresPerMillimetre = 0.001;
    constexpr double kMillimetresPerInch = 25.4;
    // Without an image or a usable resolution the pixel is taken as one millimetre.
    constexpr double kUnknownPixel = 1.0 * kMetresPerMillimetre;
    if (image == nullptr) return kUnknownPixel;

    char imagePath[kYbiPathSize + 1] = {};
    if (ybGetYBIFileNmaeWithPath(image, imagePath) == kSuccess && blockDir != nullptr) {
        std::string const propertyFile = ybGetImagePropFile(imagePath, blockDir);
        if (!propertyFile.empty() && ybIsFileExist(propertyFile.c_str()) != 0) {
            // A file that does not read leaves a cleared record: its pixel size is 0.
            IMAGEPROPINFO info{};
            readImageProperties(propertyFile.c_str(), &info);
            return info.pixelSize * kMetresPerMillimetre;
        }
    }
    double dotsPerInch = 0.0;
    if (ybGetXResolution(image, &dotsPerInch) != kSuccess || !(dotsPerInch > 0.0) || !std::isfinite(dotsPerInch))
        return kUnknownPixel;
    return kMillimetresPerInch / dotsPerInch * kMetresPerMillimetre;
}

}  // namespace

// Both files are written completely before either takes its place, so a failure keeps the files that
// were there. Only when one cannot be put in place after another was, the files that are new go again.
std::int32_t writeSpotSensorFiles(char const* directory) {
    if (directory == nullptr) return kInvalidArgument;
    constexpr std::size_t kCount = std::size(kSpotSensorFiles);
    std::array<std::string, kCount> paths;
    std::array<std::optional<platform::FileReplacement>, kCount> files;
    for (std::size_t i = 0; i < kCount; ++i) {
        SensorFile const& sensor = kSpotSensorFiles[i];
        paths[i] = std::string(directory) + sensor.fileName;
        std::string const text =
            sensorFileText(sensor.sensorName, sensor.first, sensor.second, sensor.firstReal, sensor.secondReal);
        platform::FileReplacement& file = files[i].emplace(paths[i]);
        if (!file.opened()) return kCannotWrite;
        file.out().write(text.data(), text.size());
        if (!file.finish()) return kCannotWrite;
    }
    std::array<bool, kCount> existed{};
    for (std::size_t i = 0; i < kCount; ++i) existed[i] = platform::isRegularFile(paths[i]);
    for (std::size_t i = 0; i < kCount; ++i) {
        if (files[i]->install()) continue;
        for (std::size_t j = 0; j < i; ++j)
            if (!existed[j]) platform::removeFile(paths[j]);
        return kCannotWrite;
    }
    return kSuccess;
}

}  // namespace yb::params

using yb::frame::guarded;

std::int32_t ybReadSPOTPropInfoFile(char const* path, double* value) {
    return guarded([&] { return yb::params::readSpotProperties(path, value); });
}

std::int32_t ybWriteSPOTPropInfoFile(char const* path, double value) {
    return guarded([&] { return yb::params::writeSpotProperties(path, value); });
}

std::int32_t ybReadImagePropInfoFile(char const* path, IMAGEPROPINFO* info) {
    return guarded([&] { return yb::params::readImageProperties(path, info); });
}

std::int32_t ybWriteImagePropInfoFile(char const* path, IMAGEPROPINFO const* info) {
    return guarded([&] { return yb::params::writeImageProperties(path, info); });
}

std::int32_t ybCreateCustomImagePropFile(char const* path, char const* sensorName, std::int32_t first,
                                         std::int32_t second, double firstReal, double secondReal) {
    return guarded(
        [&] { return yb::params::createSensorFile(path, sensorName, first, second, firstReal, secondReal); });
}

std::int32_t ybReadCustomImagePropFile(char const* path, char* sensorName, std::int32_t* first, std::int32_t* second,
                                       double* firstReal, double* secondReal) {
    return guarded(
        [&] { return yb::params::readSensorFile(path, sensorName, first, second, firstReal, secondReal); });
}

double ybGetCurImgPixel(char const* blockDir, YbiHandle image) {
    return guarded([&] { return yb::params::currentImagePixel(blockDir, image); });
}
