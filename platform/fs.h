// File system access by host path (GBK text, '\' or '/' separators, an optional drive letter). On
// Linux a host path is mapped onto the disk through HostBase's drive table; on Windows it is the native
// path itself (fs_posix.cpp, fs_windows.cpp). A path that cannot be mapped names no file: opening it
// fails, testing it answers false.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace yb::platform {

bool isRegularFile(std::string_view hostPath);
bool isDirectory(std::string_view hostPath);
// Size in bytes of a regular file, or nullopt.
std::optional<std::uint64_t> fileSize(std::string_view hostPath);
bool removeFile(std::string_view hostPath);
// Copies `from` over `to` (created or replaced); false when either side fails.
bool copyFile(std::string_view from, std::string_view to);
bool makeDirectory(std::string_view hostPath);     // one level; true when it exists afterwards as a directory
bool removeDirectory(std::string_view hostPath);   // one empty level

struct DirectoryEntry {
    std::string name;  // GBK, as a host would see it
    bool isDirectory = false;
};
// Entries of one directory (without "." and ".."), sorted by name, or nullopt when it cannot be read.
std::optional<std::vector<DirectoryEntry>> listDirectory(std::string_view hostDir);

// A new, empty folder or file in the system's temporary folder, its name starting with `stem`: its
// native path in UTF-8, or nullopt. For tools; the library makes no temporary names of this kind.
std::optional<std::string> makeTemporaryDirectory(std::string_view stem);
std::optional<std::string> makeTemporaryFile(std::string_view stem);

// Moves or tells the position of a stream in 64 bits, on every system (a long is 32 bits on Windows).
bool seekStream(std::FILE* stream, std::int64_t offset, int origin);
std::optional<std::int64_t> tellStream(std::FILE* stream);

// A stdio stream that closes itself. Modes are the C modes: "rb", "wb", "ab", "r+b", "r", "w", ...
class File {
public:
    File() = default;
    explicit File(std::FILE* stream) : stream_(stream) {}
    File(File&& other) noexcept : stream_(other.release()) {}
    File& operator=(File&& other) noexcept;
    File(File const&) = delete;
    File& operator=(File const&) = delete;
    ~File() { close(); }

    explicit operator bool() const { return stream_ != nullptr; }
    std::FILE* get() const { return stream_; }
    std::FILE* release();
    // Closes the stream; false when buffered data could not be written.
    bool close();

private:
    std::FILE* stream_ = nullptr;
};

// Text mode ("r", "w", "a", without 'b') writes this system's line end ("\r\n" on Windows) but reads
// the bytes as they are everywhere, so positions are exact; readers accept both line ends.
File openFile(std::string_view hostPath, char const* mode);

// Deletes a file being written unless the writer commits, so a failed writer leaves no partial file.
class NewFileGuard {
public:
    explicit NewFileGuard(std::string hostPath) : path_(std::move(hostPath)) {}
    NewFileGuard(NewFileGuard const&) = delete;
    NewFileGuard& operator=(NewFileGuard const&) = delete;
    ~NewFileGuard() {
        if (!committed_) removeFile(path_);
    }
    void commit() { committed_ = true; }

private:
    std::string path_;
    bool committed_ = false;
};

// A full copy of a file ("path" + suffix, such as ".bak" or ".tmp") made before the file is changed in
// place. restore() puts the original back; the copy is removed on every way out.
class WorkCopy {
public:
    WorkCopy(std::string hostPath, std::string_view suffix);
    WorkCopy(WorkCopy const&) = delete;
    WorkCopy& operator=(WorkCopy const&) = delete;
    ~WorkCopy();
    bool made() const { return made_; }
    std::string const& copyPath() const { return copyPath_; }
    bool restore();

private:
    std::string path_;
    std::string copyPath_;
    bool made_ = false;
};

}  // namespace yb::platform
