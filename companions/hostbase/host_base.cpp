// HostBase on this platform: the settings record, the message box and the drive table that the host
// application would otherwise provide.
#include <yb/HostBase.h>

#include "gbk.h"

#include <array>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

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

struct DriveTable {
    std::array<std::string, 26> roots;
    std::array<bool, 26> mapped{};
};
DriveTable& driveTable() {
    static DriveTable table;
    return table;
}

std::atomic<std::int32_t> writesBeforeFault{-1};

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

int driveIndex(char letter) {
    int upper = std::toupper(static_cast<unsigned char>(letter));
    return (upper >= 'A' && upper <= 'Z') ? upper - 'A' : -1;
}

}  // namespace

unsigned char const* hbGetSettings(std::int32_t which) { return which == 0 ? settingsRecord().data() : nullptr; }

void hbSetBlockDirectory(char const* dir) { storeSetting(HB_BLOCK_DIRECTORY_OFFSET, HB_BLOCK_DIRECTORY_SIZE, dir); }

void hbSetLayoutDirectory(char const* dir) {
    storeSetting(HB_LAYOUT_DIRECTORY_OFFSET, HB_LAYOUT_DIRECTORY_SIZE, dir);
}

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
    int index = driveIndex(letter);
    if (index < 0) return false;
    std::lock_guard lock(stateMutex());
    auto& table = driveTable();
    table.mapped[index] = nativeDir != nullptr;
    table.roots[index] = nativeDir ? nativeDir : "";
    return true;
}

char const* hbGetDriveRoot(char letter) {
    int index = driveIndex(letter);
    if (index < 0) return nullptr;
    {
        std::lock_guard lock(stateMutex());
        auto const& table = driveTable();
        if (table.mapped[index]) return table.roots[index].c_str();
    }
    char name[] = "YB_DRIVE_?";
    name[9] = static_cast<char>('A' + index);
    return std::getenv(name);
}

void hbSetWriteFault(std::int32_t writesBeforeFailure) { writesBeforeFault.store(writesBeforeFailure); }

bool hbConsumeWriteFault() {
    std::int32_t current = writesBeforeFault.load();
    while (current >= 0) {
        if (writesBeforeFault.compare_exchange_weak(current, current - 1)) return current == 0;
    }
    return false;
}

std::uint64_t hbCountFolderChange(std::uint64_t folderKey) {
    return folderChanges()[folderKey % kFolderChangeSlots].fetch_add(1) + 1;
}

std::uint64_t hbFolderChangeCount(std::uint64_t folderKey) {
    return folderChanges()[folderKey % kFolderChangeSlots].load();
}
