// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock info: recognises the file's kind through the suite's table of file kinds, lets the kind's
// describer read it through the library, and prints the result as JSON or as indented text.
#include "info.h"

#include "fs.h"

#include <yb/ybBlockFileIO.h>

#include <algorithm>
#include <cstdio>

namespace ybblock::info {

ListBuilder::~ListBuilder() {
    parent_[key_] = std::move(items_);
    if (skipped_ != 0) parent_[key_ + "_not_shown"] = skipped_;
}

void ListBuilder::add(Json item) {
    if (wants())
        items_.push_back(std::move(item));
    else
        ++skipped_;
}

std::string hexBytes(unsigned char const* bytes, std::size_t count) {
    static char const digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

}  // namespace ybblock::info

namespace ybblock {
namespace {

using yb::frame::FileKind;
using namespace info;

Describer describerOf(FileKind kind) {
    switch (kind) {
        case FileKind::BlockOption: return describeBlockOption;
        case FileKind::ModelOption: return describeModelOption;
        case FileKind::OrthoMapOption: return describeOrthoMapOption;
        case FileKind::SingleImageDomOption: return describeSingleImageDomOption;
        case FileKind::SingleDomOption: return describeSingleDomOption;
        case FileKind::DemOption: return describeDemOption;
        case FileKind::ImageList: return describeImageList;
        case FileKind::GcpLayout: return describeGcpLayout;
        case FileKind::ImagePoint: return describeImagePoints;
        case FileKind::FeaturePoint: return describeFeaturePoints;
        case FileKind::ModelCommonPoint: return describeModelCommonPoints;
        case FileKind::ModelControlPoint: return describeModelControlPoints;
        case FileKind::TiePoint: return describeTiePoints;
        case FileKind::Camera: return describeCamera;
        case FileKind::ImageProperty: return describeImageProperty;
        case FileKind::SpotProperty: return describeSpotProperty;
        case FileKind::ModelJointCoefficient: return describeModelJointCoefficients;
        case FileKind::ProjectionInformation: return describeProjection;
        case FileKind::ModelState: return describeModelState;
        case FileKind::OrientationCoefficient: return describeOrientationCoefficients;
        case FileKind::YbiImage: return describeYbiImage;
        case FileKind::BlockStateReport: return describeBlockStateReport;
        case FileKind::CoordinateConversion: return describeCoordinateConversion;
        case FileKind::SensorProperty: return describeSensorProperty;
        case FileKind::TemporaryLayout: return describeTemporaryLayout;
        case FileKind::ImageRelation: return describeImageRelation;
        case FileKind::InnerOrientationList: return describeInnerOrientationList;
    }
    return nullptr;
}

std::string label(std::string const& key) {
    std::string text = key;
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

std::string scalarText(Json const& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_null()) return "-";
    if (value.is_number_float()) {
        // Text is for reading: twelve digits. JSON keeps every bit.
        char text[32];
        std::snprintf(text, sizeof text, "%.12g", value.get<double>());
        return text;
    }
    return value.dump();
}

bool isScalar(Json const& value) { return !value.is_object() && !value.is_array(); }

// A list of records as a table: a heading line, then one aligned line per record.
void renderTable(Json const& rows, std::ostream& out, std::string const& pad) {
    std::vector<std::vector<std::string>> cells;
    std::vector<std::size_t> widths;
    for (auto const& row : rows) {
        if (!row.is_object()) continue;
        if (cells.empty()) {
            cells.emplace_back();
            for (auto const& [column, unused] : row.items()) cells.back().push_back(label(column));
        }
        cells.emplace_back();
        for (auto const& [column, cell] : row.items())
            cells.back().push_back(isScalar(cell) ? scalarText(cell) : cell.dump());
    }
    for (auto const& line : cells) {
        widths.resize(std::max(widths.size(), line.size()));
        for (std::size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], displayWidth(line[i]));
    }
    for (auto const& line : cells) {
        std::string text = pad + "   ";
        for (std::size_t i = 0; i < line.size(); ++i) {
            text += " " + line[i];
            if (i + 1 < line.size()) text += std::string(widths[i] - displayWidth(line[i]), ' ');
        }
        out << text << "\n";
    }
}

// Objects as "key: value" lines; lists of records as tables.
void renderText(Json const& object, std::ostream& out, int indent) {
    std::string const pad(static_cast<std::size_t>(indent), ' ');
    for (auto const& [key, value] : object.items()) {
        constexpr std::string_view kNotShown = "_not_shown";
        if (key.size() > kNotShown.size() && key.ends_with(kNotShown)) {
            out << pad << "    (" << value.dump() << " more not shown; --limit N shows more)\n";
        } else if (key == "text" && value.is_string()) {
            out << value.get<std::string>();
        } else if (isScalar(value)) {
            out << pad << label(key) << ": " << scalarText(value) << "\n";
        } else if (value.is_object()) {
            out << pad << label(key) << ":\n";
            renderText(value, out, indent + 2);
        } else if (std::all_of(value.begin(), value.end(), isScalar)) {
            out << pad << label(key) << ":";
            char const* separator = " ";
            for (auto const& item : value) out << std::exchange(separator, ", ") << scalarText(item);
            out << "\n";
        } else {
            out << pad << label(key) << ":\n";
            renderTable(value, out, pad);
        }
    }
}

bool cutInsideLine(FileKind kind, std::string const& host) {
    if (kind != FileKind::CoordinateConversion && kind != FileKind::SensorProperty && kind != FileKind::ImageRelation &&
        kind != FileKind::InnerOrientationList)
        return false;
    yb::platform::File file = yb::platform::openFile(host, "rb");
    char last = '\n';
    return file && std::fseek(file.get(), -1, SEEK_END) == 0 && std::fread(&last, 1, 1, file.get()) == 1 &&
           last != '\n';
}

int describeFolder(InfoOptions const& options, std::string const& host, std::ostream& out) {
    std::vector<std::string> titles;
    ybGetSameExtFilePathsInOneDir(host.c_str(), "dms", titles, 0);
    std::sort(titles.begin(), titles.end());
    Json json{{"path", options.path}, {"kind", "folder"}, {"kind_id", "folder"}};
    Json names = Json::array();
    for (auto const& title : titles) names.push_back(toTerminal(title) + ".dms");
    json["block_option_files"] = std::move(names);
    if (options.json)
        out << json.dump(2) << "\n";
    else
        renderText(json, out, 0);
    return kExitOk;
}

// With --json, standard output gets JSON whatever happens: here an object saying why nothing is described.
int describeNothing(InfoOptions const& options, std::string const& host, std::string_view status, Json error,
                    std::ostream& out) {
    if (!options.json) return kExitFailed;
    if (status == "missing") error["where"] = whereIs(host);
    Json const json{{"path", options.path}, {"status", status}, {"error", std::move(error)}};
    out << json.dump(2) << "\n";
    return kExitFailed;
}

}  // namespace

int runInfo(InfoOptions const& options, std::ostream& out, std::ostream& err) {
    std::string const host = toHost(options.path);
    if (yb::platform::isDirectory(host)) return describeFolder(options, host, out);
    if (!yb::platform::isRegularFile(host)) {
        reportFailure(err, "no file to describe", yb::kCannotOpen, host);
        return describeNothing(options, host, "missing", codeJson(yb::kCannotOpen), out);
    }
    auto const kind = recogniseFile(host);
    if (!kind) {
        err << "ybblock: '" << options.path
            << "' is not a file of any kind the suite reads or writes (no known magic text or name); "
               "`ybblock --help` lists the kinds `info` knows\n";
        return describeNothing(options, host, "unknown kind",
                               {{"detail", "no known magic text or name; `ybblock --help` lists the kinds"}}, out);
    }
    yb::frame::FileKindInfo const& kindInfo = yb::frame::fileKindInfo(*kind);
    std::uint64_t const size = yb::platform::fileSize(host).value_or(0);

    Json body = Json::object();
    Source const source{host, options.limit, options.image};
    std::int32_t const code = describerOf(*kind)(source, body);

    Json json{{"path", options.path},
              {"kind", std::string(kindInfo.name)},
              {"kind_id", std::string(kindInfo.id)},
              {"size", size}};
    bool damaged = code != yb::kSuccess;
    if (damaged) {
        json["status"] = "damaged";
        Json error = codeJson(code);
        error["reader"] = std::string(kindInfo.reader);
        json["error"] = std::move(error);
    } else if (kindInfo.fixedSize() != 0 && size != kindInfo.fixedSize()) {
        // The option readers accept a record cut short (the missing bytes read as zero); the tool does not.
        damaged = true;
        json["status"] = "damaged";
        Json error = codeJson(yb::kInvalidContent);
        error["reader"] = std::string(kindInfo.reader);
        error["detail"] = "the file is " + std::to_string(size) + " bytes; every " + std::string(kindInfo.name) +
                          " is " + std::to_string(kindInfo.fixedSize()) + " bytes";
        json["error"] = std::move(error);
    } else if (cutInsideLine(*kind, host)) {
        // The library writes its text files whole, every line ended; a last line without its end was cut.
        damaged = true;
        json["status"] = "damaged";
        Json error = codeJson(yb::kInvalidContent);
        error["reader"] = std::string(kindInfo.reader);
        error["detail"] = "the last line has no line end: the file was cut short";
        json["error"] = std::move(error);
    } else {
        json["status"] = "ok";
    }
    for (auto& [key, value] : body.items()) json[key] = std::move(value);

    if (options.json)
        out << json.dump(2) << "\n";
    else
        renderText(json, out, 0);
    return damaged ? kExitFailed : kExitOk;
}

}  // namespace ybblock
