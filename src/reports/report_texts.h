// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Texts of the block reports, in UTF-8; they are written to the report in GBK.
#pragma once

#include "file_kinds.h"
#include "image_types.h"

namespace yb::reports::texts {

// By image type (image_types.h).
inline constexpr char const* kImageTypeNames[frame::kImageTypeCount] = {
    "量测相机\n",     "数字相机\n",       "非量测相机\n",        "一般卫星影像\n",
    "SPOT卫星影像\n", "IKONOS卫星影像\n", "QUICKBIRD卫星影像\n",
};

// The title line is what tells a report from other text files.
inline constexpr char const* kTitle = frame::magicOf(frame::FileKind::BlockStateReport).data();
inline constexpr char const* kBlockNameLabel = "测区名：\t";
inline constexpr char const* kImageTypeLabel = "影像类型：\t";

inline constexpr char const* kBlockSection = "\n测区参数状态\n";
inline constexpr char const* kBlockHeaderCamera = "控制点文件\t影像参数文件\t相机参数\n";
inline constexpr char const* kBlockHeaderImageParameters = "控制点文件\t影像参数文件\n";
inline constexpr char const* kBlockHeaderControlOnly = "控制点文件\n";

inline constexpr char const* kImageSection = "\n影像参数状态\n";
inline constexpr char const* kImageHeader = "影像号\t影像名\t\t定向参数\n";

inline constexpr char const* kModelSection = "\n模型参数状态\n";
inline constexpr char const* kModelCount = "模型数： %d\n";
inline constexpr char const* kModelHeader = "模型号\t模型名\t\t相对定向参数\t绝对定向参数\t左核线影像\t右核线影像\n";

inline constexpr char const* kYes = "Yes\t\t";
inline constexpr char const* kNo = "No\t\t";

}  // namespace yb::reports::texts
