// How the file layer fails: HostBase's fault hook is asked before every operation, and every failure
// that is not "no such file" is tallied as an I/O error of the thread (fs.h, ioErrorTally).
#pragma once

#include <yb/HostBase.h>

namespace yb::platform::io {

// True when the hook fails this operation; errno is then EIO and the failure is tallied.
bool injected(HbFileOperation operation);
// Tallies the failure that errno describes, unless the file or directory was simply not there.
void failed();
// Tallies a failure the system reported without errno (a stream's error flag).
void failedWithoutErrno();

}  // namespace yb::platform::io
