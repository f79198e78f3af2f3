// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Room for the large temporary arrays of a call, kept per thread from one call to the next. A query
// over images of tens of thousands of points would otherwise spend most of its time having fresh
// memory mapped and cleared by the system, every call. A lease takes an empty vector from the
// thread's pool (a new one when the pool has none, as in a call made from inside another) and gives
// it back empty when it ends. What the pools of a thread keep, all kinds together, stays within a
// small bound (kMostKeptBytes): room past it goes back to the system when its lease ends, so a large
// call leaves no large memory behind.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace yb::platform {

// Room of kLargeBytes or more, for a large temporary array: on Linux mapped on its own and given huge
// pages where the system has them, so it is faulted in a few times rather than once every 4 KiB;
// elsewhere from the heap. Throws std::bad_alloc when there is no room.
inline constexpr std::size_t kLargeBytes = std::size_t{2} << 20;
void* allocateLarge(std::size_t bytes);
void freeLarge(void* memory, std::size_t bytes) noexcept;

// An allocator whose vectors leave the room that resize adds uninitialised: room about to be
// overwritten whole (by a read) is not cleared first. Large arrays take their room from allocateLarge.
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
    T* allocate(std::size_t count) {
        if (count > std::size_t(-1) / sizeof(T)) throw std::bad_alloc();
        if (count * sizeof(T) >= kLargeBytes) return static_cast<T*>(allocateLarge(count * sizeof(T)));
        return std::allocator<T>::allocate(count);
    }
    void deallocate(T* at, std::size_t count) noexcept {
        if (count * sizeof(T) >= kLargeBytes)
            freeLarge(at, count * sizeof(T));
        else
            std::allocator<T>::deallocate(at, count);
    }
};
template <class T>
using UninitialisedVector = std::vector<T, UninitialisedAllocator<T>>;

namespace scratch {
// Bytes the pools of this thread keep, all kinds together, and the bound on them.
inline constexpr std::size_t kMostKeptBytes = std::size_t{16} << 20;
inline std::size_t& keptBytes() {
    thread_local std::size_t kept = 0;
    return kept;
}
}  // namespace scratch

template <class T, class Allocator = std::allocator<T>>
class ScratchVector {
public:
    using Vector = std::vector<T, Allocator>;

    ScratchVector() {
        auto& free = pool();
        if (!free.empty()) {
            vector_ = std::move(free.back());
            free.pop_back();
            scratch::keptBytes() -= bytes(vector_);
        }
    }
    ScratchVector(ScratchVector const&) = delete;
    ScratchVector& operator=(ScratchVector const&) = delete;
    ~ScratchVector() {
        vector_.clear();
        auto& free = pool();
        std::size_t const room = bytes(vector_);
        if (room > 0 && room <= scratch::kMostKeptBytes - scratch::keptBytes() && free.size() < kMostKept) {
            scratch::keptBytes() += room;
            free.push_back(std::move(vector_));
        }
    }

    Vector& operator*() { return vector_; }
    Vector const& operator*() const { return vector_; }
    Vector* operator->() { return &vector_; }
    Vector const* operator->() const { return &vector_; }

private:
    static constexpr std::size_t kMostKept = 4;
    static std::size_t bytes(Vector const& vector) { return vector.capacity() * sizeof(T); }
    static std::vector<Vector>& pool() {
        thread_local std::vector<Vector> free;
        return free;
    }

    Vector vector_;
};

}  // namespace yb::platform
