// ybblock demo: builds a small example block and prints what was made.
#include "commands.h"

#include <yb/ybBlockFileIO.h>

#include "hostpath.h"

#include <algorithm>
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

    // The demo block lives on drive D:, mapped onto the chosen folder.
    hbSetDriveRoot('D', dir.c_str());
    out << "demo block folder: " << dir << " (mapped as drive D:)\n";

    BlockInfo block{};
    yb::platform::storeText(block.blockDirectory, sizeof block.blockDirectory, "D:\\DemoBlock");
    yb::platform::storeText(block.blockName, sizeof block.blockName, "Demo");
    block.imageType = 0;
    yb::platform::storeText(block.controlPointFile, sizeof block.controlPointFile, "D:\\DemoBlock\\Demo.gcp");
    yb::platform::storeText(block.cameraFile, sizeof block.cameraFile, "D:\\DemoBlock\\Demo.cmr");

    std::string const optionPath = "D:\\Demo.dms";
    std::int32_t code = ybWriteBlockOptionFile(optionPath.c_str(), &block);
    if (code != 0) {
        err << "ybblock demo: writing the block option file failed (" << code << ", " << describeCode(code) << ")\n";
        return 1;
    }
    out << "wrote " << optionPath << " -> " << dir << "/Demo.dms\n";

    // The block folder beside it, with one image property file placed where the naming rules put it.
    char const* const blockDir = block.blockDirectory;
    if (!ybCreateBlockFolder(blockDir)) {
        err << "ybblock demo: creating the block folder " << blockDir << " failed\n";
        return 1;
    }
    IMAGEPROPINFO properties{};
    properties.pixelSize = 0.012;
    std::string const propertyPath = ybGetImagePropFile("D:\\DemoBlock\\Images\\0101.ybi", blockDir);
    code = ybWriteImagePropInfoFile(propertyPath.c_str(), &properties);
    if (code != 0) {
        err << "ybblock demo: writing " << propertyPath << " failed (" << code << ", " << describeCode(code) << ")\n";
        return 1;
    }
    out << "created the block folder " << blockDir << ":\n";
    printTree(dir + "/DemoBlock", out);
    out << "\n";

    auto show = [&](char const* kind, std::string const& path) {
        for (auto const& handler : infoHandlers())
            if (handler.name == kind) return handler.print(path, args, out);
        return 0;
    };
    int status = show("block option file", optionPath);
    status |= show("sensor property file", "D:\\DemoBlock\\ImagesProp\\spot4_mss.ipc");
    status |= show("image property file", propertyPath);
    return status;
}

}  // namespace ybblock
