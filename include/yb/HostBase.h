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
// The native directory a drive letter is mapped to (the table, else YB_DRIVE_<letter>), or null.
YB_API char const* hbGetDriveRoot(char letter);
// Test hook: the write after `writesBeforeFailure` successful ones comes up short; a negative
// value switches the fault off. hbConsumeWriteFault() is asked by every write of the suite.
YB_API void hbSetWriteFault(std::int32_t writesBeforeFailure);
YB_API bool hbConsumeWriteFault();
// Counts of changes made to folders by the libraries of this process, so that every library's own
// index of a folder's names sees the changes the others make, however close together they come.
// `folderKey` is a hash of the folder's native path; distinct folders may share a count.
YB_API std::uint64_t hbCountFolderChange(std::uint64_t folderKey);  // counts one change; the new count
YB_API std::uint64_t hbFolderChangeCount(std::uint64_t folderKey);

#endif
