// ybblock detach, unite, clean, report and state: the block-level workflows. The destructive ones
// look before they leap: they read everything the library will need, say what will change, and refuse
// what would lose work (observations dropped, per-image edits overwritten) unless --force.
#include "info.h"

#include "fs.h"
#include "hostpath.h"
#include "tiepoints/block_tie_points.h"

#include <yb/ybBlockFileIO.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

namespace ybblock {
namespace {

constexpr std::size_t kNamesShown = 5;

struct Workspace {
    Block block;
    std::vector<BlockImage> images;
};

std::optional<Workspace> openWorkspace(std::string const& typed, std::ostream& err) {
    auto block = openBlock(toHost(typed), err);
    if (!block) return std::nullopt;
    Workspace workspace{std::move(*block), {}};
    if (std::int32_t code = readBlockImages(workspace.block, workspace.images); code != yb::kSuccess) {
        reportFailure(err, "cannot read the block image list", code, workspace.block.imageListPath);
        return std::nullopt;
    }
    return workspace;
}

// Per-image tie point files changed after the block tie point file was last written: edits that a
// detach or a clean would throw away.
std::vector<std::string> unitedLater(Workspace const& workspace) {
    std::vector<std::string> newer;
    auto const tiePointTime = yb::platform::modificationTime(workspace.block.tiePointPath);
    Progress progress("looking at per-image files", workspace.images.size());
    for (std::size_t i = 0; i < workspace.images.size(); ++i) {
        progress.step(i);
        std::string const file = perImageFile(workspace.block, workspace.images[i].record);
        auto const time = yb::platform::modificationTime(file);
        if (time && (!tiePointTime || *time > *tiePointTime)) newer.push_back(file);
    }
    return newer;
}

void listSome(std::vector<std::string> const& names, std::ostream& out) {
    for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i) out << "  " << toTerminal(names[i]) << "\n";
    if (names.size() > kNamesShown) out << "  ... and " << names.size() - kNamesShown << " more\n";
}

// Refuses when per-image files hold changes the tie point file does not have.
bool refuseNewerPerImageFiles(Workspace const& workspace, std::string_view command, std::ostream& err) {
    std::vector<std::string> const newer = unitedLater(workspace);
    if (newer.empty()) return false;
    err << "ybblock " << command << ": refused: " << newer.size()
        << " per-image tie point files are newer than the block tie point file "
        << toTerminal(workspace.block.tiePointPath) << " and may hold edits not yet united:\n";
    listSome(newer, err);
    err << "Run 'ybblock unite' first to keep them, or add --force to " << command << " anyway.\n";
    return true;
}

// Reads what the detach will read, so that it cannot stop half-way on a damaged file after its clean
// has removed the per-image files.
bool detachWillRead(Workspace const& workspace, std::size_t& files, std::size_t& observations, std::ostream& err) {
    Block const& block = workspace.block;
    std::vector<tagImagePoint> points;
    if (std::int32_t code = ybReadTiePntFileToAry(block.tiePointPath.c_str(), points); code != yb::kSuccess) {
        reportFailure(err, "cannot read the block tie point file", code, block.tiePointPath);
        return false;
    }
    bool const camera = yb::tiepoints::detachFillsPhotoCoordinates(block.info);
    if (camera) {
        CameraInfo info{};
        std::string cameraPath;
        if (std::int32_t code = yb::tiepoints::readDetachCamera(block.info, info, cameraPath)) {
            reportFailure(err, "cannot read the camera file", code, cameraPath);
            return false;
        }
    }
    std::unordered_map<std::int32_t, std::size_t> perImage;
    for (tagImagePoint const& point : points) ++perImage[std::int32_t{point.imageNo}];  // no reference to a packed field
    files = observations = 0;
    for (BlockImage const& image : workspace.images) {
        auto const found = perImage.find(image.record.nImageNo);
        if (found == perImage.end()) continue;
        ++files;
        observations += found->second;
        if (!camera) continue;
        std::array<double, 6> coefficients{};
        std::string ioc;
        std::string const imagePath(yb::platform::boundedText(image.record.szImagePath, sizeof image.record.szImagePath));
        if (std::int32_t code = yb::tiepoints::readDetachInnerOrientation(block.info, imagePath.c_str(), coefficients, ioc)) {
            reportFailure(err, "cannot read the inner orientation of image " + std::to_string(image.record.nImageNo),
                          code, ioc);
            return false;
        }
    }
    return true;
}

int finish(std::string_view what, std::int32_t code, std::string const& hostPath, std::ostream& err) {
    if (code == yb::kSuccess) return kExitOk;
    reportFailure(err, std::string(what) + " failed", code, hostPath);
    return kExitFailed;
}

}  // namespace

int runDetach(WorkflowOptions const& options, std::ostream& out, std::ostream& err) {
    auto workspace = openWorkspace(options.block, err);
    if (!workspace) return kExitFailed;
    std::size_t files = 0, observations = 0;
    if (!detachWillRead(*workspace, files, observations, err)) return kExitFailed;
    if (!options.force && refuseNewerPerImageFiles(*workspace, "detach", err)) return kExitFailed;
    std::string const folder = yb::platform::directoryOf(perImageFile(workspace->block, {}));
    out << "detach: " << observations << " observations into " << files << " per-image files in "
        << toTerminal(folder) << "\n";
    if (options.dryRun) {
        out << "detach: dry run, nothing changed\n";
        return kExitOk;
    }
    if (int status = finish("detach", ybDetachBlockTiePntFile(workspace->block.optionPath.c_str()),
                            workspace->block.optionPath, err))
        return status;
    out << "detach: done\n";
    return kExitOk;
}

int runUnite(WorkflowOptions const& options, std::ostream& out, std::ostream& err) {
    auto workspace = openWorkspace(options.block, err);
    if (!workspace) return kExitFailed;
    Block const& block = workspace->block;
    std::int32_t now = 0;
    bool nowKnown = true;
    if (yb::platform::isRegularFile(block.tiePointPath)) {
        if (std::int32_t code = ybReadTiePntNums(block.tiePointPath.c_str(), now); code != yb::kSuccess) {
            reportFailure(err, "warning: the block tie point file cannot be read; unite would replace it", code,
                          block.tiePointPath);
            nowKnown = false;
        }
    }
    std::int64_t after = 0;
    std::size_t files = 0;
    for (BlockImage const& image : workspace->images) {
        std::string const file = perImageFile(block, image.record);
        if (!yb::platform::isRegularFile(file)) continue;
        std::int32_t count = 0;
        if (std::int32_t code = ybGetImageGcpNumsOfFile(file.c_str(), &count); code != yb::kSuccess) {
            reportFailure(err, "cannot read the per-image file of image " + std::to_string(image.record.nImageNo), code,
                          file);
            return kExitFailed;
        }
        after += count;
        ++files;
    }
    out << "unite: the tie point file holds " << (nowKnown ? std::to_string(now) : std::string("?"))
        << " observations now and will hold " << after << " after (from " << files << " per-image files)\n";
    if (!options.force && (after == 0 || (nowKnown && after < now))) {
        err << "ybblock unite: refused: "
            << (after == 0 ? std::string("it would leave the block tie point file without observations")
                           : "it would drop " + std::to_string(now - after) + " observations")
            << ".\nPer-image files may be missing (a detach that stopped part-way, or a clean). Run 'ybblock detach' "
               "to make them again, or add --force to unite anyway.\n";
        return kExitFailed;
    }
    if (options.dryRun) {
        out << "unite: dry run, nothing changed\n";
        return kExitOk;
    }
    if (int status = finish("unite", ybUniteBlockTiePntFile(block.optionPath.c_str()), block.optionPath, err))
        return status;
    out << "unite: done\n";
    return kExitOk;
}

int runClean(WorkflowOptions const& options, std::ostream& out, std::ostream& err) {
    auto workspace = openWorkspace(options.block, err);
    if (!workspace) return kExitFailed;
    if (!options.force && !options.dryRun && refuseNewerPerImageFiles(*workspace, "clean", err)) return kExitFailed;
    std::vector<std::string> present;
    for (BlockImage const& image : workspace->images) {
        for (char const* suffix : {static_cast<char const*>(nullptr), "_ImgGcp"}) {
            std::string file = ybGetTempAuxFileName(workspace->block.info, image.record.szImagePath, nullptr, ".ijp",
                                                    suffix);
            if (yb::platform::isRegularFile(file)) present.push_back(std::move(file));
        }
    }
    out << "clean: " << (options.dryRun ? "would remove " : "removing ") << present.size() << " per-image files\n";
    for (auto const& file : present) out << "  " << toTerminal(file) << "\n";
    if (options.dryRun) {
        out << "clean: dry run, nothing changed\n";
        return kExitOk;
    }
    if (int status = finish("clean", ybCleanBlockTmpTiePntFile(workspace->block.optionPath.c_str()),
                            workspace->block.optionPath, err))
        return status;
    out << "clean: done\n";
    return kExitOk;
}

int runReport(ReportOptions const& options, std::ostream& out, std::ostream& err) {
    std::string const block = toHost(options.block);
    std::string const report =
        toHost(options.output.empty() ? yb::platform::makeTemporaryFile("ybblock-report").value_or("") : options.output);
    std::int32_t code = ybGenBlkFileStateReport(block.c_str(), options.models ? 1 : 0, report.c_str());
    int status = finish("report", code, code == yb::kCannotWrite ? report : block, err);
    if (status == kExitOk) {
        Json json;
        code = info::describeBlockStateReport({report, 0, std::nullopt}, json);
        status = finish("reading the report", code, report, err);
        if (status == kExitOk) out << json["text"].get<std::string>();
    }
    if (options.output.empty()) yb::platform::removeFile(report);
    return status;
}

int runState(StateOptions const& options, std::ostream& out, std::ostream& err) {
    std::string const block = toHost(options.block);
    std::string const statePath = toHost(options.output);
    std::int32_t const code = options.epipolar ? ybGenBlkModEpiStateFile(block.c_str(), statePath.c_str())
                                               : ybGenBlkModOrthoStateFile(block.c_str(), statePath.c_str());
    if (int status = finish("state", code, code == yb::kCannotWrite ? statePath : block, err)) return status;
    return runInfo({options.output, false, 1000000000L, std::nullopt}, out, err);
}

}  // namespace ybblock
