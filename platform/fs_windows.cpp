// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Host paths on Windows are native paths: the GBK text becomes UTF-16 through code page 936 and goes to
// the wide file API, so neither the process's ANSI code page nor a drive table has a say. Relative
// paths, "..", drive letters and case-insensitive names are the system's own. Native paths travel as
// UTF-8 text (fs.h) and are widened again at each call.
#include "fs_backend.h"

#include "change_watch.h"
#include "io_errors.h"
#include "windows_text.h"
#include "write_path.h"

#include <yb/HostBaseInternal.h>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace yb::platform {
namespace {

// Files are shared for reading, writing, deleting and renaming, as they are on Linux: a file can be
// replaced or removed while a reader still holds it.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Sets errno as the C library would for the last failure of the Windows API.
void setErrnoFromLastError() {
    switch (::GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH: errno = ENOENT; break;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: errno = EEXIST; break;
        case ERROR_DIR_NOT_EMPTY: errno = ENOTEMPTY; break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: errno = EACCES; break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
        default: errno = EIO;
    }
}

// A native path for the wide API; nothing for text that is not UTF-8.
std::optional<std::wstring> widePath(std::string const& native) {
    if (native.empty()) return std::nullopt;
    return windows::utf8ToWide(native);
}

HANDLE handleOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

HANDLE openHandle(std::string const& native, DWORD access, DWORD disposition, DWORD share = kShareAll) {
    auto path = widePath(native);
    if (!path) {
        errno = ENOENT;
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = ::CreateFileW(path->c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) setErrnoFromLastError();
    return handle;
}

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED overlapped{};
    overlapped.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return overlapped;
}

// The file's identity, length, write time and change time (which every change of its content or
// attributes moves, a write time set back by another program included). Times count 100 ns units.
std::optional<FileStamp> stampOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO times{};
    if (handle == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(handle, &info) ||
        !::GetFileInformationByHandleEx(handle, FileBasicInfo, &times, sizeof times))
        return std::nullopt;
    return FileStamp{info.dwVolumeSerialNumber,
                     (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                     (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
                     static_cast<std::int64_t>(times.LastWriteTime.QuadPart),
                     static_cast<std::int64_t>(times.ChangeTime.QuadPart),
                     0};
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
        std::wstring path = std::wstring(folder, length) + *wideStem + L"-" + std::to_wstring(::GetCurrentProcessId()) +
                            L"-" + std::to_wstring(counter++);
        bool made = false;
        if (directory) {
            made = ::CreateDirectoryW(path.c_str(), nullptr);
        } else {
            HANDLE file =
                ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
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

std::optional<std::string> nativePath(std::string_view hostPath, bool) {
    if (hostPath.empty()) return std::nullopt;
    auto wide = windows::gbkToWide(hostPath);
    if (!wide) return std::nullopt;
    return windows::wideToUtf8(*wide);
}

// Windows matches names itself: a call keeps nothing of the folders it looks in.
CallScope::CallScope() noexcept = default;
CallScope::~CallScope() = default;

// Each path on its own: the system finds names without regard to case.
std::vector<FoundFile> findFiles(std::vector<std::string> const& hostPaths, LookFor) {
    std::vector<FoundFile> found;
    found.reserve(hostPaths.size());
    for (auto const& path : hostPaths) {
        FoundFile file;
        file.native = nativePath(path);
        file.exists = file.native && backend::status(*file.native).kind != backend::EntryKind::missing;
        found.push_back(std::move(file));
    }
    return found;
}

std::size_t removeFoundFiles(std::vector<FoundFile> const& files) {
    std::size_t removed = 0;
    for (auto const& file : files) {
        if (!file.native || !file.exists || !removeNative(*file.native)) continue;
        discardInterruptedChange(*file.native);
        ++removed;
    }
    return removed;
}

std::size_t removeFiles(std::vector<std::string> const& hostPaths) {
    return removeFoundFiles(findFiles(hostPaths, LookFor::Removal));
}

std::optional<std::string> makeTemporaryDirectory(std::string_view stem) { return makeTemporaryPath(stem, true); }
std::optional<std::string> makeTemporaryFile(std::string_view stem) { return makeTemporaryPath(stem, false); }

// Write times may lag the write: nothing is promised of the next one.
bool NativeFile::laterChangesMoveStamp(FileStamp const&) const { return false; }

// No file's changes are watched here.
std::optional<ChangeMark> markChanges(std::string const&, FileStamp const&) { return std::nullopt; }
bool unchangedSince(ChangeMark const&) { return false; }
bool changesPassThisKernel(std::string const&) { return false; }

bool isTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

bool seekStream(std::FILE* stream, std::int64_t offset, int origin) { return ::_fseeki64(stream, offset, origin) == 0; }

std::optional<std::int64_t> tellStream(std::FILE* stream) {
    std::int64_t const position = ::_ftelli64(stream);
    if (position < 0) return std::nullopt;
    return position;
}

namespace backend {

EntryStatus status(std::string const& native) {
    auto path = widePath(native);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!path || !::GetFileAttributesExW(path->c_str(), GetFileExInfoStandard, &data)) return {};
    // File times count 100 ns from 1601; 11644473600 s lie between then and 1970.
    std::int64_t const ticks = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime);
    std::int64_t const modified = (ticks - 116444736000000000LL) * 100;
    if (isDirectoryAttribute(data.dwFileAttributes)) return {EntryKind::directory, 0, modified};
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return {EntryKind::other, 0, modified};
    std::uint64_t const size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return {EntryKind::file, size, modified};
}

std::optional<std::pair<std::string, EntryStatus>> locate(std::string_view hostPath) {
    auto native = nativePath(hostPath);
    if (!native) return std::nullopt;
    EntryStatus const found = status(*native);
    return std::pair{std::move(*native), found};
}

std::intptr_t streamHandle(std::FILE* stream) { return ::_get_osfhandle(::_fileno(stream)); }

// A folder does not open as a stream here.
std::optional<FileStamp> streamStamp(std::FILE* stream, bool* regular) {
    if (stream == nullptr) return std::nullopt;
    if (regular != nullptr) *regular = true;
    return stampOfHandle(handleOf(::_get_osfhandle(::_fileno(stream))));
}

std::FILE* openReadStream(std::string const& native) {
    HANDLE file = openHandle(native, GENERIC_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    int const descriptor = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(file), _O_RDONLY | _O_BINARY);
    if (descriptor < 0) {
        ::CloseHandle(file);
        return nullptr;
    }
    // Text is read as it is, in binary: positions stay exact and readers take both line ends.
    std::FILE* stream = ::_fdopen(descriptor, "rb");
    if (stream == nullptr) ::_close(descriptor);
    return stream;
}

// Looked at first: a folder opens no stream here, and is no failure.
std::FILE* openHostStream(std::string_view hostPath, std::string& native) {
    auto located = locate(hostPath);
    if (!located || located->second.kind == EntryKind::directory) return nullptr;
    native = std::move(located->first);
    if (io::injected(HB_FILE_OPEN)) return nullptr;
    std::FILE* stream = openReadStream(native);
    if (stream == nullptr) io::failed();
    return stream;
}

bool makeDirectory(std::string const& native) {
    auto path = widePath(native);
    if (path && ::CreateDirectoryW(path->c_str(), nullptr)) return true;
    if (path) setErrnoFromLastError();
    return false;
}

bool removeDirectory(std::string const& native) {
    auto path = widePath(native);
    if (path && ::RemoveDirectoryW(path->c_str())) return true;
    if (path) setErrnoFromLastError();
    return false;
}

std::size_t readStreamAt(std::FILE* stream, std::uint64_t offset, void* data, std::size_t size, std::size_t enough) {
    if (io::injected(HB_FILE_READ)) return 0;
    HANDLE const handle = handleOf(::_get_osfhandle(::_fileno(stream)));
    // A read at an offset moves the handle's position, which the stream counts on: it is put back.
    LARGE_INTEGER const zero{};
    LARGE_INTEGER position{};
    if (handle == INVALID_HANDLE_VALUE || !::SetFilePointerEx(handle, zero, &position, FILE_CURRENT)) return 0;
    auto* bytes = static_cast<unsigned char*>(data);
    std::size_t done = 0;
    while (done < std::min(size, enough)) {
        DWORD const chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        OVERLAPPED where = at(offset + done);
        DWORD read = 0;
        if (!::ReadFile(handle, bytes + done, chunk, &read, &where)) {
            if (::GetLastError() != ERROR_HANDLE_EOF) {
                setErrnoFromLastError();
                io::failed();
            }
            break;
        }
        if (read == 0) break;
        done += read;
    }
    ::SetFilePointerEx(handle, position, nullptr, FILE_BEGIN);
    return done;
}

std::optional<std::vector<DirectoryEntry>> listDirectory(std::string const& native) {
    auto path = widePath(native);
    if (!path) return std::nullopt;
    if (path->back() != L'\\' && path->back() != L'/' && path->back() != L':') path->push_back(L'\\');
    path->push_back(L'*');
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(path->c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        // The root of an empty drive has not even "." and "..".
        bool const emptyRoot = ::GetLastError() == ERROR_FILE_NOT_FOUND && status(native).kind == EntryKind::directory;
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

// ---------------------------------------------------------------------------------------------
// Primitives of the write path

bool backend::closeHandle(std::intptr_t handle) {
    if (::CloseHandle(handleOf(handle))) return true;
    setErrnoFromLastError();
    return false;
}

bool NativeFile::writeAt(std::uint64_t offset, void const* data, std::size_t size) {
    if (handle_ == kNoHandle || io::injected(HB_FILE_WRITE) || !readyToWrite()) return false;
    auto const* bytes = static_cast<unsigned char const*>(data);
    while (size > 0) {
        DWORD const chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        OVERLAPPED where = at(offset);
        DWORD written = 0;
        if (!::WriteFile(handleOf(handle_), bytes, chunk, &written, &where) || written == 0) {
            if (written == 0) ::SetLastError(ERROR_WRITE_FAULT);
            setErrnoFromLastError();
            io::failed();
            return false;
        }
        bytes += written;
        size -= written;
        offset += written;
    }
    return true;
}

bool NativeFile::readAt(std::uint64_t offset, void* data, std::size_t size, std::size_t& got) {
    got = 0;
    if (handle_ == kNoHandle || io::injected(HB_FILE_READ)) return false;
    auto* bytes = static_cast<unsigned char*>(data);
    while (got < size) {
        DWORD const chunk = static_cast<DWORD>(std::min<std::size_t>(size - got, 1u << 30));
        OVERLAPPED where = at(offset + got);
        DWORD read = 0;
        if (!::ReadFile(handleOf(handle_), bytes + got, chunk, &read, &where)) {
            if (::GetLastError() == ERROR_HANDLE_EOF) break;
            setErrnoFromLastError();
            io::failed();
            return false;
        }
        if (read == 0) break;
        got += read;
    }
    return true;
}

std::optional<std::uint64_t> NativeFile::length() const {
    LARGE_INTEGER size{};
    if (handle_ == kNoHandle || !::GetFileSizeEx(handleOf(handle_), &size)) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::optional<FileStamp> NativeFile::stamp() const {
    if (handle_ == kNoHandle) return std::nullopt;
    return stampOfHandle(handleOf(handle_));
}

bool NativeFile::resize(std::uint64_t length) {
    if (handle_ == kNoHandle || io::injected(HB_FILE_RESIZE) || !readyToWrite()) return false;
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(length);
    if (::SetFilePointerEx(handleOf(handle_), end, nullptr, FILE_BEGIN) && ::SetEndOfFile(handleOf(handle_)))
        return true;
    setErrnoFromLastError();
    io::failed();
    return false;
}

bool NativeFile::sync() {
    if (handle_ == kNoHandle || io::injected(HB_FILE_SYNC)) return false;
    if (::FlushFileBuffers(handleOf(handle_))) return true;
    setErrnoFromLastError();
    io::failed();
    return false;
}

// NTFS logs a folder's names and forces its log with a file's flush; a rename made while syncing goes
// to the disk before it returns (renameOver).
bool syncFolderOf(std::string const&) { return !io::injected(HB_FILE_SYNC); }

// The system starts writing out in its own time; a sync waits for it.
void NativeFile::startWriteOut() {}

NativeFile openNative(std::string const& native, bool forUpdate, FileStamp* stamp, std::optional<LockMode> lock) {
    // A file that another opening replaced while this one waited for the lock is left for the one now
    // at the path, waited for within the one limit.
    LockClock::time_point const deadline = lock ? lockDeadline() : LockClock::time_point{};
    for (;;) {
        NativeFile file;
        if (io::injected(HB_FILE_OPEN) || (forUpdate && io::writeRefused())) return file;
        // A directory does not open: CreateFileW needs a flag of its own for that.
        HANDLE handle = openHandle(native, GENERIC_READ | (forUpdate ? GENERIC_WRITE : 0), OPEN_EXISTING);
        if (handle == INVALID_HANDLE_VALUE) {
            io::failed();
            return file;
        }
        file.handle_ = reinterpret_cast<std::intptr_t>(handle);
        file.writable_ = forUpdate;
        if (::GetFileType(handle) != FILE_TYPE_DISK) return NativeFile();
        if (lock && file.lock(*lock, native, deadline) == LockOutcome::TimedOut) return NativeFile();
        if (file.ownsLock()) {
            FILE_STANDARD_INFO standing{};
            if (::GetFileInformationByHandleEx(handle, FileStandardInfo, &standing, sizeof standing) &&
                (standing.NumberOfLinks == 0 || standing.DeletePending)) {
                if (LockClock::now() < deadline) continue;
                lockTimedOut(native);
                return NativeFile();
            }
        }
        if (stamp != nullptr) {
            auto const opened = stampOfHandle(handle);
            if (!opened) return NativeFile();
            *stamp = *opened;
        }
        return file;
    }
}

NativeFile openHostFile(std::string_view hostPath, bool forUpdate, std::string& native, std::optional<FileStamp>& stamp,
                        std::optional<LockMode> lock) {
    native.clear();
    stamp.reset();
    auto path = nativePath(hostPath);
    if (!path) return NativeFile();
    FileStamp opened;
    NativeFile file = openNative(*path, forUpdate, &opened, lock);
    if (!file) return file;
    native = std::move(*path);
    stamp = opened;
    return file;
}

std::string backend::candidateBeside(std::string const& targetNative) {
    return temporaryCandidate(targetNative, "\\/:", static_cast<std::uint64_t>(::GetCurrentProcessId()));
}

std::intptr_t backend::createNew(std::string const& native, std::string const*, std::optional<std::uint32_t>) {
    HANDLE handle = openHandle(native, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(handle);
}

NativeFile createWorkCopy(std::string const& native) {
    NativeFile file;
    if (io::injected(HB_FILE_OPEN) || io::writeRefused()) return file;
    // Made new: what stood under the name (an old copy, a link to another file) is removed, never
    // written through. While it is open no one else may delete it: it is what puts the file back.
    constexpr DWORD kShareNoDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE handle = openHandle(native, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, kShareNoDelete);
    if (handle == INVALID_HANDLE_VALUE && errno == EEXIST) {
        auto path = widePath(native);
        if (path && ::DeleteFileW(path->c_str()))
            handle = openHandle(native, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, kShareNoDelete);
    }
    if (handle == INVALID_HANDLE_VALUE) {
        io::failed();
        return file;
    }
    file.handle_ = reinterpret_cast<std::intptr_t>(handle);
    file.writable_ = true;
    // Only a look for a journal left by a killed writer could come between (a reader's, for a moment;
    // the name's own file is held by this change's maker): it is waited for.
    backend::TryLock const tried = backend::lock(file.handle_, LockByte::Write, LockMode::Exclusive, lockDeadline());
    if (tried == backend::TryLock::Busy) return NativeFile();
    file.locked_ = tried == backend::TryLock::Held;
    return file;
}

bool removeHeldWorkCopy(NativeFile& file, std::string const& native) {
    file = NativeFile();
    return removeNative(native);
}

// Closing a handle tells nothing of written data here; the fault hook is asked as a close would.
bool NativeFile::reportWrites() { return handle_ != kNoHandle && !(writable_ && io::injected(HB_FILE_CLOSE)); }

// Windows keeps no folder indexes: no renames to tell.
void openRenameBatch() {}
void closeRenameBatch() {}

namespace {

// MoveFileEx over the target: refused while any opening of the target lasts.
bool moveOver(std::string const& fromNative, std::string const& toNative) {
    auto from = widePath(fromNative);
    auto to = widePath(toNative);
    DWORD const flags = MOVEFILE_REPLACE_EXISTING | (syncingWrites() ? MOVEFILE_WRITE_THROUGH : 0);
    if (from && to && ::MoveFileExW(from->c_str(), to->c_str(), flags)) return true;
    if (from && to) {
        setErrnoFromLastError();
    } else {
        errno = ENOENT;
    }
    io::failed();
    return false;
}

// The rename information of SetFileInformationByHandle's FileRenameInfoEx class, laid out as the
// system reads it (the headers declare it only for programs that need Windows 10 1809).
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
constexpr DWORD kRenameReplaceIfExists = 0x1;
constexpr DWORD kRenamePosixSemantics = 0x2;
struct RenameInfoEx {
    DWORD flags;
    HANDLE rootDirectory;
    DWORD fileNameLength;  // bytes
    WCHAR fileName[1];
};
static_assert(offsetof(RenameInfoEx, rootDirectory) == offsetof(FILE_RENAME_INFO, RootDirectory) &&
              offsetof(RenameInfoEx, fileName) == offsetof(FILE_RENAME_INFO, FileName));

// A rename over the target with POSIX semantics: the target's openings (each shares deletion, as this
// library's do) go on with the old file, which leaves the path at once. False where the system or the
// volume refuses it (Windows before 10 1809, FAT, many network shares, Wine), nothing changed then.
bool renamePosix(std::string const& fromNative, std::string const& toNative) {
    auto to = widePath(toNative);
    if (!to) return false;
    HANDLE handle = openHandle(fromNative, DELETE | GENERIC_WRITE, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) return false;
    std::size_t const nameBytes = to->size() * sizeof(WCHAR);
    std::vector<std::uint64_t> buffer((offsetof(RenameInfoEx, fileName) + nameBytes + sizeof(WCHAR) + 7) / 8);
    auto* info = reinterpret_cast<RenameInfoEx*>(buffer.data());
    info->flags = kRenameReplaceIfExists | kRenamePosixSemantics;
    info->rootDirectory = nullptr;
    info->fileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(info->fileName, to->c_str(), nameBytes + sizeof(WCHAR));
    bool const renamed = ::SetFileInformationByHandle(handle, kFileRenameInfoEx, info,
                                                      static_cast<DWORD>(buffer.size() * sizeof buffer[0])) != 0;
    // What MOVEFILE_WRITE_THROUGH does for MoveFileEx: the file's new name is on the disk on return.
    if (renamed && syncingWrites()) ::FlushFileBuffers(handle);
    ::CloseHandle(handle);
    return renamed;
}

}  // namespace

bool renameOver(std::string const& fromNative, std::string const& toNative) {
    if (io::injected(HB_FILE_RENAME)) return false;
    return moveOver(fromNative, toNative);
}

bool renameOverOpen(std::string const& fromNative, std::string const& toNative, std::function<void()> const& letGo) {
    if (io::injected(HB_FILE_RENAME)) return false;
    if (renamePosix(fromNative, toNative)) return true;
    letGo();
    return moveOver(fromNative, toNative);
}

bool removeNative(std::string const& native) {
    if (io::injected(HB_FILE_REMOVE)) return false;
    auto path = widePath(native);
    if (path && ::DeleteFileW(path->c_str())) return true;
    if (path) {
        setErrnoFromLastError();
    } else {
        errno = ENOENT;
    }
    io::failed();
    return false;
}

}  // namespace yb::platform
