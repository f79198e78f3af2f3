// Room for the large temporary arrays of a call, kept per thread from one call to the next. A query
// over images of tens of thousands of points would otherwise spend most of its time having fresh
// memory mapped and cleared by the system, every call. A lease takes an empty vector from the
// thread's pool (a new one when the pool has none, as in a call made from inside another) and gives
// it back empty when it ends, keeping its room unless that grew past a bound.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace yb::platform {

// An allocator whose vectors leave the room that resize adds uninitialised: room about to be
// overwritten whole (by a read) is not cleared first.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <class U>
    UninitialisedAllocator(UninitialisedAllocator<U> const&) noexcept {}
    template <class U>
    void construct(U* at) noexcept {
        ::new (static_cast<void*>(at)) U;
    }
    template <class U, class... Arguments>
    void construct(U* at, Arguments&&... arguments) {
        std::construct_at(at, std::forward<Arguments>(arguments)...);
    }
};
template <class T>
using UninitialisedVector = std::vector<T, UninitialisedAllocator<T>>;

template <class T, class Allocator = std::allocator<T>>
class ScratchVector {
public:
    using Vector = std::vector<T, Allocator>;

    ScratchVector() {
        auto& free = pool();
        if (!free.empty()) {
            vector_ = std::move(free.back());
            free.pop_back();
        }
    }
    ScratchVector(ScratchVector const&) = delete;
    ScratchVector& operator=(ScratchVector const&) = delete;
    ~ScratchVector() {
        vector_.clear();
        auto& free = pool();
        if (vector_.capacity() * sizeof(T) <= kMostKeptBytes && free.size() < kMostKept) {
            free.push_back(std::move(vector_));
        }
    }

    Vector& operator*() { return vector_; }
    Vector const& operator*() const { return vector_; }
    Vector* operator->() { return &vector_; }
    Vector const* operator->() const { return &vector_; }

private:
    static constexpr std::size_t kMostKeptBytes = std::size_t{64} << 20;
    static constexpr std::size_t kMostKept = 8;
    static std::vector<Vector>& pool() {
        thread_local std::vector<Vector> free;
        return free;
    }

    Vector vector_;
};

}  // namespace yb::platform
