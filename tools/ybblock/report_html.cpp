// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock report --html: one self-contained page on the quality of a block's tie points. The block is
// looked over as check does it (one pass over the tie point file), the images are placed as plot places
// them, and the page is the template of report_page.html with the block's data put in: a small JSON
// object for the summary, tables and findings, and the per-image and per-link numbers as little-endian
// typed arrays in base64, so 100,000 images cost a few megabytes and the page decodes them at once.
#include "check.h"
#include "placement.h"
#include "report_html.h"
#include "tie_counts.h"

#include "fs.h"
#include "hostpath.h"

#include <yb/ybBlockFileIO.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <unordered_map>

#ifndef YB_VERSION
#error "the build gives the tool its version"
#endif

namespace ybblock {

// The page, from report_page.html (the build embeds it).
extern char const kReportPage[];
extern std::size_t const kReportPageSize;

namespace {

// A finding lists this many items on the page; the rest are counted ('ybblock check --limit 0' lists all).
constexpr std::size_t kItemsShown = 500;
constexpr std::string_view kDataMark = "/*@REPORT-DATA@*/";

// Little-endian bytes of typed values, for the page's typed arrays.
class Bytes {
public:
    explicit Bytes(std::size_t reserve) { bytes_.reserve(reserve); }
    template <class T>
    void add(T value) {
        static_assert(std::is_arithmetic_v<T>);
        unsigned char raw[sizeof(T)];
        std::memcpy(raw, &value, sizeof(T));
        if constexpr (std::endian::native == std::endian::big) std::reverse(raw, raw + sizeof(T));
        bytes_.append(reinterpret_cast<char const*>(raw), sizeof(T));
    }
    std::string const& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

std::string base64(std::string const& bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    auto const at = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[k])); };
    for (; i + 3 <= bytes.size(); i += 3) {
        std::uint32_t const group = at(i) << 16 | at(i + 1) << 8 | at(i + 2);
        for (int shift : {18, 12, 6, 0}) text += kDigits[(group >> shift) & 63];
    }
    if (std::size_t const left = bytes.size() - i; left > 0) {
        std::uint32_t const group = at(i) << 16 | (left == 2 ? at(i + 1) << 8 : 0);
        text += kDigits[(group >> 18) & 63];
        text += kDigits[(group >> 12) & 63];
        text += left == 2 ? kDigits[(group >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

std::string nowUtc() {
    std::time_t const now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &now);
#else
    gmtime_r(&now, &parts);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

std::string fileNameOf(ImageOrderInfo const& record) {
    std::string const path(yb::platform::boundedText(record.szImagePath, sizeof record.szImagePath));
    return toTerminal(yb::platform::fileNameOf(path));
}

Json findingsJson(std::vector<Finding> const& findings) {
    Json list = Json::array();
    for (Finding const& finding : findings) {
        Json json{{"severity", finding.severity}, {"finding", finding.what}, {"message", finding.message}};
        if (!finding.path.empty()) json["path"] = toTerminal(finding.path);
        if (finding.code != 0) json["error"] = codeText(finding.code);
        json["count"] = finding.count;
        Json items = Json::array();
        for (std::size_t i = 0; i < finding.examples.size() && i < kItemsShown; ++i) {
            Json const& item = finding.items[i];
            Json row{{"text", finding.examples[i]}};
            if (item.is_object() && item.contains("image")) row["image"] = item["image"];
            if (item.is_object() && item.contains("strips")) row["strip"] = item["strips"][0];
            items.push_back(std::move(row));
        }
        json["items"] = std::move(items);
        list.push_back(std::move(json));
    }
    return list;
}

}  // namespace

HtmlReport makeHtmlReport(Block const& block, HtmlReportOptions const& options) {
    HtmlReport report;
    BlockReading reading;
    std::vector<Finding> const findings = checkBlock(block, options.minTies, reading, kItemsShown);
    std::vector<BlockImage> const& images = reading.images;
    TieCounts const& counts = reading.counts;
    std::int32_t strips = 0;
    if (reading.imageList && ybGetStripNumberOfImageRecord(block.imageListPath.c_str(), &strips) != yb::kSuccess)
        strips = images.empty() ? 0 : images.back().strip;

    Json data;
    data["tool"] = {{"name", "ybblock"}, {"version", YB_VERSION}, {"made", nowUtc()}};
    int const type = block.info.imageType;
    data["block"] = {{"name", fieldText(block.info.blockName)},
                     {"option_file", toTerminal(block.optionPath)},
                     {"directory", fieldText(block.info.blockDirectory)},
                     {"image_type", type},
                     {"image_type_name", imageTypeName(type)},
                     {"camera_file", fieldText(block.info.cameraFile)},
                     {"control_point_file", fieldText(block.info.controlPointFile)},
                     {"image_list", toTerminal(block.imageListPath)},
                     {"tie_point_file", toTerminal(block.tiePointPath)}};
    // What keeps the map from being whole: said on the page and in the exit status.
    if (!reading.imageList) {
        report.problem = yb::platform::isRegularFile(block.imageListPath) ? "the image list cannot be read"
                                                                          : "the block has no image list";
    } else if (!reading.tiePointFile) {
        report.problem = "the block has no tie point file";
    } else if (!reading.tiesReadable()) {
        report.problem = "the tie point file cannot be read: " + codeText(reading.tiePointCode);
    }
    data["problem"] = report.problem;
    data["tie_points"] = {{"status", !reading.tiePointFile    ? "missing"
                                     : reading.tiesReadable() ? "read"
                                                              : "damaged"},
                          {"points", counts.points},
                          {"observations", counts.observations},
                          {"multiplicity", counts.multiplicity}};
    data["thresholds"] = {{"min_ties", options.minTies}};

    // The images, placed, and their numbers.
    ImagePlacement const placement = placeImages(images, strips);
    double originX = 0, originY = 0;
    if (!placement.rects.empty()) {
        originX = placement.rects.front().xMin;
        originY = placement.rects.front().yMin;
        for (D_RECT const& rect : placement.rects) {
            originX = std::min(originX, rect.xMin);
            originY = std::min(originY, rect.yMin);
        }
    }
    data["placement"] = {{"ground", placement.onGround},
                         {"why", placement.why},
                         {"shrink", placement.shrink},
                         {"origin", {originX, originY}}};
    std::unordered_map<std::int32_t, std::uint32_t> indexOf;
    indexOf.reserve(images.size());
    Bytes rects(images.size() * 16), numbers(images.size() * 4), observations(images.size() * 4),
        tied(images.size() * 4);
    std::string names;
    names.reserve(images.size() * 12);
    for (std::size_t i = 0; i < images.size(); ++i) {
        std::int32_t const number = images[i].record.nImageNo;
        indexOf.try_emplace(number, static_cast<std::uint32_t>(i));
        D_RECT const& rect = placement.rects[i];
        for (double const value : {rect.xMin - originX, rect.yMin - originY, rect.xMax - originX, rect.yMax - originY})
            rects.add(static_cast<float>(value));
        numbers.add(number);
        ImageTies const ties = counts.imageTies(number);
        observations.add(static_cast<std::int32_t>(std::min<std::int64_t>(ties.observations, INT32_MAX)));
        tied.add(static_cast<std::int32_t>(std::min<std::int64_t>(ties.tiedPoints, INT32_MAX)));
        if (i > 0) names += '\n';
        std::string name = fileNameOf(images[i].record);
        std::replace(name.begin(), name.end(), '\n', ' ');
        names += name;
    }
    report.nameBytes = names.size();
    // The links: pairs of listed images that share points (first, second as indexes into the images).
    Bytes linkFirst(counts.imagePairs.size() * 4), linkSecond(counts.imagePairs.size() * 4),
        linkShared(counts.imagePairs.size() * 4);
    std::size_t links = 0;
    for (SharedPoints const& pair : counts.imagePairs) {
        auto const a = indexOf.find(pair.first), b = indexOf.find(pair.second);
        if (a == indexOf.end() || b == indexOf.end()) continue;
        linkFirst.add(a->second);
        linkSecond.add(b->second);
        linkShared.add(static_cast<std::uint32_t>(std::min<std::int64_t>(pair.points, UINT32_MAX)));
        ++links;
    }
    report.images = images.size();
    report.links = links;
    data["counts"] = {{"strips", strips}, {"images", images.size()}, {"links", links}};
    // The typed arrays, megabytes of base64 (which needs no escaping), go into the JSON text as they
    // are, between what comes before them and what follows.
    std::pair<char const*, std::string> const arrays[] = {{"rects", base64(rects.bytes())},
                                                          {"numbers", base64(numbers.bytes())},
                                                          {"observations", base64(observations.bytes())},
                                                          {"tied", base64(tied.bytes())},
                                                          {"link_first", base64(linkFirst.bytes())},
                                                          {"link_second", base64(linkSecond.bytes())},
                                                          {"link_shared", base64(linkShared.bytes())}};
    Json after;
    after["names"] = std::move(names);

    // Per strip: images, observations, the weakest link between neighbours in it, and what it shares with
    // the next strip.
    Json stripRows = Json::array();
    for (std::size_t i = 0; i < images.size();) {
        std::size_t end = i;
        std::int64_t stripObservations = 0;
        std::optional<std::pair<std::int64_t, std::int32_t>> weakest;  // shared, first image of the pair
        for (; end < images.size() && images[end].strip == images[i].strip; ++end) {
            std::int32_t const number = images[end].record.nImageNo;
            stripObservations += counts.imageTies(number).observations;
            if (end > i) {
                std::int32_t const previous = images[end - 1].record.nImageNo;
                std::int64_t const shared = counts.sharedByImages(previous, number);
                if (!weakest || shared < weakest->first) weakest.emplace(shared, previous);
            }
        }
        std::int32_t const strip = images[i].strip;
        Json row{{"strip", strip}, {"images", end - i}, {"observations", stripObservations}};
        if (weakest) {
            row["weakest_within"] = weakest->first;
            row["weakest_within_image"] = weakest->second;
        }
        if (end < images.size()) row["shared_with_next"] = counts.sharedByStrips(strip, images[end].strip);
        stripRows.push_back(std::move(row));
        i = end;
    }
    after["strips"] = std::move(stripRows);

    // Control points, by the indexes of the images they are measured on.
    std::string const gcpPath = gcpLayoutPathOf(options.gcpLayout, block);
    std::vector<BLOCKGCPLAYOUTINFO> layout;
    std::int32_t const gcpCode = readGcpLayout(gcpPath, layout);
    Json gcps = Json::array();
    for (BLOCKGCPLAYOUTINFO const& record : layout) {
        Json on = Json::array();
        for (std::int32_t k = 0; k < std::clamp(record.imageCount, 0, 12); ++k)
            if (auto const at = indexOf.find(record.imageNo[k]); at != indexOf.end()) on.push_back(at->second);
        gcps.push_back(std::move(on));
    }
    after["control"] = {{"file", toTerminal(gcpPath)},
                        {"error", gcpCode == yb::kSuccess ? "" : codeText(gcpCode)},
                        {"points", std::move(gcps)}};
    std::size_t errors = 0, warnings = 0;
    for (Finding const& finding : findings) {
        errors += finding.severity == "error";
        warnings += finding.severity == "warning";
    }
    after["check"] = {{"errors", errors}, {"warnings", warnings}, {"findings", findingsJson(findings)}};

    auto const dump = [](Json const& part) { return part.dump(-1, ' ', false, Json::error_handler_t::replace); };
    std::string json = dump(data);
    json.pop_back();  // the closing brace: the arrays and the rest follow
    json += ",\"arrays\":{";
    for (auto const& [name, text] : arrays) {
        if (json.back() != '{') json += ',';
        json.append("\"").append(name).append("\":\"").append(text).append("\"");
    }
    json += "},";
    json.append(dump(after), 1);  // without its opening brace

    // Into the page: the JSON may not close the script element it stands in.
    std::string_view const page(kReportPage, kReportPageSize);
    std::size_t const mark = page.find(kDataMark);
    report.page.reserve(page.size() + json.size() + 64);
    report.page.append(page.substr(0, mark));
    for (std::size_t from = 0; from < json.size();) {
        std::size_t const close = std::min(json.find("</", from), json.size());
        report.page.append(json, from, close - from);
        if (close < json.size()) report.page.append("<\\/");
        from = close + 2;
    }
    report.page.append(page.substr(mark + kDataMark.size()));
    return report;
}

int runHtmlReport(HtmlReportOptions const& options, std::ostream& out, std::ostream& err) {
    std::string const host = toHost(options.block);
    auto block = openBlock(host, err);
    if (!block) return kExitUsage;
    HtmlReport const report = makeHtmlReport(*block, options);
    takeLibraryMessages();  // the page says what could not be read
    if (!writeOutput(options.output, report.page, "the report", out, err)) return kExitFailed;
    if (!report.problem.empty()) err << "ybblock report: " << report.problem << "; the report says so\n";
    if (!toStandardOutput(options.output))
        out << "report: " << counted(report.images, "image", "images") << ", " << counted(report.links, "link", "links")
            << "; " << report.page.size() << " bytes written to " << options.output << "\n";
    return report.problem.empty() ? kExitOk : kExitFailed;
}

}  // namespace ybblock
