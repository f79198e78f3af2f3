// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// How the file layer fails: HostBase's fault hook is asked before every operation, and every failure
// that is not "no such file" is tallied as an I/O error of the thread (fs.h, ioErrorTally). What an
// operation changed on disk is handed to HostBase's recorder once it is done, for the tests that
// replay what a power cut can leave.
#pragma once

#include <yb/HostBaseInternal.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace yb::platform::io {

// True when the hook fails this operation; errno is then EIO and the failure is tallied.
bool injected(HbFileOperation operation);
// True while the test hook refuses every opening for writing (hbSetWriteAccessRefused); errno is then
// EROFS, as on a read-only mount.
bool writeRefused();
// Tallies the failure that errno describes, unless the file or directory was simply not there.
void failed();
// Tallies a failure the system reported without errno (a stream's error flag).
void failedWithoutErrno();

// The changes made, for the recorder (nothing is built while none records).
void recordOpened(std::intptr_t handle, std::string const& native, bool created);
void recordWrite(std::intptr_t handle, std::uint64_t offset, void const* data, std::size_t size);
void recordResize(std::intptr_t handle, std::uint64_t length);
void recordFileSync(std::intptr_t handle);
void recordSync(std::string const& native, std::int32_t detail);  // a folder or a file system
void recordRename(std::string const& fromNative, std::string const& toNative);
void recordRemove(std::string const& native);

}  // namespace yb::platform::io
