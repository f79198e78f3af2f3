// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The sensor property file (".ipc"): a text file whose first line is the sensor's name and whose
// second holds two whole and two real numbers; and the pair of them the block folder starts with.
#include "params/image_property_files.h"

#include "export_frame.h"
#include "messages.h"

#include "fs.h"
#include "text_scan.h"
#include "write_path.h"

#include <array>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace yb::params {
namespace {

// Line 1 is the sensor name, one word that fits a 64-byte field with its terminator.
constexpr std::size_t kSensorNameSize = 64;
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

using platform::isBlank;

// One word that reads back whole: not empty, no white space, room for its terminator.
bool isSensorName(char const* name) {
    std::size_t const length = strnlen(name, kSensorNameSize);
    if (length == 0 || length >= kSensorNameSize) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (isBlank(name[i])) return false;
    return true;
}

bool isNonNegative(double value) { return value >= 0.0; }  // false for NaN too

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

// A whole number 0..INT32_MAX or a real >= 0 at the front of `text`.
bool takeWhole(std::string_view& text, std::int32_t& value) {
    auto const parsed = platform::takeNumber<std::int32_t>(text);
    if (!parsed || *parsed < 0) return false;
    value = *parsed;
    return true;
}

bool takeReal(std::string_view& text, double& value) {
    auto const parsed = platform::takeNumber<double>(text);
    if (!parsed || !isNonNegative(*parsed)) return false;
    value = *parsed;
    return true;
}

std::int32_t readSensorFile(char const* path, char* name, std::int32_t* first, std::int32_t* second, double* firstReal,
                            double* secondReal) {
    if (path == nullptr) return kInvalidArgument;
    platform::File file = platform::openFile(path, "r");
    if (!file) return kCannotOpen;

    std::string line;
    if (!platform::readLine(file.get(), line, kLineLimit)) return kInvalidContent;
    std::size_t begin = 0;
    while (begin < line.size() && isBlank(line[begin])) ++begin;
    std::size_t end = begin;
    while (end < line.size() && !isBlank(line[end])) ++end;
    std::string const word = line.substr(begin, end - begin);
    // A name without room for its terminator in the caller's field is damage, not a name.
    if (word.empty() || word.size() >= kSensorNameSize || word.find('\0') != std::string::npos) return kInvalidContent;

    if (!platform::readLine(file.get(), line, kLineLimit)) return kInvalidContent;
    std::int32_t wholes[2] = {};
    double reals[2] = {};
    std::string_view numbers = line;
    if (!takeWhole(numbers, wholes[0]) || !takeWhole(numbers, wholes[1]) || !takeReal(numbers, reals[0]) ||
        !takeReal(numbers, reals[1]))
        return kInvalidContent;

    if (name != nullptr) std::memcpy(name, word.c_str(), word.size() + 1);
    if (first != nullptr) *first = wholes[0];
    if (second != nullptr) *second = wholes[1];
    if (firstReal != nullptr) *firstReal = reals[0];
    if (secondReal != nullptr) *secondReal = reals[1];
    return kSuccess;
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

std::int32_t ybCreateCustomImagePropFile(char const* path, char const* sensorName, std::int32_t first,
                                         std::int32_t second, double firstReal, double secondReal) {
    return guarded(
        [&] { return yb::params::createSensorFile(path, sensorName, first, second, firstReal, secondReal); });
}

std::int32_t ybReadCustomImagePropFile(char const* path, char* sensorName, std::int32_t* first, std::int32_t* second,
                                       double* firstReal, double* secondReal) {
    return guarded([&] { return yb::params::readSensorFile(path, sensorName, first, second, firstReal, secondReal); });
}
