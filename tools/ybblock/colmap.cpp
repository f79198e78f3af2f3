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
    std::string problem;
    if (!yb::colmap::exportColmap(request, summary, problem)) {
        err << "ybblock export colmap: " << problem << "\n";
        return kExitFailed;
    }
    out << "export colmap: " << summary.images << " images, " << summary.cameras << " camera(s) ("
        << summary.firstCameraModel;
    for (std::size_t k = 0; k < summary.firstCameraParams.size(); ++k)
        out << (k ? ", " : " ") << exactNumber(summary.firstCameraParams[k]);
    out << "), " << summary.keypoints << " keypoints, " << summary.pairs << " image pairs with " << summary.matches
        << " matches\n";
    for (auto const& note : summary.notes) out << "  note: " << note << "\n";
    out << "  written: " << toTerminal(summary.database) << ", image_list.txt, README.txt (how to run colmap mapper)\n";
    return kExitOk;
}

int runColmapImport(ColmapImportOptions const& options, std::ostream& out, std::ostream& err) {
    yb::colmap::ImportRequest request;
    request.model = toHost(options.model);
    request.block = toHost(options.block);
    if (!openBlock(request.block, err)) return kExitUsage;
    request.dryRun = options.dryRun;
    yb::colmap::ImportSummary summary;
    std::string problem;
    if (!yb::colmap::importColmap(request, summary, problem)) {
        err << "ybblock import colmap: " << problem << "\n";
        return kExitFailed;
    }
    out << "import colmap: a " << (summary.binary ? "binary" : "text") << " model of " << summary.modelImages
        << " images, " << summary.matchedImages << " of them in the block's image list\n";
    if (!summary.missingImages.empty()) {
        out << "  skipped: " << summary.missingImages.size() << " images the image list lacks:";
        std::size_t const shownNames = std::min<std::size_t>(summary.missingImages.size(), 10);
        for (std::size_t k = 0; k < shownNames; ++k) out << " " << summary.missingImages[k];
        if (shownNames < summary.missingImages.size()) out << " ...";
        out << "\n";
    }
    if (summary.shortTracks > 0)
        out << "  left out: " << summary.shortTracks << " 3D points seen on fewer than two images of the block\n";
    std::string const verb = options.dryRun ? "would merge " : "merged ";
    out << "  " << verb << summary.observations << " observations of " << summary.points
        << " points (named COLMAP<id>) into " << toTerminal(summary.tiePointFile) << ": "
        << summary.observations - summary.replaced << " new, " << summary.replaced
        << " replacing the same image and name; it held " << summary.before << " observations and "
        << (options.dryRun ? "would hold " : "holds ") << summary.after << (options.dryRun ? "" : " now") << "\n";
    if (options.dryRun) out << "import colmap: dry run, nothing changed\n";
    return kExitOk;
}

}  // namespace ybblock
