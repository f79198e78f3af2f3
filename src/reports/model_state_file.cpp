// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The model product state file: written here for every model of a block (layout in the header).
#include "block/block_files.h"
#include "reports/model_state_file.h"
#include "export_frame.h"
#include "imagelist/image_list.h"

#include "fs.h"
#include "hostpath.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <array>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace yb::reports {
namespace {

// The entries of a state file: N slots, of which the first U are filled.
class StateEntries {
public:
    explicit StateEntries(std::int32_t slots) : slots_(slots) {}
    // Adds one strip's entries at once; more entries than slots is kOutOfRange and adds nothing.
    std::int32_t append(std::vector<std::int32_t> const& numbers, std::vector<unsigned char> const& flags) {
        if (numbers.empty() || flags.size() != numbers.size()) return kInvalidArgument;
        if (numbers.size() > static_cast<std::size_t>(slots_) - numbers_.size()) return kOutOfRange;
        numbers_.insert(numbers_.end(), numbers.begin(), numbers.end());
        flags_.insert(flags_.end(), flags.begin(), flags.end());
        return kSuccess;
    }
    // The file: magic field, N, U, the N number slots (unfilled ones zero), the U flag bytes.
    void writeTo(platform::Output& out) const {
        out.writeText(kStateMagic, kMagicFieldSize);
        out.writeI32(slots_);
        out.writeI32(static_cast<std::int32_t>(numbers_.size()));
        out.writeRecords(numbers_.data(), numbers_.size());
        out.writeZeros(4 * (static_cast<std::uint64_t>(slots_) - numbers_.size()));
        out.writeRecords(flags_.data(), flags_.size());
    }

private:
    std::int32_t slots_;
    std::vector<std::int32_t> numbers_;
    std::vector<unsigned char> flags_;
};

// Lower-cased product titles with how many files carry each; a match uses one of them up.
class ProductTitles {
public:
    explicit ProductTitles(std::vector<std::string> const& titles) {
        for (auto const& title : titles) ++remaining_[platform::toLower(title)];
    }
    bool take(std::string const& modelName) {
        auto it = remaining_.find(platform::toLower(modelName));
        if (it == remaining_.end() || it->second == 0) return false;
        --it->second;
        return true;
    }

private:
    std::unordered_map<std::string, std::size_t> remaining_;
};

std::int32_t surveyModels(char const* blockOptionPath, char const* statePath, char const* extension) {
    std::string const imageListPath = platform::replaceAll(platform::toLower(blockOptionPath), ".dms", ".bil");
    // The image list is read in one walk: its strip count, its total and each strip's paths.
    imagelist::ImageListReader list;
    if (std::int32_t code = list.open(imageListPath.c_str(), kFileNotFound); code != kSuccess) return code;
    std::int32_t const strips = list.storedStripCount();
    std::int32_t images = 0;
    if (std::int32_t code = imagelist::totalImageCount(list, &images); code != kSuccess) return code;
    // Model numbers are strip * 100 + position: a list of more strips than such numbers can name is refused.
    if (strips > std::numeric_limits<std::int32_t>::max() / 100) return kOutOfRange;
    std::int32_t const slots = images - strips;  // one model fewer than images in every strip
    if (slots < 1) return kInvalidArgument;
    // The file is made here, as it always was, and takes the old one's place once it is whole.
    platform::FileReplacement stateFile(statePath);
    if (!stateFile.opened()) return kCannotWrite;
    StateEntries entries(slots);

    std::string_view const optionPath(blockOptionPath);
    std::size_t const cut = platform::lastSeparator(optionPath);  // '/' separates host paths too
    std::string const modelDir =
        std::string(cut == platform::npos ? optionPath : optionPath.substr(0, cut)) + "\\Model";
    std::vector<std::string> titles;
    if (std::int32_t code = block::listSameExtension(modelDir.c_str(), extension, titles, 1); code != kSuccess)
        return code;
    ProductTitles products(titles);

    std::vector<std::string> paths;
    for (std::int32_t strip = 1; strip <= strips; ++strip) {
        if (std::int32_t code = imagelist::readImagePaths(list, strip, paths); code != kSuccess) return code;
        if (paths.size() < 2) continue;
        // The models of one strip are appended together: the same entries, in the same order, as one
        // append per model.
        std::vector<std::int32_t> numbers;
        std::vector<unsigned char> flags;
        for (std::size_t k = 1; k < paths.size(); ++k) {
            std::string const modelName =
                platform::splitPath(paths[k - 1]).title + "_" + platform::splitPath(paths[k]).title;
            numbers.push_back(strip * 100 + static_cast<std::int32_t>(k));
            flags.push_back(products.take(modelName) ? 1 : 0);
        }
        if (std::int32_t code = entries.append(numbers, flags); code != kSuccess) return code;
    }
    entries.writeTo(stateFile.out());
    return stateFile.commit() ? kSuccess : kCannotWrite;
}

std::int32_t generateStateFile(char const* blockOptionPath, char const* statePath, char const* extension) {
    if (blockOptionPath == nullptr || statePath == nullptr) return kInvalidArgument;
    std::uint64_t const ioErrorsBefore = platform::ioErrorTally();
    std::int32_t code = surveyModels(blockOptionPath, statePath, extension);
    // A failed survey leaves no state file, not even an older one, so no stale state is taken for the
    // block's; but a failing disk never costs the state file that was there.
    if (code != kSuccess && platform::ioErrorTally() == ioErrorsBefore) platform::removeFile(statePath);
    return code;
}

}  // namespace
}  // namespace yb::reports

std::int32_t ybGenBlkModOrthoStateFile(char const* blockOptionPath, char const* statePath) {
    return yb::frame::guarded([&] { return yb::reports::generateStateFile(blockOptionPath, statePath, "dom"); });
}

std::int32_t ybGenBlkModEpiStateFile(char const* blockOptionPath, char const* statePath) {
    return yb::frame::guarded([&] { return yb::reports::generateStateFile(blockOptionPath, statePath, "epi"); });
}
