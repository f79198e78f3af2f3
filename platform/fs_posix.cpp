// Host paths on Linux: a drive letter goes to the directory HostBase maps it to; '\' and '/' both
// separate; GBK names become UTF-8; each component is matched case-insensitively against what exists
// (exact spelling first). A path without a drive letter is taken relative to the current directory (or
// as an absolute native path when it starts with a separator).
#include "fs_backend.h"

#include "gbk.h"
#include "hostpath.h"

#include <yb/HostBase.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
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

// The native path of a host path. With `forCreate`, the last component may be missing.
std::optional<std::string> nativePath(std::string_view hostPath, bool forCreate = false) {
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

}  // namespace

namespace {

std::string temporaryPattern(std::string_view stem) {
    std::error_code error;
    std::string folder = std::filesystem::temp_directory_path(error).string();
    if (error || folder.empty()) folder = "/tmp";
    return folder + "/" + std::string(stem) + "-XXXXXX";
}

}  // namespace

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

bool seekStream(std::FILE* stream, std::int64_t offset, int origin) {
    return ::fseeko(stream, static_cast<off_t>(offset), origin) == 0;
}

std::optional<std::int64_t> tellStream(std::FILE* stream) {
    off_t const position = ::ftello(stream);
    if (position < 0) return std::nullopt;
    return static_cast<std::int64_t>(position);
}

namespace backend {

EntryStatus status(std::string_view hostPath) {
    auto native = nativePath(hostPath);
    struct stat info {};
    if (!native || !statPath(*native, info)) return {};
    if (S_ISREG(info.st_mode)) return {EntryKind::file, static_cast<std::uint64_t>(info.st_size)};
    return {S_ISDIR(info.st_mode) ? EntryKind::directory : EntryKind::other, 0};
}

std::FILE* openStream(std::string_view hostPath, char const* mode) {
    bool creates = mode[0] == 'w' || mode[0] == 'a';
    auto native = nativePath(hostPath, creates);
    if (!native) return nullptr;
    struct stat info {};
    if (statPath(*native, info) && S_ISDIR(info.st_mode)) return nullptr;
    return std::fopen(native->c_str(), mode);
}

bool removeFile(std::string_view hostPath) {
    auto native = nativePath(hostPath);
    return native && ::unlink(native->c_str()) == 0;
}

bool replaceFile(std::string_view from, std::string_view to) {
    auto source = nativePath(from);
    auto target = nativePath(to, true);
    return source && target && ::rename(source->c_str(), target->c_str()) == 0;
}

bool makeDirectory(std::string_view hostPath) {
    auto native = nativePath(hostPath, true);
    return native && ::mkdir(native->c_str(), 0777) == 0;
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
    return entries;
}

}  // namespace backend
}  // namespace yb::platform
