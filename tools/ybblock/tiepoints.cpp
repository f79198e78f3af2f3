// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock tiepoints export|import: tie point observations as CSV, one row per observation. Numbers are
// written in their shortest exact form, so a file exported and imported again gives the same bits.
// An import reads and checks the whole CSV before it changes anything, then merges through the
// library (a row replaces the observation of the same image and name, or is added).
#include "tool.h"

#include "fs.h"
#include "gbk.h"
#include "hostpath.h"
#include "text_scan.h"
#include "points/point_records.h"
#include "tiepoints/tie_point_file.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <unordered_set>

namespace ybblock {
namespace {

using yb::frame::FileKind;

constexpr std::array<std::string_view, 7> kColumns = {"image", "name", "type", "x", "y", "photo_x", "photo_y"};

// The tie point file a command works on: the one named by a block (then with the block), or the file
// itself.
struct Target {
    std::string tiePointPath;
    std::optional<Block> block;
};

std::optional<Target> tiePointFileOf(std::string const& typed, bool mayBeNew, std::ostream& err, int& status) {
    status = kExitFailed;
    std::string const host = toHost(typed);
    if (!yb::platform::isRegularFile(host)) {
        if (mayBeNew) return Target{host, std::nullopt};
        reportFailure(err, "no such file", yb::kCannotOpen, host);
        return std::nullopt;
    }
    auto const kind = recogniseFile(host);
    if (kind == FileKind::TiePoint) return Target{host, std::nullopt};
    if (kind == FileKind::BlockOption) {
        auto block = openBlock(host, err);
        if (!block) {
            status = kExitUsage;
            return std::nullopt;
        }
        std::string const path = block->tiePointPath;
        return Target{path, std::move(block)};
    }
    err << "ybblock tiepoints: '" << typed << "' is neither a block option file nor a tie point file\n";
    return std::nullopt;
}

std::string csvField(std::string const& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos &&
        (text.empty() || (text.front() != ' ' && text.back() != ' ')))
        return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// One CSV record: its fields and the line each field starts on (a quoted field may span lines).
struct CsvRecord {
    std::vector<std::string> fields;
    std::size_t line = 0;
};

struct CsvError {
    std::size_t line = 0;
    std::size_t column = 0;
    std::string message;
};

// Splits CSV text into records; a quote left open is an error at the line it opened on.
std::optional<CsvError> splitCsv(std::string_view text, std::vector<CsvRecord>& records) {
    std::size_t line = 1;
    std::size_t i = 0;
    while (i < text.size()) {
        CsvRecord record;
        record.line = line;
        std::string field;
        bool endOfRecord = false;
        while (!endOfRecord) {
            if (i < text.size() && text[i] == '"') {
                std::size_t const openedOn = line;
                ++i;
                for (;;) {
                    if (i >= text.size())
                        return CsvError{openedOn, record.fields.size() + 1, "a quoted field is not closed"};
                    if (text[i] == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"') {
                            field += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (text[i] == '\n') ++line;
                    field += text[i++];
                }
            }
            while (i < text.size() && text[i] != ',' && text[i] != '\n') {
                if (text[i] != '\r' || (i + 1 < text.size() && text[i + 1] != '\n')) field += text[i];
                ++i;
            }
            record.fields.push_back(std::move(field));
            field.clear();
            if (i < text.size() && text[i] == ',') {
                ++i;
            } else {
                endOfRecord = true;
                if (i < text.size()) {
                    ++i;
                    ++line;
                }
            }
        }
        bool const blank = record.fields.size() == 1 && record.fields[0].empty();
        if (!blank) records.push_back(std::move(record));
    }
    return std::nullopt;
}

template <class Number>
bool parseNumber(std::string const& text, Number& value) {
    auto const parsed = yb::platform::wholeNumber<Number>(text);
    if (parsed) value = *parsed;
    return parsed.has_value();
}

std::optional<CsvError> parseRow(CsvRecord const& record, tagImagePoint& point) {
    auto fail = [&](std::size_t column, std::string message) {
        return CsvError{record.line, column + 1, std::string(kColumns[column]) + ": " + message};
    };
    if (record.fields.size() != kColumns.size())
        return CsvError{
            record.line, std::min(record.fields.size(), kColumns.size()) + 1,
            "expected " + std::to_string(kColumns.size()) + " fields, found " + std::to_string(record.fields.size())};
    std::int32_t image = 0;
    if (!parseNumber(record.fields[0], image)) return fail(0, "'" + record.fields[0] + "' is not a whole number");
    auto const name = yb::platform::utf8ToGbk(record.fields[1]);
    if (!name) return fail(1, "the name does not convert to GBK");
    if (name->size() >= sizeof point.name) return fail(1, std::string(yb::points::kNameRule));
    std::int16_t type = 0;
    if (!parseNumber(record.fields[2], type)) return fail(2, "'" + record.fields[2] + "' is not a 16-bit whole number");
    double values[4] = {};
    for (std::size_t k = 0; k < 4; ++k) {
        if (!parseNumber(record.fields[3 + k], values[k]))
            return fail(3 + k, "'" + record.fields[3 + k] + "' is not a number");
        if (!std::isfinite(values[k])) return fail(3 + k, "'" + record.fields[3 + k] + "' is not a finite number");
    }
    point = tagImagePoint{};
    point.imageNo = image;
    point.type = type;
    std::memcpy(point.name, name->data(), name->size());
    point.x = values[0];
    point.y = values[1];
    point.photoX = values[2];
    point.photoY = values[3];
    if (auto const problem = yb::points::observationProblem(point)) {
        auto const column = std::find(kColumns.begin(), kColumns.end(), problem->field) - kColumns.begin();
        return fail(static_cast<std::size_t>(column), problem->why);
    }
    return std::nullopt;
}

bool readWholeFile(std::string const& hostPath, std::string& text) {
    yb::platform::File file = yb::platform::openFile(hostPath, "rb");
    if (!file) return false;
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, got);
    return !std::ferror(file.get());
}

}  // namespace

int runTiePointExport(TiePointExportOptions const& options, std::ostream& out, std::ostream& err) {
    int status = kExitOk;
    auto const target = tiePointFileOf(options.source, false, err, status);
    if (!target) return status;
    std::string const* const source = &target->tiePointPath;
    std::vector<tagImagePoint> points;
    if (std::int32_t code = ybReadTiePntFileToAry(source->c_str(), points); code != yb::kSuccess) {
        reportFailure(err, "cannot read the tie point file", code, *source);
        return kExitFailed;
    }
    std::string csv;
    for (std::size_t k = 0; k < kColumns.size(); ++k) csv += std::string(k ? "," : "") + std::string(kColumns[k]);
    csv += "\n";
    for (tagImagePoint const& point : points) {
        auto const name = yb::platform::gbkToUtf8(yb::platform::boundedText(point.name, sizeof point.name));
        if (!name) {
            err << "ybblock tiepoints export: a point name of image " << point.imageNo
                << " is not valid GBK text; nothing written\n";
            return kExitFailed;
        }
        csv += std::to_string(point.imageNo) + "," + csvField(*name) + "," + std::to_string(point.type) + "," +
               exactNumber(point.x) + "," + exactNumber(point.y) + "," + exactNumber(point.photoX) + "," +
               exactNumber(point.photoY) + "\n";
    }
    if (!writeOutput(options.output, csv, "the CSV file", out, err)) return kExitFailed;
    if (toStandardOutput(options.output)) return kExitOk;
    out << "tiepoints export: " << counted(points.size(), "observation", "observations") << " written to "
        << options.output << "\n";
    return kExitOk;
}

int runTiePointImport(TiePointImportOptions const& options, std::ostream& out, std::ostream& err) {
    std::string const csvPath = toHost(options.csv);
    std::string text;
    if (!readWholeFile(csvPath, text)) {
        reportFailure(err, "cannot read the CSV file", yb::kCannotOpen, csvPath);
        return kExitFailed;
    }
    // A spreadsheet's "CSV UTF-8" starts with a byte order mark.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (std::string_view(text).starts_with(kByteOrderMark)) text.erase(0, kByteOrderMark.size());
    auto const fail = [&](CsvError const& error) {
        err << options.csv << ":" << error.line << ":" << error.column << ": " << error.message
            << "\nybblock tiepoints import: nothing changed\n";
        return kExitFailed;
    };
    std::vector<CsvRecord> records;
    if (auto error = splitCsv(text, records)) return fail(*error);
    if (records.empty()) return fail({1, 1, "the file is empty; the first line names the columns"});
    for (std::size_t k = 0; k < kColumns.size(); ++k)
        if (k >= records[0].fields.size() || records[0].fields[k] != kColumns[k])
            return fail(
                {records[0].line, k + 1, "the first line names the columns: image,name,type,x,y,photo_x,photo_y"});
    if (records[0].fields.size() != kColumns.size())
        return fail({records[0].line, kColumns.size() + 1, "the first line has more columns than the seven"});
    if (records.size() - 1 > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return fail({records.back().line, 1, "too many rows for one tie point file"});
    // Every bad row is told, not only the first: a file is put right in one go.
    std::vector<CsvError> bad;
    std::vector<tagImagePoint> points(records.size() - 1);
    std::vector<bool> parsed(points.size(), false);
    std::unordered_map<std::string, std::size_t> lineOf;  // an observation's key, the line naming it
    for (std::size_t i = 1; i < records.size(); ++i) {
        tagImagePoint& point = points[i - 1];
        if (auto error = parseRow(records[i], point)) {
            bad.push_back(std::move(*error));
            continue;
        }
        parsed[i - 1] = true;
        auto const [first, added] = lineOf.try_emplace(yb::points::observationKey(point), records[i].line);
        if (!added)
            bad.push_back({records[i].line, 2,
                           "image " + std::to_string(point.imageNo) + " point " + records[i].fields[1] +
                               " is named twice: on line " + std::to_string(first->second) + " and on line " +
                               std::to_string(records[i].line)});
    }

    int status = kExitOk;
    auto const target = tiePointFileOf(options.target, true, err, status);
    if (!target) return status;
    if (target->block && !options.allowUnknownImages) {
        std::vector<BlockImage> images;
        if (std::int32_t code = readBlockImages(*target->block, images)) {
            reportFailure(err, "cannot read the block image list; nothing changed", code, target->block->imageListPath);
            return kExitFailed;
        }
        std::unordered_set<std::int32_t> listed;
        for (BlockImage const& image : images) listed.insert(image.record.nImageNo);
        for (std::size_t i = 0; i < points.size(); ++i)
            if (parsed[i] && listed.count(std::int32_t{points[i].imageNo}) == 0)
                bad.push_back({records[i + 1].line, 1,
                               "image " + std::to_string(points[i].imageNo) +
                                   " is not in the block's image list (--allow-unknown-images imports it all the "
                                   "same)"});
    }
    if (!bad.empty()) {
        std::stable_sort(bad.begin(), bad.end(), [](CsvError const& a, CsvError const& b) { return a.line < b.line; });
        constexpr std::size_t kShown = 20;
        for (std::size_t k = 0; k < bad.size() && k < kShown; ++k)
            err << options.csv << ":" << bad[k].line << ":" << bad[k].column << ": " << bad[k].message << "\n";
        if (bad.size() > kShown) err << "(" << bad.size() - kShown << " more)\n";
        err << "ybblock tiepoints import: " << counted(bad.size(), "bad row", "bad rows") << "; nothing changed\n";
        return kExitFailed;
    }
    std::string const& path = target->tiePointPath;
    if (points.empty()) {
        out << "tiepoints import: no rows; nothing changed\n";
        return kExitOk;
    }
    // What each row does to the observation of the same image and name, if the file has one.
    std::vector<tagImagePoint> before;
    bool const exists = yb::platform::isRegularFile(path);
    if (exists) {
        if (std::int32_t code = yb::tiepoints::readAllTiePoints(path.c_str(), before); code != yb::kSuccess) {
            takeLibraryMessages();
            reportFailure(err, "cannot read the tie point file; nothing changed", code, path);
            return kExitFailed;
        }
    }
    std::unordered_map<std::string, tagImagePoint> held;
    for (tagImagePoint const& point : before) held.try_emplace(yb::points::observationKey(point), point);
    std::size_t replaced = 0, added = 0, unchanged = 0;
    for (tagImagePoint const& point : points) {
        auto const found = held.find(yb::points::observationKey(point));
        if (found == held.end())
            ++added;
        else if (std::memcmp(&found->second, &point, offsetof(tagImagePoint, name)) == 0 &&
                 yb::platform::boundedText(found->second.name, sizeof point.name) ==
                     yb::platform::boundedText(point.name, sizeof point.name))
            ++unchanged;
        else
            ++replaced;
    }
    auto const count = static_cast<std::int32_t>(points.size());
    std::int32_t const code = exists ? ybAppendTiePntToFile(path.c_str(), points.data(), count)
                                     : ybCreateTiePntFile(path.c_str(), points.data(), count);
    if (code != yb::kSuccess) {
        takeLibraryMessages();
        reportFailure(err, "tiepoints import failed", code, path);
        return kExitFailed;
    }
    std::int32_t after = 0;
    ybReadTiePntNums(path.c_str(), after);
    out << "tiepoints import: " << counted(points.size(), "row", "rows") << " read: " << replaced << " replaced, "
        << added << " added, " << unchanged << " unchanged; " << toTerminal(path) << " held "
        << counted(before.size(), "observation", "observations") << " and holds " << after << " now\n";
    return kExitOk;
}

}  // namespace ybblock
