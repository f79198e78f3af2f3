// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
/// \file
/// HostBase's plumbing between the libraries of the suite, and the hooks of the suite's own tests.
///
/// Not for hosts, and no promise: nothing here is part of the libraries' interface. It is not installed,
/// its functions are exported under a version of their own (HOSTBASE_INTERNAL, outside the ABI baseline),
/// and any release may change or remove any of it without a new version number.
#ifndef YB_HOSTBASEINTERNAL_H
#define YB_HOSTBASEINTERNAL_H

#include <yb/HostBase.h>

#include <cstdint>

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
/// Test hook: while on, no file of this process is opened for writing nor made (each such opening fails
/// as on a read-only mount, EROFS), as on a station that may only read the block.
/// \param refused true to refuse every opening for writing, false to allow them again
YB_API void hbSetWriteAccessRefused(bool refused);
/// Asked by every opening for writing of every library.
/// \return true while openings for writing are refused
YB_API bool hbWriteAccessRefused();
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
