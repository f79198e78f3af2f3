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

#endif
