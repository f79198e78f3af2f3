// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The export frame: every exported function runs its worker inside guarded(), so that nothing but a
// result (a code, false, an empty text, zero) ever leaves the library.
#pragma once

#include "call_barrier.h"
#include "messages.h"

#include <yb/ybBlockFileIO.h>

#include <utility>

namespace yb::frame {

template <class Worker>
auto guarded(Worker&& worker) noexcept -> decltype(worker()) {
    startCall();
    return platform::callBarrier(kNoMemory, kInvalidContent, std::forward<Worker>(worker));
}

}  // namespace yb::frame
