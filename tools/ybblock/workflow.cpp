// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock detach, unite, clean, report and state: the block-level workflows. The destructive ones
// look before they leap: they read everything the library will need, say what will change, and refuse
// what would lose work unless --force: observations dropped, per-image edits overwritten, changes made
// to the tie point file since the detach undone, a tie point file that cannot be read replaced. After
// the library's detach or unite, the tool records the tie point file and the per-image files as they
// then stand (workspace.h), so that it can tell edits from what the workflow wrote.
#include "info.h"
#include "merge.h"
#include "workspace.h"

#include "fs.h"
#include "hostpath.h"
#include "tiepoints/block_tie_points.h"
#include "tiepoints/tie_point_file.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

namespace ybblock {
namespace {

constexpr std::size_t kNamesShown = 5;

template <class Item, class Show>
void listSome(std::vector<Item> const& items, std::ostream& out, Show show) {
    for (std::size_t i = 0; i < items.size() && i < kNamesShown; ++i) out << "  " << show(items[i]) << "\n";
    if (items.size() > kNamesShown) out << "  ... and " << items.size() - kNamesShown << " more\n";
}

void listFiles(std::vector<std::string> const& files, std::ostream& out) {
    listSome(files, out, [](std::string const& file) { return toTerminal(file); });
}

// Refuses when per-image files hold changes the tie point file does not have.
bool refuseEditedPerImageFiles(Workspace const& workspace, std::optional<DetachRecord> const& record,
                               std::string_view command, std::ostream& err) {
    std::vector<std::string> const edited = editedPerImageFiles(workspace, record);
    if (edited.empty()) return false;
    err << "ybblock " << command
        << ": refused: " << counted(edited.size(), "per-image tie point file", "per-image tie point files")
        << (record ? " changed since the last detach or unite" : " are newer than the block tie point file")
        << " and may hold edits not yet united:\n";
    listFiles(edited, err);
    err << "Run 'ybblock unite' first to keep them, or add --force to " << command << " anyway.\n";
    return true;
}

// Reads what the detach will read, so that it cannot stop half-way on a damaged file after its clean
// has removed the per-image files.
bool detachWillRead(Workspace const& workspace, std::size_t& files, std::size_t& observations, std::ostream& err) {
    Block const& block = workspace.block;
    std::vector<tagImagePoint> points;
    if (std::int32_t code = yb::tiepoints::readAllTiePoints(block.tiePointPath.c_str(), points); code != yb::kSuccess) {
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
    for (tagImagePoint const& point : points)
        ++perImage[std::int32_t{point.imageNo}];  // no reference to a packed field
    files = observations = 0;
    std::vector<BlockImage const*> withPoints;
    std::vector<std::string> innerPaths;
    for (BlockImage const& image : workspace.images) {
        auto const found = perImage.find(image.record.nImageNo);
        if (found == perImage.end()) continue;
        ++files;
        observations += found->second;
        withPoints.push_back(&image);
        if (camera) innerPaths.push_back(yb::tiepoints::innerOrientationFile(block.info, image.record));
    }
    if (!camera) return true;
    // The inner orientations are looked for together, in one look at their folder, as detach does.
    std::vector<yb::platform::FoundFile> const inner = yb::platform::findFiles(innerPaths);
    for (std::size_t i = 0; i < inner.size(); ++i) {
        std::array<double, 6> coefficients{};
        if (std::int32_t code = yb::tiepoints::readDetachInnerOrientation(inner[i], coefficients)) {
            reportFailure(
                err, "cannot read the inner orientation of image " + std::to_string(withPoints[i]->record.nImageNo),
                code, innerPaths[i]);
            return false;
        }
    }
    return true;
}

// A failed write of the library's workflow, said once: the file the library names (else `fallback`)
// and the system's reason when there is one.
int writeFailed(std::string_view what, std::int32_t code, std::string const& fallback, std::string const& reason,
                std::ostream& err) {
    std::string path = pathOfLastLibraryMessage();
    if (path.empty()) path = fallback;
    takeLibraryMessages();
    reportFailure(err, std::string(what) + (reason.empty() ? "" : " (" + reason + ")"), code, path);
    return kExitFailed;
}

// A per-image file the last detach or unite wrote that is no longer there, and the observations of its
// image the tie point file holds: what uniting without it would drop.
struct MissingFile {
    std::string path;
    std::int32_t image = 0;
    std::size_t observations = 0;
};

// The per-image files as read: one entry per image of the list, in its order; `missing` lists those
// the record says were written and are gone. False, with the error line, when one cannot be read.
bool readPerImageFiles(Workspace const& workspace, std::optional<DetachRecord> const& record,
                       std::vector<ImagePoints>& ours, std::vector<MissingFile>& missing, std::size_t& files,
                       std::ostream& err) {
    files = 0;
    for (BlockImage const& image : workspace.images) {
        ImagePoints& entry = ours.emplace_back();
        entry.image = image.record.nImageNo;
        std::string const file = perImageFile(workspace.block, image.record);
        if (!yb::platform::isRegularFile(file)) {
            if (record && record->perImage.contains(recordKeyOf(file)))
                missing.push_back({file, image.record.nImageNo, 0});
            continue;
        }
        if (std::int32_t code = ybReadImgGcpFileToAry(file.c_str(), entry.points); code != yb::kSuccess) {
            reportFailure(err, "cannot read the per-image file of image " + std::to_string(image.record.nImageNo), code,
                          file);
            return false;
        }
        ++files;
    }
    return true;
}

std::string describe(std::optional<tagImagePoint> const& point) {
    if (!point) return "removed";
    return "x " + exactNumber(point->x) + ", y " + exactNumber(point->y) + ", type " + std::to_string(point->type);
}

// Lists the per-image files that are gone since the detach, with what uniting without them drops.
void listMissing(std::vector<MissingFile> const& missing, std::ostream& to) {
    to << "Missing since the last detach or unite:\n";
    listSome(missing, to, [](MissingFile const& file) {
        return toTerminal(file.path) + " (image " + std::to_string(file.image) + ": " +
               counted(file.observations, "observation", "observations") + " in the tie point file)";
    });
}

// Three-way merge of the per-image files and the tie point file from the detach's base.
int uniteMerged(Workspace const& workspace, WorkflowOptions const& options, std::optional<DetachRecord> const& record,
                std::vector<ImagePoints> const& ours, std::vector<MissingFile> const& missing,
                std::vector<tagImagePoint> const& theirs, std::ostream& out, std::ostream& err) {
    Block const& block = workspace.block;
    // A per-image file that is gone is no edit: merging would take it for the removal of every
    // observation of its image.
    if (!missing.empty() && !options.force) {
        std::size_t dropped = 0;
        for (MissingFile const& file : missing) dropped += file.observations;
        err << "ybblock unite: refused: merging would drop " << counted(dropped, "observation", "observations") << ": "
            << counted(missing.size(), "per-image file is", "per-image files are") << " missing.\n";
        listMissing(missing, err);
        err << "Restore " << (missing.size() == 1 ? "it" : "them") << ", or add --force to merge without "
            << (missing.size() == 1 ? "it" : "them") << "; nothing changed.\n";
        return kExitFailed;
    }
    std::vector<tagImagePoint> base;
    if (!record || yb::tiepoints::readAllTiePoints(workspace.basePath.c_str(), base) != yb::kSuccess) {
        takeLibraryMessages();
        err << "ybblock unite: --merge needs the record and the copy of the tie point file that 'ybblock detach' "
               "leaves in "
            << toTerminal(workspace.folder) << " (" << toTerminal(yb::platform::fileNameOf(workspace.recordPath))
            << ", " << toTerminal(yb::platform::fileNameOf(workspace.basePath))
            << "); they are missing or damaged. Without them, unite (or unite --force) takes the per-image files as "
               "they are.\n";
        return kExitFailed;
    }
    Prefer const prefer = options.ours ? Prefer::Ours : options.theirs ? Prefer::Theirs : Prefer::Neither;
    MergeResult const merged = mergeObservations(base, ours, theirs, prefer);
    std::size_t after = 0;
    for (auto const& group : merged.groups) after += group.size();
    out << "unite --merge: " << counted(merged.fromOurs, "observation", "observations")
        << " changed in the per-image files, " << merged.fromTheirs << " in the tie point file, "
        << counted(merged.conflicts.size(), "conflict", "conflicts") << "\n";
    if (!merged.conflicts.empty()) {
        std::ostream& to = prefer == Prefer::Neither ? err : out;
        to << (prefer == Prefer::Neither ? "conflicts (observations changed differently on both sides):\n"
               : prefer == Prefer::Ours  ? "conflicts decided for the per-image files (--ours):\n"
                                         : "conflicts decided for the tie point file (--theirs):\n");
        listSome(merged.conflicts, to, [](Conflict const& conflict) {
            return "image " + std::to_string(conflict.image) + " point " + toTerminal(conflict.name) +
                   ": per-image file " + describe(conflict.ours) + "; tie point file " + describe(conflict.theirs) +
                   "; at the detach " + describe(conflict.base);
        });
        if (prefer == Prefer::Neither) {
            err << "ybblock unite: refused: " << counted(merged.conflicts.size(), "conflict", "conflicts")
                << "; nothing changed. Add --ours to keep the per-image files' observations, or --theirs to keep the "
                   "tie point file's.\n";
            return kExitFailed;
        }
    }
    out << "unite: the tie point file holds " << counted(theirs.size(), "observation", "observations")
        << " now and will hold " << after << " after; "
        << counted(merged.changedForOurs.size(), "per-image file", "per-image files")
        << " will take the tie point file's changes\n";
    if (options.dryRun) {
        out << "unite: dry run, nothing changed\n";
        return kExitOk;
    }
    errno = 0;
    if (std::int32_t code = yb::tiepoints::writeTiePointGroups(block.tiePointPath.c_str(), merged.groups))
        return writeFailed("unite: cannot write the block tie point file", code, block.tiePointPath, systemReason(),
                           err);
    for (ImagePoints const& image : merged.changedForOurs) {
        auto const found =
            std::find_if(workspace.images.begin(), workspace.images.end(),
                         [&](BlockImage const& listed) { return listed.record.nImageNo == image.image; });
        std::string const file = perImageFile(block, found->record);
        errno = 0;
        std::int32_t const code =
            image.points.empty()
                ? (yb::platform::removeFile(file) || !yb::platform::isRegularFile(file) ? yb::kSuccess
                                                                                        : yb::kCannotWrite)
                : ybWriteImgGcpFile(file.c_str(), image.points.data(), static_cast<std::int32_t>(image.points.size()));
        if (code != yb::kSuccess)
            return writeFailed("unite: the tie point file is merged, but a per-image file cannot take its changes",
                               code, file, systemReason(), err);
    }
    if (!recordDetach(workspace, err)) return kExitFailed;
    out << "unite: done\n";
    return kExitOk;
}

int finish(std::string_view what, std::int32_t code, std::string const& hostPath, std::ostream& err) {
    if (code == yb::kSuccess) return kExitOk;
    takeLibraryMessages();
    reportFailure(err, std::string(what) + " failed", code, hostPath);
    return kExitFailed;
}

}  // namespace

int runDetach(WorkflowOptions const& options, std::ostream& out, std::ostream& err) {
    int status = kExitOk;
    auto workspace = openWorkspace(options.block, err, status);
    if (!workspace) return status;
    std::size_t files = 0, observations = 0;
    if (!detachWillRead(*workspace, files, observations, err)) return kExitFailed;
    if (!options.force && refuseEditedPerImageFiles(*workspace, readDetachRecord(*workspace), "detach", err))
        return kExitFailed;
    std::string const into = counted(observations, "observation", "observations") + " into " +
                             counted(files, "per-image file", "per-image files") + " in " +
                             toTerminal(workspace->folder);
    if (options.dryRun) {
        out << "detach: would write " << into << "\ndetach: dry run, nothing changed\n";
        return kExitOk;
    }
    errno = 0;
    if (std::int32_t code = ybDetachBlockTiePntFile(workspace->block.optionPath.c_str()))
        return writeFailed("detach: cannot write a per-image file", code, workspace->folder, systemReason(), err);
    if (!recordDetach(*workspace, err)) return kExitFailed;
    out << "detach: wrote " << into << "\ndetach: the tie point file is recorded for 'ybblock unite' ("
        << toTerminal(yb::platform::fileNameOf(workspace->recordPath)) << ", "
        << toTerminal(yb::platform::fileNameOf(workspace->basePath)) << ")\n";
    return kExitOk;
}

int runUnite(WorkflowOptions const& options, std::ostream& out, std::ostream& err) {
    int status = kExitOk;
    auto workspace = openWorkspace(options.block, err, status);
    if (!workspace) return status;
    Block const& block = workspace->block;
    std::string const damagedCopy = block.tiePointPath + ".damaged";

    // The tie point file as it stands: unite replaces it.
    std::vector<tagImagePoint> theirs;
    bool const exists = yb::platform::isRegularFile(block.tiePointPath);
    std::int32_t const readCode = exists ? yb::tiepoints::readAllTiePoints(block.tiePointPath.c_str(), theirs) : 0;
    takeLibraryMessages();
    bool const readable = readCode == yb::kSuccess;
    if (!readable && (!options.force || options.merge)) {
        reportFailure(err, "unite: refused: the block tie point file cannot be read, and uniting would replace it",
                      readCode, block.tiePointPath);
        err << (options.merge ? "A file that cannot be read cannot be merged. " : "") << "Add --force to replace it"
            << (options.merge ? " (without --merge)" : "") << "; the damaged file is then kept as "
            << toTerminal(yb::platform::fileNameOf(damagedCopy)) << ".\n";
        return kExitFailed;
    }

    auto const record = readDetachRecord(*workspace);
    std::vector<ImagePoints> ours;
    std::vector<MissingFile> missing;
    std::size_t files = 0;
    if (!readPerImageFiles(*workspace, record, ours, missing, files, err)) return kExitFailed;
    std::size_t after = 0;
    for (ImagePoints const& image : ours) after += image.points.size();
    if (!missing.empty()) {
        std::unordered_map<std::int32_t, std::size_t> held;
        for (tagImagePoint const& point : theirs) ++held[std::int32_t{point.imageNo}];
        for (MissingFile& file : missing) file.observations = held[file.image];
    }

    if (options.merge) return uniteMerged(*workspace, options, record, ours, missing, theirs, out, err);

    // Changes made to the tie point file since the detach would be undone.
    auto const now = exists ? digestOf(block.tiePointPath) : std::nullopt;
    if (record && readable && now != record->tiePoints && !options.force) {
        std::uint64_t const nowLength = now.has_value() ? now.value().length : 0;
        err << "ybblock unite: refused: the block tie point file " << toTerminal(block.tiePointPath)
            << " changed since the last detach or unite ("
            << (now.has_value() && nowLength == record->tiePoints.length
                    ? "same length, other content"
                    : std::to_string(record->tiePoints.length) + " bytes then, " + std::to_string(nowLength) + " now")
            << "); uniting would undo ";
        std::vector<tagImagePoint> base;
        bool const haveBase = yb::tiepoints::readAllTiePoints(workspace->basePath.c_str(), base) == yb::kSuccess;
        if (haveBase) {
            std::vector<Change> const changes = changesBetween(base, theirs);
            err << "these changes:\n";
            listSome(changes, err, [](Change const& change) {
                return std::string(change.kind == Change::Added     ? "added"
                                   : change.kind == Change::Removed ? "removed"
                                                                    : "changed") +
                       ": image " + std::to_string(change.image) + " point " + toTerminal(change.name);
            });
        } else {
            err << "them.\n";
        }
        takeLibraryMessages();
        // Merging helps only where it can tell the edits apart: with the detach's copy, and every
        // per-image file it wrote.
        if (haveBase && missing.empty()) {
            err << "Run 'ybblock unite --merge' to keep the changes of both sides, or add --force to undo them.\n";
        } else if (haveBase) {
            listMissing(missing, err);
            err << "Restore " << (missing.size() == 1 ? "it" : "them")
                << " and run 'ybblock unite --merge' to keep the changes of both sides, or add --force to undo "
                   "them.\n";
        } else {
            err << "The detach's copy of the tie point file ("
                << toTerminal(yb::platform::fileNameOf(workspace->basePath))
                << ") is missing or damaged, so the changes cannot be merged; add --force to undo them.\n";
        }
        return kExitFailed;
    }

    out << "unite: the tie point file holds "
        << (readable ? counted(theirs.size(), "observation", "observations") : std::string("? observations"))
        << " now and will hold " << after << " after (from " << counted(files, "per-image file", "per-image files")
        << ")\n";
    if (!options.force && (after == 0 || after < theirs.size())) {
        err << "ybblock unite: refused: "
            << (after == 0 ? std::string("it would leave the block tie point file without observations")
                           : "it would drop " + counted(theirs.size() - after, "observation", "observations"))
            << ".\n";
        if (missing.empty())
            err << "Per-image files may be missing (a detach that stopped part-way, or a clean). ";
        else
            listMissing(missing, err);
        err << "Run 'ybblock detach' to make them again, or add --force to unite anyway.\n";
        return kExitFailed;
    }
    if (!readable)
        out << "unite: the damaged tie point file " << (options.dryRun ? "would be" : "is") << " kept as "
            << toTerminal(damagedCopy) << "\n";
    if (options.dryRun) {
        out << "unite: dry run, nothing changed\n";
        return kExitOk;
    }
    if (!readable) {
        std::string bytes;
        bool const kept = digestOf(block.tiePointPath, &bytes) &&
                          yb::platform::replaceFile(damagedCopy, [&](yb::platform::Output& output) {
                              output.write(bytes.data(), bytes.size());
                              return true;
                          });
        if (!kept) {
            reportFailure(err, "unite: cannot keep the damaged tie point file; nothing changed", yb::kCannotWrite,
                          damagedCopy);
            return kExitFailed;
        }
    }
    errno = 0;
    if (std::int32_t code = ybUniteBlockTiePntFile(block.optionPath.c_str()))
        return writeFailed("unite: cannot write the block tie point file", code, block.tiePointPath, systemReason(),
                           err);
    if (!recordDetach(*workspace, err)) return kExitFailed;
    out << "unite: done\n";
    return kExitOk;
}

int runClean(WorkflowOptions const& options, std::ostream& out, std::ostream& err) {
    int status = kExitOk;
    auto workspace = openWorkspace(options.block, err, status);
    if (!workspace) return status;
    if (!options.force && refuseEditedPerImageFiles(*workspace, readDetachRecord(*workspace), "clean", err))
        return kExitFailed;
    std::vector<std::string> present;
    for (BlockImage const& image : workspace->images) {
        for (char const* suffix : {static_cast<char const*>(nullptr), "_ImgGcp"}) {
            std::string file =
                ybGetTempAuxFileName(workspace->block.info, image.record.szImagePath, nullptr, ".ijp", suffix);
            if (yb::platform::isRegularFile(file)) present.push_back(std::move(file));
        }
    }
    out << "clean: " << (options.dryRun ? "would remove " : "removing ")
        << counted(present.size(), "per-image file", "per-image files") << "\n";
    for (auto const& file : present) out << "  " << toTerminal(file) << "\n";
    if (options.dryRun) {
        out << "clean: dry run, nothing changed\n";
        return kExitOk;
    }
    if (std::int32_t code = ybCleanBlockTmpTiePntFile(workspace->block.optionPath.c_str())) {
        reportFailure(err, "clean failed", code, workspace->block.optionPath);
        return kExitFailed;
    }
    // The library passes over files it cannot remove: what is left is tried once more for the reason.
    std::vector<std::pair<std::string, std::string>> left;
    for (std::string const& file : present) {
        if (!yb::platform::isRegularFile(file)) continue;
        errno = 0;
        if (!yb::platform::removeFile(file)) left.emplace_back(file, systemReason());
    }
    if (!left.empty()) {
        err << "ybblock clean: " << counted(left.size(), "per-image file", "per-image files")
            << " could not be removed:\n";
        listSome(left, err, [](auto const& file) {
            return toTerminal(file.first) + (file.second.empty() ? "" : ": " + file.second);
        });
        return kExitFailed;
    }
    // The record of the detach goes with the files it describes.
    for (std::string const& file : {workspace->recordPath, workspace->basePath})
        if (yb::platform::isRegularFile(file)) yb::platform::removeFile(file);
    out << "clean: done\n";
    return kExitOk;
}

int runReport(ReportOptions const& options, std::ostream& out, std::ostream& err) {
    std::string const block = toHost(options.block);
    if (!openBlock(block, err)) return kExitUsage;
    std::string const report = toHost(
        options.output.empty() ? yb::platform::makeTemporaryFile("ybblock-report").value_or("") : options.output);
    std::int32_t code = ybGenBlkFileStateReport(block.c_str(), options.models ? 1 : 0, report.c_str());
    int status = finish("report", code, code == yb::kCannotWrite ? report : block, err);
    if (status == kExitOk) {
        Json json;
        code = info::describeBlockStateReport({report, 1000000000L, std::nullopt}, json);
        status = finish("reading the report", code, report, err);
        if (status == kExitOk) out << json["text"].get<std::string>();
    }
    if (options.output.empty()) yb::platform::removeFile(report);
    return status;
}

int runState(StateOptions const& options, std::ostream& out, std::ostream& err) {
    std::string const block = toHost(options.block);
    if (!openBlock(block, err)) return kExitUsage;
    std::string const statePath = toHost(options.output);
    std::int32_t const code = options.epipolar ? ybGenBlkModEpiStateFile(block.c_str(), statePath.c_str())
                                               : ybGenBlkModOrthoStateFile(block.c_str(), statePath.c_str());
    if (int status = finish("state", code, code == yb::kCannotWrite ? statePath : block, err)) return status;
    return runInfo({options.output, false, 1000000000L, std::nullopt}, out, err);
}

}  // namespace ybblock
