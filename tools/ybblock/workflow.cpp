// ybblock detach, unite, clean, report and state: the block-level workflows.
#include "commands.h"

#include <yb/ybBlockFileIO.h>

#include "fs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ybblock {
namespace {

// The block option file named by the one positional argument, as a host path; empty on a usage error.
std::string blockOptionArgument(Arguments const& args, char const* usage, std::ostream& err) {
    if (args.positional.size() != 1) {
        err << "usage: " << usage << "\n";
        return {};
    }
    return toHost(args.positional[0]);
}

int finish(char const* what, std::int32_t code, std::ostream& out, std::ostream& err) {
    if (code != 0) {
        err << "ybblock: " << what << " failed (" << code << ", " << describeCode(code) << ")\n";
        return 1;
    }
    out << what << ": done\n";
    return 0;
}

int runWorkflow(Arguments const& args, char const* usage, char const* what, std::int32_t (*operation)(char const*),
                std::ostream& out, std::ostream& err) {
    std::string const option = blockOptionArgument(args, usage, err);
    if (option.empty()) return 2;
    return finish(what, operation(option.c_str()), out, err);
}

// The bytes of a file named by a host path.
bool readWholeFile(std::string const& hostPath, std::string& bytes) {
    yb::platform::File file = yb::platform::openFile(hostPath, "rb");
    if (!file) return false;
    bytes.clear();
    char buffer[1 << 14];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, got);
    return !std::ferror(file.get());
}

}  // namespace

int runDetach(Arguments const& args, std::ostream& out, std::ostream& err) {
    return runWorkflow(args, "ybblock detach BLOCK.dms", "detach", ybDetachBlockTiePntFile, out, err);
}

int runUnite(Arguments const& args, std::ostream& out, std::ostream& err) {
    return runWorkflow(args, "ybblock unite BLOCK.dms", "unite", ybUniteBlockTiePntFile, out, err);
}

int runClean(Arguments const& args, std::ostream& out, std::ostream& err) {
    return runWorkflow(args, "ybblock clean BLOCK.dms", "clean", ybCleanBlockTmpTiePntFile, out, err);
}

int printReportFile(std::string const& hostPath, std::ostream& out) {
    std::string text;
    if (!readWholeFile(hostPath, text)) return 1;
    out << toTerminal(text);
    return 0;
}

int printStateFile(std::string const& hostPath, std::ostream& out) {
    std::string bytes;
    if (!readWholeFile(hostPath, bytes) || bytes.size() < 136) {
        out << "model product state file: too short\n";
        return 1;
    }
    std::int32_t slots = 0, used = 0;
    std::memcpy(&slots, bytes.data() + 128, 4);
    std::memcpy(&used, bytes.data() + 132, 4);
    out << "model product state file: " << used << " of " << slots << " models surveyed\n";
    if (slots < 0 || used < 0 || used > slots || bytes.size() < 136 + 4 * std::size_t(slots) + std::size_t(used)) {
        out << "  (damaged: counts do not fit the file)\n";
        return 1;
    }
    for (std::int32_t i = 0; i < used; ++i) {
        std::int32_t model = 0;
        std::memcpy(&model, bytes.data() + 136 + 4 * i, 4);
        bool const found = bytes[136 + 4 * std::size_t(slots) + std::size_t(i)] != 0;
        out << "  model " << model << ": " << (found ? "product found" : "no product") << "\n";
    }
    return 0;
}

int runReport(Arguments const& args, std::ostream& out, std::ostream& err) {
    char const* const usage = "ybblock report --images|--models BLOCK.dms [-o FILE]";
    std::string const option = blockOptionArgument(args, usage, err);
    if (option.empty()) return 2;
    if (args.has("images") == args.has("models")) {
        err << "usage: " << usage << "\n";
        return 2;
    }
    std::string const report =
        args.has("o") ? args.value("o") : yb::platform::makeTemporaryFile("ybblock-report").value_or("");
    std::int16_t const kind = args.has("images") ? 0 : 1;
    std::int32_t code = ybGenBlkFileStateReport(option.c_str(), kind, toHost(report).c_str());
    if (code != 0) return finish("report", code, out, err);
    int status = printReportFile(toHost(report), out);
    if (!args.has("o")) std::remove(report.c_str());
    return status;
}

int runState(Arguments const& args, std::ostream& out, std::ostream& err) {
    char const* const usage = "ybblock state --ortho|--epi BLOCK.dms -o FILE";
    std::string const option = blockOptionArgument(args, usage, err);
    if (option.empty()) return 2;
    if (args.has("ortho") == args.has("epi") || args.value("o").empty()) {
        err << "usage: " << usage << "\n";
        return 2;
    }
    std::string const statePath = toHost(args.value("o"));
    std::int32_t code = args.has("ortho") ? ybGenBlkModOrthoStateFile(option.c_str(), statePath.c_str())
                                          : ybGenBlkModEpiStateFile(option.c_str(), statePath.c_str());
    if (code != 0) return finish("state", code, out, err);
    return printStateFile(statePath, out);
}

}  // namespace ybblock
