// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// HostBase on this platform: the settings record, the message box and the drive table that the host
// application would otherwise provide.
#include <yb/HostBaseInternal.h>

#include "gbk.h"

#include <array>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

namespace {

std::mutex& stateMutex() {
    static std::mutex mutex;
    return mutex;
}

std::array<unsigned char, HB_SETTINGS_SIZE>& settingsRecord() {
    static std::array<unsigned char, HB_SETTINGS_SIZE> record{};
    return record;
}

struct SinkSlot {
    HbMessageSink sink = nullptr;
    void* user = nullptr;
};
SinkSlot& sinkSlot() {
    static SinkSlot slot;
    return slot;
}

// Roots are interned and never freed: a caller may hold the text hbGetDriveRoot gave it while another
// thread maps the drive again.
struct DriveTable {
    std::array<char const*, 26> roots{};
    std::set<std::string, std::less<>> interned;

    char const* intern(std::string_view text) {
        auto found = interned.find(text);
        if (found == interned.end()) found = interned.emplace(text).first;
        return found->c_str();
    }
};
DriveTable& driveTable() {
    static DriveTable* table = new DriveTable;  // never destroyed, so no text it handed out dangles
    return *table;
}

struct FaultHook {
    std::atomic<HbFileFaultHook> hook{nullptr};
    std::atomic<void*> user{nullptr};
    std::atomic<std::int64_t> failAt{0};
    std::atomic<bool> sticky{false};
    std::atomic<std::int64_t> seen{0};
    std::atomic<std::uint32_t> failed{0};
};
FaultHook& faultHook() {
    static FaultHook hook;
    return hook;
}

// The recorder of file events and its user, swapped together under the state mutex; the flag spares
// every operation that mutex while nothing records.
struct FileRecorder {
    std::atomic<bool> armed{false};
    HbFileRecorder recorder = nullptr;
    void* user = nullptr;
};
FileRecorder& fileRecorder() {
    static FileRecorder slot;
    return slot;
}

// -1 until first asked: then from YB_SYNC, unless set before.
std::atomic<int>& syncWrites() {
    static std::atomic<int> state{-1};
    return state;
}

// Folders share these counts by hash: a shared count can only make an index look again, never miss
// a change.
constexpr std::size_t kFolderChangeSlots = 4096;
std::array<std::atomic<std::uint64_t>, kFolderChangeSlots>& folderChanges() {
    static std::array<std::atomic<std::uint64_t>, kFolderChangeSlots> counts{};
    return counts;
}

void storeSetting(std::size_t offset, std::size_t width, char const* text) {
    std::lock_guard lock(stateMutex());
    unsigned char* field = settingsRecord().data() + offset;
    std::memset(field, 0, width);
    if (text != nullptr) std::memcpy(field, text, strnlen(text, width - 1));
}

void defaultSink(HbMessageStyle style, char const* gbkText, void*) {
    std::string text = yb::platform::gbkToUtf8Lossy(gbkText ? gbkText : "");
    std::fprintf(stderr, "[%s] %s\n", style == HB_MESSAGE_ERROR ? "error" : "message", text.c_str());
}

// The drive table's slot of a letter, A to Z in either case.
std::optional<std::size_t> driveIndex(char letter) {
    int const upper = std::toupper(static_cast<unsigned char>(letter));
    if (upper < 'A' || upper > 'Z') return std::nullopt;
    return static_cast<std::size_t>(upper - 'A');
}

}  // namespace

unsigned char const* hbGetSettings(std::int32_t which) { return which == 0 ? settingsRecord().data() : nullptr; }

void hbSetBlockDirectory(char const* dir) { storeSetting(HB_BLOCK_DIRECTORY_OFFSET, HB_BLOCK_DIRECTORY_SIZE, dir); }

void hbSetLayoutDirectory(char const* dir) { storeSetting(HB_LAYOUT_DIRECTORY_OFFSET, HB_LAYOUT_DIRECTORY_SIZE, dir); }

void hbMessageBox(HbMessageStyle style, char const* gbkText) {
    SinkSlot slot;
    {
        std::lock_guard lock(stateMutex());
        slot = sinkSlot();
    }
    if (slot.sink != nullptr) {
        slot.sink(style, gbkText ? gbkText : "", slot.user);
    } else {
        defaultSink(style, gbkText, nullptr);
    }
}

void hbSetMessageSink(HbMessageSink sink, void* user) {
    std::lock_guard lock(stateMutex());
    sinkSlot() = SinkSlot{sink, sink ? user : nullptr};
}

bool hbSetDriveRoot(char letter, char const* nativeDir) {
    auto const index = driveIndex(letter);
    if (!index) return false;
    std::lock_guard lock(stateMutex());
    auto& table = driveTable();
    table.roots[*index] = nativeDir != nullptr ? table.intern(nativeDir) : nullptr;
    return true;
}

char const* hbGetDriveRoot(char letter) {
    auto const index = driveIndex(letter);
    if (!index) return nullptr;
    std::lock_guard lock(stateMutex());
    auto& table = driveTable();
    if (table.roots[*index] != nullptr) return table.roots[*index];
    char name[] = "YB_DRIVE_?";
    name[9] = static_cast<char>('A' + *index);
    char const* fromEnvironment = std::getenv(name);
    return fromEnvironment != nullptr ? table.intern(fromEnvironment) : nullptr;
}

void hbSetFileFault(std::int64_t failAt, bool sticky) {
    FaultHook& hook = faultHook();
    hook.failAt.store(0);
    hook.seen.store(0);
    hook.failed.store(0);
    hook.sticky.store(sticky);
    hook.failAt.store(failAt > 0 ? failAt : 0);
}

void hbSetFileFaultHook(HbFileFaultHook hook, void* user) {
    FaultHook& fault = faultHook();
    fault.hook.store(nullptr);
    fault.user.store(user);
    fault.hook.store(hook);
}

bool hbFileFault(HbFileOperation operation) {
    FaultHook& hook = faultHook();
    if (HbFileFaultHook const own = hook.hook.load(std::memory_order_relaxed);
        own != nullptr && own(operation, hook.user.load()))
        return true;
    std::int64_t const failAt = hook.failAt.load(std::memory_order_relaxed);
    if (failAt == 0) return false;  // disarmed: one load per operation
    std::int64_t const number = ++hook.seen;
    if (number < failAt || (number > failAt && !hook.sticky.load())) return false;
    hook.failed.fetch_or(1u << static_cast<std::uint32_t>(operation));
    return true;
}

namespace {

constexpr std::int32_t kDefaultLockTimeout = 10'000;
// No setting made: the default (the environment's, or 10 s) is asked each time.
constexpr std::int32_t kNoLockTimeoutSet = -1;

std::atomic<std::int32_t>& lockTimeoutSetting() {
    static std::atomic<std::int32_t> setting{kNoLockTimeoutSet};
    return setting;
}

}  // namespace

void hbSetLockTimeout(std::int32_t milliseconds) {
    lockTimeoutSetting().store(milliseconds < 0 ? kNoLockTimeoutSet : milliseconds);
}

std::int32_t hbGetLockTimeout() {
    std::int32_t const set = lockTimeoutSetting().load();
    if (set >= 0) return set;
    // Asked only when a lock is not had at once, so the environment is read then, not kept.
    char const* text = std::getenv("YB_LOCK_TIMEOUT_MS");
    if (text == nullptr || *text == '\0') return kDefaultLockTimeout;
    char* end = nullptr;
    long const value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < 0) return kDefaultLockTimeout;
    return value > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(value);
}

namespace {
std::atomic<bool>& writeAccessRefused() {
    static std::atomic<bool> refused{false};
    return refused;
}
}  // namespace

void hbSetWriteAccessRefused(bool refused) { writeAccessRefused().store(refused); }

bool hbWriteAccessRefused() { return writeAccessRefused().load(std::memory_order_relaxed); }

std::int64_t hbFileOperationCount() { return faultHook().seen.load(); }

std::uint32_t hbFailedFileOperations() { return faultHook().failed.load(); }

std::uint64_t hbCountFolderChange(std::uint64_t folderKey) {
    return folderChanges()[folderKey % kFolderChangeSlots].fetch_add(1) + 1;
}

std::uint64_t hbFolderChangeCount(std::uint64_t folderKey) {
    return folderChanges()[folderKey % kFolderChangeSlots].load();
}

namespace {
struct ThreadCalls {
    std::uint64_t depth = 0;
    std::uint64_t outermost = 0;
};
thread_local ThreadCalls threadCalls;
std::atomic<std::uint64_t> callsMade{0};
}  // namespace

std::uint64_t hbEnterCall() {
    ThreadCalls& calls = threadCalls;
    if (calls.depth++ == 0) calls.outermost = callsMade.fetch_add(1) + 1;
    return calls.outermost;
}

bool hbLeaveCall() {
    ThreadCalls& calls = threadCalls;
    return calls.depth > 0 && --calls.depth == 0;
}

void hbSetFileRecorder(HbFileRecorder recorder, void* user) {
    std::lock_guard lock(stateMutex());
    FileRecorder& slot = fileRecorder();
    slot.recorder = recorder;
    slot.user = recorder ? user : nullptr;
    slot.armed.store(recorder != nullptr);
}

void hbRecordFileEvent(HbFileEvent const* event) {
    FileRecorder& slot = fileRecorder();
    if (event == nullptr || !slot.armed.load(std::memory_order_relaxed)) return;
    std::lock_guard lock(stateMutex());
    if (slot.recorder != nullptr) slot.recorder(event, slot.user);
}

void hbSetSyncWrites(bool on) { syncWrites().store(on ? 1 : 0); }

bool hbSyncWrites() {
    int state = syncWrites().load(std::memory_order_relaxed);
    if (state < 0) {
        char const* setting = std::getenv("YB_SYNC");
        int const fromEnvironment = setting != nullptr && std::string_view(setting) == "0" ? 0 : 1;
        // A setting made meanwhile wins over the environment.
        syncWrites().compare_exchange_strong(state, fromEnvironment);
        state = syncWrites().load();
    }
    return state != 0;
}
