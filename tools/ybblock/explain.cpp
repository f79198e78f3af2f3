// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock explain: the suite's table of result codes, one code or all of them.
#include "tool.h"

#include "result_codes.h"
#include "text_scan.h"

namespace ybblock {
namespace {

using yb::frame::ResultCodeInfo;

// A code given as its number or as its constant's name (with or without "yb::").
ResultCodeInfo const* lookUp(std::string const& word) {
    if (auto const code = yb::platform::wholeNumber<std::int32_t>(word)) return yb::frame::findResultCode(*code);
    for (auto const& info : yb::frame::kResultCodes) {
        std::string_view name = info.constant;
        if (name.starts_with("yb::")) name.remove_prefix(4);
        if (word == info.constant || word == name) return &info;
    }
    return nullptr;
}

Json toJson(ResultCodeInfo const& info) {
    return Json{{"code", info.code},
                {"constant", std::string(info.constant)},
                {"library", std::string(info.library)},
                {"meaning", std::string(info.meaning)},
                {"returned_by", std::string(info.operations)}};
}

void printText(ResultCodeInfo const& info, std::ostream& out) {
    out << info.code << "  " << info.constant << "  (" << info.library << ")\n"
        << "  meaning:     " << info.meaning << "\n"
        << "  returned by: " << info.operations << "\n";
}

}  // namespace

int runExplain(std::vector<std::string> const& words, bool json, std::ostream& out, std::ostream& err) {
    std::vector<ResultCodeInfo const*> found;
    for (auto const& word : words) {
        if (word == "all") {
            for (auto const& info : yb::frame::kResultCodes) found.push_back(&info);
        } else if (auto const* info = lookUp(word)) {
            found.push_back(info);
        } else {
            err << "ybblock explain: '" << word
                << "' is not a result code of ybBlockFileIO or its companions; 'ybblock explain all' lists them\n";
            return kExitFailed;
        }
    }
    if (json) {
        Json list = Json::array();
        for (auto const* info : found) list.push_back(toJson(*info));
        out << list.dump(2) << "\n";
    } else {
        for (auto const* info : found) printText(*info, out);
    }
    return kExitOk;
}

}  // namespace ybblock
