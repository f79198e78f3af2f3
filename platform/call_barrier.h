// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The exception barrier of every exported function of the suite, the library's and the companions'
// alike: an exception never crosses a library boundary. Running out of memory becomes the library's
// no-memory code, any other exception its code for damaged input; a result that carries no code (a
// truth value, a text, a number) becomes its empty value, and a void call simply returns. The call
// is one CallScope (fs.h): what it learnt of folders is dropped when it returns.
#pragma once

#include "fs.h"

#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

namespace yb::platform {

template <class Result>
Result failureResult(std::int32_t code) {
    if constexpr (std::is_same_v<Result, std::int32_t>) {
        return code;
    } else if constexpr (std::is_void_v<Result>) {
        return;
    } else {
        return Result{};  // false, an empty text, 0.0
    }
}

template <class Worker>
auto callBarrier(std::int32_t noMemoryCode, std::int32_t otherFailureCode, Worker&& worker) noexcept
    -> decltype(worker()) {
    using Result = decltype(worker());
    CallScope const call;
    try {
        return std::forward<Worker>(worker)();
    } catch (std::bad_alloc const&) {
        return failureResult<Result>(noMemoryCode);
    } catch (...) {
        return failureResult<Result>(otherFailureCode);
    }
}

}  // namespace yb::platform
