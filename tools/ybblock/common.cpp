// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock: paths, texts, result codes, file kinds and block reading shared by the commands.
#include "tool.h"

#include "fs.h"
#include "gbk.h"
#include "host_place.h"
#include "image_types.h"
#include "imagelist/image_list.h"
#include "hostpath.h"
#include "result_codes.h"
#include "tiepoints/block_tie_points.h"
#include "text_scan.h"
#include "write_path.h"

#include <yb/HostBase.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <utility>
#include <cstdio>

namespace ybblock {

using yb::frame::FileKind;
using yb::frame::Recognition;

std::string toHost(std::string const& typed) {
    auto gbk = yb::platform::utf8ToGbk(typed);
    return gbk ? *gbk : typed;
}

std::string toTerminal(std::string_view gbk) { return yb::platform::gbkToUtf8Lossy(gbk); }

std::string fieldText(char const* field, std::size_t width) {
    return toTerminal(yb::platform::boundedText(field, width));
}

std::string whereIs(std::string const& hostPath) {
    return yb::platform::whereItLeads(hostPath, [](std::string const& letter) {
        return "YB_DRIVE_" + letter + "=/native/folder (the folder that holds what " + letter + ":\\ holds)";
    });
}

std::string codeText(std::int32_t code) {
    std::string text = std::to_string(code);
    if (auto const* info = yb::frame::findResultCode(code))
        text += " " + std::string(info->constant) + ": " + std::string(info->meaning);
    else
        text += ": a code none of the suite's libraries defines";
    return text;
}

void reportFailure(std::ostream& err, std::string_view what, std::int32_t code, std::string const& hostPath) {
    err << "ybblock: " << what << ": " << codeText(code);
    if (!hostPath.empty()) err << "\n  path: " << toTerminal(hostPath) << " (" << whereIs(hostPath) << ")";
    err << "\n";
}

namespace {
std::vector<std::string>* collected = nullptr;
void collect(HbMessageStyle, char const* gbkText, void*) {
    if (collected != nullptr) collected->emplace_back(gbkText != nullptr ? gbkText : "");
}
}  // namespace

LibraryMessages::LibraryMessages() {
    static std::vector<std::string> messages;
    messages.clear();
    collected = &messages;
    hbSetMessageSink(collect, nullptr);
}

LibraryMessages::~LibraryMessages() {
    hbSetMessageSink(nullptr, nullptr);
    collected = nullptr;
}

std::vector<std::string> takeLibraryMessages() {
    if (collected == nullptr) return {};
    return std::exchange(*collected, {});
}

std::string pathOfLastLibraryMessage() {
    if (collected == nullptr || collected->empty()) return {};
    std::string const& text = collected->back();
    std::size_t const open = text.find('<'), close = text.rfind('>');
    return open != std::string::npos && close != std::string::npos && close > open
               ? text.substr(open + 1, close - open - 1)
               : std::string();
}

std::string systemReason() {
    int const error = errno;
    if (error == 0) return {};
    std::string reason = std::generic_category().message(error);
    if (!reason.empty()) reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    return reason;
}

Json codeJson(std::int32_t code) {
    Json json{{"code", code}};
    if (auto const* info = yb::frame::findResultCode(code)) {
        json["constant"] = std::string(info->constant);
        json["meaning"] = std::string(info->meaning);
    }
    return json;
}

bool toStandardOutput(std::string const& typedPath) { return typedPath.empty() || typedPath == "-"; }

bool writeOutput(std::string const& typedPath, std::string_view text, std::string_view what, std::ostream& out,
                 std::ostream& err) {
    if (toStandardOutput(typedPath)) {
        out << text;
        return true;
    }
    std::string const target = toHost(typedPath);
    errno = 0;
    bool const written = yb::platform::replaceFile(target, [&](yb::platform::Output& output) {
        output.write(text.data(), text.size());
        return true;
    });
    std::string const reason = systemReason();
    if (!written)
        reportFailure(err, "cannot write " + std::string(what) + (reason.empty() ? "" : " (" + reason + ")"),
                      yb::kCannotWrite, target);
    return written;
}

std::size_t displayWidth(std::string_view utf8) {
    std::size_t width = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t const point = yb::platform::takeCodePoint(utf8, at);
        // East Asian wide and full-width characters take two columns of a terminal.
        bool const wide = (point >= 0x1100 && point <= 0x115F) || (point >= 0x2E80 && point <= 0xA4CF) ||
                          (point >= 0xAC00 && point <= 0xD7A3) || (point >= 0xF900 && point <= 0xFAFF) ||
                          (point >= 0xFE30 && point <= 0xFE4F) || (point >= 0xFF00 && point <= 0xFF60) ||
                          (point >= 0xFFE0 && point <= 0xFFE6) || (point >= 0x20000 && point <= 0x3FFFD);
        width += wide ? 2 : 1;
    }
    return width;
}

std::string exactNumber(double value) {
    char text[64];
    auto const result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

namespace {

std::string_view firstLine(std::string_view text, std::size_t from = 0) {
    if (from >= text.size()) return {};
    std::string_view line = text.substr(from, text.find('\n', from) - from);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

bool allDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// "number x y": the line of an image relation file.
bool isRelationLine(std::string_view line) {
    if (!yb::platform::takeNumber<long long>(line) || line.empty() || (line.front() != '\t' && line.front() != ' '))
        return false;
    return yb::platform::takeNumber<double>(line) && yb::platform::takeNumber<double>(line);
}

bool matches(yb::frame::FileKindInfo const& kind, std::string_view head, std::string const& hostPath) {
    switch (kind.recognition) {
        case Recognition::Magic: return head.substr(0, kind.magic.size()) == kind.magic;
        case Recognition::MagicField:
            return yb::platform::equalsIgnoreCase(
                yb::platform::boundedText(head.data(), std::min<std::size_t>(head.size(), 128)), kind.magic);
        case Recognition::ReportTitle: {
            std::string const title = yb::platform::gbkFromUtf8Literal(kind.magic);
            return head.substr(0, title.size()) == title;
        }
        case Recognition::NameEnding: {
            std::string const name = yb::platform::toLower(yb::platform::fileNameOf(hostPath));
            return name.size() >= kind.nameEnding.size() &&
                   std::string_view(name).substr(name.size() - kind.nameEnding.size()) == kind.nameEnding;
        }
        case Recognition::CountedTextList: {
            std::string_view const count = firstLine(head);
            if (!allDigits(count) || head.size() <= count.size() + 1) return false;
            std::string_view const second = firstLine(head, head.find('\n') + 1);
            bool const relation = isRelationLine(second);
            return kind.kind == FileKind::ImageRelation ? relation : !relation && !second.empty();
        }
    }
    return false;
}

}  // namespace

std::optional<FileKind> recogniseFile(std::string const& hostPath) {
    yb::platform::File file = yb::platform::openFile(hostPath, "rb");
    if (!file) return std::nullopt;
    std::string head(512, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    std::uint64_t const size = yb::platform::fileSize(hostPath).value_or(0);
    yb::frame::FileKindInfo const* found = nullptr;
    for (auto const& kind : yb::frame::kFileKinds) {
        if (!matches(kind, head, hostPath)) continue;
        if (found == nullptr) found = &kind;
        // Kinds sharing a magic are told apart by their fixed size.
        if (kind.fixedSize() != 0 && kind.fixedSize() == size && kind.magic == found->magic) found = &kind;
    }
    if (found == nullptr) return std::nullopt;
    return found->kind;
}

char const* imageTypeName(std::int32_t imageType) { return yb::frame::imageTypeName(imageType); }

std::optional<Block> openBlock(std::string const& hostPath, std::ostream& err) {
    Block block;
    block.optionPath = hostPath;
    if (auto const problem = readBlockOption(hostPath, block.info)) {
        reportFailure(err, problem->what, problem->code, hostPath);
        return std::nullopt;
    }
    block.imageListPath = ybGetBlkAuxFileName(block.info, ".bil", nullptr);
    block.tiePointPath = ybGetBlkAuxFileName(block.info, ".scp", nullptr);
    return block;
}

std::int32_t readBlockImages(Block const& block, std::vector<BlockImage>& images) {
    images.clear();
    // One walk over the list's strips, as the library's own workflows make it.
    yb::imagelist::ImageListReader list;
    if (std::int32_t code = list.open(block.imageListPath.c_str(), yb::kFileNotFound); code != yb::kSuccess)
        return code;
    std::int32_t const strips = list.storedStripCount();
    // Room for them all at once: growing an array of 20,000 records copies and faults it in again. The
    // list's length bounds their number closely (a strip's header is small beside an image's entries),
    // where counting them first would walk the list twice.
    images.reserve(static_cast<std::size_t>(list.length() / yb::imagelist::kImageEntriesSize));
    std::vector<ImageOrderInfo> strip;
    for (std::int32_t s = 1; s <= strips; ++s) {
        if (std::int32_t code = yb::imagelist::readStrip(list, strips, s, strip); code != yb::kSuccess) return code;
        std::int32_t position = 0;
        for (ImageOrderInfo const& record : strip) images.push_back({record, s, ++position});
    }
    return yb::kSuccess;
}

std::string perImageFile(Block const& block, ImageOrderInfo const& image) {
    return yb::tiepoints::perImageFile(block.info, image);
}

std::vector<bool> regularFiles(std::vector<yb::platform::FoundFile> const& found) {
    std::vector<bool> regular(found.size());
    // Something of the name is there: a file, or a folder, which a look at the place found tells apart.
    for (std::size_t i = 0; i < found.size(); ++i)
        regular[i] = found[i].exists && found[i].native && yb::platform::nativeFileExists(*found[i].native);
    return regular;
}

namespace {
std::int64_t nowMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
constexpr std::size_t kProgressFrom = 2000;  // shorter loops end before a line would help
}  // namespace

Progress::Progress(std::string_view what, std::size_t total)
    : what_(what), total_(total), shown_(total >= kProgressFrom && yb::platform::isTerminal(stderr)) {}

Progress::~Progress() {
    if (shown_ && lastShown_ != 0) std::fprintf(stderr, "\r%*s\r", static_cast<int>(what_.size() + 32), "");
}

void Progress::step(std::size_t done) {
    if (!shown_) return;
    std::int64_t const now = nowMilliseconds();
    if (now - lastShown_ < 200) return;
    lastShown_ = now;
    std::fprintf(stderr, "\r%s: %zu of %zu", what_.c_str(), done, total_);
    std::fflush(stderr);
}

}  // namespace ybblock
