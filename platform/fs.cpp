// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// File access by host path, the same on every system, built on the calls of fs_backend.h.
#include "fs.h"

#include "fs_backend.h"
#include "io_errors.h"
#include "write_path.h"

#include <yb/HostBaseInternal.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cerrno>
#include <mutex>
#include <new>
#include <random>
#include <unordered_map>
#include <utility>

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

bool writeRefused() {
    if (!hbWriteAccessRefused()) return false;
    errno = EROFS;
    return true;
}

void failed() {
    if (errno != ENOENT && errno != ENOTDIR) ++ioErrors;
}

void failedWithoutErrno() { ++ioErrors; }

namespace {
void record(HbFileOperation operation, std::int32_t detail, std::intptr_t handle, char const* path = nullptr,
            char const* toPath = nullptr, std::uint64_t offset = 0, std::uint64_t size = 0,
            void const* data = nullptr) {
    HbFileEvent const event{operation, detail, handle, path, toPath, offset, size, data};
    hbRecordFileEvent(&event);
}
}  // namespace

void recordOpened(std::intptr_t handle, std::string const& native, bool created) {
    record(HB_FILE_OPEN, created ? HB_OPENED_CREATED : HB_OPENED_EXISTING, handle, native.c_str());
}
void recordWrite(std::intptr_t handle, std::uint64_t offset, void const* data, std::size_t size) {
    record(HB_FILE_WRITE, 0, handle, nullptr, nullptr, offset, size, data);
}
void recordResize(std::intptr_t handle, std::uint64_t length) {
    record(HB_FILE_RESIZE, 0, handle, nullptr, nullptr, length);
}
void recordFileSync(std::intptr_t handle) { record(HB_FILE_SYNC, HB_SYNCED_FILE, handle); }
void recordSync(std::string const& native, std::int32_t detail) { record(HB_FILE_SYNC, detail, -1, native.c_str()); }
void recordRename(std::string const& fromNative, std::string const& toNative) {
    record(HB_FILE_RENAME, 0, -1, fromNative.c_str(), toNative.c_str());
}
void recordRemove(std::string const& native) { record(HB_FILE_REMOVE, 0, -1, native.c_str()); }

}  // namespace io

std::uint64_t ioErrorTally() { return io::ioErrors; }

bool syncingWrites() { return hbSyncWrites(); }

namespace {
std::atomic<int> coarseStampsSet{-1};  // -1: as the environment says
}  // namespace

bool coarseStamps() {
    int const set = coarseStampsSet.load(std::memory_order_relaxed);
    if (set >= 0) return set == 1;
    char const* value = std::getenv("YB_COARSE_STAMPS");
    return value != nullptr && *value != '\0' && std::string_view(value) != "0";
}

void setCoarseStamps(std::optional<bool> on) { coarseStampsSet = on ? int{*on} : -1; }

bool isRegularFile(std::string_view hostPath) {
    auto const located = backend::locate(hostPath);
    return located && located->second.kind == backend::EntryKind::file;
}

bool isDirectory(std::string_view hostPath) {
    auto const located = backend::locate(hostPath);
    return located && located->second.kind == backend::EntryKind::directory;
}

std::optional<std::uint64_t> fileSize(std::string_view hostPath) {
    auto native = nativePath(hostPath);
    if (!native) return std::nullopt;
    auto const status = backend::status(*native);
    if (status.kind != backend::EntryKind::file) return std::nullopt;
    return status.size;
}

std::optional<std::int64_t> modificationTime(std::string_view hostPath) {
    auto native = nativePath(hostPath);
    if (!native) return std::nullopt;
    return nativeModificationTime(*native);
}

std::optional<std::int64_t> nativeModificationTime(std::string const& native) {
    auto const status = backend::status(native);
    if (status.kind == backend::EntryKind::missing) return std::nullopt;
    return status.modified;
}

bool nativeFileExists(std::string const& native) { return backend::status(native).kind == backend::EntryKind::file; }

std::optional<std::int64_t> regularFileModificationTime(std::string const& native) {
    auto const status = backend::status(native);
    if (status.kind != backend::EntryKind::file) return std::nullopt;
    return status.modified;
}

NativeFile::NativeFile(NativeFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoHandle)),
      writable_(other.writable_),
      locked_(std::exchange(other.locked_, false)),
      unlockBeforeClose_(other.unlockBeforeClose_),
      synced_(other.synced_),
      barBeforeWriting_(std::move(other.barBeforeWriting_)) {}

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept {
    if (this != &other) {
        closeQuietly();
        handle_ = std::exchange(other.handle_, kNoHandle);
        writable_ = other.writable_;
        locked_ = std::exchange(other.locked_, false);
        unlockBeforeClose_ = other.unlockBeforeClose_;
        synced_ = other.synced_;
        barBeforeWriting_ = std::move(other.barBeforeWriting_);
    }
    return *this;
}

NativeFile::~NativeFile() { closeQuietly(); }

bool NativeFile::readyToWrite() {
    if (barBeforeWriting_.empty()) return true;
    if (barReaders(barBeforeWriting_) == LockOutcome::TimedOut) return false;
    barBeforeWriting_.clear();
    return true;
}

void NativeFile::closeQuietly() {
    barBeforeWriting_.clear();
    if (handle_ == kNoHandle) return;
    if (std::exchange(locked_, false) && unlockBeforeClose_) backend::unlockAll(handle_);
    backend::closeHandle(std::exchange(handle_, kNoHandle));
}

LockOutcome NativeFile::lock(LockMode mode, std::string const& native, LockClock::time_point deadline) {
    if (handle_ == kNoHandle) return LockOutcome::Failed;
    if (holdingFilesForWriting()) {
        if (auto const own = identity(); own && heldForWritingHere(*own)) return LockOutcome::Held;
    }
    LockOutcome const outcome = waitForLock(handle_, mode, native, deadline);
    locked_ = outcome == LockOutcome::Held;
    if (outcome == LockOutcome::TimedOut) unlockBeforeClose_ = true;
    return outcome;
}

bool NativeFile::lockAtOnce(LockMode mode) {
    // While this thread holds files, lock() looks first whether this is one of them, and takes nothing.
    if (handle_ == kNoHandle || holdingFilesForWriting() || !platform::lockAtOnce(handle_, mode)) return false;
    locked_ = true;
    return true;
}

bool NativeFile::tryLock(LockMode mode) {
    if (handle_ == kNoHandle) return false;
    backend::TryLock const tried = backend::lock(handle_, LockByte::Write, mode, {});
    locked_ = tried == backend::TryLock::Held;
    return tried != backend::TryLock::Busy;
}

LockOutcome NativeFile::barReaders(std::string const& native) {
    if (handle_ == kNoHandle) return LockOutcome::Failed;
    LockOutcome const outcome = platform::barReaders(handle_, native, lockDeadline());
    if (outcome == LockOutcome::Held) locked_ = true;
    if (outcome == LockOutcome::TimedOut) unlockBeforeClose_ = true;
    return outcome;
}

void NativeFile::admitReaders() {
    if (handle_ != kNoHandle) platform::admitReaders(handle_);
}

std::optional<FileIdentity> NativeFile::identity() const {
    auto const stamped = stamp();
    if (!stamped) return std::nullopt;
    return FileIdentity{stamped->device, stamped->file};
}

bool NativeFile::close() {
    barBeforeWriting_.clear();
    if (handle_ == kNoHandle) return false;
    if (std::exchange(locked_, false) && unlockBeforeClose_) backend::unlockAll(handle_);
    std::intptr_t const handle = std::exchange(handle_, kNoHandle);
    // A file that was only read cannot lose data by closing; a written one is asked to report.
    bool const refused = writable_ && io::injected(HB_FILE_CLOSE);
    if (!backend::closeHandle(handle)) {
        io::failed();
        return false;
    }
    return !refused;
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
    if (backend::makeDirectory(*native)) return true;
    int const error = errno;
    if (error == EEXIST && backend::status(*native).kind == backend::EntryKind::directory) return true;
    errno = error;
    io::failed();
    return false;
}

bool removeDirectory(std::string_view hostPath) {
    auto native = nativePath(hostPath);
    if (!native || io::injected(HB_FILE_DIRECTORY)) return false;
    if (backend::removeDirectory(*native)) return true;
    io::failed();
    return false;
}

std::optional<std::vector<DirectoryEntry>> listDirectory(std::string_view hostDir) {
    auto native = nativePath(hostDir);
    if (!native) return std::nullopt;
    auto entries = backend::listDirectory(*native);
    if (!entries) return std::nullopt;
    std::sort(entries->begin(), entries->end(),
              [](DirectoryEntry const& a, DirectoryEntry const& b) { return a.name < b.name; });
    return entries;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        locked_ = std::exchange(other.locked_, false);
        buffer_ = std::move(other.buffer_);
        stream_ = other.release();
    }
    return *this;
}

std::FILE* File::release() {
    std::FILE* stream = stream_;
    stream_ = nullptr;
    return stream;
}

namespace {

// The stamps of the streams open for reading under a read lock of their own, taken under it: no change
// in place writes into such a file before the stream closes, so the stamp stands until then.
class OpenStamps {
public:
    void put(std::FILE* stream, FileStamp const& stamp) {
        std::lock_guard const guard(lock_);
        stamps_.insert_or_assign(stream, stamp);
    }
    void drop(std::FILE* stream) {
        std::lock_guard const guard(lock_);
        stamps_.erase(stream);
    }
    std::optional<FileStamp> find(std::FILE* stream) {
        std::lock_guard const guard(lock_);
        auto const found = stamps_.find(stream);
        if (found == stamps_.end()) return std::nullopt;
        return found->second;
    }

private:
    std::mutex lock_;
    std::unordered_map<std::FILE*, FileStamp> stamps_;
};

OpenStamps& openStamps() {
    static OpenStamps stamps;
    return stamps;
}

}  // namespace

std::optional<FileStamp> stampOf(std::FILE* stream) {
    if (stream == nullptr) return std::nullopt;
    if (auto known = openStamps().find(stream)) return known;
    return backend::streamStamp(stream);
}

void File::close() {
    // Nothing was written through the stream, so closing it cannot lose data.
    if (stream_ != nullptr) {
        if (std::exchange(locked_, false)) {
            openStamps().drop(stream_);
            if (!backend::kCloseGivesLocksBack) backend::unlockAll(backend::streamHandle(stream_));
        }
        std::fclose(stream_);
    }
    stream_ = nullptr;
    buffer_.reset();
}

// What a read stream buffers, as the stream would choose for a local disk.
constexpr std::size_t kReadBufferBytes = 4096;

namespace {
thread_local std::uint64_t tornReadCount = 0;
thread_local std::string tornReadFile;
}  // namespace

std::uint64_t tornReads() { return tornReadCount; }
std::string const& lastTornRead() { return tornReadFile; }

// Opens a file for reading with its read lock held shared (`stream`, when given, is the file opened
// already). A journal beside it that no live writer holds is a change that a killed writer left
// unfinished: the stream is given up, the change rolled back under the writing lock, and the file
// opened again. Where this process cannot write the file, it is read as it stands only when the change
// left it untouched; torn, it is not read at all. A folder gives no stream.
File openForReading(std::string const& native, std::FILE* stream, bool mayBeUnfinished) {
    constexpr int kMostRecoveries = 3;
    for (int attempt = 0;; ++attempt) {
        if (stream == nullptr) {
            if (io::injected(HB_FILE_OPEN)) return File();
            stream = backend::openReadStream(native);
            if (stream == nullptr) {
                io::failed();
                return File();
            }
        }
        File file(std::exchange(stream, nullptr));
        std::FILE* const opened = file.get();
        // A buffer of its own spares the stream a look at the file to size one, a system call per open.
        file.buffer_.reset(new (std::nothrow) char[kReadBufferBytes]);
        if (file.buffer_ && std::setvbuf(opened, file.buffer_.get(), _IOFBF, kReadBufferBytes) != 0)
            file.buffer_.reset();
        bool regular = false;
        std::optional<FileStamp> stamp;
        bool heldHere = false;
        if (holdingFilesForWriting()) {
            stamp = backend::streamStamp(opened, &regular);
            heldHere = stamp && heldForWritingHere({stamp->device, stamp->file});
        }
        if (!heldHere) {
            // The wait limit is worked out only when the lock is not had at once: a reader of many
            // small files mostly has it at once.
            std::intptr_t const handle = backend::streamHandle(opened);
            LockOutcome const outcome = lockAtOnce(handle, LockMode::Shared)
                                            ? LockOutcome::Held
                                            : waitForLock(handle, LockMode::Shared, native, lockDeadline());
            if (outcome == LockOutcome::TimedOut) return File();
            file.locked_ = outcome == LockOutcome::Held;
            // Taken under the lock, the stamp stands for as long as the stream is open.
            stamp = backend::streamStamp(opened, &regular);
            if (stamp && file.locked_) openStamps().put(opened, *stamp);
        }
        if (!stamp || !regular) return File();
        // The thread that holds the file for writing looked when it took it.
        if (heldHere || !mayBeUnfinished || !interruptedChangeBeside(native)) return file;
        file = File();
        if (attempt + 1 == kMostRecoveries) break;
        switch (recoverInterruptedChange(native)) {
            case Recovery::Done: continue;
            case Recovery::TimedOut: return File();
            case Recovery::Unneeded: mayBeUnfinished = false; continue;
            case Recovery::Torn: break;
        }
        break;
    }
    ++tornReadCount;
    tornReadFile = native;
    errno = EIO;
    io::failed();
    return File();
}

File openFile(std::string_view hostPath, char const* mode) {
    if (mode == nullptr || (std::string_view(mode) != "rb" && std::string_view(mode) != "r")) return File();
    std::string native;
    std::FILE* const stream = backend::openHostStream(hostPath, native);
    if (stream == nullptr) {
        io::failed();
        return File();
    }
    return openForReading(native, stream, true);
}

File openFoundFile(FoundFile const& found) {
    if (!found.native || !found.exists) return File();
    return openForReading(*found.native, nullptr, found.mayBeUnfinished);
}

NativeFile createBeside(std::string const& targetNative, std::string& created, bool targetMayExist,
                        std::optional<std::uint32_t> permissions) {
    NativeFile file;
    created.clear();
    if (io::injected(HB_FILE_OPEN) || io::writeRefused()) return file;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = backend::candidateBeside(targetNative);
        std::intptr_t const handle =
            backend::createNew(candidate, targetMayExist && !permissions ? &targetNative : nullptr, permissions);
        if (handle == NativeFile::kNoHandle) {
            if (errno == EEXIST) continue;
            io::failed();
            return file;
        }
        file.handle_ = handle;
        file.writable_ = true;
        created = std::move(candidate);
        return file;
    }
    errno = EEXIST;
    io::failed();
    return file;
}

std::string backend::temporaryCandidate(std::string const& targetNative, std::string_view separators,
                                        std::uint64_t processId) {
    std::size_t const separator = targetNative.find_last_of(separators);
    std::size_t const nameStart = separator == std::string::npos ? 0 : separator + 1;
    std::string base = targetNative.substr(nameStart);
    // Room for ".", ".XXXXXXXX.tmp" within a name of 255 bytes.
    constexpr std::size_t kMostBaseBytes = 255 - 14;
    if (base.size() > kMostBaseBytes) {
        std::size_t cut = kMostBaseBytes;
        while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) --cut;
        base.resize(cut);
    }
    thread_local std::mt19937_64 random(std::random_device{}() ^ processId);
    constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix(8, 'x');
    for (char& c : suffix) c = kLetters[random() % (sizeof kLetters - 1)];
    return targetNative.substr(0, nameStart) + "." + base + "." + suffix + ".tmp";
}

}  // namespace yb::platform
