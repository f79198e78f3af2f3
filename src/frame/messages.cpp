// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "messages.h"

#include "file_lock.h"
#include "fs.h"
#include "gbk.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace yb::frame {
namespace {

std::string vformatGbk(char const* utf8Format, std::va_list args) {
    std::string format = platform::gbkFromUtf8Literal(utf8Format);
    std::va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format.c_str(), copy);
    va_end(copy);
    if (needed <= 0) return std::string();
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format.c_str(), args);
    return std::string(buffer.data(), static_cast<std::size_t>(needed));
}

// Shown before the first message of a call after a wait for another program's lock ran out, in that
// message's style: the failure it tells of has this for its cause.
constexpr char kFileHeldElsewhere[] = "File <%s> is held by another program that is changing or reading it!";

// Shown once a call that refused to read a file torn by a change that a killed program left, which
// only a program that may write the file can undo.
constexpr char kFileLeftTorn[] =
    "File <%s> holds a change that was interrupted: a program with write access must open it once "
    "before it can be read!";

// The lock waits that ran out on this thread and the torn files met, told, or before the present call.
thread_local std::uint64_t toldLockTimeouts = 0;
thread_local std::uint64_t toldTornReads = 0;

void tellTornRead(HbMessageStyle style) {
    if (platform::tornReads() == toldTornReads) return;
    toldTornReads = platform::tornReads();
    std::string const file = platform::utf8ToGbk(platform::lastTornRead()).value_or(std::string());
    hbMessageBox(style, formatGbk(kFileLeftTorn, file.c_str()).c_str());
}

}  // namespace

void startCall() {
    toldLockTimeouts = platform::lockTimeouts();
    toldTornReads = platform::tornReads();
}

void endCall() noexcept {
    try {
        tellTornRead(HB_MESSAGE_ERROR);
    } catch (...) {
        // A message that cannot be shown changes no result.
    }
}

std::string formatGbk(char const* utf8Format, ...) {
    std::va_list args;
    va_start(args, utf8Format);
    std::string text = vformatGbk(utf8Format, args);
    va_end(args);
    return text;
}

void showMessage(HbMessageStyle style, std::string_view gbkText) {
    if (platform::lockTimeouts() != toldLockTimeouts) {
        toldLockTimeouts = platform::lockTimeouts();
        std::string const file = platform::utf8ToGbk(platform::lastLockTimeoutFile()).value_or(std::string());
        hbMessageBox(style, formatGbk(kFileHeldElsewhere, file.c_str()).c_str());
    }
    tellTornRead(style);
    hbMessageBox(style, std::string(gbkText).c_str());
}

void showError(std::string_view gbkText) { showMessage(HB_MESSAGE_ERROR, gbkText); }

void showErrorF(char const* utf8Format, ...) {
    std::va_list args;
    va_start(args, utf8Format);
    std::string text = vformatGbk(utf8Format, args);
    va_end(args);
    showMessage(HB_MESSAGE_ERROR, text);
}

void showPlainF(char const* utf8Format, ...) {
    std::va_list args;
    va_start(args, utf8Format);
    std::string text = vformatGbk(utf8Format, args);
    va_end(args);
    showMessage(HB_MESSAGE_PLAIN, text);
}

}  // namespace yb::frame
