// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Whether anything changed a file since a given moment, where the system reports every change of it
// (Linux: inotify, on the local file systems, whose changes all pass through this kernel). A value
// learnt from a file and kept under its stamp (FileStamp) holds on such a file even where the stamp
// alone cannot show a change made within the clock tick of the last one. A process watches a few
// files at a time, the latest ones marked; a mark on a file no longer watched answers "changed".
// Elsewhere (Windows, network shares, a system that refuses the watch) nothing is marked.
#pragma once

#include "fs.h"

#include <cstdint>
#include <optional>
#include <string>

namespace yb::platform {

struct ChangeMark {
    int watch = -1;
    std::uint64_t generation = 0;  // tells a watch from a later one under the same number
    std::uint64_t changes = 0;     // changes reported before the mark
};

// Watches the file at `native` from now on (or goes on watching it) and marks this moment; nothing
// when changes of it cannot be told or `native` no longer names the file of `stamp`. Called right
// after a change of the process's own, it marks the state that change left.
std::optional<ChangeMark> markChanges(std::string const& native, FileStamp const& stamp);

// True when nothing changed the marked file since the mark, as far as the system reported.
bool unchangedSince(ChangeMark const& mark);

// True when every change of the file at `native` passes through this kernel (a local file system):
// the system reports each, and stamps each from this machine's clock. False on a network share, or
// where it cannot be told.
bool changesPassThisKernel(std::string const& native);

}  // namespace yb::platform
