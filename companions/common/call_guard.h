// Every export of a companion library runs its worker through guardedCall, so that an exception never
// crosses the library boundary: running out of memory becomes the library's own no-memory code, any
// other exception its code for damaged input.
#pragma once

#include <cstdint>
#include <new>
#include <utility>

namespace yb::companion {

template <class Worker>
std::int32_t guardedCall(std::int32_t noMemoryCode, std::int32_t otherFailureCode, Worker&& worker) noexcept {
    try {
        return std::forward<Worker>(worker)();
    } catch (std::bad_alloc const&) {
        return noMemoryCode;
    } catch (...) {
        return otherFailureCode;
    }
}

}  // namespace yb::companion
