// The export frame: every exported function runs its worker inside guarded(), so that nothing but a
// result (a code, false, an empty text, zero) ever leaves the library.
#pragma once

#include <yb/ybBlockFileIO.h>

#include <new>
#include <string>
#include <type_traits>
#include <utility>

namespace yb::frame {

template <class Result>
Result failureResult(std::int32_t code) {
    if constexpr (std::is_same_v<Result, std::int32_t>) {
        return code;
    } else if constexpr (std::is_same_v<Result, void>) {
        return;
    } else {
        return Result{};  // false, an empty text, 0.0
    }
}

template <class Worker>
auto guarded(Worker&& worker) noexcept -> decltype(worker()) {
    using Result = decltype(worker());
    try {
        return std::forward<Worker>(worker)();
    } catch (std::bad_alloc const&) {
        return failureResult<Result>(kNoMemory);
    } catch (...) {
        return failureResult<Result>(kInvalidContent);
    }
}

}  // namespace yb::frame
