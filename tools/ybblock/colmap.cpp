// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock export colmap | import colmap: a block to COLMAP's database and a COLMAP sparse model's tracks
// back into the block's tie point file (the work is in colmap/, shared with the Python package).
#include "tool.h"

#include "colmap_exchange.h"

namespace ybblock {

int runColmapExport(ColmapExportOptions const& options, std::ostream& out, std::ostream& err) {
    yb::colmap::ExportRequest request;
    request.block = toHost(options.block);
    if (!openBlock(request.block, err)) return kExitUsage;
    request.folder = toHost(options.folder);
    request.force = options.force;
    yb::colmap::ExportSummary summary;
    yb::colmap::Problem problem;
    if (!yb::colmap::exportColmap(request, summary, problem)) {
        err << "ybblock export colmap: " << problem.text << "\n";
        return kExitFailed;
    }
    out << "export colmap: " << counted(summary.images, "image", "images") << ", "
        << counted(summary.cameras, "camera", "cameras") << " (" << summary.firstCameraModel;
    for (std::size_t k = 0; k < summary.firstCameraParams.size(); ++k)
        out << (k ? ", " : " ") << exactNumber(summary.firstCameraParams[k]);
    out << "), " << counted(summary.keypoints, "keypoint", "keypoints") << ", "
        << counted(summary.pairs, "image pair", "image pairs") << " with "
        << counted(summary.matches, "match", "matches") << "\n";
    for (auto const& note : summary.notes) out << "  note: " << note << "\n";
    out << "  written: " << toTerminal(summary.database) << ", image_list.txt, README.txt (how to run colmap mapper)\n";
    return kExitOk;
}

int runColmapImport(ColmapImportOptions const& options, std::ostream& out, std::ostream& err) {
    yb::colmap::ImportRequest request;
    request.model = toHost(options.model);
    request.block = toHost(options.block);
    if (!openBlock(request.block, err)) return kExitUsage;
    if (!options.database.empty()) request.database = toHost(options.database);
    request.tag = options.tag;
    request.force = options.force;
    request.dryRun = options.dryRun;
    yb::colmap::ImportSummary summary;
    yb::colmap::Problem problem;
    if (!yb::colmap::importColmap(request, summary, problem)) {
        err << "ybblock import colmap: " << problem.text << "\n";
        return kExitFailed;
    }
    out << "import colmap: a " << (summary.binary ? "binary" : "text") << " model of "
        << counted(summary.modelImages, "image", "images") << ", " << summary.matchedImages
        << " of them in the block's image list";
    if (!summary.database.empty())
        out << "; exported from " << toTerminal(summary.exportedFrom) << " (" << toTerminal(summary.database) << ")";
    out << "\n";
    for (std::string const& reason : summary.forced) out << "  forced (--force): " << reason << "\n";
    if (!summary.missingImages.empty()) {
        out << "  skipped: " << counted(summary.missingImages.size(), "image", "images") << " the image list lacks:";
        std::size_t const shownNames = std::min<std::size_t>(summary.missingImages.size(), 10);
        for (std::size_t k = 0; k < shownNames; ++k) out << " " << summary.missingImages[k];
        if (shownNames < summary.missingImages.size()) out << " ...";
        out << "\n";
    }
    if (summary.foreignKeypointImages > 0)
        out << "  " << counted(summary.foreignKeypointImages, "image has", "images have")
            << " keypoints other than those the export wrote: their points are COLMAP's own\n";
    out << "  the block's points: " << counted(summary.kept, "observation", "observations")
        << " in COLMAP's tracks, under their own names\n";
    if (summary.joined > 0)
        out << "  note: " << counted(summary.joined, "track joins", "tracks join")
            << " several points of the block; each observation keeps its own name\n";
    if (summary.split > 0)
        out << "  note: " << counted(summary.split, "point of the block is", "points of the block are")
            << " split over several tracks; each observation keeps its name\n";
    if (summary.stale > 0)
        out << "  note: " << counted(summary.stale, "observation was", "observations were")
            << " changed or removed in the block since the export: left as the block has them\n";
    out << "  COLMAP's own points: " << counted(summary.ownPoints, "point", "points") << " named COLMAP_" << summary.tag
        << "_<id>";
    if (summary.adopted > 0)
        out << ", and " << counted(summary.adopted, "observation", "observations")
            << " added to the one point of the block in their track";
    out << "\n";
    if (summary.shortTracks > 0)
        out << "  left out: " << counted(summary.shortTracks, "3D point", "3D points")
            << " seen on fewer than two images of the block\n";
    out << "  " << (options.dryRun ? "would write " : "wrote ") << summary.added + summary.changed << " of "
        << counted(summary.observations, "observation", "observations") << " into " << toTerminal(summary.tiePointFile)
        << " (photo coordinates from the inner orientation): " << summary.added << " new, " << summary.changed
        << " replacing the same image and name, " << summary.unchanged << " unchanged; it held " << summary.before
        << " and " << (options.dryRun ? "would hold " : "holds ") << summary.after << (options.dryRun ? "" : " now")
        << "\n";
    if (options.dryRun) out << "import colmap: dry run, nothing changed\n";
    return kExitOk;
}

}  // namespace ybblock
