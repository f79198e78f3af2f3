// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The detach record and base: written after a detach (and after each unite, which makes the tie point
// file and the per-image files agree again), read by detach, unite and clean before they change
// anything.
#include "workspace.h"

#include "checksum.h"
#include "fs.h"
#include "hostpath.h"
#include "text_scan.h"
#include "write_path.h"

#include <cstdio>

namespace ybblock {
namespace {

constexpr std::string_view kRecordTitle = "ybblock detach record 1";

std::string hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string digestText(FileDigest const& digest) { return std::to_string(digest.length) + " " + hex(digest.checksum); }

// "LENGTH CHECKSUM" at the start of `line`, which is left after them and the space that follows.
std::optional<FileDigest> takeDigest(std::string_view& line) {
    auto const length = yb::platform::takeNumber<unsigned long long>(line);
    if (!length || line.empty() || line.front() != ' ') return std::nullopt;
    line.remove_prefix(1);
    std::string_view const word = line.substr(0, line.find(' '));
    if (word.size() != 16) return std::nullopt;
    std::uint64_t checksum = 0;
    for (char c : word) {
        int const digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return std::nullopt;
        checksum = checksum << 4 | static_cast<std::uint64_t>(digit);
    }
    line.remove_prefix(word.size());
    if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    return FileDigest{*length, checksum};
}

}  // namespace

std::optional<FileDigest> digestOf(std::string const& hostPath, std::string* bytes) {
    yb::platform::File file = yb::platform::openFile(hostPath, "rb");
    if (!file) return std::nullopt;
    FileDigest digest{};
    yb::platform::Fnv1a checksum;
    std::vector<unsigned char> chunk(std::size_t{1} << 16);
    for (std::size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), file.get())) > 0;) {
        checksum.add(chunk.data(), got);
        digest.length += got;
        if (bytes != nullptr) bytes->append(reinterpret_cast<char const*>(chunk.data()), got);
    }
    if (std::ferror(file.get())) return std::nullopt;
    digest.checksum = checksum.value();
    return digest;
}

std::string recordKeyOf(std::string const& hostPath) {
    return yb::platform::toLower(yb::platform::fileNameOf(hostPath));
}

std::optional<Workspace> openWorkspace(std::string const& typed, std::ostream& err, int& status) {
    status = kExitUsage;
    auto block = openBlock(toHost(typed), err);
    if (!block) return std::nullopt;
    status = kExitFailed;
    std::vector<BlockImage> images;
    if (std::int32_t code = readBlockImages(*block, images); code != yb::kSuccess) {
        reportFailure(err, "cannot read the block image list", code, block->imageListPath);
        return std::nullopt;
    }
    return workspaceOf(std::move(*block), std::move(images));
}

Workspace workspaceOf(Block block, std::vector<BlockImage> images) {
    Workspace workspace{std::move(block), std::move(images), {}, {}, {}};
    workspace.folder = yb::platform::directoryOf(perImageFile(workspace.block, {}));
    std::string const title = yb::platform::fileNameOf(workspace.block.tiePointPath);
    workspace.recordPath = workspace.folder + title + ".detached";
    workspace.basePath = workspace.folder + title + ".base";
    return workspace;
}

std::optional<DetachRecord> readDetachRecord(Workspace const& workspace) {
    std::string text;
    if (!yb::platform::isRegularFile(workspace.recordPath) || !digestOf(workspace.recordPath, &text))
        return std::nullopt;
    DetachRecord record;
    bool titled = false, tiePoints = false;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t const end = std::min(text.find('\n', at), text.size());
        std::string_view line(text.data() + at, end - at);
        at = end + 1;
        if (!titled) {
            if (line != kRecordTitle) return std::nullopt;
            titled = true;
        } else if (line.starts_with("tie_point_file ")) {
            line.remove_prefix(15);
            auto const digest = takeDigest(line);
            if (!digest) return std::nullopt;
            record.tiePoints = *digest;
            tiePoints = true;
        } else if (line.starts_with("per_image_file ")) {
            line.remove_prefix(15);
            auto const digest = takeDigest(line);
            if (!digest || line.empty()) return std::nullopt;
            record.perImage[std::string(line)] = *digest;
        } else if (!line.empty()) {
            return std::nullopt;
        }
    }
    if (!tiePoints) return std::nullopt;
    return record;
}

bool recordDetach(Workspace const& workspace, std::ostream& err) {
    std::string bytes;
    auto const tiePoints = digestOf(workspace.block.tiePointPath, &bytes);
    if (!tiePoints) {
        reportFailure(err, "cannot read the block tie point file", yb::kCannotOpen, workspace.block.tiePointPath);
        return false;
    }
    std::string text = std::string(kRecordTitle) + "\ntie_point_file " + digestText(*tiePoints) + "\n";
    PerImageFiles const files = perImageFilesOf(workspace);
    for (std::size_t i = 0; i < files.paths.size(); ++i) {
        if (!files.there(i)) continue;
        if (auto const digest = digestOf(files.paths[i]))
            text += "per_image_file " + digestText(*digest) + " " + recordKeyOf(files.paths[i]) + "\n";
    }
    auto const write = [&](std::string const& path, std::string_view content) {
        bool const written = yb::platform::replaceFile(path, [&](yb::platform::Output& output) {
            output.write(content.data(), content.size());
            return true;
        });
        if (!written) reportFailure(err, "cannot write the detach record", yb::kCannotWrite, path);
        return written;
    };
    // The base first: a record names a base that is there.
    return write(workspace.basePath, bytes) && write(workspace.recordPath, text);
}

PerImageFiles perImageFilesOf(Workspace const& workspace, yb::platform::LookFor purpose) {
    PerImageFiles files;
    files.paths.reserve(workspace.images.size());
    for (BlockImage const& image : workspace.images) files.paths.push_back(perImageFile(workspace.block, image.record));
    files.found = yb::platform::findFiles(files.paths, purpose);
    // Whether each is a regular file, and its time, from one look at it.
    files.modified.resize(files.found.size());
    for (std::size_t i = 0; i < files.found.size(); ++i) {
        yb::platform::FoundFile const& found = files.found[i];
        if (found.exists && found.native) files.modified[i] = yb::platform::regularFileModificationTime(*found.native);
    }
    return files;
}

std::vector<std::string> editedPerImageFiles(Workspace const& workspace, std::optional<DetachRecord> const& record) {
    return editedPerImageFiles(workspace, record, perImageFilesOf(workspace));
}

std::vector<std::string> editedPerImageFiles(Workspace const& workspace, std::optional<DetachRecord> const& record,
                                             PerImageFiles const& files) {
    std::vector<std::string> edited;
    auto const tiePointTime = yb::platform::modificationTime(workspace.block.tiePointPath);
    std::map<std::string, FileDigest> unseen = record ? record->perImage : std::map<std::string, FileDigest>{};
    Progress progress("looking at per-image files", files.paths.size());
    for (std::size_t i = 0; i < files.paths.size(); ++i) {
        progress.step(i);
        std::string const& file = files.paths[i];
        bool const there = files.there(i);
        if (!record) {
            auto const& time = files.modified[i];
            if (time && (!tiePointTime || *time > *tiePointTime)) edited.push_back(file);
            continue;
        }
        auto const recorded = unseen.find(recordKeyOf(file));
        if (recorded == unseen.end()) {
            if (there) edited.push_back(file);  // made after the detach
            continue;
        }
        if (!there || digestOf(file) != recorded->second) edited.push_back(file);  // removed or changed
        unseen.erase(recorded);
    }
    return edited;
}

}  // namespace ybblock
