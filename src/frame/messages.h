// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Messages shown to the user through the host's message box. Texts are written in UTF-8 in the
// source and leave the library as GBK bytes.
#pragma once

#include <yb/HostBase.h>

#include <string>
#include <string_view>

namespace yb::frame {

// `utf8Format` is a printf format; the arguments are GBK texts or numbers and are placed into the
// GBK form of the format.
std::string formatGbk(char const* utf8Format, ...) __attribute__((format(printf, 1, 2)));

// Marks the start of an exported call. A wait for another program's lock that runs out within the
// call is told, naming the file, before the call's first message: the operations that show
// messages say why they failed; the others answer with their code alone.
void startCall();
// Tells, at the end of a call, what it met that no message of its own told (a file it would not read).
void endCall() noexcept;

void showMessage(HbMessageStyle style, std::string_view gbkText);
void showError(std::string_view gbkText);

// Formats and shows in one step.
void showErrorF(char const* utf8Format, ...) __attribute__((format(printf, 1, 2)));
void showPlainF(char const* utf8Format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace yb::frame
