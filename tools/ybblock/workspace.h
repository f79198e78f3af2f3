// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// What a detach leaves beside its per-image files, so that later workflows can tell edits from what
// the detach wrote: a record of the tie point file it detached from and of every per-image file it
// wrote (length and checksum each), and a copy of that tie point file, the base of a three-way merge.
// Both live in the block's temporary folder: "NAME.scp.detached" and "NAME.scp.base".
#pragma once

#include "tool.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ybblock {

// A file's state as far as the workflows tell states apart: its length and a 64-bit FNV-1a checksum
// of its bytes.
struct FileDigest {
    std::uint64_t length = 0;
    std::uint64_t checksum = 0;
    bool operator==(FileDigest const&) const = default;
};
// The digest of a file, with its bytes when `bytes` is given; nullopt when it cannot be read.
std::optional<FileDigest> digestOf(std::string const& hostPath, std::string* bytes = nullptr);

struct DetachRecord {
    FileDigest tiePoints;
    std::map<std::string, FileDigest> perImage;  // by file name, lower-cased
};

// The workspace of a block's detach: the block, its images and where the record and base are.
struct Workspace {
    Block block;
    std::vector<BlockImage> images;
    std::string folder;      // the temporary folder of the per-image files, ending in '\'
    std::string recordPath;  // NAME.scp.detached
    std::string basePath;    // NAME.scp.base
};
// Reads the block and its image list; on failure writes the error line and sets the exit status.
std::optional<Workspace> openWorkspace(std::string const& typed, std::ostream& err, int& status);
// The workspace of a block whose images are read.
Workspace workspaceOf(Block block, std::vector<BlockImage> images);

// The record, or nullopt when there is none (or it cannot be read: then as if there were none).
std::optional<DetachRecord> readDetachRecord(Workspace const& workspace);
// Records the tie point file as it stands (its bytes become the base) and the per-image files of the
// block's images that are there. False, with the error line, when either cannot be written.
bool recordDetach(Workspace const& workspace, std::ostream& err);

// The per-image files of the workspace's images, in image order, and which of them are there (looked
// up together: one look at their folder).
struct PerImageFiles {
    std::vector<std::string> paths;
    std::vector<yb::platform::FoundFile> found;
    std::vector<std::optional<std::int64_t>> modified;  // when the regular file was last changed; none: no file
    bool there(std::size_t i) const { return modified[i].has_value(); }
};
PerImageFiles perImageFilesOf(Workspace const& workspace, yb::platform::LookFor purpose = yb::platform::LookFor::Use);

// Per-image files that may hold edits not yet united: with a record, those that differ from what the
// detach wrote (changed, added or removed); without one, those newer than the tie point file.
std::vector<std::string> editedPerImageFiles(Workspace const& workspace, std::optional<DetachRecord> const& record);
// The same with the per-image files already looked up.
std::vector<std::string> editedPerImageFiles(Workspace const& workspace, std::optional<DetachRecord> const& record,
                                             PerImageFiles const& files);

// The lower-cased file name that keys a per-image file in the record.
std::string recordKeyOf(std::string const& hostPath);

}  // namespace ybblock
