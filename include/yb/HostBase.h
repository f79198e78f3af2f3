// HostBase: the host application's services on this platform: the host settings record, the message
// box and the table that maps drive letters onto native directories.
#ifndef YB_HOSTBASE_H
#define YB_HOSTBASE_H

#include <yb/ybTypes.h>

#include <cstdint>

enum HbMessageStyle : std::int32_t { HB_MESSAGE_PLAIN = 0, HB_MESSAGE_ERROR = 1 };
using HbMessageSink = void (*)(HbMessageStyle style, char const* gbkText, void* user);

// Size of the host settings record and the fields this suite reads from it.
inline constexpr std::size_t HB_SETTINGS_SIZE = 1024;
inline constexpr std::size_t HB_BLOCK_DIRECTORY_OFFSET = 256;   // 128 bytes, NUL-terminated
inline constexpr std::size_t HB_BLOCK_DIRECTORY_SIZE = 128;
inline constexpr std::size_t HB_LAYOUT_DIRECTORY_OFFSET = 384;  // 260 bytes, NUL-terminated
inline constexpr std::size_t HB_LAYOUT_DIRECTORY_SIZE = 260;

YB_API unsigned char const* hbGetSettings(std::int32_t which);      // the host settings record; which = 0
YB_API void hbSetBlockDirectory(char const* dir);                    // text at record offset 256
YB_API void hbSetLayoutDirectory(char const* dir);                   // text at record offset 384
YB_API void hbMessageBox(HbMessageStyle style, char const* gbkText); // shows a message through the sink
YB_API void hbSetMessageSink(HbMessageSink sink, void* user);        // null restores the default sink
YB_API bool hbSetDriveRoot(char letter, char const* nativeDir);      // maps "D:" to a native directory; null unmaps

// Platform support shared by every library of the suite (not part of a host's duties).
// The native directory a drive letter is mapped to (the table, else YB_DRIVE_<letter>), or null. The
// text stays valid for the life of the process, whatever is mapped later.
YB_API char const* hbGetDriveRoot(char letter);
// Whether the libraries hand what they write to the disk (sync it) at the points that keep every file
// old or new through a power cut. On by default, off where the environment says YB_SYNC=0; a setting
// made here wins over both. Off suits scratch work only: a crash of the machine may tear a file.
YB_API void hbSetSyncWrites(bool on);
YB_API bool hbSyncWrites();

// Test hook: injected faults in the suite's file layer. Every file operation of every library asks
// hbFileFault before it runs and fails as the system would (EIO) when the answer is true.
enum HbFileOperation : std::int32_t {
    HB_FILE_OPEN = 0,   // opening or creating a file
    HB_FILE_READ,
    HB_FILE_WRITE,
    HB_FILE_SEEK,
    HB_FILE_CLOSE,      // closing a file that was written
    HB_FILE_RESIZE,
    HB_FILE_RENAME,
    HB_FILE_REMOVE,
    HB_FILE_DIRECTORY,  // making or removing a directory
    HB_FILE_SYNC,       // handing a file's or a folder's changes to the disk
};
// Arms the hook: counting operations from 1, the `failAt`-th fails, and with `sticky` every one after
// it too (a disk that has filled up). A `failAt` below 1 disarms it. Arming resets the tallies below.
YB_API void hbSetFileFault(std::int64_t failAt, bool sticky);
YB_API bool hbFileFault(HbFileOperation operation);
// Operations counted since the hook was armed, and one bit (1 << operation) per kind that was failed.
YB_API std::int64_t hbFileOperationCount();
YB_API std::uint32_t hbFailedFileOperations();
// Test hook: what the file layer changed on disk, in order, each handed to the recorder once it is done
// (Linux; Windows records nothing). Paths are native (UTF-8); `handle` names the open file a write,
// resize or file sync went to, as the opening that handed it out said. Null stops the recording.
struct HbFileEvent {
    HbFileOperation operation;  // OPEN, WRITE, RESIZE, SYNC, RENAME, REMOVE
    std::int32_t detail;        // OPEN: HB_OPENED_*; SYNC: HB_SYNCED_*; otherwise 0
    std::intptr_t handle;       // OPEN, WRITE, RESIZE, SYNC of a file
    char const* path;           // OPEN, RENAME (from), REMOVE, SYNC of a folder or file system
    char const* toPath;         // RENAME (to)
    std::uint64_t offset;       // WRITE: where; RESIZE: the new length
    std::uint64_t size;         // WRITE: how many bytes
    void const* data;           // WRITE: the bytes
};
enum : std::int32_t { HB_OPENED_EXISTING = 0, HB_OPENED_CREATED = 1 };
enum : std::int32_t { HB_SYNCED_FILE = 0, HB_SYNCED_FOLDER = 1, HB_SYNCED_FILE_SYSTEM = 2 };
using HbFileRecorder = void (*)(HbFileEvent const* event, void* user);
YB_API void hbSetFileRecorder(HbFileRecorder recorder, void* user);
YB_API void hbRecordFileEvent(HbFileEvent const* event);
// Counts of changes made to folders by the libraries of this process, so that every library's own
// index of a folder's names sees the changes the others make, however close together they come.
// `folderKey` is a hash of the folder's native path; distinct folders may share a count.
YB_API std::uint64_t hbCountFolderChange(std::uint64_t folderKey);  // counts one change; the new count
YB_API std::uint64_t hbFolderChangeCount(std::uint64_t folderKey);

#endif
