// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Case-insensitive lookup of a name in a folder, in O(1) amortised per lookup (Linux backend).
//
// Host paths compare names without regard to case; the disk does not. A name that is not on disk in
// the spelling asked for is looked up in an index of its folder: the folder's names keyed by their
// ASCII-lower-cased form, each mapping to the names on disk that fold to it. An index is made by one
// reading of the folder, on the first lookup that needs it, and lives for one call (CallScope in fs.h:
// one export, with the block workflow it runs, or a workflow of another library of the suite that
// calls this one per file: the span is the thread's outermost call); it is dropped when the call ends,
// so every call sees the folders as they stand when it starts, whatever other programs did before.
// A lookup made outside any call keeps nothing beyond its own operation. Each thread's calls have
// their own indexes.
//
// Within the call:
// - Before every use an index is checked against the folder as it stands: the folder's device and
//   inode (the same folder, not another one made at its path), its change time (the kernel sets it on
//   every change to the folder's names), and the count of changes that the libraries of this process
//   made to it (hbFolderChangeCount, shared through HostBase, so changes by other threads and other
//   libraries are seen at once). When any of them differs the folder is read again.
// - The library's own creates, renames and removes update it in place (added, removed, renamed), so
//   a workflow that makes or deletes a file per image reads its folder once.
// - A folder whose change time falls in the tick of its own reading (and is not stamped finer than the
//   tick) is read once more, after the tick, before a name is reported missing from it.
//
// What another process can do unseen, and only while a call runs: a change time is only as fine as
// the clock tick (a few milliseconds on kernels without fine-grained change times), and a change of
// the library's own stamps the index with the folder's new change time. A change another process
// makes to a folder during the call, in the tick of the index's last reading or between its last
// check and a change of the call's own there, can go unseen until the folder changes again or the
// call ends: a name created in another case than the one asked is answered as missing, and a name
// removed or renamed is answered with its old spelling (the open that follows fails as for a missing
// file). A name asked in its exact spelling is always looked for on disk (the caller tries the exact
// path first, and a batch lookup stats a name the index lacks, but for a removal, which leaves a
// file made after the folder was read in place as if made after the removal). The work copies that
// hold an interrupted change are looked for on disk when a file is opened (FileChange tells when a
// change need not look); only a batch lookup (findFiles) asks the index for them, as a killed process
// leaves them long before a workflow comes.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace yb::platform::folder_index {

enum class Match {
    Exact,      // the name is on disk as asked
    OtherCase,  // a name equal to it ignoring ASCII case is on disk (the first in byte order)
    Missing,
    Unreadable,  // not a folder, or it cannot be read
};

struct Found {
    Match match = Match::Missing;
    std::string name;  // the name on disk, for Exact and OtherCase
};

// Looks `name` up in the native folder `folder`, whose stat `folderInfo` was taken just before.
// Outside a call the folder is read for this lookup alone.
Found find(std::string const& folder, struct stat const& folderInfo, std::string_view name);

// False when the index of `folder` holds no name that ends as the work copy of a change does (".bak",
// ".tmp"): asked right after find(), it spares looking up the work copies of each name.
bool mayHoldWorkCopies(std::string const& folder);

// True when an index of `folder` is held, so a lookup through it needs no stat of the name itself.
bool held(std::string const& folder);

// The library's own changes, told right after they succeeded (native paths of the entries). A file
// made under a passing name and then renamed into place (or removed) is told once, by the rename or
// the removal.
void added(std::string const& path);
void removed(std::string const& path);
void renamed(std::string const& from, std::string const& to);
// Renames within one folder each, counted one by one when made (countChange) and told together: each
// folder's index is brought up to date once.
void countChange(std::string const& folder);
void renamedInPlaceAll(std::vector<std::pair<std::string, std::string>> const& renames);
// Many removals at once: each folder's index is brought up to date once.
void removedAll(std::vector<std::string> const& paths);

// A name as the index keys it: ASCII letters in lower case.
std::string foldedName(std::string_view name);

// The key under which HostBase counts changes to `folder`.
std::uint64_t folderKey(std::string const& folder);

// The calls of this thread (CallScope): the outermost one's end drops every index the thread holds.
void enterCall();
void leaveCall();

// Folder readings made so far by this library, on every thread (tests).
std::uint64_t readings();

}  // namespace yb::platform::folder_index
