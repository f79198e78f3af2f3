// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "buffered_reader.h"

#include "fs_backend.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace yb::platform {
namespace {

// A walk over short groups refills in large blocks; one that jumps over or reads long groups refills
// only a page for the next header, since most of a large block would be jumped over or copied twice.
constexpr std::size_t kLargeReadAhead = std::size_t{64} << 10;
constexpr std::size_t kSmallReadAhead = std::size_t{4} << 10;

}  // namespace

BufferedReader::BufferedReader(std::FILE* file, std::uint64_t offset)
    : file_(file), position_(offset), readAhead_(kLargeReadAhead) {}

bool BufferedReader::fill(std::size_t atLeast) {
    std::size_t const wanted = std::max(atLeast, readAhead_);
    if (buffer_.size() < wanted) buffer_.resize(std::max(wanted, kLargeReadAhead));
    bufferStart_ = position_;
    // A read that brings what is needed is enough: one that comes back short has met the end of the
    // file, and asking again would only hear so.
    buffered_ = backend::readStreamAt(file_, position_, buffer_.data(), wanted, std::max<std::size_t>(atLeast, 1));
    return buffered_ >= atLeast;
}

std::size_t BufferedReader::readSome(void* data, std::size_t size) {
    if (size == 0) return 0;
    bool const inBuffer = position_ >= bufferStart_ && position_ < bufferStart_ + buffered_;
    if (!inBuffer && (file_ == nullptr || !fill(1))) return 0;
    std::size_t const offset = static_cast<std::size_t>(position_ - bufferStart_);
    std::size_t const part = std::min(size, buffered_ - offset);
    std::memcpy(data, buffer_.data() + offset, part);
    position_ += part;
    return part;
}

bool BufferedReader::read(void* data, std::size_t size) {
    auto* out = static_cast<unsigned char*>(data);
    // What the buffer holds of the wanted bytes.
    if (position_ >= bufferStart_ && position_ < bufferStart_ + buffered_) {
        std::size_t const offset = static_cast<std::size_t>(position_ - bufferStart_);
        std::size_t const part = std::min(size, buffered_ - offset);
        std::memcpy(out, buffer_.data() + offset, part);
        out += part;
        size -= part;
        position_ += part;
    }
    if (size == 0) return true;
    if (file_ == nullptr) return false;
    if (size >= kSmallReadAhead) {
        // Records go straight to their place; the header after them is fetched with a page, since
        // groups this long would leave most of a large block unused.
        std::size_t const got = backend::readStreamAt(file_, position_, out, size);
        position_ += got;
        readAhead_ = kSmallReadAhead;
        return got == size;
    }
    if (!fill(size)) return false;
    std::memcpy(out, buffer_.data(), size);
    position_ += size;
    return true;
}

void BufferedReader::skip(std::uint64_t size) {
    position_ += size;
    bool const inBuffer = position_ >= bufferStart_ && position_ < bufferStart_ + buffered_;
    readAhead_ = inBuffer ? kLargeReadAhead : kSmallReadAhead;
}

bool BufferedReader::holdRest() {
    std::optional<std::uint64_t> const end = length();
    if (!end) return false;
    std::size_t const rest = *end > position_ ? static_cast<std::size_t>(*end - position_) : 0;
    if (buffer_.size() < rest) buffer_.resize(rest);
    bufferStart_ = position_;
    // A file cut short meanwhile shows as a read past the end.
    buffered_ = rest == 0 ? 0 : backend::readStreamAt(file_, position_, buffer_.data(), rest);
    file_ = nullptr;
    return true;
}

std::optional<std::uint64_t> BufferedReader::length() const {
    if (file_ == nullptr) return std::nullopt;
    auto const stamp = stampOf(file_);
    if (!stamp) return std::nullopt;
    return stamp->size;
}

}  // namespace yb::platform
