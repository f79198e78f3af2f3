// ybblock: inspect, check and repair the files of a photogrammetric block.
#include "commands.h"

#include <yb/ybBlockFileIO.h>

#include "gbk.h"
#include "hostpath.h"

#include <cstdlib>
#include <iostream>

namespace ybblock {

std::string Arguments::value(std::string const& name, std::string const& fallback) const {
    auto it = options.find(name);
    return it == options.end() ? fallback : it->second;
}

long Arguments::number(std::string const& name, long fallback) const {
    auto it = options.find(name);
    if (it == options.end()) return fallback;
    char* end = nullptr;
    long value = std::strtol(it->second.c_str(), &end, 10);
    return (end != it->second.c_str() && *end == '\0') ? value : fallback;
}

std::vector<InfoHandler>& infoHandlers() {
    static std::vector<InfoHandler> handlers;
    return handlers;
}

std::string toHost(std::string const& utf8Path) {
    auto gbk = yb::platform::utf8ToGbk(utf8Path);
    return gbk ? *gbk : utf8Path;
}

std::string toTerminal(std::string_view gbk) { return yb::platform::gbkToUtf8Lossy(gbk); }

std::string fieldText(char const* field, std::size_t width) {
    return toTerminal(yb::platform::boundedText(field, width));
}

bool hasExtension(std::string const& path, std::string_view extension) {
    return path.size() >= extension.size() &&
           yb::platform::equalsIgnoreCase(std::string_view(path).substr(path.size() - extension.size()), extension);
}

std::string describeCode(std::int32_t code) {
    switch (code) {
        case yb::kSuccess: return "success";
        case yb::kNoMemory: return "out of memory";
        case yb::kPointSetTooSmall: return "model point set too small";
        case yb::kStoredCountTooSmall: return "stored count too small";
        case yb::kCannotWrite: return "cannot write the file";
        case yb::kFileNotFound: return "file not found";
        case yb::kWrongMagic: return "not a file of this kind (magic differs)";
        case yb::kOutOfRange: return "value out of range";
        case yb::kImageNumberMismatch: return "image numbers disagree";
        case yb::kInvalidArgument: return "invalid argument";
        case yb::kCannotOpen: return "file missing or cannot be opened";
        case yb::kInvalidContent: return "invalid or damaged content";
        case yb::kNotFound: return "not found";
        default: return "error";
    }
}

}  // namespace ybblock

namespace {

constexpr char const* kHelp = R"(ybblock - inspect, check and repair the files of a photogrammetric block

Usage:
  ybblock info FILE [--limit N] [--image N]
      Print a block file as readable text. The kind is recognised by the file's
      magic text or extension.
  ybblock demo [DIR] [--strips S] [--images N] [--points P]
      Build an example block in DIR (default: a fresh temporary folder): S
      strips (2) holding N images (5 a strip), a camera, inner orientations,
      models and P tie point observations (30 for every five images), each
      point seen on three neighbouring images; then run detach, unite, both
      reports and the orthophoto survey on it and print what happened.
  ybblock detach BLOCK.dms
      Copy each image's tie points from the block tie point file into its
      per-image file in the block's temp folder (photo coordinates filled for
      metric and digital cameras). Old per-image files are removed first.
  ybblock unite BLOCK.dms
      Gather the per-image files back into the block tie point file.
  ybblock clean BLOCK.dms
      Remove the per-image temporary tie point files.
  ybblock report --images|--models BLOCK.dms [-o FILE]
      Write the block file state report (to FILE, or a temporary file) and
      print it: which block, image or model parameter files exist.
  ybblock state --ortho|--epi BLOCK.dms -o FILE
      Write the model product state file: every model of the block with a
      flag saying whether its orthophoto (.dom) or epipolar image (.epi) exists.
  ybblock --help
      Show this text.

Paths: a path with a drive letter (D:\Blk\a.dms) is mapped through the drive
table; set YB_DRIVE_D=/data/d to map D:. Other paths are native paths.
Exit status: 0 on success, 1 when a file cannot be read, 2 on a usage error.
)";

ybblock::Arguments parseArguments(int argc, char** argv, int first) {
    ybblock::Arguments args;
    for (int i = first; i < argc; ++i) {
        std::string word = argv[i];
        if (word.rfind("--", 0) == 0 && word.size() > 2) {
            std::string name = word.substr(2);
            std::string value;
            auto eq = name.find('=');
            if (eq != std::string::npos) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
            } else if (i + 1 < argc && std::string(argv[i + 1]).rfind("--", 0) != 0 &&
                       (name == "limit" || name == "image" || name == "o" || name == "output" || name == "strips" ||
                        name == "images" || name == "points")) {
                value = argv[++i];
            }
            args.options[name] = value;
        } else if (word == "-o" && i + 1 < argc) {
            args.options["o"] = argv[++i];
        } else {
            args.positional.push_back(word);
        }
    }
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << kHelp;
        return 2;
    }
    std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kHelp;
        return 0;
    }
    ybblock::Arguments args = parseArguments(argc, argv, 2);
    if (command == "info") return ybblock::runInfo(args, std::cout, std::cerr);
    if (command == "demo") return ybblock::runDemo(args, std::cout, std::cerr);
    if (command == "detach") return ybblock::runDetach(args, std::cout, std::cerr);
    if (command == "unite") return ybblock::runUnite(args, std::cout, std::cerr);
    if (command == "clean") return ybblock::runClean(args, std::cout, std::cerr);
    if (command == "report") return ybblock::runReport(args, std::cout, std::cerr);
    if (command == "state") return ybblock::runState(args, std::cout, std::cerr);
    std::cerr << "ybblock: unknown command '" << command << "'\n\n" << kHelp;
    return 2;
}
