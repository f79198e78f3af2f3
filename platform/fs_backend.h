// What each operating system supplies to the file access of fs.cpp: the calls that touch the file
// system, each taking host paths. fs_posix.cpp maps host paths onto a Linux disk (drive table,
// case-insensitive lookup, UTF-8 names); fs_windows.cpp hands them to the wide Windows API as native
// paths. Everything built on these calls (copies, work copies, checks) lives once, in fs.cpp.
#pragma once

#include "fs.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

namespace yb::platform::backend {

enum class EntryKind { missing, file, directory, other };

struct EntryStatus {
    EntryKind kind = EntryKind::missing;
    std::uint64_t size = 0;  // of a regular file
};

// What is at a host path; `missing` also when the path cannot name anything.
EntryStatus status(std::string_view hostPath);
// A stdio stream in one of the C modes; "w" and "a" modes may create the last component. Null for a
// directory or any failure.
std::FILE* openStream(std::string_view hostPath, char const* mode);
bool removeFile(std::string_view hostPath);
// Renames `from` to `to`, replacing a file there, in one step.
bool replaceFile(std::string_view from, std::string_view to);
bool makeDirectory(std::string_view hostPath);  // one level; false when anything is there already
bool removeDirectory(std::string_view hostPath);
// Entries of one directory, without "." and "..", in the order the system gives them; names in GBK
// (names no GBK text can spell are left out).
std::optional<std::vector<DirectoryEntry>> listDirectory(std::string_view hostDir);

}  // namespace yb::platform::backend
