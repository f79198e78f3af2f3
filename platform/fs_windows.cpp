// Host paths on Windows are native paths: the GBK text becomes UTF-16 through code page 936 and goes to
// the wide file API, so neither the process's ANSI code page nor a drive table has a say. Relative
// paths, "..", drive letters and case-insensitive names are the system's own.
#include "fs_backend.h"

#include "windows_text.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>

#include <atomic>
#include <memory>
#include <string>

namespace yb::platform {
namespace {

// The native form of a host path; nothing when the text is empty or not valid GBK.
std::optional<std::wstring> widePath(std::string_view hostPath) {
    if (hostPath.empty()) return std::nullopt;
    return windows::gbkToWide(hostPath);
}

std::optional<WIN32_FILE_ATTRIBUTE_DATA> attributesOf(std::wstring const& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return data;
}

bool isDirectoryAttribute(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

std::optional<std::string> makeTemporaryPath(std::string_view stem, bool directory) {
    wchar_t folder[MAX_PATH + 1];
    DWORD const length = ::GetTempPathW(MAX_PATH + 1, folder);
    auto const wideStem = windows::utf8ToWide(stem);
    if (length == 0 || length > MAX_PATH || !wideStem) return std::nullopt;
    // The process number and a counter make the name; an existing name is skipped.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::wstring path = std::wstring(folder, length) + *wideStem + L"-" +
                            std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
        bool made = false;
        if (directory) {
            made = ::CreateDirectoryW(path.c_str(), nullptr);
        } else {
            HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                        nullptr);
            made = file != INVALID_HANDLE_VALUE;
            if (made) ::CloseHandle(file);
        }
        if (made) return windows::wideToUtf8(path);
        DWORD const error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> makeTemporaryDirectory(std::string_view stem) { return makeTemporaryPath(stem, true); }
std::optional<std::string> makeTemporaryFile(std::string_view stem) { return makeTemporaryPath(stem, false); }

bool seekStream(std::FILE* stream, std::int64_t offset, int origin) {
    return ::_fseeki64(stream, offset, origin) == 0;
}

std::optional<std::int64_t> tellStream(std::FILE* stream) {
    std::int64_t const position = ::_ftelli64(stream);
    if (position < 0) return std::nullopt;
    return position;
}

namespace backend {

EntryStatus status(std::string_view hostPath) {
    auto path = widePath(hostPath);
    if (!path) return {};
    auto data = attributesOf(*path);
    if (!data) return {};
    if (isDirectoryAttribute(data->dwFileAttributes)) return {EntryKind::directory, 0};
    if (data->dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return {EntryKind::other, 0};
    std::uint64_t const size = (static_cast<std::uint64_t>(data->nFileSizeHigh) << 32) | data->nFileSizeLow;
    return {EntryKind::file, size};
}

std::FILE* openStream(std::string_view hostPath, char const* mode) {
    auto path = widePath(hostPath);
    if (!path) return nullptr;
    // Text is read as it is (positions stay exact, readers take both line ends); only writes get "\r\n".
    std::string_view const modeText = std::string_view(mode) == "r" ? "rb" : mode;
    if (modeText.empty()) return nullptr;
    bool const update = modeText.find('+') != std::string_view::npos;
    bool const binary = modeText.find('b') != std::string_view::npos;
    DWORD access = 0, disposition = 0;
    int flags = binary ? _O_BINARY : _O_TEXT;
    switch (modeText[0]) {
        case 'r':
            access = GENERIC_READ | (update ? GENERIC_WRITE : 0);
            disposition = OPEN_EXISTING;
            flags |= update ? _O_RDWR : _O_RDONLY;
            break;
        case 'w':
            access = GENERIC_WRITE | (update ? GENERIC_READ : 0);
            disposition = CREATE_ALWAYS;
            flags |= update ? _O_RDWR : _O_WRONLY;
            break;
        case 'a':
            access = GENERIC_WRITE | (update ? GENERIC_READ : 0);
            disposition = OPEN_ALWAYS;
            flags |= (update ? _O_RDWR : _O_WRONLY) | _O_APPEND;
            break;
        default:
            return nullptr;
    }
    // Shared for deleting and renaming too, as a file is on Linux: a writer's guard may remove the
    // file it is still writing, and a work copy may be renamed over a file that a reader holds.
    HANDLE file = ::CreateFileW(path->c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;  // a directory too
    int const descriptor = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(file), flags);
    if (descriptor < 0) {
        ::CloseHandle(file);
        return nullptr;
    }
    std::FILE* stream = ::_fdopen(descriptor, modeText.data());
    if (stream == nullptr) ::_close(descriptor);
    return stream;
}

bool removeFile(std::string_view hostPath) {
    auto path = widePath(hostPath);
    return path && ::DeleteFileW(path->c_str());
}

bool replaceFile(std::string_view from, std::string_view to) {
    auto source = widePath(from);
    auto target = widePath(to);
    return source && target && ::MoveFileExW(source->c_str(), target->c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool makeDirectory(std::string_view hostPath) {
    auto path = widePath(hostPath);
    return path && ::CreateDirectoryW(path->c_str(), nullptr);
}

bool removeDirectory(std::string_view hostPath) {
    auto path = widePath(hostPath);
    return path && ::RemoveDirectoryW(path->c_str());
}

std::optional<std::vector<DirectoryEntry>> listDirectory(std::string_view hostDir) {
    auto path = widePath(hostDir);
    if (!path) return std::nullopt;
    if (path->back() != L'\\' && path->back() != L'/' && path->back() != L':') path->push_back(L'\\');
    path->push_back(L'*');
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(path->c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        // The root of an empty drive has not even "." and "..".
        bool const emptyRoot = ::GetLastError() == ERROR_FILE_NOT_FOUND && status(hostDir).kind == EntryKind::directory;
        return emptyRoot ? std::optional<std::vector<DirectoryEntry>>(std::in_place) : std::nullopt;
    }
    std::unique_ptr<void, BOOL(WINAPI*)(HANDLE)> closer(search, ::FindClose);
    std::vector<DirectoryEntry> entries;
    do {
        std::wstring_view const name(found.cFileName);
        if (name == L"." || name == L"..") continue;
        auto gbk = windows::wideToGbk(name);
        if (!gbk) continue;  // a name no host path can spell
        entries.push_back({std::move(*gbk), isDirectoryAttribute(found.dwFileAttributes)});
    } while (::FindNextFileW(search, &found));
    if (::GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
    return entries;
}

}  // namespace backend
}  // namespace yb::platform
