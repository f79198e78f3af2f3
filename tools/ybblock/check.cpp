// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock check: looks a block over and lists findings with a severity. Errors are what makes a
// workflow of the block fail or lose data; warnings are what an operator should look at; notes tell.
#include "check.h"

#include "tie_counts.h"
#include "workspace.h"

#include "fs.h"
#include "hostpath.h"
#include "tiepoints/block_tie_points.h"

#include <yb/ybBlockFileIO.h>

#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>

namespace ybblock {
namespace {

class Findings {
public:
    explicit Findings(std::size_t keep = Finding::kAllItems) : keep_(keep) {}
    Finding& add(std::string severity, std::string what, std::string message, std::string path = {},
                 std::int32_t code = 0) {
        list_.push_back(aside(std::move(severity), std::move(what), std::move(message)));
        list_.back().path = std::move(path);
        list_.back().code = code;
        return list_.back();
    }
    // A finding gathered aside, added by addCounted once it has items (its message then says how many).
    Finding aside(std::string severity, std::string what, std::string message) const {
        Finding finding;
        finding.severity = std::move(severity);
        finding.what = std::move(what);
        finding.message = std::move(message);
        finding.keep = keep_;
        return finding;
    }
    void addCounted(Finding& finding) {
        if (finding.count == 0) return;
        finding.message = std::to_string(finding.count) + " " + finding.message;
        list_.push_back(std::move(finding));
    }
    std::vector<Finding> const& list() const { return list_; }
    std::vector<Finding> take() { return std::move(list_); }

private:
    std::size_t keep_;
    std::vector<Finding> list_;
};

void checkNamedFiles(Block const& block, Findings& findings) {
    if (yb::tiepoints::detachFillsPhotoCoordinates(block.info)) {
        CameraInfo camera{};
        std::string cameraPath;
        std::int32_t const code = yb::tiepoints::readDetachCamera(block.info, camera, cameraPath);
        if (cameraPath.empty() || !yb::platform::isRegularFile(cameraPath)) {
            findings.add("error", "camera_missing",
                         "the block's images come from a camera but its camera file is missing; detach needs it",
                         cameraPath, yb::kCannotOpen);
        } else if (code != yb::kSuccess) {
            findings.add("error", "camera_damaged", "the camera file cannot be read", cameraPath, code);
        }
    }
    std::string const controlPath(
        yb::platform::boundedText(block.info.controlPointFile, sizeof block.info.controlPointFile));
    if (!controlPath.empty() && !yb::platform::isRegularFile(controlPath))
        findings.add("warning", "control_point_file_missing", "the control point file the block names is missing",
                     controlPath, yb::kCannotOpen);
    std::string const conversion = ybGetBlkAuxFileName(block.info, ".ctp", nullptr);
    if (yb::platform::isRegularFile(conversion)) {
        std::int32_t count = 0;
        double params[7] = {};
        if (std::int32_t code = ybReadCordConvertPara(block.info, count, params))
            findings.add("error", "conversion_damaged", "the coordinate conversion file cannot be read", conversion,
                         code);
    }
}

void checkTiePoints(Block const& block, BlockReading& summary, Findings& findings) {
    summary.tiePointFile = yb::platform::isRegularFile(block.tiePointPath);
    if (!summary.tiePointFile) {
        findings.add("note", "tie_point_file_missing", "the block has no tie point file yet", block.tiePointPath);
        return;
    }
    if (std::int32_t code = countTies(block.tiePointPath, summary.counts)) {
        summary.tiePointCode = code;
        findings.add("error", "tie_point_file_damaged", "the block tie point file cannot be read", block.tiePointPath,
                     code);
        return;
    }
    auto const list = [&](std::vector<NamedObservation> const& observations, char const* severity, char const* what,
                          std::string message) {
        if (observations.empty()) return;
        Finding& finding = findings.add(severity, what, std::move(message), block.tiePointPath);
        for (NamedObservation const& observation : observations)
            finding.itemMadeBy([&] {
                return std::pair{toTerminal(observation.name) + " on image " + std::to_string(observation.image),
                                 Json{{"image", observation.image}, {"name", toTerminal(observation.name)}}};
            });
    };
    // Coordinates that are not numbers break every computation made with them.
    auto const& strange = summary.counts.nonFinite;
    list(strange, "error", "non_finite_coordinates",
         counted(strange.size(), "observation has", "observations have") +
             " coordinates that are not finite numbers (nan or inf)");
    // Points seen on a single image tie nothing together.
    auto const& lone = summary.counts.lonePoints;
    list(lone, "warning", "single_image_points",
         counted(lone.size(), "tie point is", "tie points are") + " seen on a single image only");
}

// Images and neighbouring strips tied by too few points: the adjustment cannot hold them in place.
void checkWeakTies(std::vector<BlockImage> const& images, BlockReading const& tiePoints, std::int64_t threshold,
                   Findings& findings) {
    if (!tiePoints.tiesReadable() || images.empty()) return;
    WeakTies const weak = findWeakTies(tiePoints.counts, images, threshold);
    std::string const fewer = "fewer than " + std::to_string(threshold) + " tie points";
    if (!weak.images.empty()) {
        Finding& finding =
            findings.add("warning", "weakly_tied_images",
                         counted(weak.images.size(), "image is", "images are") + " tied to others by " + fewer);
        for (auto const& [image, tied] : weak.images)
            finding.itemMadeBy([&] {
                return std::pair{"image " + std::to_string(image) + ": " + counted(tied, "point", "points"),
                                 Json{{"image", image}, {"tied_points", tied}}};
            });
    }
    if (!weak.strips.empty()) {
        Finding& finding = findings.add(
            "warning", "weakly_tied_strips",
            counted(weak.strips.size(), "pair of neighbouring strips shares", "pairs of neighbouring strips share") +
                " " + fewer);
        for (SharedPoints const& pair : weak.strips)
            finding.item("strips " + std::to_string(pair.first) + " and " + std::to_string(pair.second) + ": " +
                             counted(pair.points, "point", "points"),
                         {{"strips", {pair.first, pair.second}}, {"shared_points", pair.points}});
    }
    if (!weak.links.empty()) {
        Finding& finding = findings.add("warning", "weakly_tied_strip_links",
                                        counted(weak.links.size(), "pair of consecutive images in a strip shares",
                                                "pairs of consecutive images in a strip share") +
                                            " " + fewer + ": the strip may be broken there");
        for (SharedPoints const& link : weak.links)
            finding.item("images " + std::to_string(link.first) + " and " + std::to_string(link.second) + ": " +
                             counted(link.points, "point", "points"),
                         {{"images", {link.first, link.second}}, {"shared_points", link.points}});
    }
}

void checkImages(Block const& block, std::vector<BlockImage> const& images, BlockReading const& tiePoints,
                 Findings& findings) {
    Finding missing = findings.aside("warning", "image_missing", "image files of the image list do not exist");
    Finding misnumbered =
        findings.aside("error", "image_number", "image numbers break the rule strip * 100 + position");
    Finding noInner =
        findings.aside("error", "inner_orientation_missing",
                       "images with tie points have no readable inner orientation file; detach needs them");
    // The image files, and the inner orientations detach will need, are looked up together: one look at
    // each folder.
    bool const withCamera = yb::tiepoints::detachFillsPhotoCoordinates(block.info);
    std::vector<std::string> paths, innerPaths;
    std::vector<std::size_t> needInner;  // the images whose inner orientation detach reads
    paths.reserve(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        ImageOrderInfo const& record = images[i].record;
        paths.emplace_back(yb::platform::boundedText(record.szImagePath, sizeof record.szImagePath));
        if (withCamera && tiePoints.counts.images.count(record.nImageNo)) {
            needInner.push_back(i);
            innerPaths.push_back(yb::tiepoints::innerOrientationFile(block.info, record));
        }
    }
    std::vector<bool> const there = regularFiles(yb::platform::findFiles(paths, yb::platform::LookFor::Presence));
    std::unordered_set<std::int32_t> listed;
    Progress progress("checking images", images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        progress.step(i);
        ImageOrderInfo const& record = images[i].record;
        listed.insert(record.nImageNo);
        std::string const& path = paths[i];
        if (!there[i])
            missing.itemMadeBy([&] {
                std::string const shown = toTerminal(path);
                return std::pair{shown, Json{{"image", record.nImageNo}, {"path", shown}}};
            });
        std::int32_t const expected = images[i].strip * 100 + images[i].position;
        if (record.nImageNo != expected || record.nStripNo != images[i].strip)
            misnumbered.itemMadeBy([&] {
                return std::pair{"image " + std::to_string(record.nImageNo) + " (strip " +
                                     std::to_string(record.nStripNo) + ") at strip " + std::to_string(images[i].strip) +
                                     ", position " + std::to_string(images[i].position) + ": expected " +
                                     std::to_string(expected),
                                 Json{{"image", record.nImageNo},
                                      {"record_strip", record.nStripNo},
                                      {"strip", images[i].strip},
                                      {"position", images[i].position},
                                      {"expected", expected}}};
            });
    }
    std::vector<yb::platform::FoundFile> const inner =
        yb::platform::findFiles(innerPaths, yb::platform::LookFor::Presence);
    for (std::size_t k = 0; k < inner.size(); ++k) {
        std::array<double, 6> coefficients{};
        if (yb::tiepoints::readDetachInnerOrientation(inner[k], coefficients))
            noInner.itemMadeBy([&] {
                std::string const shown = toTerminal(innerPaths[k]);
                return std::pair{shown, Json{{"image", images[needInner[k]].record.nImageNo}, {"path", shown}}};
            });
    }
    findings.addCounted(missing);
    findings.addCounted(misnumbered);
    findings.addCounted(noInner);
    if (tiePoints.tiesReadable()) {
        std::vector<std::pair<std::int32_t, std::int64_t>> strangers;
        for (auto const& [image, ties] : tiePoints.counts.images)
            if (listed.count(image) == 0) strangers.emplace_back(image, ties.observations);
        std::sort(strangers.begin(), strangers.end());
        Finding unknown = findings.aside("error", "tie_points_of_unknown_image",
                                         "tie point groups belong to images that are not in the image list");
        for (auto const& [image, observations] : strangers)
            unknown.itemMadeBy([&] {
                return std::pair{
                    "image " + std::to_string(image) + ": " + counted(observations, "observation", "observations"),
                    Json{{"image", image}, {"observations", observations}}};
            });
        findings.addCounted(unknown);
    }
}

// Per-image files that hold edits not yet united (by the detach record, or newer than the tie point
// file without one), and the others a detach left.
void checkPerImageFiles(Block const& block, std::vector<BlockImage> const& images, Findings& findings) {
    Workspace const workspace = workspaceOf(block, images);
    auto const record = readDetachRecord(workspace);
    PerImageFiles const perImage = perImageFilesOf(workspace, yb::platform::LookFor::Presence);
    std::vector<std::string> const edited = editedPerImageFiles(workspace, record, perImage);
    std::unordered_set<std::string> const editedSet(edited.begin(), edited.end());
    std::vector<std::string> older;
    for (std::size_t i = 0; i < perImage.paths.size(); ++i)
        if (perImage.there(i) && editedSet.count(perImage.paths[i]) == 0) older.push_back(perImage.paths[i]);
    auto const listFiles = [](Finding& finding, std::vector<std::string> const& files) {
        for (std::string const& file : files)
            finding.itemMadeBy([&] { return std::pair{toTerminal(file), Json{{"path", toTerminal(file)}}}; });
    };
    if (!edited.empty())
        listFiles(findings.add("warning", "per_image_files_not_united",
                               counted(edited.size(), "per-image tie point file", "per-image tie point files") +
                                   (record ? " changed since the last detach or unite: edits not yet united? "
                                           : (edited.size() == 1 ? " is" : " are") +
                                                 std::string(" newer than the block tie point file: edits not yet "
                                                             "united? ")) +
                                   "('ybblock unite' takes them in; a detach or clean would remove them)"),
                  edited);
    if (!older.empty())
        listFiles(findings.add("note", "per_image_files_left",
                               counted(older.size(), "per-image tie point file is", "per-image tie point files are") +
                                   " left from a detach, none changed since ('ybblock clean' removes them)"),
                  older);
}

}  // namespace

Json toJson(Finding const& finding) {
    Json json{{"severity", finding.severity}, {"finding", finding.what}, {"message", finding.message}};
    if (!finding.path.empty()) json["path"] = toTerminal(finding.path);
    if (finding.code != 0) json["error"] = codeJson(finding.code);
    if (finding.count != 0) {
        json["count"] = finding.count;
        json["items"] = finding.items;
    }
    return json;
}

namespace {

// Prints the findings as text or JSON; the exit status they give.
int printFindings(CheckOptions const& options, std::size_t images, std::vector<Finding> const& findings,
                  std::ostream& out) {
    std::size_t errors = 0, warnings = 0;
    for (Finding const& finding : findings) {
        errors += finding.severity == "error";
        warnings += finding.severity == "warning";
    }
    if (options.json) {
        Json list = Json::array();
        for (Finding const& finding : findings) list.push_back(toJson(finding));
        Json json{{"block", options.path},
                  {"images", images},
                  {"errors", errors},
                  {"warnings", warnings},
                  {"findings", std::move(list)}};
        out << json.dump(2) << "\n";
    } else {
        out << "check " << options.path << ": " << counted(images, "image", "images") << "\n";
        for (Finding const& finding : findings) {
            out << finding.severity << ": " << finding.message << "\n";
            if (!finding.path.empty()) out << "  " << toTerminal(finding.path) << "\n";
            if (finding.code != 0) out << "  " << codeText(finding.code) << "\n";
            std::size_t const shown = options.limit == 0
                                          ? finding.examples.size()
                                          : std::min(finding.examples.size(), static_cast<std::size_t>(options.limit));
            for (std::size_t i = 0; i < shown; ++i) out << "  - " << finding.examples[i] << "\n";
            if (shown < finding.count) out << "  (" << finding.count - shown << " more; --limit 0 lists them)\n";
        }
        out << counted(errors, "error", "errors") << ", " << counted(warnings, "warning", "warnings") << "\n";
    }
    return errors + warnings == 0 ? kExitOk : kExitFailed;
}

}  // namespace

int runCheck(CheckOptions const& options, std::ostream& out, std::ostream& err) {
    std::string const host = toHost(options.path);
    Findings findings;
    BlockInfo info{};
    if (auto const problem = readBlockOption(host, info)) {
        // Nothing else of the block can be found: the one finding, and the block option file's exit status.
        findings.add("error", "block_option_unreadable", problem->what, host, problem->code);
        printFindings(options, 0, findings.list(), out);
        err << "ybblock check: " << problem->what << ": " << toTerminal(host) << " (" << whereIs(host) << ")\n";
        return kExitUsage;
    }
    auto block = openBlock(host, err);
    if (!block) return kExitUsage;
    BlockReading reading;
    std::vector<Finding> const found = checkBlock(*block, options.minTies, reading);
    return printFindings(options, reading.images.size(), found, out);
}

std::vector<Finding> checkBlock(Block const& block, std::int64_t minTies, BlockReading& reading, std::size_t keep) {
    Findings findings(keep);
    checkNamedFiles(block, findings);
    std::vector<BlockImage>& images = reading.images;
    if (!yb::platform::isRegularFile(block.imageListPath)) {
        findings.add("error", "image_list_missing", "the block has no image list", block.imageListPath,
                     yb::kCannotOpen);
    } else if (std::int32_t code = readBlockImages(block, images)) {
        images.clear();
        findings.add("error", "image_list_damaged", "the image list cannot be read", block.imageListPath, code);
    } else {
        reading.imageList = true;
    }
    checkTiePoints(block, reading, findings);
    checkImages(block, images, reading, findings);
    checkWeakTies(images, reading, minTies, findings);
    checkPerImageFiles(block, images, findings);
    return findings.take();
}

}  // namespace ybblock
