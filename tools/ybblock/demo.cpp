// ybblock demo: builds a small example block and prints what was made.
#include "commands.h"

#include <yb/ybBlockFileIO.h>

#include "block_generator.h"
#include "fs.h"
#include "hostpath.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace ybblock {
namespace {

// The folders and files under `root`, one a line, in name order.
void printTree(std::string const& root, std::ostream& out) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::string name = it->path().lexically_relative(root).generic_string();
        if (it->is_directory()) name += "/";
        names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    for (auto const& name : names) out << "  " << name << "\n";
}

int finishDemo(char const* what, std::int32_t code, std::ostream& err) {
    err << "ybblock demo: " << what << " failed (" << code << ", " << describeCode(code) << ")\n";
    return 1;
}


constexpr char const* kBlockDirectory = "D:\\DemoBlock";
constexpr std::size_t kShownLines = 16;  // a large block's listings are cut here

// The block's shape from --strips, --images and --points (a small block by default).
bool demoShape(Arguments const& args, yb::blockgen::BlockShape& shape, std::ostream& err) {
    long const strips = args.number("strips", 2);
    long const images = args.number("images", 5 * strips);
    long const points = args.number("points", 30 * images / 5);
    if (strips < 1 || strips > 100000 || images < 0 || images > 99 * strips || points < 0 || points > 100000000) {
        err << "ybblock demo: --strips must be 1 or more, --images at most 99 a strip, --points 0 to 100000000\n";
        return false;
    }
    shape.strips = static_cast<std::int32_t>(strips);
    shape.images = static_cast<std::int32_t>(images);
    shape.points = points;
    shape.imageType = 0;  // metric camera: detach computes photo coordinates
    return true;
}

int buildBlock(yb::blockgen::BlockShape const& shape, yb::blockgen::GeneratedBlock& block, std::ostream& out,
               std::ostream& err) {
    std::string failed;
    if (std::int32_t code = yb::blockgen::generateBlock(kBlockDirectory, "Demo", shape, block, failed); code != 0) {
        err << "ybblock demo: " << failed << " failed (" << code << ", " << describeCode(code) << ")\n";
        return 1;
    }
    out << "built the block " << kBlockDirectory << ": " << shape.strips << " strips, " << shape.images
        << " images, a metric camera, inner orientations, " << block.points.size() << " tie point observations, "
        << block.models << " models\n";
    return 0;
}

// Prints a text file's lines, cut after kShownLines.
int printCut(std::string const& text, std::ostream& out) {
    std::size_t lines = 0, at = 0;
    for (; at < text.size() && lines < kShownLines; ++lines) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        out << text.substr(at, end - at) << "\n";
        at = end + 1;
    }
    if (at < text.size()) out << "  ... (" << std::count(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(), '\n') << " more lines)\n";
    return 0;
}

}  // namespace

int runDemo(Arguments const& args, std::ostream& out, std::ostream& err) {
    std::string dir;
    if (!args.positional.empty()) {
        dir = args.positional[0];
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
    } else {
        char pattern[] = "/tmp/ybblock-demo-XXXXXX";
        if (char* made = ::mkdtemp(pattern)) dir = made;
    }
    if (dir.empty() || !std::filesystem::is_directory(dir)) {
        err << "ybblock demo: cannot use the folder '" << dir << "'\n";
        return 1;
    }
    dir = std::filesystem::absolute(dir).lexically_normal().string();
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();

    yb::blockgen::BlockShape shape;
    if (!demoShape(args, shape, err)) return 2;
    // The demo block lives on drive D:, mapped onto the chosen folder.
    hbSetDriveRoot('D', dir.c_str());
    out << "demo folder: " << dir << " (mapped as drive D:)\n";
    yb::blockgen::GeneratedBlock block;
    if (buildBlock(shape, block, out, err) != 0) return 1;
    char const* const optionPath = block.optionPath.c_str();

    auto show = [&](char const* kind, std::string const& path, Arguments const& options) {
        for (auto const& handler : infoHandlers())
            if (handler.name == kind) return handler.print(path, options, out);
        return 0;
    };
    // Prints what `print` writes, cut after a screenful.
    auto showCut = [&](auto print) {
        std::ostringstream text;
        int const status = print(text);
        printCut(text.str(), out);
        return status;
    };
    out << "\n";
    int status = show("block option file", block.optionPath, args);

    out << "\n== detach: per-image tie point files with photo coordinates ==\n";
    std::int32_t code = ybDetachBlockTiePntFile(optionPath);
    if (code != 0) return finishDemo("detach", code, err);
    status |= showCut([&](std::ostream& text) { printTree(dir + "/DemoBlock/Temp", text); return 0; });
    // The second image of the first strip that has images: it shares points with both neighbours.
    for (auto const& images : block.stripImages) {
        if (images.size() < 2) continue;
        std::string const perImage = ybGetTempAuxFileName(block.info, images[1].szImagePath,
                                                          nullptr, ".ijp", nullptr);
        Arguments first;
        first.options["limit"] = "3";
        out << perImage << ":\n";
        status |= show("image point file", perImage, first);
        break;
    }

    out << "\n== unite: the per-image files gathered back into the tie point file ==\n";
    code = ybUniteBlockTiePntFile(optionPath);
    if (code != 0) return finishDemo("unite", code, err);
    std::int32_t total = 0;
    ybReadTiePntNums(block.tiePointPath.c_str(), total);
    out << block.tiePointPath << ": " << total << " tie point observations\n";

    for (std::int16_t kind : {std::int16_t{0}, std::int16_t{1}}) {
        std::string const report = std::string(kBlockDirectory) + "\\" + (kind == 0 ? "images" : "models") + "_report.txt";
        out << "\n== block file state report (" << (kind == 0 ? "images" : "models") << "): " << report << " ==\n";
        code = ybGenBlkFileStateReport(optionPath, kind, report.c_str());
        if (code != 0) return finishDemo("report", code, err);
        status |= showCut([&](std::ostream& text) { return printReportFile(report, text); });
    }

    out << "\n== model product state (orthophotos) ==\n";
    std::string const statePath = std::string(kBlockDirectory) + "\\ortho_state.dat";
    code = ybGenBlkModOrthoStateFile(optionPath, statePath.c_str());
    if (code != 0) return finishDemo("state", code, err);
    status |= showCut([&](std::ostream& text) { return printStateFile(statePath, text); });
    out << "\nThe block stays in " << dir << ". Other commands reach its D: paths through the drive table:\n"
        << "  YB_DRIVE_D=" << dir << " ybblock report --models " << dir << "/DemoBlock/Demo.dms\n";
    return status;
}

}  // namespace ybblock
