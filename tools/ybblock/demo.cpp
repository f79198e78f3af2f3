// ybblock demo: builds a small example block and prints what was made.
#include "commands.h"

#include <yb/ybBlockFileIO.h>

#include "hostpath.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace ybblock {

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
    out << "wrote " << optionPath << " -> " << dir << "/Demo.dms\n\n";
    for (auto const& handler : infoHandlers()) {
        if (handler.name == "block option file") return handler.print(optionPath, args, out);
    }
    return 0;
}

}  // namespace ybblock
