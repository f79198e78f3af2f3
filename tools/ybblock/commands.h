// The ybblock tool: shared pieces of its commands.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace ybblock {

// Options given after a command: "--name value" pairs and bare "--flag"s, plus the positional words.
struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;

    bool has(std::string const& name) const { return options.count(name) != 0; }
    std::string value(std::string const& name, std::string const& fallback = {}) const;
    long number(std::string const& name, long fallback) const;
};

// A file kind that `ybblock info` can print. `matches` sees the path (as typed, UTF-8) and the first
// bytes of the file; `print` writes a readable description and returns the process exit code.
struct InfoHandler {
    std::string name;
    std::function<bool(std::string const& path, std::string_view head)> matches;
    std::function<int(std::string const& hostPath, Arguments const& args, std::ostream& out)> print;
};

std::vector<InfoHandler>& infoHandlers();

// Registers a handler at start-up: `static ybblock::InfoRegistration r{{...}};` in the handler's file.
struct InfoRegistration {
    explicit InfoRegistration(InfoHandler handler) { infoHandlers().push_back(std::move(handler)); }
};

// Conversions between the terminal's UTF-8 and the library's GBK.
std::string toHost(std::string const& utf8Path);
std::string toTerminal(std::string_view gbk);
// A fixed text field shown on the terminal.
std::string fieldText(char const* field, std::size_t width);
// True when `path` ends with `extension` ignoring ASCII case.
bool hasExtension(std::string const& path, std::string_view extension);
std::string describeCode(std::int32_t code);

int runInfo(Arguments const& args, std::ostream& out, std::ostream& err);
int runDemo(Arguments const& args, std::ostream& out, std::ostream& err);

// Block workflows: each takes the block option file as its one positional argument.
int runDetach(Arguments const& args, std::ostream& out, std::ostream& err);
int runUnite(Arguments const& args, std::ostream& out, std::ostream& err);
int runClean(Arguments const& args, std::ostream& out, std::ostream& err);
int runReport(Arguments const& args, std::ostream& out, std::ostream& err);
int runState(Arguments const& args, std::ostream& out, std::ostream& err);

// Prints a block state report (GBK) in UTF-8; the path is a host path.
int printReportFile(std::string const& hostPath, std::ostream& out);
// Prints a model product state file (host path): its slots and each model's flag.
int printStateFile(std::string const& hostPath, std::ostream& out);

}  // namespace ybblock
