// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock demo: builds a small example block and prints what was made.
#include "tool.h"

#include <yb/ybBlockFileIO.h>

#include "block_generator.h"
#include "fs.h"
#include "hostpath.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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
    reportFailure(err, std::string("demo: ") + what, code, {});
    return kExitFailed;
}

// This program's own path, so the closing hint can be pasted as it stands.
std::string ownPath() {
    std::error_code ec;
    auto const path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("ybblock") : path.string();
}

constexpr char const* kBlockDirectory = "D:\\DemoBlock";
constexpr char const* kTiePointPath = "D:\\DemoBlock\\Demo.scp";
constexpr std::int32_t kFewImages = 20;  // blocks up to this size get their reports printed

int buildBlock(yb::blockgen::BlockShape const& shape, yb::blockgen::GeneratedBlock& block, std::ostream& out,
               std::ostream& err) {
    std::string failed;
    if (std::int32_t code = yb::blockgen::generateBlock(kBlockDirectory, "Demo", shape, block, failed); code != 0) {
        reportFailure(err, "demo: " + failed, code, {});
        return 1;
    }
    out << "built the block " << kBlockDirectory << ": " << counted(shape.strips, "strip", "strips") << ", "
        << counted(shape.images, "image", "images") << ", a metric camera, inner orientations, "
        << counted(block.points.size(), "tie point observation", "tie point observations") << ", "
        << counted(block.models, "model", "models") << " in strip 1";
    if (shape.controlPoints > 0)
        out << ", " << counted(shape.controlPoints, "ground control point", "ground control points");
    out << (shape.tiesBetweenStrips ? "" : " (a weakly tied block: 'ybblock check' lists what is weak)") << "\n";
    return 0;
}

}  // namespace

int runDemo(DemoOptions const& options, std::ostream& out, std::ostream& err) {
    std::string dir = options.folder;
    if (!dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
    } else {
        dir = yb::platform::makeTemporaryDirectory("ybblock-demo").value_or("");
    }
    if (dir.empty() || !std::filesystem::is_directory(dir)) {
        err << "ybblock demo: cannot use the folder '" << dir << "'\n";
        return kExitFailed;
    }
    dir = std::filesystem::absolute(dir).lexically_normal().string();
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();

    if (options.survey) {
        hbSetDriveRoot('D', dir.c_str());
        return runSurveyDemo(options, dir, out, err);
    }
    yb::blockgen::BlockShape shape = yb::blockgen::demoShape(options.weak);
    shape.strips = options.strips;
    shape.images = options.images.value_or(5 * options.strips);
    shape.points = options.points.value_or(-1);
    if (yb::blockgen::stripSizes(shape).empty()) {
        err << "ybblock demo: " << counted(shape.images, "image does", "images do") << " not fit "
            << counted(shape.strips, "strip", "strips") << " (at most 99 a strip)\n";
        return kExitUsage;
    }
    // The demo block lives on drive D:, mapped onto the chosen folder.
    hbSetDriveRoot('D', dir.c_str());
    out << "demo folder: " << dir << " (mapped as drive D:)\n";
    yb::blockgen::GeneratedBlock block;
    if (buildBlock(shape, block, out, err) != 0) return kExitFailed;
    char const* const optionPath = block.optionPath.c_str();
    bool const few = shape.images <= kFewImages;

    out << "\n";
    int status = runInfo({optionPath, false, 20, std::nullopt}, out, err);

    out << "\n== detach: per-image tie point files with photo coordinates ==\n";
    std::int32_t code = ybDetachBlockTiePntFile(optionPath);
    if (code != 0) return finishDemo("detach", code, err);
    if (few) printTree(dir + "/DemoBlock/Temp", out);
    for (auto const& images : block.stripImages) {
        // The second image of the first strip with two: it shares points with both neighbours.
        if (images.size() < 2) continue;
        std::int32_t const number = images[1].nImageNo;
        if (std::ranges::none_of(block.points,
                                 [number](tagImagePoint const& point) { return point.imageNo == number; })) {
            out << "image " << number << " has no tie point observation, so detach wrote no file for it\n";
            break;
        }
        std::string const title = yb::platform::splitPath(images[1].szImagePath).title;
        status |=
            runInfo({std::string(kBlockDirectory) + "\\Temp\\" + title + ".ijp", false, 3, std::nullopt}, out, err);
        break;
    }

    out << "\n== unite: the per-image files gathered back into the tie point file ==\n";
    code = ybUniteBlockTiePntFile(optionPath);
    if (code != 0) return finishDemo("unite", code, err);
    std::int32_t total = 0;
    ybReadTiePntNums(kTiePointPath, total);
    out << kTiePointPath << ": " << counted(total, "tie point observation", "tie point observations") << "\n";

    for (bool models : {false, true}) {
        std::string const report = std::string("D:\\DemoBlock\\") + (models ? "models" : "images") + "_report.txt";
        out << "\n== block file state report (" << (models ? "models" : "images") << "): " << report << " ==\n";
        if (few) {
            status |= runReport({optionPath, models, report}, out, err);
        } else if ((code = ybGenBlkFileStateReport(optionPath, models ? 1 : 0, report.c_str())) != 0) {
            return finishDemo("report", code, err);
        }
    }

    out << "\n== model product state (orthophotos) ==\n";
    std::size_t models = 0;
    for (auto const& images : block.stripImages) models += images.empty() ? 0 : images.size() - 1;
    if (models == 0) {
        // A state file lists at least one model, and a strip of one image makes none.
        out << "no models: every strip holds one image, so there is no model product state to write\n";
    } else if (few) {
        status |= runState({optionPath, false, "D:\\DemoBlock\\ortho_state.dat"}, out, err);
    } else if ((code = ybGenBlkModOrthoStateFile(optionPath, "D:\\DemoBlock\\ortho_state.dat")) != 0) {
        return finishDemo("state", code, err);
    }
    out << "\nThe block stays in " << dir << ". Other commands reach its D: paths through the drive table:\n"
        << "  export YB_DRIVE_D=" << dir << "\n"
        << "  " << ownPath() << " check 'D:\\DemoBlock\\Demo.dms'\n";
    return status;
}

}  // namespace ybblock
