// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
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
#include <string_view>
#include <utility>
#include <vector>

namespace yb::platform::backend {

enum class EntryKind { missing, file, directory, other };

struct EntryStatus {
    EntryKind kind = EntryKind::missing;
    std::uint64_t size = 0;     // of a regular file
    std::int64_t modified = 0;  // nanoseconds since 1970
};

EntryStatus status(std::string const& native);
// The native path of an existing host path with its status, from one lookup where the system allows.
std::optional<std::pair<std::string, EntryStatus>> locate(std::string_view hostPath);
// A stdio stream reading the file ("r" reads the bytes as they are, as "rb" does).
std::FILE* openReadStream(std::string const& native);
// The same for an existing host path, whose native path goes to `native`: where the system allows, the
// spelling asked is opened first, with no look beforehand. Asks the fault hook once it is open (a
// missing file asks nothing); a failure other than "no such file" is counted.
std::FILE* openHostStream(std::string_view hostPath, std::string& native);
// The native handle under a stream (for its lock).
std::intptr_t streamHandle(std::FILE* stream);
// The stamp of an open stream's file, asked of the system; `regular` tells whether it is a regular
// file (a folder opens for reading on some systems).
std::optional<FileStamp> streamStamp(std::FILE* stream, bool* regular = nullptr);
bool makeDirectory(std::string const& native);
bool removeDirectory(std::string const& native);
// Up to `size` bytes of an open stream at `offset`, leaving the stream's own position alone; the number
// read, short at the end of the file or on a failure (counted as an I/O error). With `enough`, a read
// that has brought that many bytes is not followed by another for the rest.
std::size_t readStreamAt(std::FILE* stream, std::uint64_t offset, void* data, std::size_t size,
                         std::size_t enough = SIZE_MAX);
// Entries of one directory, without "." and "..", in the system's order; names in GBK (names no GBK
// text can spell are left out).
std::optional<std::vector<DirectoryEntry>> listDirectory(std::string const& native);
// Closes a NativeFile's descriptor (Linux) or HANDLE (Windows); false, with errno set, when the system
// reports a failure.
bool closeHandle(std::intptr_t handle);

// A name for a temporary beside `targetNative`, in its directory (which ends at the last of
// `separators`): "." + the target's name, cut on a UTF-8 character boundary so that the whole fits a
// 255-byte name, + "." + eight random letters + ".tmp". Each call gives another; `processId` keeps
// the names of processes apart even where the random device is not random.
std::string temporaryCandidate(std::string const& targetNative, std::string_view separators, std::uint64_t processId);
// temporaryCandidate with this system's separators and process.
std::string candidateBeside(std::string const& targetNative);
// A new file at `native`, made for reading and writing where nothing stands under the name (errno
// EEXIST where something does), with the permission bits given, or those of the file at `replacing`
// where one is given, where the system keeps them; its handle, or -1 with errno set.
std::intptr_t createNew(std::string const& native, std::string const* replacing,
                        std::optional<std::uint32_t> permissions);

}  // namespace yb::platform::backend
