// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The coordinate conversion parameter file (".ctp" beside the block option file): a text file whose
// first line holds the parameter count (3 or 7) and whose second line holds the parameters, each in
// %g notation followed by a tab. It is found through the block record, never by a path of its own.
#include "block/file_names.h"
#include "binary_io.h"
#include "export_frame.h"
#include "fs.h"
#include "text_scan.h"
#include "gbk.h"
#include "messages.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace yb::block {
namespace {

constexpr char const* kConversionExtension = ".ctp";
constexpr std::int32_t kThreeParameters = 3;
constexpr std::int32_t kSevenParameters = 7;
constexpr std::size_t kMaxParameters = 7;

// The texts this file shows the user (UTF-8 here, GBK when shown).
constexpr char const* kMessageBadFile = "错误的坐标转换参数文件 <%s> ！";
constexpr char const* kMessageBadParameters = "错误的坐标转换参数信息！";

// Longest token worth reading; anything longer is not a number of this file.
constexpr int kTokenWidth = 63;

bool validCount(std::int32_t count) { return count == kThreeParameters || count == kSevenParameters; }

std::string conversionFileName(BlockInfo const& block) {
    return blockAuxFileName(block, kConversionExtension, nullptr);
}

// The next whitespace-separated token, read bounded; false at the end of the file.
bool nextToken(std::FILE* stream, std::array<char, kTokenWidth + 1>& token) {
    return std::fscanf(stream, "%63s", token.data()) == 1;
}

bool parseCount(char const* text, std::int32_t& count) {
    auto const value = platform::wholeNumber<std::int32_t>(text);
    if (value) count = *value;
    return value.has_value();
}

bool parseReal(char const* text, double& value) {
    auto const parsed = platform::wholeNumber<double>(text);
    if (parsed) value = *parsed;
    return parsed.has_value();
}

std::int32_t readConversionParameters(BlockInfo const& block, std::int32_t& count, double* params) {
    if (params == nullptr) return kInvalidArgument;
    std::string const fileName = conversionFileName(block);
    if (!platform::isRegularFile(fileName.c_str())) {
        // No file: the block has no conversion, which is the three-parameter identity.
        count = kThreeParameters;
        params[0] = params[1] = params[2] = 0.0;
        return kSuccess;
    }
    std::int32_t result = kSuccess;
    {
        platform::File file = platform::openFile(fileName, "r");
        if (!file) return kCannotOpen;
        std::array<char, kTokenWidth + 1> token{};
        std::int32_t stored = 0;
        if (!nextToken(file.get(), token) || !parseCount(token.data(), stored)) {
            result = kInvalidContent;
        } else {
            count = stored;
            if (!validCount(stored)) result = kInvalidContent;
        }
        if (result == kSuccess) {
            // The caller's parameters change only when the file holds all of them.
            std::array<double, kMaxParameters> values{};
            for (std::int32_t i = 0; i < stored && result == kSuccess; ++i) {
                if (!nextToken(file.get(), token) || !parseReal(token.data(), values[static_cast<std::size_t>(i)]))
                    result = kInvalidContent;
            }
            if (result == kSuccess) std::copy(values.begin(), values.begin() + stored, params);
        }
    }
    if (result != kSuccess) frame::showErrorF(kMessageBadFile, fileName.c_str());
    return result;
}

std::int32_t writeConversionParameters(BlockInfo const& block, std::int32_t count, double const* params) {
    std::string const fileName = conversionFileName(block);
    // The count is checked before the file is touched, so a bad call keeps the stored parameters.
    if (!validCount(count)) {
        frame::showError(platform::gbkFromUtf8Literal(kMessageBadParameters));
        return kOutOfRange;
    }
    if (params == nullptr) return kInvalidArgument;
    std::string text = std::to_string(count) + "\n";
    for (std::int32_t i = 0; i < count; ++i) {
        std::array<char, 64> number{};
        std::snprintf(number.data(), number.size(), "%g\t", params[i]);
        text += number.data();
    }
    text += "\n";
    bool const written = platform::replaceFile(fileName, [&](platform::Output& out) {
        out.write(text.data(), text.size());
        return true;
    });
    return written ? kSuccess : kCannotWrite;
}

}  // namespace
}  // namespace yb::block

std::int32_t ybReadCordConvertPara(BlockInfo const& block, std::int32_t& count, double* params) {
    return yb::frame::guarded([&] { return yb::block::readConversionParameters(block, count, params); });
}

std::int32_t ybWriteCordConvertPara(BlockInfo const& block, std::int32_t count, double* params) {
    return yb::frame::guarded([&] { return yb::block::writeConversionParameters(block, count, params); });
}
