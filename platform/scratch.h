// Room for the large temporary arrays of a call, kept per thread from one call to the next. A query
// over images of tens of thousands of points would otherwise spend most of its time having fresh
// memory mapped and cleared by the system, every call. A lease takes an empty vector from the
// thread's pool (a new one when the pool has none, as in a call made from inside another) and gives
// it back empty when it ends, keeping its room unless that grew past a bound.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace yb::platform {

template <class T>
class ScratchVector {
public:
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

    std::vector<T>& operator*() { return vector_; }
    std::vector<T> const& operator*() const { return vector_; }
    std::vector<T>* operator->() { return &vector_; }
    std::vector<T> const* operator->() const { return &vector_; }

private:
    static constexpr std::size_t kMostKeptBytes = std::size_t{64} << 20;
    static constexpr std::size_t kMostKept = 8;
    static std::vector<std::vector<T>>& pool() {
        thread_local std::vector<std::vector<T>> free;
        return free;
    }

    std::vector<T> vector_;
};

}  // namespace yb::platform
