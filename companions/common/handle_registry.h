// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The live objects a companion library has handed out, keyed by the address the caller holds. A call
// with a null, already released or foreign address finds nothing and gets a result code instead of
// touching memory that is not ours. Every access runs under one lock, so handles may be used from
// several threads.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace yb::companion {

template <class Object>
class HandleRegistry {
public:
    // Takes ownership of `object`, reachable from now on through `key`.
    void add(void const* key, std::unique_ptr<Object> object) {
        std::lock_guard lock(mutex_);
        objects_[key] = std::move(object);
    }

    // Runs `action(Object&)` under the lock when `key` is live and returns its result; `unknownCode`
    // otherwise.
    template <class Action>
    std::int32_t with(void const* key, std::int32_t unknownCode, Action&& action) {
        std::lock_guard lock(mutex_);
        auto found = key != nullptr ? objects_.find(key) : objects_.end();
        if (found == objects_.end()) return unknownCode;
        return std::forward<Action>(action)(*found->second);
    }

    // Hands the object back to the caller and forgets the key; null when the key is not live.
    std::unique_ptr<Object> take(void const* key) {
        std::lock_guard lock(mutex_);
        auto found = key != nullptr ? objects_.find(key) : objects_.end();
        if (found == objects_.end()) return nullptr;
        std::unique_ptr<Object> object = std::move(found->second);
        objects_.erase(found);
        return object;
    }

private:
    std::mutex mutex_;
    std::unordered_map<void const*, std::unique_ptr<Object>> objects_;
};

}  // namespace yb::companion
