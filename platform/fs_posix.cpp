// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Host paths on Linux: mapped onto the disk through HostBase's drive table, names in UTF-8, each
// component found case-insensitively (fs.h). POSIX calls throughout.
#include "fs_backend.h"

#include "folder_index.h"
#include "gbk.h"
#include "hostpath.h"
#include "io_errors.h"
#include "work_copies.h"
#include "write_path.h"

#include <yb/HostBaseInternal.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <memory>
#include <unordered_map>

namespace yb::platform {

namespace {

// A NativeFile holds a file descriptor, an int, in its handle.
int descriptorOf(std::intptr_t handle) { return static_cast<int>(handle); }

bool statPath(std::string const& native, struct stat& info) {
    return ::stat(native.empty() ? "." : native.c_str(), &info) == 0;
}

struct RenameBatch {
    int depth = 0;
    std::vector<std::pair<std::string, std::string>> renames;  // native paths, from and to
    // The folders the batch's files were reached in, each opened once (O_PATH), with their paths:
    // a file of a batch, opened, made and renamed, is named within its folder's descriptor, not
    // looked up along its whole path each time. A few folders at most, for the batch's life.
    std::vector<std::pair<std::string, int>> folders;
};
thread_local RenameBatch renameBatch;
constexpr std::size_t kMostBatchFolders = 8;

// A native path as a folder's descriptor and a name in it (the batch's folder, while a batch is open
// on this thread), or as itself from the working directory.
struct AtFolder {
    int folder = AT_FDCWD;
    char const* name = nullptr;
};

AtFolder atFolder(std::string const& native) {
    std::size_t const cut = native.find_last_of('/');
    if (renameBatch.depth == 0 || cut == std::string::npos || cut == 0 || cut + 1 == native.size())
        return {AT_FDCWD, native.c_str()};
    std::string_view const folder(native.data(), cut);
    char const* const name = native.c_str() + cut + 1;
    for (auto const& [path, descriptor] : renameBatch.folders)
        if (path == folder) return {descriptor, name};
    if (renameBatch.folders.size() >= kMostBatchFolders) return {AT_FDCWD, native.c_str()};
    std::string path(folder);
    int const descriptor = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return {AT_FDCWD, native.c_str()};
    renameBatch.folders.emplace_back(std::move(path), descriptor);
    return {descriptor, name};
}

// A host path mapped onto the disk, and whether its last component is there.
struct Resolved {
    std::string path;
    bool exists = false;
    std::optional<struct stat> info;  // of the path, when the lookup took it
};

// A host path split onto the disk: the drive's root (or "/", or nothing for a relative path), the
// components in UTF-8, and the path they make in the spelling asked.
struct Mapped {
    std::string root;
    std::vector<std::string> components;
    std::string whole;
};

std::string joined(std::string const& base, std::string const& name) {
    if (base.empty()) return name;
    if (base.back() == '/') return base + name;
    return base + "/" + name;
}

std::optional<Mapped> mapOnDisk(std::string_view hostPath) {
    if (hostPath.empty()) return std::nullopt;
    std::string root;
    std::string_view rest = hostPath;
    if (hostPath.size() >= 2 && hostPath[1] == ':') {
        char letter = hostPath[0];
        if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'))) return std::nullopt;
        char const* mapped = hbGetDriveRoot(letter);
        if (mapped == nullptr || *mapped == '\0') return std::nullopt;
        root = mapped;
        while (root.size() > 1 && root.back() == '/') root.pop_back();
        rest = hostPath.substr(2);
    } else if (isSeparator(hostPath[0])) {
        root.assign(1, '/');
    }

    // Split into components on whole characters, converting each to UTF-8.
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t const sep = std::min(findSeparator(rest, start), rest.size());
        std::string_view part = rest.substr(start, sep - start);
        if (part == "..") {
            // As on the host, ".." never climbs above the drive's root (nor above "/"); only a relative
            // path keeps its leading ".." for the current directory to resolve.
            if (!components.empty() && components.back() != "..") {
                components.pop_back();
            } else if (root.empty()) {
                components.emplace_back("..");
            }
        } else if (!part.empty() && part != ".") {
            auto utf8 = gbkToUtf8(part);
            if (!utf8) return std::nullopt;
            components.push_back(std::move(*utf8));
        }
        if (sep >= rest.size()) break;
        start = sep + 1;
    }

    std::string whole = root;
    for (auto const& c : components) whole = joined(whole, c);
    if (whole.empty()) whole.assign(1, '.');
    return Mapped{std::move(root), std::move(components), std::move(whole)};
}

// Where a mapped path is on disk: in the spelling asked when `exact`, its stat, says it is there, else
// found component by component.
std::optional<Resolved> resolveMapped(Mapped const& map, bool forCreate, struct stat const* exact) {
    if (exact != nullptr) return Resolved{map.whole, true, *exact};
    std::string const& root = map.root;
    std::vector<std::string> const& components = map.components;
    struct stat info {};

    // Resolve component by component, keeping the spelling found on disk. The folders on the way are
    // tried in their exact spelling first and indexed only when it misses; a folder already indexed
    // answers for the exact spelling too. The last component, which was not on disk as asked, is
    // looked up in its folder's index.
    std::string current = root;
    bool haveInfo = false;  // `info` holds the stat of `current`
    for (std::size_t i = 0; i < components.size(); ++i) {
        std::string const& name = components[i];
        bool const last = i + 1 == components.size();
        if (name == "..") {
            current = joined(current, name);
            haveInfo = false;
            continue;
        }
        if (!last && !folder_index::held(current)) {
            std::string candidate = joined(current, name);
            struct stat next {};
            if (statPath(candidate, next)) {
                current = std::move(candidate);
                info = next;
                haveInfo = true;
                continue;
            }
        }
        if (!haveInfo && !statPath(current, info)) return std::nullopt;
        haveInfo = false;
        folder_index::Found const found = folder_index::find(current, info, name);
        if (found.match == folder_index::Match::Exact || found.match == folder_index::Match::OtherCase) {
            current = joined(current, found.name);
        } else if (last && forCreate) {
            return Resolved{joined(current, name), false, std::nullopt};
        } else {
            return std::nullopt;
        }
    }
    return Resolved{current.empty() ? std::string(".") : current, true, std::nullopt};
}

std::optional<Resolved> resolve(std::string_view hostPath, bool forCreate) {
    CallScope const call;
    auto map = mapOnDisk(hostPath);
    if (!map) return std::nullopt;
    struct stat info {};
    return resolveMapped(*map, forCreate, statPath(map->whole, info) ? &info : nullptr);
}

FileStamp stampOfInfo(struct stat const& info) {
    FileStamp stamp{static_cast<std::uint64_t>(info.st_dev),
                    static_cast<std::uint64_t>(info.st_ino),
                    static_cast<std::uint64_t>(info.st_size),
                    std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec,
                    std::int64_t{info.st_ctim.tv_sec} * 1'000'000'000 + info.st_ctim.tv_nsec,
                    static_cast<std::uint32_t>(info.st_mode & 07777)};
    timespec tick{};
    if (coarseStamps() && ::clock_getres(CLOCK_REALTIME_COARSE, &tick) == 0) {
        std::int64_t const grain = std::max<std::int64_t>(1, std::int64_t{tick.tv_sec} * 1'000'000'000 + tick.tv_nsec);
        stamp.modified -= stamp.modified % grain;
        stamp.changed -= stamp.changed % grain;
    }
    return stamp;
}

std::string temporaryPattern(std::string_view stem) {
    std::error_code error;
    std::string folder = std::filesystem::temp_directory_path(error).string();
    if (error || folder.empty()) folder = "/tmp";
    return folder + "/" + std::string(stem) + "-XXXXXX";
}

}  // namespace

std::optional<std::string> nativePath(std::string_view hostPath, bool forCreate) {
    auto resolved = resolve(hostPath, forCreate);
    if (!resolved) return std::nullopt;
    return std::move(resolved->path);
}

CallScope::CallScope() noexcept { folder_index::enterCall(); }

CallScope::~CallScope() { folder_index::leaveCall(); }

std::vector<FoundFile> findFiles(std::vector<std::string> const& hostPaths, LookFor purpose) {
    CallScope const call;
    std::vector<FoundFile> found(hostPaths.size());
    // The folders met so far (their host text), with their native path and stat when they are there,
    // and the names not there that were given a place, by folded name.
    struct Folder {
        std::optional<std::string> native;
        struct stat info {};
        std::unordered_map<std::string, std::string> placed;
        bool workCopiesAsked = false;
        bool mayHoldWorkCopies = true;
        int descriptor = -1;  // the folder held open for looking at names in it, from the first such look
    };
    std::unordered_map<std::string, Folder> folders;
    struct CloseAll {
        std::unordered_map<std::string, Folder>& folders;
        ~CloseAll() {
            for (auto& entry : folders)
                if (entry.second.descriptor >= 0) ::close(entry.second.descriptor);
        }
    } closeAll{folders};
    // The folder of the path before: a block's files come folder by folder, so most paths need no
    // lookup of their folder.
    std::string_view lastFolderText;
    Folder* lastFolder = nullptr;
    for (std::size_t i = 0; i < hostPaths.size(); ++i) {
        std::string_view const path = hostPaths[i];
        FoundFile& file = found[i];
        std::size_t const cut = lastSeparator(path);
        std::string_view const name = cut == npos ? std::string_view() : path.substr(cut + 1);
        auto utf8 = name.empty() ? std::nullopt : gbkToUtf8(name);
        if (!utf8 || *utf8 == "." || *utf8 == "..") {
            // Not a plain name in a folder.
            file.native = nativePath(path);
            file.exists = file.native.has_value();
            if (!file.exists) file.native = nativePath(path, true);
            continue;
        }
        std::string_view const folderText = path.substr(0, cut + 1);
        if (lastFolder == nullptr || folderText != lastFolderText) {
            auto [at, isNew] = folders.try_emplace(std::string(folderText));
            lastFolder = &at->second;
            lastFolderText = at->first;  // map nodes stay where they are
            if (isNew) {
                lastFolder->native = nativePath(at->first);
                if (lastFolder->native &&
                    (!statPath(*lastFolder->native, lastFolder->info) || !S_ISDIR(lastFolder->info.st_mode)))
                    lastFolder->native.reset();
            }
        }
        Folder& folder = *lastFolder;
        if (!folder.native) continue;
        std::string const& base = *folder.native;
        auto inFolder = [&](std::string const& entry) {
            return base.empty() ? entry : (base.back() == '/' ? base + entry : base + "/" + entry);
        };
        // Each name is looked up in its folder's index, which answers for the exact spelling first.
        folder_index::Found const match = folder_index::find(base, folder.info, *utf8);
        bool const indexed = match.match == folder_index::Match::Exact || match.match == folder_index::Match::OtherCase;
        bool knownByIndex = indexed;
        if (indexed) {
            file.native = inFolder(match.name);
            file.exists = true;
        } else if (purpose != LookFor::Use && match.match == folder_index::Match::Missing) {
            // Nothing to remove: a file of that name made since the folder was read is one made after
            // the removal, and stays.
            continue;
        } else {
            // A name the index lacks is looked for in its exact spelling all the same: another process
            // may have made it within the clock tick the index last saw the folder in.
            std::string const exact = inFolder(*utf8);
            struct stat info {};
            if (folder.descriptor < 0)
                folder.descriptor = ::open(base.empty() ? "." : base.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            file.exists = folder.descriptor >= 0 ? ::fstatat(folder.descriptor, utf8->c_str(), &info, 0) == 0
                                                 : statPath(exact, info);
            knownByIndex = match.match == folder_index::Match::Missing && !file.exists;
            // Names not there that fold alike name one file: the first one's place.
            file.native =
                file.exists ? exact : folder.placed.try_emplace(folder_index::foldedName(*utf8), exact).first->second;
        }
        // The work copies of an unfinished change are looked up in the index too: a killed process
        // leaves them long before a workflow comes (a change another process makes to the same file
        // meanwhile is outside what a workflow allows).
        if (!knownByIndex) continue;
        file.mayBeUnfinished = false;
        if (!folder.workCopiesAsked) {
            folder.mayHoldWorkCopies = folder_index::mayHoldWorkCopies(base);
            folder.workCopiesAsked = true;
        }
        if (!folder.mayHoldWorkCopies) continue;
        std::string const own = file.native->substr(file.native->find_last_of('/') + 1);
        for (std::string_view suffix : kWorkCopySuffixes)
            if (folder_index::find(base, folder.info, own + std::string(suffix)).match == folder_index::Match::Exact)
                file.mayBeUnfinished = true;
    }
    return found;
}

std::size_t removeFoundFiles(std::vector<FoundFile> const& files) {
    std::vector<std::string> removed;
    std::vector<bool> unfinished;
    for (auto const& file : files) {
        if (!file.native || !file.exists || io::injected(HB_FILE_REMOVE)) continue;
        if (::unlink(file.native->c_str()) == 0) {
            io::recordRemove(*file.native);
            removed.push_back(*file.native);
            unfinished.push_back(file.mayBeUnfinished);
        } else {
            io::failed();
        }
    }
    folder_index::removedAll(removed);
    for (std::size_t i = 0; i < removed.size(); ++i)
        if (unfinished[i]) discardInterruptedChange(removed[i]);
    return removed.size();
}

std::size_t removeFiles(std::vector<std::string> const& hostPaths) {
    return removeFoundFiles(findFiles(hostPaths, LookFor::Removal));
}

std::optional<std::string> makeTemporaryDirectory(std::string_view stem) {
    std::string pattern = temporaryPattern(stem);
    if (::mkdtemp(pattern.data()) == nullptr) return std::nullopt;
    return pattern;
}

std::optional<std::string> makeTemporaryFile(std::string_view stem) {
    std::string pattern = temporaryPattern(stem);
    int descriptor = ::mkstemp(pattern.data());
    if (descriptor < 0) return std::nullopt;
    ::close(descriptor);
    return pattern;
}

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

bool seekStream(std::FILE* stream, std::int64_t offset, int origin) {
    return ::fseeko(stream, static_cast<off_t>(offset), origin) == 0;
}

std::optional<std::int64_t> tellStream(std::FILE* stream) {
    off_t const position = ::ftello(stream);
    if (position < 0) return std::nullopt;
    return static_cast<std::int64_t>(position);
}

namespace backend {

namespace {

EntryStatus statusOf(struct stat const& info) {
    std::int64_t const modified = std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
    if (S_ISREG(info.st_mode)) return {EntryKind::file, static_cast<std::uint64_t>(info.st_size), modified};
    return {S_ISDIR(info.st_mode) ? EntryKind::directory : EntryKind::other, 0, modified};
}

}  // namespace

EntryStatus status(std::string const& native) {
    struct stat info {};
    if (!statPath(native, info)) return {};
    return statusOf(info);
}

std::optional<std::pair<std::string, EntryStatus>> locate(std::string_view hostPath) {
    auto resolved = resolve(hostPath, false);
    if (!resolved) return std::nullopt;
    EntryStatus const found = resolved->info ? statusOf(*resolved->info) : status(resolved->path);
    return std::pair{std::move(resolved->path), found};
}

// Closed on exec: a program this process starts never keeps the opening, nor so its lock.
std::FILE* openReadStream(std::string const& native) { return std::fopen(native.c_str(), "rbe"); }

std::FILE* openHostStream(std::string_view hostPath, std::string& native) {
    auto map = mapOnDisk(hostPath);
    if (!map) return nullptr;
    native = map->whole;
    std::FILE* stream = openReadStream(native);
    if (stream == nullptr && (errno == ENOENT || errno == ENOTDIR)) {
        // Not there in the spelling asked: looked for ignoring case.
        CallScope const call;
        auto resolved = resolveMapped(*map, false, nullptr);
        if (!resolved) return nullptr;
        native = std::move(resolved->path);
        stream = openReadStream(native);
    }
    if (stream == nullptr) {
        io::failed();
        return nullptr;
    }
    if (io::injected(HB_FILE_OPEN)) {
        std::fclose(stream);
        return nullptr;
    }
    return stream;
}

std::intptr_t streamHandle(std::FILE* stream) { return ::fileno(stream); }

std::optional<FileStamp> streamStamp(std::FILE* stream, bool* regular) {
    struct stat info {};
    if (stream == nullptr || ::fstat(::fileno(stream), &info) != 0) return std::nullopt;
    if (regular != nullptr) *regular = S_ISREG(info.st_mode);
    return stampOfInfo(info);
}

bool makeDirectory(std::string const& native) {
    if (::mkdir(native.c_str(), 0777) != 0) return false;
    folder_index::added(native);
    return true;
}

bool removeDirectory(std::string const& native) {
    if (::rmdir(native.c_str()) != 0) return false;
    folder_index::removed(native);
    return true;
}

std::size_t readStreamAt(std::FILE* stream, std::uint64_t offset, void* data, std::size_t size, std::size_t enough) {
    if (io::injected(HB_FILE_READ)) return 0;
    int const descriptor = ::fileno(stream);
    std::size_t done = 0;
    while (done < std::min(size, enough)) {
        ssize_t const got = ::pread(descriptor, static_cast<unsigned char*>(data) + done, size - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) io::failed();
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::optional<std::vector<DirectoryEntry>> listDirectory(std::string const& native) {
    int const descriptor = ::open(native.empty() ? "." : native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return std::nullopt;
    std::unique_ptr<DIR, int (*)(DIR*)> handle(::fdopendir(descriptor), ::closedir);
    if (!handle) {
        ::close(descriptor);
        return std::nullopt;
    }
    std::vector<DirectoryEntry> entries;
    while (dirent* entry = ::readdir(handle.get())) {
        std::string_view name(entry->d_name);
        if (name == "." || name == "..") continue;
        auto gbk = utf8ToGbk(name);
        if (!gbk) continue;  // a name no host path can spell
        // The entry's type comes with its name on most file systems; only an unknown one (or a link,
        // which counts as what it points to) costs a look at the entry itself.
        bool dir = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat info {};
            dir = statPath(native + "/" + std::string(name), info) && S_ISDIR(info.st_mode);
        }
        entries.push_back({std::move(*gbk), dir});
    }
    return entries;
}

}  // namespace backend

// ---------------------------------------------------------------------------------------------
// Primitives of the write path

bool backend::closeHandle(std::intptr_t handle) { return ::close(descriptorOf(handle)) == 0; }

bool NativeFile::writeAt(std::uint64_t offset, void const* data, std::size_t size) {
    if (handle_ == kNoHandle || io::injected(HB_FILE_WRITE) || !readyToWrite()) return false;
    auto const* bytes = static_cast<unsigned char const*>(data);
    for (std::size_t done = 0; done < size;) {
        ssize_t const written =
            ::pwrite(descriptorOf(handle_), bytes + done, size - done, static_cast<off_t>(offset + done));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            io::failed();
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    io::recordWrite(handle_, offset, data, size);
    synced_ = false;
    return true;
}

bool NativeFile::readAt(std::uint64_t offset, void* data, std::size_t size, std::size_t& got) {
    got = 0;
    if (handle_ == kNoHandle || io::injected(HB_FILE_READ)) return false;
    auto* bytes = static_cast<unsigned char*>(data);
    while (got < size) {
        ssize_t const read = ::pread(descriptorOf(handle_), bytes + got, size - got, static_cast<off_t>(offset + got));
        if (read < 0 && errno == EINTR) continue;
        if (read < 0) {
            io::failed();
            return false;
        }
        if (read == 0) break;
        got += static_cast<std::size_t>(read);
    }
    return true;
}

std::optional<std::uint64_t> NativeFile::length() const {
    struct stat info {};
    if (handle_ == kNoHandle || ::fstat(descriptorOf(handle_), &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

std::optional<FileStamp> NativeFile::stamp() const {
    struct stat info {};
    if (handle_ == kNoHandle || ::fstat(descriptorOf(handle_), &info) != 0) return std::nullopt;
    return stampOfInfo(info);
}

bool NativeFile::resize(std::uint64_t length) {
    if (handle_ == kNoHandle || io::injected(HB_FILE_RESIZE) || !readyToWrite()) return false;
    if (::ftruncate(descriptorOf(handle_), static_cast<off_t>(length)) == 0) {
        io::recordResize(handle_, length);
        synced_ = false;
        return true;
    }
    io::failed();
    return false;
}

bool NativeFile::sync() {
    if (handle_ == kNoHandle || io::injected(HB_FILE_SYNC)) return false;
    // The data and the length, not the times: what reading the file back needs.
    if (::fdatasync(descriptorOf(handle_)) == 0) {
        io::recordFileSync(handle_);
        synced_ = true;
        return true;
    }
    io::failed();
    return false;
}

namespace {

// Syncs the folder that holds `native`.
bool syncHolder(std::string const& native) {
    if (io::injected(HB_FILE_SYNC)) return false;
    std::size_t const cut = native.find_last_of('/');
    std::string const folder = cut == std::string::npos ? std::string(".")
                               : cut == 0               ? std::string("/")
                                                        : native.substr(0, cut);
    int const descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        io::failed();
        return false;
    }
    bool const synced = ::fsync(descriptor) == 0;
    if (!synced) io::failed();
    ::close(descriptor);
    if (synced) io::recordSync(folder, HB_SYNCED_FOLDER);
    return synced;
}

}  // namespace

bool syncFolderOf(std::string const& native) { return syncHolder(native); }

void NativeFile::startWriteOut() {
    if (handle_ != kNoHandle) ::sync_file_range(descriptorOf(handle_), 0, 0, SYNC_FILE_RANGE_WRITE);
}

NativeFile openNative(std::string const& native, bool forUpdate, FileStamp* stamp, std::optional<LockMode> lock) {
    // A file that another opening renamed a new file over while this one waited for the lock has no
    // name left: the one at the path is opened and waited for in its place, within the one limit. The
    // limit runs from the opening's first wait: a lock had at once asks nothing of the clock.
    std::optional<LockClock::time_point> deadline;
    auto const limit = [&deadline] {
        if (!deadline) deadline = lockDeadline();
        return *deadline;
    };
    for (;;) {
        NativeFile file;
        if (io::injected(HB_FILE_OPEN) || (forUpdate && io::writeRefused())) return file;
        AtFolder const at = atFolder(native);
        int const handle = ::openat(at.folder, at.name, (forUpdate ? O_RDWR : O_RDONLY) | O_CLOEXEC);
        if (handle < 0) {
            io::failed();
            return file;
        }
        file.handle_ = handle;
        file.writable_ = forUpdate;
        if (lock && !file.lockAtOnce(*lock) && file.lock(*lock, native, limit()) == LockOutcome::TimedOut)
            return NativeFile();
        // Where neither a stamp nor a lock is asked, the file is taken as it opened, with no look.
        if (stamp == nullptr && !lock) {
            if (forUpdate) io::recordOpened(file.handle_, native, false);
            return file;
        }
        struct stat info {};
        if (::fstat(handle, &info) != 0 || !S_ISREG(info.st_mode)) return NativeFile();
        if (file.ownsLock() && info.st_nlink == 0) {
            // Never a file no longer at the path: what it holds is no longer what the path holds.
            if (LockClock::now() < limit()) continue;
            lockTimedOut(native);
            return NativeFile();
        }
        if (stamp != nullptr) *stamp = stampOfInfo(info);
        if (forUpdate) io::recordOpened(file.handle_, native, false);
        return file;
    }
}

NativeFile openHostFile(std::string_view hostPath, bool forUpdate, std::string& native, std::optional<FileStamp>& stamp,
                        std::optional<LockMode> lock) {
    native.clear();
    stamp.reset();
    auto map = mapOnDisk(hostPath);
    if (!map) return NativeFile();
    std::string path = map->whole;
    FileStamp opened;
    std::uint64_t const timeouts = lockTimeouts();
    NativeFile file = openNative(path, forUpdate, &opened, lock);
    if (!file && lockTimeouts() == timeouts && (errno == ENOENT || errno == ENOTDIR)) {
        // Not there in the spelling asked: looked for ignoring case.
        CallScope const call;
        auto resolved = resolveMapped(*map, false, nullptr);
        if (!resolved) return file;
        path = std::move(resolved->path);
        file = openNative(path, forUpdate, &opened, lock);
    }
    if (!file) return file;
    native = std::move(path);
    stamp = opened;
    return file;
}

std::string backend::candidateBeside(std::string const& targetNative) {
    // The process id only seeds a thread's first name, so it is asked for once a thread.
    thread_local std::uint64_t const processId = static_cast<std::uint64_t>(::getpid());
    return temporaryCandidate(targetNative, "/", processId);
}

std::intptr_t backend::createNew(std::string const& native, std::string const* replacing,
                                 std::optional<std::uint32_t> permissions) {
    AtFolder const at = atFolder(native);
    int const handle = ::openat(at.folder, at.name, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (handle < 0) return -1;
    // The new file takes the place of the old one, so it keeps the old one's permissions.
    struct stat info {};
    if (!permissions && replacing != nullptr && ::stat(replacing->c_str(), &info) == 0 && S_ISREG(info.st_mode))
        permissions = static_cast<std::uint32_t>(info.st_mode & 07777);
    if (permissions) ::fchmod(handle, static_cast<mode_t>(*permissions));
    io::recordOpened(handle, native, true);
    return handle;
}

NativeFile createWorkCopy(std::string const& native) {
    NativeFile file;
    if (io::injected(HB_FILE_OPEN) || io::writeRefused()) return file;
    // Made new: what stood under the name (an old copy, a link to another file) is removed, never
    // written through.
    int handle = ::open(native.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (handle < 0 && errno == EEXIST && ::unlink(native.c_str()) == 0) {
        io::recordRemove(native);
        handle = ::open(native.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (handle < 0) {
        io::failed();
        return file;
    }
    file.handle_ = handle;
    file.writable_ = true;
    io::recordOpened(file.handle_, native, true);
    // Only a look for a journal left by a killed writer could come between (a reader's, for a moment;
    // the name's own file is held by this change's maker): it is waited for.
    backend::TryLock const tried = backend::lock(file.handle_, LockByte::Write, LockMode::Exclusive, lockDeadline());
    if (tried == backend::TryLock::Busy) return NativeFile();
    file.locked_ = tried == backend::TryLock::Held;
    return file;
}

bool removeHeldWorkCopy(NativeFile& file, std::string const& native) {
    bool const removed = removeNative(native);
    file = NativeFile();
    return removed;
}

bool NativeFile::reportWrites() {
    if (handle_ == kNoHandle) return false;
    bool const refused = writable_ && io::injected(HB_FILE_CLOSE);
    if (synced_) return !refused;
    // Closing a second descriptor of the opening tells what closing would; the lock stays with the
    // opening, which the first descriptor keeps.
    int const duplicate = ::fcntl(descriptorOf(handle_), F_DUPFD_CLOEXEC, 0);
    if (duplicate < 0) {
        io::failed();
        return false;
    }
    if (::close(duplicate) != 0) {
        io::failed();
        return false;
    }
    return !refused;
}

void openRenameBatch() { ++renameBatch.depth; }

void closeRenameBatch() {
    if (renameBatch.depth == 0 || --renameBatch.depth > 0) return;
    for (auto const& folder : std::exchange(renameBatch.folders, {})) ::close(folder.second);
    folder_index::renamedInPlaceAll(std::exchange(renameBatch.renames, {}));
}

bool renameOver(std::string const& fromNative, std::string const& toNative) {
    if (io::injected(HB_FILE_RENAME)) return false;
    AtFolder const from = atFolder(fromNative);
    AtFolder const to = atFolder(toNative);
    if (::renameat(from.folder, from.name, to.folder, to.name) == 0) {
        io::recordRename(fromNative, toNative);
        std::size_t const fromCut = fromNative.find_last_of('/');
        std::size_t const toCut = toNative.find_last_of('/');
        bool const inPlace =
            fromCut != std::string::npos && fromCut == toCut && fromNative.compare(0, fromCut, toNative, 0, toCut) == 0;
        if (renameBatch.depth > 0 && inPlace) {
            folder_index::countChange(fromCut == 0 ? std::string("/") : fromNative.substr(0, fromCut));
            renameBatch.renames.emplace_back(fromNative, toNative);
        } else {
            folder_index::renamed(fromNative, toNative);
        }
        return true;
    }
    io::failed();
    return false;
}

bool renameOverOpen(std::string const& fromNative, std::string const& toNative, std::function<void()> const&) {
    return renameOver(fromNative, toNative);
}

bool removeNative(std::string const& native) {
    if (io::injected(HB_FILE_REMOVE)) return false;
    if (::unlink(native.c_str()) == 0) {
        io::recordRemove(native);
        folder_index::removed(native);
        return true;
    }
    io::failed();
    return false;
}

}  // namespace yb::platform
