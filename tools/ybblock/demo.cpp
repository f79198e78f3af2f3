// ybblock demo: builds a small example block and prints what was made.
#include "tool.h"

#include <yb/ybBlockFileIO.h>

#include "fs.h"
#include "hostpath.h"
#include "write_path.h"

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
constexpr char const* kOptionPath = "D:\\DemoBlock\\Demo.dms";
constexpr char const* kImageListPath = "D:\\DemoBlock\\Demo.bil";
constexpr char const* kTiePointPath = "D:\\DemoBlock\\Demo.scp";
constexpr char const* kCameraPath = "D:\\DemoBlock\\Demo.cmr";
constexpr int kStrips = 2;
constexpr int kImagesPerStrip = 5;

std::string imagePath(int strip, int position) {
    char name[64];
    std::snprintf(name, sizeof name, "D:\\DemoBlock\\Images\\%02d%02d.ybi", strip, position);
    return name;
}

// Stops the demo at the first failing step, saying which.
struct Step {
    std::ostream& err;
    bool ok = true;
    bool operator()(std::int32_t code, std::string const& what) {
        if (ok && code != 0) {
            reportFailure(err, "demo: " + what, code, {});
            ok = false;
        }
        return ok;
    }
};

// Tie points of one strip: each point is seen on two or three neighbouring images, measured with a
// shift between images as a forward-overlapping strip would show it.
void addStripTiePoints(int strip, std::vector<tagImagePoint>& points) {
    int serial = 0;
    for (int first = 1; first < kImagesPerStrip; ++first) {
        for (int row = 0; row < 3; ++row) {
            char name[32] = {};  // the bytes after the text are stored too
            std::snprintf(name, sizeof name, "T%02d%02d%d", strip, first, row);
            bool const triple = row == 1 && first + 2 <= kImagesPerStrip;
            for (int k = 0; k < (triple ? 3 : 2); ++k) {
                tagImagePoint point{};
                point.imageNo = strip * 100 + first + k;
                point.x = 800.0 - 600.0 * k + 3.5 * serial;
                point.y = 200.0 + 300.0 * row - 2.0 * k;
                point.type = 1;
                std::memcpy(point.name, name, sizeof name);
                points.push_back(point);
            }
            ++serial;
        }
    }
}

int buildBlock(std::ostream& out, std::ostream& err) {
    Step step{err};
    BlockInfo block{};
    yb::platform::storeText(block.blockDirectory, sizeof block.blockDirectory, kBlockDirectory);
    yb::platform::storeText(block.blockName, sizeof block.blockName, "Demo");
    block.imageType = 0;  // metric camera: detach computes photo coordinates
    // No ground control points measured yet: the control point file stays unnamed.
    yb::platform::storeText(block.cameraFile, sizeof block.cameraFile, kCameraPath);

    if (!ybCreateBlockFolder(kBlockDirectory)) return step(yb::kCannotWrite, "creating the block folder"), 1;
    step(ybWriteBlockOptionFile(kOptionPath, &block), "writing the block option file");

    CameraInfo camera{};
    camera.principalDistance = 152.8;
    camera.principalPointX = 0.004;
    camera.principalPointY = -0.002;
    RimPoint rims[4] = {{1, -106.0, -106.0}, {2, 106.0, -106.0}, {3, 106.0, 106.0}, {4, -106.0, 106.0}};
    if (step.ok) step(ybWriteCameraParaFile(kCameraPath, &camera, rims, RIM_LAYOUT_FOUR, nullptr, 0), "writing the camera file");

    if (step.ok) step(ybCreateNewImageRecordFile(kImageListPath, kStrips), "creating the image list");
    double const inner[6] = {-115.0, 0.021, 0.0, 115.0, 0.0, -0.021};  // pixels to millimetres, y up
    for (int strip = 1; strip <= kStrips && step.ok; ++strip) {
        std::vector<ImageOrderInfo> images;
        for (int position = 1; position <= kImagesPerStrip && step.ok; ++position) {
            std::string const path = imagePath(strip, position);
            D_RECT range{1000.0 * position, 1000.0 * strip, 1000.0 * position + 900, 1000.0 * strip + 900};
            step(ybCreateYbiFile(path.c_str(), 11000, 11000, 1200.0, range), "creating " + path);
            std::string const ioc = ybGetImgAuxFileName(block, path.c_str(), ".ioc", nullptr, nullptr);
            if (step.ok) step(ybWriteOrientCeff(ioc.c_str(), 0, inner), "writing " + ioc);
            ImageOrderInfo image{};
            image.nImageNo = strip * 100 + position;
            yb::platform::storeText(image.szImagePath, sizeof image.szImagePath, path);
            image.nGroupNo = 1;
            image.nStripNo = strip;
            images.push_back(image);
        }
        if (step.ok) step(ybWriteOneStripImageRecord(kImageListPath, kStrips, strip, images), "writing a strip");
    }

    std::vector<tagImagePoint> points;
    for (int strip = 1; strip <= kStrips; ++strip) addStripTiePoints(strip, points);
    if (step.ok)
        step(ybCreateTiePntFile(kTiePointPath, points.data(), static_cast<std::int32_t>(points.size())),
             "writing the tie point file");

    // Models of strip 1, with a relative orientation for the first one.
    for (int left = 1; left < kImagesPerStrip && step.ok; ++left) {
        std::string const leftPath = imagePath(1, left), rightPath = imagePath(1, left + 1);
        ModelInfo model{};
        yb::platform::storeText(model.leftImage, sizeof model.leftImage, leftPath);
        yb::platform::storeText(model.rightImage, sizeof model.rightImage, rightPath);
        std::string const modelPath = ybGetModelFileName(kBlockDirectory, model.leftImage, model.rightImage);
        step(ybWriteModelOptionFile(modelPath.c_str(), &model), "writing " + modelPath);
    }
    double const relative[5] = {0.001, -0.002, 0.0005, 0.01, 0.0};
    std::string const modelDir = ybGetCurModelDir(kBlockDirectory, imagePath(1, 1).c_str(), imagePath(1, 2).c_str());
    if (step.ok && !yb::platform::makeDirectory(modelDir)) step(yb::kCannotWrite, "creating " + modelDir);
    std::string const roc = ybGetOrientCeffFileNameByModel(kBlockDirectory, 1, "0101_0102");
    if (step.ok) step(ybWriteOrientCeff(roc.c_str(), 1, relative), "writing " + roc);
    // One orthophoto product already made, found by the product state survey.
    if (step.ok && !yb::platform::replaceFile("D:\\DemoBlock\\Model\\Product\\0101_0102.dom",
                                              [](yb::platform::Output&) { return true; }))
        step(yb::kCannotWrite, "writing the orthophoto");
    if (!step.ok) return 1;

    out << "built the block " << kBlockDirectory << ": " << kStrips << " strips of " << kImagesPerStrip
        << " images, a metric camera, inner orientations, " << points.size() << " tie point observations, "
        << kImagesPerStrip - 1 << " models in strip 1\n";
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

    // The demo block lives on drive D:, mapped onto the chosen folder.
    hbSetDriveRoot('D', dir.c_str());
    out << "demo folder: " << dir << " (mapped as drive D:)\n";
    if (buildBlock(out, err) != 0) return kExitFailed;

    out << "\n";
    int status = runInfo({kOptionPath, false, 20, std::nullopt}, out, err);

    out << "\n== detach: per-image tie point files with photo coordinates ==\n";
    std::int32_t code = ybDetachBlockTiePntFile(kOptionPath);
    if (code != 0) return finishDemo("detach", code, err);
    printTree(dir + "/DemoBlock/Temp", out);
    status |= runInfo({"D:\\DemoBlock\\Temp\\0102.ijp", false, 3, std::nullopt}, out, err);

    out << "\n== unite: the per-image files gathered back into the tie point file ==\n";
    code = ybUniteBlockTiePntFile(kOptionPath);
    if (code != 0) return finishDemo("unite", code, err);
    std::int32_t total = 0;
    ybReadTiePntNums(kTiePointPath, total);
    out << kTiePointPath << ": " << total << " tie point observations\n";

    for (bool models : {false, true}) {
        std::string const report = std::string("D:\\DemoBlock\\") + (models ? "models" : "images") + "_report.txt";
        out << "\n== block file state report (" << (models ? "models" : "images") << "): " << report << " ==\n";
        status |= runReport({kOptionPath, models, report}, out, err);
    }

    out << "\n== model product state (orthophotos) ==\n";
    status |= runState({kOptionPath, false, "D:\\DemoBlock\\ortho_state.dat"}, out, err);
    out << "\nThe block stays in " << dir << ". Other commands reach its D: paths through the drive table:\n"
        << "  export YB_DRIVE_D=" << dir << "\n"
        << "  " << ownPath() << " check 'D:\\DemoBlock\\Demo.dms'\n";
    return status;
}

}  // namespace ybblock
