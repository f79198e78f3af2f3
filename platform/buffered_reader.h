// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Reads an open file through one buffer, for walks over files made of headed groups of records. A small
// read (a group's header) comes from the buffer; a large one (a group's records) goes straight to its
// destination; a skip inside the buffer costs nothing and a longer one costs no read at all. A walk
// over a file's groups then makes about one system call per group it reads or jumps, never a seek
// and a refill per header.
#pragma once

#include "scratch.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <type_traits>
#include <vector>

namespace yb::platform {

class BufferedReader {
public:
    // Reads `file` from `offset` on. The stream's own buffer and position are left alone.
    BufferedReader(std::FILE* file, std::uint64_t offset);

    // False on a short read; the position is then unspecified.
    bool read(void* data, std::size_t size);
    // `count` records appended to `out`; false (with `out` as before) on a short read. They arrive
    // through a staging block the size of the nearest caches, so the caller's room is written once
    // rather than cleared first and overwritten.
    template <class T>
    bool readRecords(std::vector<T>& out, std::size_t count) {
        static_assert(std::is_trivially_copyable_v<T> && alignof(T) <= alignof(std::max_align_t));
        std::size_t const old = out.size();
        out.reserve(old + count);
        std::size_t const perBlock = std::max<std::size_t>(1, kStageBytes / sizeof(T));
        if (stage_.size() < std::min(count, perBlock) * sizeof(T)) stage_.resize(std::min(count, perBlock) * sizeof(T));
        for (std::size_t left = count; left > 0;) {
            std::size_t const n = std::min(left, perBlock);
            if (!read(stage_.data(), n * sizeof(T))) {
                out.resize(old);
                return false;
            }
            T const* first = reinterpret_cast<T const*>(stage_.data());
            out.insert(out.end(), first, first + n);
            left -= n;
        }
        return true;
    }
    // The same straight into the new room of a vector that does not clear it first.
    template <class T>
    bool readRecords(UninitialisedVector<T>& out, std::size_t count) {
        static_assert(std::is_trivially_copyable_v<T>);
        std::size_t const old = out.size();
        out.resize(old + count);
        if (!read(out.data() + old, count * sizeof(T))) {
            out.resize(old);
            return false;
        }
        return true;
    }
    // The same a stretch at a time, each stretch handed to `arrived(first, count)` (indices into `out`)
    // as soon as it is in place, while it is still in the nearest caches: work over every record then
    // costs no second walk through memory. While `arrived` answers true the next stretch follows; once
    // it answers false the rest comes in one read, handed on whole. On a short read `out` is as
    // before, whatever was handed on.
    template <class T, class Arrived>
    bool readRecords(UninitialisedVector<T>& out, std::size_t count, Arrived&& arrived) {
        static_assert(std::is_trivially_copyable_v<T>);
        std::size_t const old = out.size();
        out.resize(old + count);
        std::size_t const perStretch = std::max<std::size_t>(1, kStretchBytes / sizeof(T));
        bool stretches = true;
        for (std::size_t done = 0; done < count;) {
            std::size_t const n = stretches ? std::min(count - done, perStretch) : count - done;
            if (!read(out.data() + old + done, n * sizeof(T))) {
                out.resize(old);
                return false;
            }
            stretches = arrived(old + done, n);
            done += n;
        }
        return true;
    }
    // Up to `size` bytes, fewer where the file ends; the count read.
    std::size_t readSome(void* data, std::size_t size);
    void skip(std::uint64_t size);
    // Reads the rest of the file into the buffer at once and lets the file go: later reads are served
    // from the buffer alone, and one that runs past it fails. False when the file's length is unknown.
    bool holdRest();
    // The next `size` bytes where the buffer holds them, moving past them; null when it does not.
    unsigned char* take(std::size_t size) {
        if (position_ < bufferStart_ || position_ - bufferStart_ > buffered_ ||
            buffered_ - (position_ - bufferStart_) < size)
            return nullptr;
        unsigned char* const taken = buffer_.data() + (position_ - bufferStart_);
        position_ += size;
        return taken;
    }
    // The next `size` bytes, read into the buffer first when it does not hold them all, moving past them;
    // they stay there until the next read. Null on a short read.
    unsigned char* view(std::size_t size) {
        if (unsigned char* held = take(size)) return held;
        if (file_ == nullptr || !fill(size)) return nullptr;
        return take(size);
    }
    // Moves to `offset`; what the buffer holds stays usable.
    void seek(std::uint64_t offset) { position_ = offset; }
    std::uint64_t position() const { return position_; }
    // The file's length now.
    std::optional<std::uint64_t> length() const;

private:
    static constexpr std::size_t kStageBytes = std::size_t{64} << 10;
    // Far below the nearest caches' size, yet long enough that the extra reads cost little.
    static constexpr std::size_t kStretchBytes = std::size_t{256} << 10;
    bool fill(std::size_t atLeast);

    std::FILE* file_ = nullptr;
    std::uint64_t position_ = 0;
    UninitialisedVector<unsigned char> buffer_;
    std::uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
    std::size_t buffered_ = 0;       // valid bytes in buffer_
    std::size_t readAhead_;          // bytes a refill asks for
    std::vector<unsigned char> stage_;
};

}  // namespace yb::platform
