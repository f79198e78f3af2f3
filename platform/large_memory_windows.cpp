// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Large blocks of memory on Windows: from the heap, as any other.
#include "scratch.h"

#include <new>

namespace yb::platform {

void* allocateLarge(std::size_t bytes) { return ::operator new(bytes); }

void freeLarge(void* memory, std::size_t) noexcept { ::operator delete(memory); }

}  // namespace yb::platform
