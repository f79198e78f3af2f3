// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
/// \file
/// HostBase: the host application's services on this platform: the host settings record, the message
/// box and the table that maps drive letters onto native directories.
#ifndef YB_HOSTBASE_H
#define YB_HOSTBASE_H

#include <yb/ybTypes.h>

#include <cstdint>

/// How a message is shown: HB_MESSAGE_PLAIN as information, HB_MESSAGE_ERROR as an error.
enum HbMessageStyle : std::int32_t { HB_MESSAGE_PLAIN = 0, HB_MESSAGE_ERROR = 1 };
/// A host's message sink: receives each message's style, its GBK text and the host's `user` pointer.
using HbMessageSink = void (*)(HbMessageStyle style, char const* gbkText, void* user);

// Size of the host settings record and the fields this suite reads from it.
inline constexpr std::size_t HB_SETTINGS_SIZE = 1024;           ///< bytes of the record
inline constexpr std::size_t HB_BLOCK_DIRECTORY_OFFSET = 256;   ///< 128 bytes, NUL-terminated
inline constexpr std::size_t HB_BLOCK_DIRECTORY_SIZE = 128;     ///< bytes of the host block directory
inline constexpr std::size_t HB_LAYOUT_DIRECTORY_OFFSET = 384;  ///< 260 bytes, NUL-terminated
inline constexpr std::size_t HB_LAYOUT_DIRECTORY_SIZE = 260;    ///< bytes of the layout file directory

/// The host settings record; which = 0.
/// \param which the record asked for; 0 is the only one
/// \return the 1024-byte settings record (HB_SETTINGS_SIZE) for `which` = 0, else null
YB_API unsigned char const* hbGetSettings(std::int32_t which);
/// Sets the host block directory: text at record offset 256.
/// \param dir the host block directory (GBK); kept in the record's 128 bytes
YB_API void hbSetBlockDirectory(char const* dir);
/// Sets the layout file directory: text at record offset 384.
/// \param dir the layout file directory (GBK); kept in the record's 260 bytes
YB_API void hbSetLayoutDirectory(char const* dir);
/// Shows a message through the sink.
/// \param style plain or error
/// \param gbkText the message (GBK)
YB_API void hbMessageBox(HbMessageStyle style, char const* gbkText);
/// Installs the host's message sink; null restores the default sink.
/// \param sink the function that receives every message; null restores the default
/// \param user handed to `sink` with each message
YB_API void hbSetMessageSink(HbMessageSink sink, void* user);
/// Maps "D:" to a native directory; null unmaps.
/// \param letter the drive letter ("D" for "D:"; either case)
/// \param nativeDir the native directory; null unmaps the drive
/// \return false when `letter` is not a drive letter
YB_API bool hbSetDriveRoot(char letter, char const* nativeDir);

// Platform support shared by every library of the suite (not part of a host's duties).
/// The native directory a drive letter is mapped to (the table, else YB_DRIVE_<letter>), or null. The
/// text stays valid for the life of the process, whatever is mapped later.
/// \param letter the drive letter ("D" for "D:"; either case)
/// \return the native directory, or null when the drive is not mapped
YB_API char const* hbGetDriveRoot(char letter);
/// Whether the libraries hand what they write to the disk (sync it) at the points that keep every file
/// old or new through a power cut. On by default, off where the environment says YB_SYNC=0; a setting
/// made here wins over both. Off suits scratch work only: a crash of the machine may tear a file.
/// \param on true to sync (the default), false for scratch work
YB_API void hbSetSyncWrites(bool on);
/// Whether the libraries sync what they write (hbSetSyncWrites, else YB_SYNC, else on).
/// \return true when writes are synced
YB_API bool hbSyncWrites();

/// How long a library of the suite waits for a file that another program is changing (or reading while
/// a change waits) before it gives up, in milliseconds; 0 gives up at once. A negative value restores
/// the default: YB_LOCK_TIMEOUT_MS from the environment when it holds a number, else 10 seconds.
/// \param milliseconds the wait before giving up; 0 gives up at once; negative restores the default
YB_API void hbSetLockTimeout(std::int32_t milliseconds);
/// How long the libraries wait for another program's hold on a file (hbSetLockTimeout, else
/// YB_LOCK_TIMEOUT_MS, else 10 seconds).
/// \return the wait in milliseconds
YB_API std::int32_t hbGetLockTimeout();

/// Test hook: injected faults in the suite's file layer. Every file operation of every library asks
/// hbFileFault before it runs and fails as the system would (EIO) when the answer is true.
enum HbFileOperation : std::int32_t {
    HB_FILE_OPEN = 0,  ///< opening or creating a file
    HB_FILE_READ,
    HB_FILE_WRITE,
    HB_FILE_SEEK,
    HB_FILE_CLOSE,  ///< closing a file that was written
    HB_FILE_RESIZE,
    HB_FILE_RENAME,
    HB_FILE_REMOVE,
    HB_FILE_DIRECTORY,  ///< making or removing a directory
    HB_FILE_SYNC,       ///< handing a file's or a folder's changes to the disk
};
/// Arms the hook: counting operations from 1, the `failAt`-th fails, and with `sticky` every one after
/// it too (a disk that has filled up). A `failAt` below 1 disarms it. Arming resets the tallies below.
/// \param failAt the operation, counted from 1, that fails; below 1 disarms the hook
/// \param sticky true to fail every operation after it too
YB_API void hbSetFileFault(std::int64_t failAt, bool sticky);
/// Asked by every file operation of every library before it runs: true when the armed hook fails this one.
/// \param operation the kind of operation about to run
/// \return true when this operation is to fail
YB_API bool hbFileFault(HbFileOperation operation);
/// A test's own hook, asked by hbFileFault before the armed count (which it leaves alone): true fails
/// the operation.
using HbFileFaultHook = bool (*)(HbFileOperation operation, void* user);
/// Installs a test's own fault hook; null removes it.
/// \param hook asked before every file operation; true fails it; null removes the hook
/// \param user handed to `hook` with each operation
YB_API void hbSetFileFaultHook(HbFileFaultHook hook, void* user);
/// Operations counted since the hook was armed.
/// \return the number of file operations counted
YB_API std::int64_t hbFileOperationCount();
/// One bit (1 << operation) per kind of operation that the hook failed since it was armed.
/// \return one bit (1 << operation) per kind of operation that was failed
YB_API std::uint32_t hbFailedFileOperations();
/// Test hook: what the file layer changed on disk, in order, each handed to the recorder once it is done
/// (Linux; Windows records nothing). Paths are native (UTF-8); `handle` names the open file a write,
/// resize or file sync went to, as the opening that handed it out said.
struct HbFileEvent {
    HbFileOperation operation;  ///< OPEN, WRITE, RESIZE, SYNC, RENAME, REMOVE
    std::int32_t detail;        ///< OPEN: HB_OPENED_*; SYNC: HB_SYNCED_*; otherwise 0
    std::intptr_t handle;       ///< OPEN, WRITE, RESIZE, SYNC of a file
    char const* path;           ///< OPEN, RENAME (from), REMOVE, SYNC of a folder or file system
    char const* toPath;         ///< RENAME (to)
    std::uint64_t offset;       ///< WRITE: where; RESIZE: the new length
    std::uint64_t size;         ///< WRITE: how many bytes
    void const* data;           ///< WRITE: the bytes
};
/// How a recorded OPEN came about.
enum : std::int32_t {
    HB_OPENED_EXISTING = 0,  ///< an existing file opened for writing
    HB_OPENED_CREATED = 1,   ///< a new file created
};
/// What a recorded SYNC handed to the disk.
enum : std::int32_t {
    HB_SYNCED_FILE = 0,         ///< one file's data
    HB_SYNCED_FOLDER = 1,       ///< one folder's names
    HB_SYNCED_FILE_SYSTEM = 2,  ///< the whole file system holding a path
};
/// Receives each recorded file event.
using HbFileRecorder = void (*)(HbFileEvent const* event, void* user);
/// Installs the recorder of file events; null stops the recording.
/// \param recorder the function that receives each event; null stops the recording
/// \param user handed to `recorder` with each event
YB_API void hbSetFileRecorder(HbFileRecorder recorder, void* user);
/// Hands one event to the recorder, when one is installed (called by the file layer of every library).
/// \param event the operation just done
YB_API void hbRecordFileEvent(HbFileEvent const* event);
// Counts of changes made to folders by the libraries of this process, so that every library's own
// index of a folder's names sees the changes the others make, however close together they come.
// `folderKey` is a hash of the folder's native path; distinct folders may share a count.
/// Counts one change made to a folder by a library of this process.
/// \param folderKey the hash of the folder's native path
/// \return the folder's new count
YB_API std::uint64_t hbCountFolderChange(std::uint64_t folderKey);
/// The number of changes made to a folder by the libraries of this process.
/// \param folderKey the hash of the folder's native path
/// \return the folder's count
YB_API std::uint64_t hbFolderChangeCount(std::uint64_t folderKey);
// The span of one call on a thread, shared by the libraries of this process: what each library learns of
// folders inside a call of another (a workflow that calls them per image) is kept for the outermost call
// and dropped when it ends.
/// Enters a call on this thread (every exported function does); calls nest.
/// \return the number of the thread's outermost call, new when no call was open on the thread
YB_API std::uint64_t hbEnterCall();
/// Leaves the call entered last on this thread.
/// \return true when that ended the thread's outermost call
YB_API bool hbLeaveCall();

#endif
