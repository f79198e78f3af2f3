// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock's command line: subcommands, typed and range-checked options, help with an example for each
// command, and unknown commands or options refused with the nearest known name.
#include "tool.h"

#include "file_kinds.h"
#include "fs.h"

#include <CLI/CLI.hpp>

#include <algorithm>

#ifndef YB_VERSION
#error "the build gives the tool its version"
#endif

namespace ybblock {
namespace {

constexpr char const* kDescription =
    "ybblock: inspect, check and repair the files of a photogrammetric block.\n"
    "Paths are native paths or host paths with a drive letter (D:\\Blk\\a.dms); a drive letter is\n"
    "mapped through the environment, for example YB_DRIVE_D=/data/d maps D:.\n"
    "Exit status: 0 done, 1 a file cannot be read or a check has findings, 2 usage error or a block\n"
    "option file that cannot be read or is damaged.";

// Edit distance, for suggestions.
std::size_t distance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t const above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The nearest of `names` to `word` when it is near enough to be a slip.
std::string nearest(std::string const& word, std::vector<std::string> const& names) {
    std::string best;
    std::size_t bestDistance = 3;
    for (auto const& name : names) {
        std::size_t const d = distance(word, name);
        if (d < bestDistance || (name.rfind(word, 0) == 0 && word.size() > 2 && best.empty())) {
            bestDistance = std::min(d, bestDistance);
            best = name;
        }
    }
    return best;
}

std::string commandPath(CLI::App const* app) {
    std::string path;
    for (CLI::App const* at = app; at != nullptr; at = at->get_parent())
        path = at->get_name() + (path.empty() ? "" : " " + path);
    return path;
}

std::vector<std::string> optionNames(CLI::App const* app) {
    std::vector<std::string> names;
    for (CLI::Option const* option : app->get_options()) {
        for (auto const& name : option->get_lnames()) names.push_back("--" + name);
        for (auto const& name : option->get_snames()) names.push_back("-" + name);
    }
    return names;
}

std::vector<std::string> subcommandNames(CLI::App const* app) {
    std::vector<std::string> names;
    for (CLI::App const* sub : app->get_subcommands({})) names.push_back(sub->get_name());
    return names;
}

// Words the parser could not place: unknown options, or more arguments than the command takes.
int refuseExtras(CLI::App const* app, std::ostream& err) {
    std::vector<std::string> const extras = app->remaining();
    if (extras.empty()) return kExitOk;
    std::string const& word = extras.front();
    std::string const command = commandPath(app);
    if (!word.empty() && word[0] == '-' && word.size() > 1 && !std::isdigit(static_cast<unsigned char>(word[1]))) {
        err << command << ": unknown option '" << word << "'";
        std::string const name = word.substr(0, word.find('='));
        if (std::string const near = nearest(name, optionNames(app)); !near.empty())
            err << "; did you mean '" << near << "'?";
    } else {
        err << command << ": unexpected argument '" << word << "'";
    }
    err << "\nRun '" << command << " --help' for its arguments and an example.\n";
    return kExitUsage;
}

// The deepest subcommand the parser chose.
CLI::App* chosen(CLI::App* app) {
    for (;;) {
        auto subs = app->get_subcommands();
        if (subs.empty()) return app;
        app = subs.front();
    }
}

std::string kindList() {
    std::string text = "File kinds:\n";
    for (auto const& kind : yb::frame::kFileKinds) {
        text += "  " + std::string(kind.name);
        if (!kind.nameEnding.empty() && kind.nameEnding.front() == '.')
            text += " (" + std::string(kind.nameEnding) + ")";
        text += "\n";
    }
    return text;
}

CLI::App* addCommand(CLI::App& app, char const* name, char const* description, std::string example) {
    CLI::App* command = app.add_subcommand(name, description);
    command->allow_extras();
    command->footer("Example:\n  " + example + "\n");
    return command;
}

}  // namespace

int run(std::vector<std::string> const& args, std::ostream& out, std::ostream& err) {
    CLI::App app{kDescription, "ybblock"};
    app.set_version_flag("--version", std::string("ybblock ") + YB_VERSION + " (ybBlockFileIO " + YB_VERSION + ")");
    app.require_subcommand(1);
    app.allow_windows_style_options(false);  // "/data/blk" is a path on Windows too, never an option
    app.allow_extras();
    app.footer("Run 'ybblock COMMAND --help' for a command's arguments and an example.\n");

    InfoOptions info;
    CLI::App* infoCommand = addCommand(app, "info", "Describe any block file: its kind, header and records.",
                                       "ybblock info 'D:\\DemoBlock\\Demo.scp' --limit 5\n\n" + kindList());
    infoCommand->add_option("FILE", info.path, "the file (or a folder: lists its block option files)")->required();
    infoCommand->add_flag("--json", info.json, "print JSON instead of text");
    infoCommand->add_option("--limit", info.limit, "most records listed per list (default 20)")
        ->check(CLI::Range(0L, 1000000000L));
    infoCommand->add_option("--image", info.image, "tie point files: list the points of this image number")
        ->check(CLI::Range(0, 999999999));

    CheckOptions check;
    CLI::App* checkCommand = addCommand(
        app, "check", "Check a block: missing or damaged files, image numbers, tie point groups, left-over files.",
        "ybblock check 'D:\\DemoBlock\\Demo.dms'\n\nExit status: 0 clean (notes only), 1 errors or warnings, 2 the "
        "block option file cannot be read.");
    checkCommand->add_option("BLOCK.dms", check.path, "the block option file")->required();
    checkCommand->add_flag("--json", check.json, "print JSON instead of text (every item of every finding)");
    checkCommand->add_option("--limit", check.limit, "items listed per finding (default 5; 0 lists all)")
        ->check(CLI::Range(0L, 1000000000L));
    checkCommand
        ->add_option("--min-ties", check.minTies,
                     "images and neighbouring strips tied by fewer points are weak (default 6)")
        ->check(CLI::Range(std::int64_t{0}, std::int64_t{1000000000}));

    std::vector<std::string> explainCodes;
    bool explainJson = false;
    CLI::App* explainCommand =
        addCommand(app, "explain", "Say what result codes mean and which operations return them.",
                   "ybblock explain 4000028\n  ybblock explain all");
    explainCommand->add_option("CODE", explainCodes, "one or more codes, or 'all'")->required();
    explainCommand->add_flag("--json", explainJson, "print JSON instead of text");

    CLI::App* tiePoints = app.add_subcommand("tiepoints", "Move tie points between a tie point file and CSV.");
    tiePoints->require_subcommand(1);
    tiePoints->allow_extras();
    tiePoints->footer("Example:\n  ybblock tiepoints export 'D:\\DemoBlock\\Demo.dms' -o points.csv\n");
    TiePointExportOptions exportOptions;
    CLI::App* exportCommand = addCommand(*tiePoints, "export", "Write every tie point observation as one CSV row.",
                                         "ybblock tiepoints export 'D:\\DemoBlock\\Demo.dms' -o points.csv\n\nColumns: "
                                         "image,name,type,x,y,photo_x,photo_y; numbers read back bit-identical.");
    exportCommand->add_option("SOURCE", exportOptions.source, "a block option file or a tie point file")->required();
    exportCommand->add_option("-o,--output", exportOptions.output, "the CSV file (default: standard output)");
    TiePointImportOptions importOptions;
    CLI::App* importCommand = addCommand(
        *tiePoints, "import", "Merge the observations of a CSV file into a tie point file.",
        "ybblock tiepoints import points.csv 'D:\\DemoBlock\\Demo.dms'\n\nRows replace the observation of the same "
        "image and name or are added. Nothing changes when a row is bad: a number that\nis not finite, an observation "
        "named twice, an image the block's list does not hold.");
    importCommand->add_option("FILE.csv", importOptions.csv, "the CSV file, as `tiepoints export` writes it")
        ->required();
    importCommand->add_option("TARGET", importOptions.target, "a block option file or a tie point file")->required();
    importCommand->add_flag("--allow-unknown-images", importOptions.allowUnknownImages,
                            "import rows of images that are not in the block's image list");

    WorkflowOptions detach, unite, clean;
    CLI::App* detachCommand = addCommand(
        app, "detach", "Copy each image's tie points into its per-image file in the block's temp folder.",
        "ybblock detach 'D:\\DemoBlock\\Demo.dms'\n\nRecords the tie point file it detached from (NAME.scp.detached) "
        "and "
        "keeps a copy of it\n(NAME.scp.base) beside the per-image files. Refuses when per-image files changed since "
        "the\nlast detach or unite (they may hold edits not yet united) unless --force.");
    CLI::App* uniteCommand = addCommand(
        app, "unite", "Gather the per-image files back into the block tie point file.",
        "ybblock unite --merge 'D:\\DemoBlock\\Demo.dms'\n\nSays how many observations the tie point file holds now "
        "and after. Refuses, unless --force:\nto drop observations or leave the file empty; to replace a tie point "
        "file it cannot read\n(with --force it is kept as NAME.scp.damaged); to undo changes made to the tie point "
        "file\nsince the detach. --merge keeps those changes too, observation by observation; an\nobservation changed "
        "differently on both sides is a conflict, listed, and nothing changes\nunless --ours (the per-image files) or "
        "--theirs (the tie point file) decides.");
    CLI::App* cleanCommand = addCommand(
        app, "clean", "Remove the per-image temporary tie point files.",
        "ybblock clean --dry-run 'D:\\DemoBlock\\Demo.dms'\n\nRefuses while per-image files changed since the last "
        "detach or unite, unless --force;\nfails, listing them, when files cannot be removed.");
    for (auto [command, options] :
         {std::pair{detachCommand, &detach}, {uniteCommand, &unite}, {cleanCommand, &clean}}) {
        command->add_option("BLOCK.dms", options->block, "the block option file")->required();
        command->add_flag("-n,--dry-run", options->dryRun, "say what would change (refusals too), change nothing");
        command->add_flag("--force", options->force, "run even when refused");
    }
    CLI::Option* merge = uniteCommand->add_flag("--merge", unite.merge, "merge with the tie point file's changes");
    CLI::Option* ours =
        uniteCommand->add_flag("--ours", unite.ours, "with --merge: conflicts keep the per-image files'");
    CLI::Option* theirs =
        uniteCommand->add_flag("--theirs", unite.theirs, "with --merge: conflicts keep the tie point file's");
    ours->needs(merge)->excludes(theirs);
    theirs->needs(merge);

    ReportOptions report;
    HtmlReportOptions htmlReport;
    CLI::App* reportCommand = addCommand(
        app, "report", "Write and print the block file state report, or write the block quality page.",
        "ybblock report --html 'D:\\DemoBlock\\Demo.dms' -o demo.html\n  ybblock report --models "
        "'D:\\DemoBlock\\Demo.dms'\n\n--html writes one self-contained HTML page (no network, nothing beside "
        "it): the block's\nsummary, a map of its images coloured by their tie points or weakest link (zoom with the "
        "wheel,\ndrag to pan, hover an image for its neighbours, search by number or file name), the links\nbetween "
        "images, the control points, distributions, check's findings and a table per strip.\nImages lie on the "
        "ground by the user ranges of their files, else as plot places them.\nExit status 1 when the tie point file "
        "is missing or cannot be read (the page says so).");
    reportCommand->add_option("BLOCK.dms", report.block, "the block option file")->required();
    CLI::Option_group* reportKind = reportCommand->add_option_group("kind", "which report");
    bool images = false, html = false;
    reportKind->add_flag("--images", images, "the per-image parameter files");
    reportKind->add_flag("--models", report.models, "the model parameter files");
    CLI::Option* htmlFlag = reportKind->add_flag("--html", html, "the block quality page (HTML)");
    reportKind->require_option(1);
    reportCommand->add_option("-o,--output", report.output,
                              "keep the report in this file (--html: the page; default standard output)");
    reportCommand
        ->add_option("--min-ties", htmlReport.minTies,
                     "--html: images and links tied by fewer points are weak (default 6; the page can change it)")
        ->check(CLI::Range(std::int64_t{0}, std::int64_t{1000000000}))
        ->needs(htmlFlag);
    reportCommand
        ->add_option("--gcp-layout", htmlReport.gcpLayout,
                     "--html: the block GCP layout file (default: the block's control point file when it is one)")
        ->needs(htmlFlag);

    StateOptions state;
    CLI::App* stateCommand = addCommand(app, "state", "Write and print the model product state file.",
                                        "ybblock state --ortho 'D:\\DemoBlock\\Demo.dms' -o ortho_state.dat");
    stateCommand->add_option("BLOCK.dms", state.block, "the block option file")->required();
    CLI::Option_group* stateKind = stateCommand->add_option_group("kind", "which product");
    bool ortho = false;
    stateKind->add_flag("--ortho", ortho, "orthophotos (.dom)");
    stateKind->add_flag("--epi", state.epipolar, "epipolar images (.epi)");
    stateKind->require_option(1);
    stateCommand->add_option("-o,--output", state.output, "the state file to write")->required();

    PlotOptions plot;
    std::string plotColour = "tiepoints";
    CLI::App* plotCommand = addCommand(
        app, "plot", "Draw the block's layout and tie point connectivity as an SVG picture.",
        "ybblock plot 'D:\\DemoBlock\\Demo.dms' -o demo.svg\n\nImages stand where the schematic layout puts them "
        "(strip 1 on top), coloured by their tie point\nobservations; lines join images sharing points; images and "
        "neighbouring strips tied by fewer\nthan --min-ties points are outlined in red and listed; triangles mark "
        "ground control points\nof the GCP layout file. Render it to PNG with: rsvg-convert demo.svg -o demo.png");
    plotCommand->add_option("BLOCK.dms", plot.block, "the block option file")->required();
    plotCommand->add_option("-o,--output", plot.output, "the SVG file (default: standard output)");
    plotCommand->add_option("--color", plotColour, "what colours the images: tiepoints (default) or gcps")
        ->check(CLI::IsMember({"tiepoints", "gcps"}));
    plotCommand->add_option("--gcp-layout", plot.gcpLayout,
                            "the block GCP layout file (default: the block's control point file when it is one)");
    plotCommand
        ->add_option("--min-ties", plot.minTies,
                     "images and neighbouring strips tied by fewer points are weak (default 6)")
        ->check(CLI::Range(std::int64_t{0}, std::int64_t{1000000000}));

#if YB_HAVE_COLMAP
    CLI::App* exportGroup = app.add_subcommand("export", "Hand a block to another program.");
    exportGroup->require_subcommand(1);
    exportGroup->allow_extras();
    ColmapExportOptions colmapExport;
    CLI::App* colmapExportCommand = addCommand(
        *exportGroup, "colmap", "Write a block's camera, images and tie points as a COLMAP database.",
        "ybblock export colmap 'D:\\Survey\\Survey.dms' -o /tmp/survey-colmap\n\nWrites DIR/database.db (images "
        "named by file name, tie point observations as keypoints,\nmatches of every pair of images sharing points as "
        "verified two-view geometries),\nDIR/image_list.txt and DIR/README.txt, which says how to run colmap mapper.");
    colmapExportCommand->add_option("BLOCK.dms", colmapExport.block, "the block option file")->required();
    colmapExportCommand->add_option("-o,--output", colmapExport.folder, "the folder to write")->required();
    colmapExportCommand->add_flag("--force", colmapExport.force, "replace a database.db that is there already");
    CLI::App* importGroup = app.add_subcommand("import", "Bring another program's results into a block.");
    importGroup->require_subcommand(1);
    importGroup->allow_extras();
    ColmapImportOptions colmapImport;
    CLI::App* colmapImportCommand = addCommand(
        *importGroup, "colmap", "Merge the tracks of a COLMAP sparse model into the block's tie point file.",
        "ybblock import colmap /tmp/survey-colmap/sparse/0 'D:\\Survey\\Survey.dms' --dry-run\n\nReads the binary "
        "or the text model; images are matched to the image list by file name\n(others are reported and skipped). "
        "Keypoints the export wrote go back to the observations they came\nfrom, under their names (the export's "
        "database.db, found beside the model, records them);\nCOLMAP's own points are named COLMAP_<tag>_<id>. A "
        "model that does not look like one of\nthis block is refused unless --force.");
    colmapImportCommand->add_option("MODEL_DIR", colmapImport.model, "the folder of the sparse model")->required();
    colmapImportCommand->add_option("BLOCK.dms", colmapImport.block, "the block option file")->required();
    colmapImportCommand->add_option("--database", colmapImport.database,
                                    "the export's database.db (default: in MODEL_DIR or one of the two folders above)");
    colmapImportCommand->add_option("--tag", colmapImport.tag,
                                    "tag of the names of COLMAP's own points, 1 to 12 letters, digits or '-' "
                                    "(default: one derived from the model)");
    colmapImportCommand->add_flag("--force", colmapImport.force,
                                  "import a model that does not look like one of this block (no export record of it, "
                                  "another camera size, many images unknown)");
    colmapImportCommand->add_flag("-n,--dry-run", colmapImport.dryRun, "say what would change, change nothing");
#endif

    DemoOptions demo;
    CLI::App* demoCommand =
        addCommand(app, "demo", "Build a small example block and run the workflows on it.", "ybblock demo /tmp/demo");
    demoCommand->add_option("DIR", demo.folder, "where to build it (default: a fresh temporary folder)");
    CLI::Option* demoStrips =
        demoCommand->add_option("--strips", demo.strips, "strips of the block (default 2; survey 3)")
            ->check(CLI::Range(1, 100000));
    demoCommand->add_option("--images", demo.images, "images of the block, at most 99 a strip (default 5 a strip)")
        ->check(CLI::Range(0, 9900000));
    demoCommand
        ->add_option("--points", demo.points,
                     "tie point observations (default 36 ground points for each pair of neighbours)")
        ->check(CLI::Range(std::int64_t{0}, std::int64_t{100000000}));
    demoCommand->add_flag("--weak", demo.weak,
                          "a weakly tied block: end images tied by 3 points, strips sharing none, no control points");
    demoCommand->add_flag("--survey", demo.survey,
                          "a simulated survey instead: terrain, a frame camera flown in strips, ground points "
                          "measured on every image that sees them, the truth in truth/");
    demoCommand->add_option("--strip-images", demo.stripImages, "survey: images a strip (default 8)")
        ->check(CLI::Range(2, 99));
    demoCommand->add_option("--forward-overlap", demo.forwardOverlap, "survey: forward overlap in percent (default 60)")
        ->check(CLI::Range(0.0, 90.0));
    demoCommand->add_option("--side-overlap", demo.sideOverlap, "survey: side overlap in percent (default 30)")
        ->check(CLI::Range(0.0, 90.0));
    demoCommand->add_option("--seed", demo.seed, "survey: seed of the random deviations and noise (default 1)");

    // An unknown command is refused before parsing, with the nearest command.
    if (!args.empty() && !args.front().empty() && args.front()[0] != '-' &&
        !std::ranges::count(subcommandNames(&app), args.front())) {
        err << "ybblock: unknown command '" << args.front() << "'";
        if (std::string const near = nearest(args.front(), subcommandNames(&app)); !near.empty())
            err << "; did you mean '" << near << "'?";
        err << "\nRun 'ybblock --help' for the commands.\n";
        return kExitUsage;
    }

    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (CLI::CallForHelp const& help) {
        return app.exit(help, out, err);
    } catch (CLI::CallForVersion const& version) {
        return app.exit(version, out, err);
    } catch (CLI::ParseError const& error) {
        std::string const command = commandPath(chosen(&app));
        err << command << ": " << error.what() << "\nRun '" << command
            << " --help' for its arguments and an example.\n";
        return kExitUsage;
    }
    CLI::App* command = chosen(&app);
    for (CLI::App const* at = command; at != nullptr; at = at->get_parent())
        if (int const status = refuseExtras(at, err); status != kExitOk) return status;

    LibraryMessages const libraryMessages;
    // A command is one call: the tool's own lookups of per-image files share what they learn of their
    // folders while it runs (the library's functions keep theirs for their own call).
    yb::platform::CallScope const call;

    if (command == infoCommand) return runInfo(info, out, err);
    if (command == checkCommand) return runCheck(check, out, err);
    if (command == explainCommand) return runExplain(explainCodes, explainJson, out, err);
    if (command == exportCommand) return runTiePointExport(exportOptions, out, err);
    if (command == importCommand) return runTiePointImport(importOptions, out, err);
    if (command == detachCommand) return runDetach(detach, out, err);
    if (command == uniteCommand) return runUnite(unite, out, err);
    if (command == cleanCommand) return runClean(clean, out, err);
    if (command == reportCommand) {
        if (!html) return runReport(report, out, err);
        htmlReport.block = report.block;
        htmlReport.output = report.output;
        return runHtmlReport(htmlReport, out, err);
    }
    if (command == stateCommand) return runState(state, out, err);
    if (command == plotCommand) {
        plot.colorByGcps = plotColour == "gcps";
        return runPlot(plot, out, err);
    }
#if YB_HAVE_COLMAP
    if (command == colmapExportCommand) return runColmapExport(colmapExport, out, err);
    if (command == colmapImportCommand) return runColmapImport(colmapImport, out, err);
#endif
    if (command == demoCommand) {
        if (demo.survey && demoStrips->count() == 0) demo.strips = 3;
        return runDemo(demo, out, err);
    }
    err << "ybblock: no command given\nRun 'ybblock --help' for the commands.\n";
    return kExitUsage;
}

}  // namespace ybblock
