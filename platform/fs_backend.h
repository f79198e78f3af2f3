// What each operating system supplies to the shared file access of fs.cpp, on native paths (UTF-8
// text, as nativePath() gives them). fs_posix.cpp and fs_windows.cpp also define the native path
// mapping and the write path's primitives declared in fs.h. A failing call leaves errno set as the
// C library would (ENOENT for a missing file or folder, EEXIST for one that is there).
#pragma once

#include "fs.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace yb::platform::backend {

enum class EntryKind { missing, file, directory, other };

struct EntryStatus {
    EntryKind kind = EntryKind::missing;
    std::uint64_t size = 0;      // of a regular file
    std::int64_t modified = 0;   // nanoseconds since 1970
};

EntryStatus status(std::string const& native);
// A stdio stream reading the file ("r" reads the bytes as they are, as "rb" does).
std::FILE* openReadStream(std::string const& native);
bool makeDirectory(std::string const& native);
bool removeDirectory(std::string const& native);
// Entries of one directory, without "." and "..", in the system's order; names in GBK (names no GBK
// text can spell are left out).
std::optional<std::vector<DirectoryEntry>> listDirectory(std::string const& native);

}  // namespace yb::platform::backend
