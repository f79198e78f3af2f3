// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// What calls learnt from a few files, kept for the next call on the same file: each value with the
// stamp (FileStamp) of the file it was learnt from, and given out again only while the file's stamp
// is equal. A call takes the value out (so two threads never share one), uses and extends it, and puts
// it back; the oldest of more than `MostFiles` files is dropped. Thread safe.
#pragma once

#include "fs.h"

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace yb::platform {

template <class Value, std::size_t MostFiles>
class StampedMemo {
public:
    // The value kept for `key` when it was learnt from a file of this stamp; any value kept for the
    // key leaves the memo either way.
    std::optional<Value> take(std::string const& key, FileStamp const& stamp) {
        std::lock_guard guard(lock_);
        for (auto it = kept_.begin(); it != kept_.end(); ++it) {
            if (it->key != key) continue;
            std::optional<Value> value;
            if (it->stamp == stamp) value = std::move(it->value);
            kept_.erase(it);
            return value;
        }
        return std::nullopt;
    }

    // Keeps `value` for `key`, in place of what the key held.
    void put(std::string key, FileStamp const& stamp, Value value) {
        std::lock_guard guard(lock_);
        for (auto it = kept_.begin(); it != kept_.end(); ++it) {
            if (it->key == key) {
                kept_.erase(it);
                break;
            }
        }
        if (kept_.size() >= MostFiles) kept_.erase(kept_.begin());
        kept_.push_back(Kept{std::move(key), stamp, std::move(value)});
    }

    // Drops every value: for a change to files of this kind whose stamp may not show it.
    void clear() {
        std::lock_guard guard(lock_);
        kept_.clear();
    }

private:
    struct Kept {
        std::string key;
        FileStamp stamp;
        Value value;
    };
    std::mutex lock_;
    std::vector<Kept> kept_;
};

}  // namespace yb::platform
