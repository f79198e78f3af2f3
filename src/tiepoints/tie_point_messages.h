// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Every text the tie point store shows to the user, in UTF-8; they leave the library as GBK through
// the host's message box. Formats take GBK texts (paths, point names) and numbers.
#pragma once

#include "gbk.h"
#include "messages.h"

namespace yb::tiepoints::text {

inline constexpr char kCreateFileFailure[] = "Create Tie Point File <%s> Failure!";
inline constexpr char kOpenFileFailure[] = "Open Tie Point File <%s> Failure!";
// Shown when the merged file cannot be copied back over the original; the lower-case "file" is the
// text users have always seen for this case.
inline constexpr char kCopyBackFailure[] = "Create Tie Point file <%s> Failure!";
inline constexpr char kInvalidAddress[] = "无效的地址！";
inline constexpr char kUnsupportedFile[] = "不支持的连接点文件！";
inline constexpr char kFileDamaged[] = "连接点文件错误！";
inline constexpr char kGroupCountDamaged[] = "连接点文件记录错误！";
inline constexpr char kPointNotOnImage[] = "连接点<%s>不存在于影像<%ld>上！";
inline constexpr char kNoMemory[] = "Cannot alloc Memory!";
inline constexpr char kInvalidPointerAddress[] = "无效的指针地址！";
inline constexpr char kModelPointDamaged[] = "模型点数据错误！";

// The block workflows (detach, unite).
inline constexpr char kReadBlockOptionFailure[] = "Read Block Option File <%s> Failure!";
inline constexpr char kReadImageListFailure[] = "Read Block Image List File <%s> Failure!";
inline constexpr char kReadBlockTiePointFailure[] = "Read Block Tie Point File <%s> Failure!";
inline constexpr char kReadCameraFailure[] = "Read Camera File <%s> Failure!";
inline constexpr char kReadInnerOrientationFailure[] = "Read Inter Orient Coeff File <%s> Failure!";
inline constexpr char kCreateImageTiePointFailure[] = "Create Image Tie Point File <%s> Failure!";
inline constexpr char kReadImageTiePointFailure[] = "Read Image Tie Point File <%s> Failure!";

// Shows one of the fixed texts above in the error box.
inline void showErrorText(char const* utf8Text) { frame::showError(platform::gbkFromUtf8Literal(utf8Text)); }

}  // namespace yb::tiepoints::text
