// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The export frame: every exported function runs its worker inside guarded(), so that nothing but a
// result (a code, false, an empty text, zero) ever leaves the library.
#pragma once

#include "call_barrier.h"
#include "messages.h"

#include <yb/ybBlockFileIO.h>

#include <type_traits>
#include <utility>

namespace yb::frame {

template <class Worker>
auto guarded(Worker&& worker) noexcept -> decltype(worker()) {
    startCall();
    using Result = decltype(worker());
    if constexpr (std::is_void_v<Result>) {
        platform::callBarrier(kNoMemory, kInvalidContent, std::forward<Worker>(worker));
        endCall();
    } else {
        Result result = platform::callBarrier(kNoMemory, kInvalidContent, std::forward<Worker>(worker));
        endCall();
        return result;
    }
}

}  // namespace yb::frame
