// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "binary_io.h"

#include "fs.h"
#include "io_errors.h"

#include <algorithm>
#include <cstring>

namespace yb::platform {

bool BinaryStream::read(void* data, std::size_t size) {
    if (size == 0) return true;
    return readSome(data, size) == size;
}

std::size_t BinaryStream::readSome(void* data, std::size_t size) {
    if (stream_ == nullptr || size == 0 || io::injected(HB_FILE_READ)) return 0;
    std::size_t const got = std::fread(data, 1, size, stream_);
    if (got < size && std::ferror(stream_) != 0) io::failedWithoutErrno();
    return got;
}

bool BinaryStream::readMagic(std::string_view magic) { return readMagicStatus(magic, magic.size()) == Magic::Present; }

BinaryStream::Magic BinaryStream::readMagicStatus(std::string_view magic, std::uint64_t length) {
    std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(length, magic.size())), '\0');
    if (!read(head.data(), head.size())) return Magic::CutShort;
    if (magic.substr(0, head.size()) != head) return Magic::Different;
    return head.size() < magic.size() ? Magic::CutShort : Magic::Present;
}

bool BinaryStream::seek(std::int64_t offset, int origin) {
    if (stream_ == nullptr || io::injected(HB_FILE_SEEK)) return false;
    if (seekStream(stream_, offset, origin)) return true;
    io::failed();
    return false;
}

std::optional<std::int64_t> BinaryStream::tell() const {
    if (stream_ == nullptr) return std::nullopt;
    return tellStream(stream_);
}

std::optional<std::uint64_t> BinaryStream::length() const {
    // Asked of the file itself: a seek to the end and back would throw away what the stream buffered.
    if (stream_ == nullptr || io::injected(HB_FILE_SEEK)) return std::nullopt;
    auto const stamp = stampOf(stream_);
    if (!stamp) return std::nullopt;
    return stamp->size;
}

std::optional<std::uint64_t> BinaryStream::remaining() const {
    auto here = tell();
    auto total = length();
    if (!here || !total || static_cast<std::uint64_t>(*here) > *total) return std::nullopt;
    return *total - static_cast<std::uint64_t>(*here);
}

}  // namespace yb::platform
