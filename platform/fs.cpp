#include "fs.h"

#include "gbk.h"
#include "hostpath.h"
#include "io_errors.h"
#include "write_path.h"

#include <yb/HostBase.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <random>

namespace yb::platform {

namespace io {
namespace {
thread_local std::uint64_t ioErrors = 0;
}  // namespace

bool injected(HbFileOperation operation) {
    if (!hbFileFault(operation)) return false;
    errno = EIO;
    ++ioErrors;
    return true;
}

void failed() {
    if (errno != ENOENT && errno != ENOTDIR) ++ioErrors;
}

void failedWithoutErrno() { ++ioErrors; }

}  // namespace io

std::uint64_t ioErrorTally() { return io::ioErrors; }

namespace {

bool asciiEqualIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
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
        std::size_t sep = start;
        for (; sep < rest.size(); ++sep) {
            unsigned char c = static_cast<unsigned char>(rest[sep]);
            if (isGbkLeadByte(c) && sep + 1 < rest.size()) {
                ++sep;
                continue;
            }
            if (isSeparator(rest[sep])) break;
        }
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

bool isRegularFile(std::string_view hostPath) {
    auto native = nativePath(hostPath);
    struct stat info {};
    return native && statPath(*native, info) && S_ISREG(info.st_mode);
}

bool isDirectory(std::string_view hostPath) {
    auto native = nativePath(hostPath);
    struct stat info {};
    return native && statPath(*native, info) && S_ISDIR(info.st_mode);
}

std::optional<std::uint64_t> fileSize(std::string_view hostPath) {
    auto native = nativePath(hostPath);
    struct stat info {};
    if (!native || !statPath(*native, info) || !S_ISREG(info.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::int64_t> modificationTime(std::string_view hostPath) {
    auto native = nativePath(hostPath);
    struct stat info {};
    if (!native || !statPath(*native, info)) return std::nullopt;
    return std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
}

bool removeFile(std::string_view hostPath) {
    auto native = nativePath(hostPath);
    if (!native || !removeNative(*native)) return false;
    discardInterruptedChange(*native);
    return true;
}

bool makeDirectory(std::string_view hostPath) {
    auto native = nativePath(hostPath, true);
    if (!native) return false;
    if (io::injected(HB_FILE_DIRECTORY)) return false;
    if (::mkdir(native->c_str(), 0777) == 0) return true;
    int const error = errno;
    struct stat info {};
    if (error == EEXIST && statPath(*native, info) && S_ISDIR(info.st_mode)) return true;
    errno = error;
    io::failed();
    return false;
}

bool removeDirectory(std::string_view hostPath) {
    auto native = nativePath(hostPath);
    if (!native || io::injected(HB_FILE_DIRECTORY)) return false;
    if (::rmdir(native->c_str()) == 0) return true;
    io::failed();
    return false;
}

std::optional<std::vector<DirectoryEntry>> listDirectory(std::string_view hostDir) {
    auto native = nativePath(hostDir);
    if (!native) return std::nullopt;
    std::unique_ptr<DIR, int (*)(DIR*)> handle(::opendir(native->c_str()), ::closedir);
    if (!handle) return std::nullopt;
    std::vector<DirectoryEntry> entries;
    while (dirent* entry = ::readdir(handle.get())) {
        std::string_view name(entry->d_name);
        if (name == "." || name == "..") continue;
        auto gbk = utf8ToGbk(name);
        if (!gbk) continue;  // a name no host path can spell
        struct stat info {};
        std::string full = *native + "/" + std::string(name);
        bool dir = statPath(full, info) && S_ISDIR(info.st_mode);
        entries.push_back({std::move(*gbk), dir});
    }
    std::sort(entries.begin(), entries.end(),
              [](DirectoryEntry const& a, DirectoryEntry const& b) { return a.name < b.name; });
    return entries;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        stream_ = other.release();
    }
    return *this;
}

std::FILE* File::release() {
    std::FILE* stream = stream_;
    stream_ = nullptr;
    return stream;
}

void File::close() {
    // Nothing was written through the stream, so closing it cannot lose data.
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
}

File openFile(std::string_view hostPath, char const* mode) {
    if (mode == nullptr || (std::string_view(mode) != "rb" && std::string_view(mode) != "r")) return File();
    auto native = nativePath(hostPath);
    if (!native) return File();
    struct stat info {};
    if (statPath(*native, info) && S_ISDIR(info.st_mode)) return File();
    recoverInterruptedChange(*native);
    if (io::injected(HB_FILE_OPEN)) return File();
    std::FILE* stream = std::fopen(native->c_str(), mode);
    if (stream == nullptr) io::failed();
    return File(stream);
}

// ---------------------------------------------------------------------------------------------
// Primitives of the write path

NativeFile::NativeFile(NativeFile&& other) noexcept : handle_(other.handle_), writable_(other.writable_) {
    other.handle_ = -1;
}

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept {
    if (this != &other) {
        if (handle_ >= 0) ::close(handle_);
        handle_ = other.handle_;
        writable_ = other.writable_;
        other.handle_ = -1;
    }
    return *this;
}

NativeFile::~NativeFile() {
    if (handle_ >= 0) ::close(handle_);
}

bool NativeFile::writeAt(std::uint64_t offset, void const* data, std::size_t size) {
    if (handle_ < 0 || io::injected(HB_FILE_WRITE)) return false;
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
    if (handle_ < 0 || io::injected(HB_FILE_READ)) return false;
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
    if (handle_ < 0 || ::fstat(handle_, &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

bool NativeFile::resize(std::uint64_t length) {
    if (handle_ < 0 || io::injected(HB_FILE_RESIZE)) return false;
    if (::ftruncate(handle_, static_cast<off_t>(length)) == 0) return true;
    io::failed();
    return false;
}

bool NativeFile::close() {
    if (handle_ < 0) return false;
    int const handle = handle_;
    handle_ = -1;
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

NativeFile createNative(std::string const& native, bool truncate) {
    NativeFile file;
    if (io::injected(HB_FILE_OPEN)) return file;
    int const flags = O_RDWR | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : O_EXCL);
    int const handle = ::open(native.c_str(), flags, 0666);
    if (handle < 0) {
        io::failed();
        return file;
    }
    file.handle_ = handle;
    file.writable_ = true;
    return file;
}

NativeFile createBeside(std::string const& targetNative, std::string& created) {
    NativeFile file;
    created.clear();
    if (io::injected(HB_FILE_OPEN)) return file;
    std::size_t const slash = targetNative.rfind('/');
    std::string const directory = slash == std::string::npos ? std::string() : targetNative.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? targetNative : targetNative.substr(slash + 1);
    // Room for ".", ".XXXXXXXX.tmp" within a name of 255 bytes, cut on a UTF-8 character boundary.
    constexpr std::size_t kMostBaseBytes = 255 - 14;
    if (base.size() > kMostBaseBytes) {
        std::size_t cut = kMostBaseBytes;
        while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) --cut;
        base.resize(cut);
    }
    thread_local std::mt19937_64 random(std::random_device{}() ^ static_cast<std::uint64_t>(::getpid()));
    constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(8, 'x');
        for (char& c : suffix) c = kLetters[random() % (sizeof kLetters - 1)];
        std::string const candidate = directory + "." + base + "." + suffix + ".tmp";
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

bool nativeFileExists(std::string const& native) {
    struct stat info {};
    return statPath(native, info) && S_ISREG(info.st_mode);
}

}  // namespace yb::platform
