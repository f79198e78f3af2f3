// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The ybblock tool: what its commands share. Every command writes its results to `out` and its
// error lines to `err`, and answers the process exit status (0 done, 1 failed or findings, 2 usage).
#pragma once

#include <yb/ybBlockFileIO.h>

#include "block/block_files.h"
#include "file_kinds.h"
#include "fs.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace ybblock {

using Json = nlohmann::ordered_json;

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs the tool on its arguments (without the program name).
int run(std::vector<std::string> const& args, std::ostream& out, std::ostream& err);

// ---- paths and texts -------------------------------------------------------------------------
// A path as typed (UTF-8, native or with a drive letter) as the library's GBK host path.
std::string toHost(std::string const& typed);
// GBK text shown on the terminal (bytes that do not convert become '?').
std::string toTerminal(std::string_view gbk);
// A fixed text field of a record shown on the terminal.
std::string fieldText(char const* field, std::size_t width);
template <std::size_t N>
std::string fieldText(char const (&field)[N]) {
    return fieldText(field, N);
}

// Where a host path leads on this machine, for error lines: "(native /x/y)" or, for a drive that is not
// mapped, how to map it.
std::string whereIs(std::string const& hostPath);

// "4000028 yb::kCannotOpen: the file does not exist or cannot be opened", from the one code table.
std::string codeText(std::int32_t code);
// An error line for a failed step: "ybblock: WHAT: CODE-TEXT; PATH (native ...)".
void reportFailure(std::ostream& err, std::string_view what, std::int32_t code, std::string const& hostPath);
// JSON of a code: {"code": N, "constant": ..., "meaning": ...}.
Json codeJson(std::int32_t code);

// The library's messages (GBK) shown since the command began, taken: a command that fails says what
// failed once, in its own words, and names the file the library's message names.
class LibraryMessages {
public:
    LibraryMessages();  // collects them while it lives
    ~LibraryMessages();
    LibraryMessages(LibraryMessages const&) = delete;
    LibraryMessages& operator=(LibraryMessages const&) = delete;
};
std::vector<std::string> takeLibraryMessages();
// The path the last message names between '<' and '>', or empty.
std::string pathOfLastLibraryMessage();
// The system's reason for the last failure of a file operation ("permission denied"), or empty.
std::string systemReason();

// Writes `text` to the file the user named, replacing it whole (an old file stays when the new one
// cannot be written), or to `out` when the name is empty or "-". False, with the error line, on failure.
bool writeOutput(std::string const& typedPath, std::string_view text, std::string_view what, std::ostream& out,
                 std::ostream& err);

// "1 image" or "2 images": a count and its noun (and verb) in the right number.
template <class Count>
std::string counted(Count count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

// Whether an output named so goes to standard output: none named, or "-".
bool toStandardOutput(std::string const& typedPath);
// The columns a terminal gives UTF-8 text: two for East Asian wide characters (Chinese), one for others.
std::size_t displayWidth(std::string_view utf8);

// Shortest decimal text that reads back as the same double.
std::string exactNumber(double value);

// ---- file kinds ------------------------------------------------------------------------------
// The kind of an existing file, from its first bytes, its size and its name; nullopt when none fits.
std::optional<yb::frame::FileKind> recogniseFile(std::string const& hostPath);

// ---- a block and its files -------------------------------------------------------------------
// "metric camera" ... "QUICKBIRD satellite image" for the image types 0 to 6 of a block, "invalid" else.
char const* imageTypeName(std::int32_t imageType);
struct Block {
    std::string optionPath;  // host path of the block option file
    BlockInfo info{};
    std::string imageListPath;
    std::string tiePointPath;
};
// What is wrong with a block option file: a reader's code, or a file cut short or with impossible
// fields (kInvalidContent), and what to say.
using BlockProblem = yb::block::BlockOptionProblem;
// Reads and checks the block option file, first thing of every command that takes one.
inline std::optional<BlockProblem> readBlockOption(std::string const& hostPath, BlockInfo& info) {
    return yb::block::readSoundBlockOption(hostPath, info);
}
// Reads the block option file; on failure writes the error line and answers nullopt: the command
// then stops with kExitUsage.
std::optional<Block> openBlock(std::string const& hostPath, std::ostream& err);

struct BlockImage {
    ImageOrderInfo record{};
    std::int32_t strip = 0;     // the strip whose section holds the record
    std::int32_t position = 0;  // place in that strip, from 1
};
// Every image of the block's image list, strip by strip; the code of the first failing read.
std::int32_t readBlockImages(Block const& block, std::vector<BlockImage>& images);
// The per-image temporary tie point file of an image.
std::string perImageFile(Block const& block, ImageOrderInfo const& image);

// Which of the files a lookup of many found (findFiles) are regular files, in the order given. Looked
// up together, those in one folder share one look at it, and a folder that is not there answers for
// all its files at once, where testing each path alone walks it from the drive's root.
std::vector<bool> regularFiles(std::vector<yb::platform::FoundFile> const& found);

// A progress line on standard error, shown only when it is a terminal and the loop is long.
class Progress {
public:
    Progress(std::string_view what, std::size_t total);
    ~Progress();
    void step(std::size_t done);

private:
    std::string what_;
    std::size_t total_;
    bool shown_;
    std::int64_t lastShown_ = 0;
};

// ---- the commands ----------------------------------------------------------------------------
struct InfoOptions {
    std::string path;
    bool json = false;
    long limit = 20;
    std::optional<std::int32_t> image;  // tie point files: the points of one image
};
int runInfo(InfoOptions const& options, std::ostream& out, std::ostream& err);

// Images and neighbouring strips tied by fewer points than this are weak, unless told otherwise: six
// well-spread points are what a relative orientation needs with one to spare.
inline constexpr std::int64_t kDefaultMinTies = 6;

struct CheckOptions {
    std::string path;
    bool json = false;
    long limit = 5;  // items listed per finding in text; 0: all (JSON lists all)
    std::int64_t minTies = kDefaultMinTies;
};
int runCheck(CheckOptions const& options, std::ostream& out, std::ostream& err);

int runExplain(std::vector<std::string> const& codes, bool json, std::ostream& out, std::ostream& err);

struct TiePointExportOptions {
    std::string source;  // block option file or tie point file
    std::string output;  // empty: standard output
};
int runTiePointExport(TiePointExportOptions const& options, std::ostream& out, std::ostream& err);
struct TiePointImportOptions {
    std::string csv;
    std::string target;               // block option file or tie point file
    bool allowUnknownImages = false;  // rows of images the block's image list does not hold
};
int runTiePointImport(TiePointImportOptions const& options, std::ostream& out, std::ostream& err);

struct WorkflowOptions {
    std::string block;
    bool force = false;
    bool dryRun = false;
    bool merge = false;   // unite: three-way merge with the tie point file's changes since the detach
    bool ours = false;    // unite --merge: conflicts go the per-image files' way
    bool theirs = false;  // unite --merge: conflicts go the tie point file's way
};
int runDetach(WorkflowOptions const& options, std::ostream& out, std::ostream& err);
int runUnite(WorkflowOptions const& options, std::ostream& out, std::ostream& err);
int runClean(WorkflowOptions const& options, std::ostream& out, std::ostream& err);

struct ReportOptions {
    std::string block;
    bool models = false;
    std::string output;  // empty: a temporary file, removed afterwards
};
int runReport(ReportOptions const& options, std::ostream& out, std::ostream& err);
// report --html: the block quality page.
struct HtmlReportOptions {
    std::string block;
    std::string output;     // empty: standard output
    std::string gcpLayout;  // empty: the block's control point file when it is a GCP layout file
    std::int64_t minTies = kDefaultMinTies;
};
int runHtmlReport(HtmlReportOptions const& options, std::ostream& out, std::ostream& err);
struct StateOptions {
    std::string block;
    bool epipolar = false;
    std::string output;
};
int runState(StateOptions const& options, std::ostream& out, std::ostream& err);

struct PlotOptions {
    std::string block;
    std::string output;     // empty: standard output
    std::string gcpLayout;  // empty: looked for beside the block
    bool colorByGcps = false;
    std::int64_t minTies = kDefaultMinTies;
};
int runPlot(PlotOptions const& options, std::ostream& out, std::ostream& err);

struct ColmapExportOptions {
    std::string block;
    std::string folder;
    bool force = false;
};
int runColmapExport(ColmapExportOptions const& options, std::ostream& out, std::ostream& err);
struct ColmapImportOptions {
    std::string model;
    std::string block;
    std::string database;  // empty: looked for beside the model
    std::string tag;       // empty: derived from the model
    bool force = false;
    bool dryRun = false;
};
int runColmapImport(ColmapImportOptions const& options, std::ostream& out, std::ostream& err);

struct DemoOptions {
    std::string folder;  // empty: a fresh temporary folder
    std::int32_t strips = 2;
    std::optional<std::int32_t> images;  // default: five a strip
    std::optional<std::int64_t> points;  // default: six rows of points for every pair of neighbours
    bool weak = false;                   // the weakly tied block that check flags
    // A simulated survey instead (strips default 3): images a strip, overlaps in percent, random seed.
    bool survey = false;
    std::int32_t stripImages = 8;
    double forwardOverlap = 60.0;
    double sideOverlap = 30.0;
    std::uint32_t seed = 1;
};
int runDemo(DemoOptions const& options, std::ostream& out, std::ostream& err);
// The survey demo in `folder` (a native folder already mapped as drive D:).
int runSurveyDemo(DemoOptions const& options, std::string const& folder, std::ostream& out, std::ostream& err);

}  // namespace ybblock
