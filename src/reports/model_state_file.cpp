// The model product state file: which stereo models of a block already have their product (an
// orthophoto ".dom" or an epipolar image ".epi").
//
//   offset          size   content
//   0               128    magic "YB_BLK_STATE_FILE_VER1.0", zero bytes up to 128
//   128             4      N, the number of entry slots
//   132             4      U, the number of entries filled so far
//   136             4 * N  model numbers (left image number, strip * 100 + k), entry i at 136 + 4i
//   136 + 4N        U      one flag byte per filled entry: 1 when the product was found
#include "export_frame.h"
#include "reports/strip_image_paths.h"

#include "binary_io.h"
#include "fs.h"
#include "hostpath.h"

#include <yb/ybBlockFileIO.h>

#include <array>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace yb::reports {
namespace {

constexpr std::string_view kStateMagic = "YB_BLK_STATE_FILE_VER1.0";
constexpr std::size_t kMagicFieldSize = 128;
constexpr std::int64_t kSlotCountOffset = 128;
constexpr std::int64_t kUsedCountOffset = 132;
constexpr std::int64_t kNumbersOffset = 136;
static_assert(kStateMagic.size() == 24 && kSlotCountOffset == kMagicFieldSize && kNumbersOffset == kMagicFieldSize + 8);

constexpr std::int64_t flagsOffset(std::int32_t slots) { return kNumbersOffset + 4 * std::int64_t{slots}; }

std::int32_t createStateFile(char const* path, std::int32_t slots) {
    if (path == nullptr || slots < 1) return kInvalidArgument;
    platform::File file = platform::openFile(path, "wb");
    if (!file) return kCannotWrite;
    platform::NewFileGuard guard(path);
    platform::BinaryStream stream(file.get());
    // The last slot is written as a zero value, which gives the file its full length of 136 + 4N.
    bool ok = stream.writeText(kStateMagic, kMagicFieldSize) && stream.writeI32(slots) && stream.writeI32(0) &&
              stream.seek(4 * (std::int64_t{slots} - 1), SEEK_CUR) && stream.writeI32(0) && file.close();
    if (!ok) return kCannotWrite;
    guard.commit();
    return kSuccess;
}

std::int32_t readStateHeader(char const* path, std::int32_t& slots, std::int32_t& used) {
    platform::File file = platform::openFile(path, "rb");
    if (!file) return kCannotOpen;
    platform::BinaryStream stream(file.get());
    std::array<char, kMagicFieldSize> field{};
    if (!stream.read(field.data(), field.size())) return kInvalidContent;
    // The magic must be followed by its terminator.
    if (std::string_view(field.data(), kStateMagic.size()) != kStateMagic || field[kStateMagic.size()] != '\0')
        return kInvalidContent;
    if (!stream.readI32(slots) || !stream.readI32(used)) return kInvalidContent;
    return kSuccess;
}

std::int32_t appendStateEntries(char const* path, std::vector<std::int32_t> const& numbers,
                                std::vector<unsigned char> const& flags) {
    std::int32_t const count = static_cast<std::int32_t>(numbers.size());
    if (path == nullptr || count < 1 || flags.size() != numbers.size()) return kInvalidArgument;
    std::int32_t slots = 0, used = 0;
    if (std::int32_t code = readStateHeader(path, slots, used); code != kSuccess) return code;
    if (used < 0 || slots < 0 || std::int64_t{used} + count > slots) return kOutOfRange;
    platform::File file = platform::openFile(path, "r+b");
    if (!file) return kInvalidContent;
    platform::BinaryStream stream(file.get());
    if (!stream.seek(kNumbersOffset + 4 * std::int64_t{used}) || !stream.writeRecords(numbers.data(), numbers.size()))
        return kInvalidContent;
    if (!stream.seek(flagsOffset(slots) + used)) return kInvalidContent;
    if (!stream.writeRecords(flags.data(), flags.size())) return kCannotWrite;
    if (!stream.seek(kUsedCountOffset)) return kInvalidContent;
    if (!stream.writeI32(used + count) || !file.close()) return kCannotWrite;
    return kSuccess;
}

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
    std::int32_t strips = 0, images = 0;
    if (std::int32_t code = ybGetStripNumberOfImageRecord(imageListPath.c_str(), &strips); code != kSuccess) return code;
    if (std::int32_t code = ybGetBlockTotalImgNums(imageListPath.c_str(), &images); code != kSuccess) return code;
    // Model numbers are strip * 100 + position: a list of more strips than such numbers can name is refused.
    if (strips > std::numeric_limits<std::int32_t>::max() / 100) return kOutOfRange;
    std::int32_t const slots = images - strips;  // one model fewer than images in every strip
    if (std::int32_t code = createStateFile(statePath, slots); code != kSuccess) return code;

    std::string_view const optionPath(blockOptionPath);
    std::size_t const cut = platform::lastSeparator(optionPath);  // '/' separates host paths too
    std::string const modelDir = std::string(cut == platform::npos ? optionPath : optionPath.substr(0, cut)) + "\\Model";
    std::vector<std::string> titles;
    if (std::int32_t code = ybGetSameExtFilePathsInOneDir(modelDir.c_str(), extension, titles, 1); code != kSuccess)
        return code;
    ProductTitles products(titles);

    std::vector<std::string> paths;
    for (std::int32_t strip = 1; strip <= strips; ++strip) {
        if (std::int32_t code = readStripImagePaths(imageListPath.c_str(), strip, paths); code != kSuccess) return code;
        if (paths.size() < 2) continue;
        // The models of one strip are appended together: the same entries, in the same order, as one
        // append per model, with one opening of the file.
        std::vector<std::int32_t> numbers;
        std::vector<unsigned char> flags;
        for (std::size_t k = 1; k < paths.size(); ++k) {
            std::string const modelName =
                platform::splitPath(paths[k - 1]).title + "_" + platform::splitPath(paths[k]).title;
            numbers.push_back(strip * 100 + static_cast<std::int32_t>(k));
            flags.push_back(products.take(modelName) ? 1 : 0);
        }
        if (std::int32_t code = appendStateEntries(statePath, numbers, flags); code != kSuccess) return code;
    }
    return kSuccess;
}

std::int32_t generateStateFile(char const* blockOptionPath, char const* statePath, char const* extension) {
    if (blockOptionPath == nullptr || statePath == nullptr) return kInvalidArgument;
    std::int32_t code = surveyModels(blockOptionPath, statePath, extension);
    // A failed survey leaves no state file, not even an older one.
    if (code != kSuccess) platform::removeFile(statePath);
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
