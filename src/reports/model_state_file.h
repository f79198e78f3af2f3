// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The model product state file: which stereo models of a block already have their product (an
// orthophoto ".dom" or an epipolar image ".epi").
//
//   offset          size   content
//   0               128    magic "YB_BLK_STATE_FILE_VER1.0", zero bytes up to 128
//   128             4      N, the number of entry slots
//   132             4      U, the number of entries filled so far
//   136             4 * N  model numbers (left image number, strip * 100 + k), entry i at 136 + 4i
//   136 + 4N        U      one flag byte per filled entry: 1 when the product was found
#pragma once

#include "file_kinds.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace yb::reports {

inline constexpr std::string_view kStateMagic = frame::magicOf(frame::FileKind::ModelState);
inline constexpr std::size_t kMagicFieldSize = 128;
inline constexpr std::int64_t kSlotCountOffset = 128;
inline constexpr std::int64_t kUsedCountOffset = 132;
inline constexpr std::int64_t kNumbersOffset = 136;
static_assert(kStateMagic.size() == 24 && kNumbersOffset == kMagicFieldSize + 8);

constexpr std::int64_t flagsOffset(std::int32_t slots) { return kNumbersOffset + 4 * std::int64_t{slots}; }

}  // namespace yb::reports
