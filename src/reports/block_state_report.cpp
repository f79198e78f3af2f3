// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The block file state report: a GBK text file telling which block-level files, and which per-image
// orientation files or per-model orientation and epipolar files of a block exist. It is written in
// three sections (heading, block parameters, then image or model parameters), each reading the block
// option file afresh. The report replaces an older one only when it is whole; a failure removes the
// report, so a caller finds a whole report or none, except that an I/O failure keeps the older one.
#include "block/file_names.h"
#include "block/block_files.h"
#include "export_frame.h"
#include "image_types.h"
#include "messages.h"
#include "reports/report_texts.h"

#include "fs.h"
#include "gbk.h"
#include "hostpath.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace yb::reports {
namespace {

constexpr std::int16_t kImageReport = 0;
constexpr std::int16_t kModelReport = 1;
constexpr std::size_t kShortTitleBytes = 5;  // titles shorter than this get two tabs

std::string gbk(char const* utf8) { return platform::gbkFromUtf8Literal(utf8); }

std::string existence(std::string const& path) { return gbk(platform::isRegularFile(path) ? texts::kYes : texts::kNo); }

std::string field(char const* text, std::size_t width) { return std::string(platform::boundedText(text, width)); }

std::int32_t writeReport(platform::Output& report, std::string const& text) {
    report.write(text.data(), text.size());
    return report.ok() ? kSuccess : kCannotWrite;
}

// "(n)\t" + title + one or two tabs, as the image lines start.
std::string imageLineStart(int number, std::string const& title) {
    return frame::formatGbk("(%d)\t", number) + title + (title.size() < kShortTitleBytes ? "\t\t" : "\t");
}

std::int32_t writeHeading(char const* blockOptionPath, platform::Output& report) {
    BlockInfo block{};
    if (std::int32_t code = block::readBlockOptionFile(blockOptionPath, &block); code != kSuccess) return code;
    std::string text = gbk(texts::kTitle);
    text += gbk(texts::kBlockNameLabel) + platform::splitPath(blockOptionPath).title + "\n";
    // An invalid image type leaves the report with the first two lines only, then fails.
    std::int32_t const result = frame::validImageType(block.imageType) ? kSuccess : kOutOfRange;
    if (result == kSuccess) text += gbk(texts::kImageTypeLabel) + gbk(texts::kImageTypeNames[block.imageType]);
    std::int32_t code = writeReport(report, text);
    return code != kSuccess ? code : result;
}

std::int32_t writeBlockParameters(char const* blockOptionPath, platform::Output& report) {
    BlockInfo block{};
    if (std::int32_t code = block::readBlockOptionFile(blockOptionPath, &block); code != kSuccess) return code;
    std::string const controlPoints = existence(field(block.controlPointFile, sizeof block.controlPointFile));
    std::string const imageParameters =
        existence(platform::replaceAll(platform::toLower(blockOptionPath), ".dms", ".ipp"));
    std::string const camera = existence(field(block.cameraFile, sizeof block.cameraFile));
    std::string text = gbk(texts::kBlockSection);
    switch (block.imageType) {
        case 0:
        case 1: text += gbk(texts::kBlockHeaderCamera) + controlPoints + imageParameters + camera; break;
        case 2:
        case 3:
        case 4: text += gbk(texts::kBlockHeaderImageParameters) + controlPoints + imageParameters; break;
        case 5:
        case 6: text += gbk(texts::kBlockHeaderControlOnly) + controlPoints; break;
        default: return kOutOfRange;
    }
    text += "\n";
    return writeReport(report, text);
}

// Titles of a directory listing, with lookups by lower-cased title that keep the listing's order.
// The titles of one lower-cased form are chained in listing order through `next_`, so a lookup costs
// one small map entry however many titles there are.
class TitleList {
public:
    explicit TitleList(std::vector<std::string> titles)
        : titles_(std::move(titles)), removed_(titles_.size(), false), next_(titles_.size(), kNone) {
        firsts_.reserve(titles_.size());
        std::unordered_map<std::string, std::size_t> lasts;
        lasts.reserve(titles_.size());
        for (std::size_t i = 0; i < titles_.size(); ++i) {
            std::string key = platform::toLower(titles_[i]);
            auto [last, isNew] = lasts.try_emplace(key, i);
            if (isNew) {
                firsts_.emplace(std::move(key), i);
            } else {
                next_[last->second] = i;
                last->second = i;
            }
        }
    }
    // Removes the first remaining title equal to `title` ignoring case; false when there is none.
    bool removeFirst(std::string const& title) {
        auto it = firsts_.find(platform::toLower(title));
        if (it == firsts_.end() || it->second == kNone) return false;
        removed_[it->second] = true;
        it->second = next_[it->second];
        return true;
    }
    template <class Visit>
    void forEachRemaining(Visit visit) const {
        for (std::size_t i = 0; i < titles_.size(); ++i)
            if (!removed_[i]) visit(titles_[i]);
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::string> titles_;
    std::vector<bool> removed_;
    std::vector<std::size_t> next_;                        // the next title of the same form, or kNone
    std::unordered_map<std::string, std::size_t> firsts_;  // lower-cased title -> first remaining, or kNone
};

std::int32_t writeImageParameters(char const* blockOptionPath, platform::Output& report) {
    BlockInfo block{};
    if (std::int32_t code = block::readBlockOptionFile(blockOptionPath, &block); code != kSuccess) return code;
    if (std::int32_t code = writeReport(report, gbk(texts::kImageSection)); code != kSuccess) return code;

    std::string const directory = field(block.blockDirectory, sizeof block.blockDirectory) + "\\ImagesPara\\";
    // The inner orientation and orientation files, from one listing of the folder.
    std::vector<std::string> innerTitles, orientationTitles;
    if (std::int32_t code =
            block::listSameExtensions(directory.c_str(), {{"ioc", &innerTitles}, {"boc", &orientationTitles}});
        code != kSuccess)
        return code;

    std::string suffix;
    switch (block.imageType) {
        case 0:
        case 1:
        case 2: break;
        case 4: suffix = "_SPOT"; break;
        case 5:
        case 6: suffix = "_RPC"; break;
        default: return kInvalidArgument;
    }

    std::string const yes = gbk(texts::kYes), no = gbk(texts::kNo);
    std::string text = gbk(texts::kImageHeader);
    int number = 0;
    if (block.imageType == frame::kMetricCamera) {
        // Each inner orientation file is paired with the orientation file of the same title.
        TitleList orientation(std::move(orientationTitles));
        for (auto const& title : innerTitles) {
            bool const oriented = orientation.removeFirst(title);
            text += imageLineStart(++number, title) + yes + (oriented ? yes : no) + "\n";
        }
        orientation.forEachRemaining(
            [&](std::string const& title) { text += imageLineStart(++number, title) + no + yes + "\n"; });
    } else {
        for (auto const& title : orientationTitles) {
            std::string const shown = suffix.empty() ? title : platform::replaceAll(title, suffix, "");
            text += imageLineStart(++number, shown) + yes + "\n";
        }
    }
    return writeReport(report, text);
}

std::int32_t writeModelParameters(char const* blockOptionPath, platform::Output& report) {
    BlockInfo block{};
    if (std::int32_t code = block::readBlockOptionFile(blockOptionPath, &block); code != kSuccess) return code;

    std::string blockDirectory = field(block.blockDirectory, sizeof block.blockDirectory);
    std::string const modelDirectory = blockDirectory + "\\Model\\";
    std::vector<std::string> models;
    if (std::int32_t code = block::listSameExtension(modelDirectory.c_str(), "mod", models, 0); code != kSuccess)
        return code;

    std::string text = gbk(texts::kModelSection);
    text += frame::formatGbk(texts::kModelCount, static_cast<int>(models.size()));
    if (!models.empty()) text += gbk(texts::kModelHeader);
    int number = 0;
    for (auto const& title : models) {
        ModelInfo model{};
        std::string const optionPath = modelDirectory + title + ".mod";
        if (std::int32_t code = block::readModelOptionFile(optionPath.c_str(), &model); code != kSuccess) return code;
        std::string left = field(model.leftImage, sizeof model.leftImage);
        std::string right = field(model.rightImage, sizeof model.rightImage);
        std::string const modelName = block::modelName(left.data(), right.data());
        std::string const relative =
            block::orientationFileNameByModel(blockDirectory.c_str(), 1, modelName.c_str(), true);
        std::string const absolute =
            block::orientationFileNameByModel(blockDirectory.c_str(), 2, modelName.c_str(), true);
        std::string const leftEpipolar =
            block::epipolarFileName(blockDirectory.c_str(), left.data(), right.data(), true);
        std::string const rightEpipolar =
            block::epipolarFileName(blockDirectory.c_str(), left.data(), right.data(), false);
        if (!frame::validImageType(block.imageType) || block.imageType == frame::kGeneralSatellite)
            return kInvalidArgument;
        text += frame::formatGbk("(%d)\t", ++number) + modelName + "\t" + existence(relative) + existence(absolute) +
                existence(leftEpipolar) + existence(rightEpipolar);
        text += "\n";
    }
    return writeReport(report, text);
}

std::int32_t generateReport(char const* blockOptionPath, std::int16_t reportKind, char const* reportPath) {
    if (reportKind != kImageReport && reportKind != kModelReport) return kInvalidArgument;
    if (blockOptionPath == nullptr || reportPath == nullptr) return kInvalidArgument;
    std::uint64_t const ioErrorsBefore = platform::ioErrorTally();
    std::int32_t code = kCannotWrite;
    {
        // Made first, as the report always was: a report that cannot be created fails before any
        // section is looked at.
        platform::FileReplacement report(reportPath);
        if (report.opened()) code = writeHeading(blockOptionPath, report.out());
        if (code == kSuccess) code = writeBlockParameters(blockOptionPath, report.out());
        if (code == kSuccess)
            code = reportKind == kImageReport ? writeImageParameters(blockOptionPath, report.out())
                                              : writeModelParameters(blockOptionPath, report.out());
        if (code == kSuccess && !report.commit()) code = kCannotWrite;
    }
    // A failed report is removed, so no stale one is taken for this block's state; a failing disk, though,
    // never costs the report that was there.
    if (code != kSuccess && platform::ioErrorTally() == ioErrorsBefore) platform::removeFile(reportPath);
    return code;
}

}  // namespace
}  // namespace yb::reports

std::int32_t ybGenBlkFileStateReport(char const* blockOptionPath, std::int16_t reportKind, char const* reportPath) {
    return yb::frame::guarded([&] { return yb::reports::generateReport(blockOptionPath, reportKind, reportPath); });
}
