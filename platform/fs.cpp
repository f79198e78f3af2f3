// File access by host path, the same on every system: it is built on the calls of fs_backend.h.
#include "fs.h"

#include "fs_backend.h"

#include <yb/HostBase.h>

#include <algorithm>

namespace yb::platform {

bool isRegularFile(std::string_view hostPath) { return backend::status(hostPath).kind == backend::EntryKind::file; }

bool isDirectory(std::string_view hostPath) {
    return backend::status(hostPath).kind == backend::EntryKind::directory;
}

std::optional<std::uint64_t> fileSize(std::string_view hostPath) {
    auto const status = backend::status(hostPath);
    if (status.kind != backend::EntryKind::file) return std::nullopt;
    return status.size;
}

bool removeFile(std::string_view hostPath) { return backend::removeFile(hostPath); }

bool copyFile(std::string_view from, std::string_view to) {
    File source = openFile(from, "rb");
    if (!source) return false;
    auto const target = backend::status(to).kind;
    if (target != backend::EntryKind::missing && target != backend::EntryKind::file) return false;
    // The copy is written beside the target and renamed over it, so a copy that fails part-way
    // leaves the old target as it was.
    std::string const partial = std::string(to) + ".part";
    File output = openFile(partial, "wb");
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
    if (ok && !backend::replaceFile(partial, to)) ok = false;
    if (!ok) backend::removeFile(partial);
    return ok;
}

bool makeDirectory(std::string_view hostPath) {
    return backend::makeDirectory(hostPath) || isDirectory(hostPath);
}

bool removeDirectory(std::string_view hostPath) { return backend::removeDirectory(hostPath); }

std::optional<std::vector<DirectoryEntry>> listDirectory(std::string_view hostDir) {
    auto entries = backend::listDirectory(hostDir);
    if (!entries) return std::nullopt;
    std::sort(entries->begin(), entries->end(),
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
    if (mode == nullptr) return File();
    return File(backend::openStream(hostPath, mode));
}

WorkCopy::WorkCopy(std::string hostPath, std::string_view suffix)
    : path_(std::move(hostPath)), copyPath_(path_ + std::string(suffix)) {
    made_ = copyFile(path_, copyPath_);
}

WorkCopy::~WorkCopy() { removeFile(copyPath_); }

bool WorkCopy::restore() { return made_ && copyFile(copyPath_, path_); }

}  // namespace yb::platform
