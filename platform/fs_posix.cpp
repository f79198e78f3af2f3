// Host paths on Linux: mapped onto the disk through HostBase's drive table, names in UTF-8, each
// component found case-insensitively (fs.h). POSIX calls throughout.
#include "fs_backend.h"

#include "gbk.h"
#include "hostpath.h"
#include "io_errors.h"

#include <yb/HostBase.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>

namespace yb::platform {

namespace {

// Native names are UTF-8: bytes of other characters are compared as they are, one by one.
bool asciiEqualIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    }
    return true;
}

bool statPath(std::string const& native, struct stat& info) { return ::stat(native.c_str(), &info) == 0; }

// The entry of `dir` that equals `name` ignoring ASCII case, if any.
std::optional<std::string> findEntryIgnoringCase(std::string const& dir, std::string_view name) {
    std::unique_ptr<DIR, int (*)(DIR*)> handle(::opendir(dir.empty() ? "." : dir.c_str()), ::closedir);
    if (!handle) return std::nullopt;
    std::optional<std::string> found;
    while (dirent* entry = ::readdir(handle.get())) {
        std::string_view candidate(entry->d_name);
        if (asciiEqualIgnoreCase(candidate, name)) {
            if (!found || candidate < *found) found = std::string(candidate);
        }
    }
    return found;
}

std::string temporaryPattern(std::string_view stem) {
    std::error_code error;
    std::string folder = std::filesystem::temp_directory_path(error).string();
    if (error || folder.empty()) folder = "/tmp";
    return folder + "/" + std::string(stem) + "-XXXXXX";
}

}  // namespace

std::optional<std::string> nativePath(std::string_view hostPath, bool forCreate) {
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

    auto joined = [&](std::string const& base, std::string const& name) {
        if (base.empty()) return name;
        if (base.back() == '/') return base + name;
        return base + "/" + name;
    };

    std::string whole = root;
    for (auto const& c : components) whole = joined(whole, c);
    if (whole.empty()) whole.assign(1, '.');
    struct stat info {};
    if (statPath(whole, info)) return whole;

    // Resolve component by component, keeping the spelling found on disk.
    std::string current = root;
    for (std::size_t i = 0; i < components.size(); ++i) {
        std::string const& name = components[i];
        std::string candidate = joined(current, name);
        bool last = i + 1 == components.size();
        if (name == ".." || statPath(candidate, info)) {
            current = candidate;
            continue;
        }
        auto found = findEntryIgnoringCase(current, name);
        if (found) {
            current = joined(current, *found);
        } else if (last && forCreate) {
            current = candidate;
        } else {
            return std::nullopt;
        }
    }
    return current.empty() ? std::string(".") : current;
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

EntryStatus status(std::string const& native) {
    struct stat info {};
    if (!statPath(native, info)) return {};
    std::int64_t const modified = std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
    if (S_ISREG(info.st_mode)) return {EntryKind::file, static_cast<std::uint64_t>(info.st_size), modified};
    return {S_ISDIR(info.st_mode) ? EntryKind::directory : EntryKind::other, 0, modified};
}

std::FILE* openReadStream(std::string const& native) { return std::fopen(native.c_str(), "rb"); }

bool makeDirectory(std::string const& native) { return ::mkdir(native.c_str(), 0777) == 0; }

bool removeDirectory(std::string const& native) { return ::rmdir(native.c_str()) == 0; }

std::optional<std::vector<DirectoryEntry>> listDirectory(std::string const& native) {
    std::unique_ptr<DIR, int (*)(DIR*)> handle(::opendir(native.c_str()), ::closedir);
    if (!handle) return std::nullopt;
    std::vector<DirectoryEntry> entries;
    while (dirent* entry = ::readdir(handle.get())) {
        std::string_view name(entry->d_name);
        if (name == "." || name == "..") continue;
        auto gbk = utf8ToGbk(name);
        if (!gbk) continue;  // a name no host path can spell
        struct stat info {};
        std::string full = native + "/" + std::string(name);
        bool dir = statPath(full, info) && S_ISDIR(info.st_mode);
        entries.push_back({std::move(*gbk), dir});
    }
    return entries;
}

}  // namespace backend

// ---------------------------------------------------------------------------------------------
// Primitives of the write path

NativeFile::NativeFile(NativeFile&& other) noexcept : handle_(other.handle_), writable_(other.writable_) {
    other.handle_ = kNoHandle;
}

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept {
    if (this != &other) {
        if (handle_ != kNoHandle) ::close(static_cast<int>(handle_));
        handle_ = other.handle_;
        writable_ = other.writable_;
        other.handle_ = kNoHandle;
    }
    return *this;
}

NativeFile::~NativeFile() {
    if (handle_ != kNoHandle) ::close(static_cast<int>(handle_));
}

bool NativeFile::writeAt(std::uint64_t offset, void const* data, std::size_t size) {
    if (handle_ == kNoHandle || io::injected(HB_FILE_WRITE)) return false;
    auto const* bytes = static_cast<unsigned char const*>(data);
    while (size > 0) {
        ssize_t const written = ::pwrite(handle_, bytes, size, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            io::failed();
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

bool NativeFile::readAt(std::uint64_t offset, void* data, std::size_t size, std::size_t& got) {
    got = 0;
    if (handle_ == kNoHandle || io::injected(HB_FILE_READ)) return false;
    auto* bytes = static_cast<unsigned char*>(data);
    while (got < size) {
        ssize_t const read = ::pread(handle_, bytes + got, size - got, static_cast<off_t>(offset + got));
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
    if (handle_ == kNoHandle || ::fstat(handle_, &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

bool NativeFile::resize(std::uint64_t length) {
    if (handle_ == kNoHandle || io::injected(HB_FILE_RESIZE)) return false;
    if (::ftruncate(handle_, static_cast<off_t>(length)) == 0) return true;
    io::failed();
    return false;
}

bool NativeFile::close() {
    if (handle_ == kNoHandle) return false;
    int const handle = static_cast<int>(handle_);
    handle_ = kNoHandle;
    // A file that was only read cannot lose data by closing; a written one is asked to report.
    bool const refused = writable_ && io::injected(HB_FILE_CLOSE);
    if (::close(handle) != 0) {
        io::failed();
        return false;
    }
    return !refused;
}

NativeFile openNative(std::string const& native, bool forUpdate) {
    NativeFile file;
    if (io::injected(HB_FILE_OPEN)) return file;
    int const handle = ::open(native.c_str(), (forUpdate ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (handle < 0) {
        io::failed();
        return file;
    }
    file.handle_ = handle;
    file.writable_ = forUpdate;
    struct stat info {};
    if (::fstat(handle, &info) != 0 || !S_ISREG(info.st_mode)) return NativeFile();
    return file;
}

NativeFile createBeside(std::string const& targetNative, std::string& created) {
    NativeFile file;
    created.clear();
    if (io::injected(HB_FILE_OPEN)) return file;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string const candidate =
            backend::temporaryCandidate(targetNative, "/", static_cast<std::uint64_t>(::getpid()));
        int const handle = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (handle < 0) {
            if (errno == EEXIST) continue;
            io::failed();
            return file;
        }
        // The new file takes the place of the old one, so it keeps the old one's permissions.
        struct stat info {};
        if (::stat(targetNative.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::fchmod(handle, info.st_mode & 07777);
        file.handle_ = handle;
        file.writable_ = true;
        created = candidate;
        return file;
    }
    errno = EEXIST;
    io::failed();
    return file;
}

bool renameOver(std::string const& fromNative, std::string const& toNative) {
    if (io::injected(HB_FILE_RENAME)) return false;
    if (::rename(fromNative.c_str(), toNative.c_str()) == 0) return true;
    io::failed();
    return false;
}

bool removeNative(std::string const& native) {
    if (io::injected(HB_FILE_REMOVE)) return false;
    if (::unlink(native.c_str()) == 0) return true;
    io::failed();
    return false;
}

}  // namespace yb::platform
