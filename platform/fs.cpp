#include "fs.h"

#include "gbk.h"
#include "hostpath.h"

#include <yb/HostBase.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace yb::platform {
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
        if (!part.empty() && part != ".") {
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
    return native && ::unlink(native->c_str()) == 0;
}

bool copyFile(std::string_view from, std::string_view to) {
    File source = openFile(from, "rb");
    if (!source) return false;
    auto target = nativePath(to, true);
    if (!target) return false;
    struct stat info {};
    if (statPath(*target, info) && !S_ISREG(info.st_mode)) return false;
    // The copy is written beside the target and renamed over it, so a copy that fails part-way
    // leaves the old target as it was.
    std::string const partial = *target + ".part";
    File output(std::fopen(partial.c_str(), "wb"));
    if (!output) return false;
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
        std::size_t got = std::fread(buffer.data(), 1, buffer.size(), source.get());
        if (got > 0 && (hbConsumeWriteFault() || std::fwrite(buffer.data(), 1, got, output.get()) != got)) {
            ok = false;
            break;
        }
        if (got < buffer.size()) break;
    }
    if (std::ferror(source.get())) ok = false;
    if (!output.close()) ok = false;
    if (ok && ::rename(partial.c_str(), target->c_str()) != 0) ok = false;
    if (!ok) ::unlink(partial.c_str());
    return ok;
}

bool makeDirectory(std::string_view hostPath) {
    auto native = nativePath(hostPath, true);
    if (!native) return false;
    if (::mkdir(native->c_str(), 0777) == 0) return true;
    struct stat info {};
    return errno == EEXIST && statPath(*native, info) && S_ISDIR(info.st_mode);
}

bool removeDirectory(std::string_view hostPath) {
    auto native = nativePath(hostPath);
    return native && ::rmdir(native->c_str()) == 0;
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

bool File::close() {
    if (stream_ == nullptr) return true;
    bool ok = std::fclose(stream_) == 0;
    stream_ = nullptr;
    return ok;
}

File openFile(std::string_view hostPath, char const* mode) {
    bool creates = mode != nullptr && (mode[0] == 'w' || mode[0] == 'a');
    auto native = nativePath(hostPath, creates);
    if (!native || mode == nullptr) return File();
    struct stat info {};
    if (statPath(*native, info) && S_ISDIR(info.st_mode)) return File();
    return File(std::fopen(native->c_str(), mode));
}

WorkCopy::WorkCopy(std::string hostPath, std::string_view suffix)
    : path_(std::move(hostPath)), copyPath_(path_ + std::string(suffix)) {
    made_ = copyFile(path_, copyPath_);
}

WorkCopy::~WorkCopy() { removeFile(copyPath_); }

bool WorkCopy::restore() { return made_ && copyFile(copyPath_, path_); }

}  // namespace yb::platform
