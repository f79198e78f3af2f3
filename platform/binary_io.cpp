#include "binary_io.h"

#include "fs.h"
#include "hostpath.h"

#include <yb/HostBase.h>

#include <cstring>

namespace yb::platform {

bool BinaryStream::read(void* data, std::size_t size) {
    if (size == 0) return true;
    return stream_ != nullptr && std::fread(data, 1, size, stream_) == size;
}

bool BinaryStream::write(void const* data, std::size_t size) {
    if (size == 0) return true;
    if (stream_ == nullptr || hbConsumeWriteFault()) return false;
    return std::fwrite(data, 1, size, stream_) == size;
}

bool BinaryStream::readText(std::string& text, std::size_t width) {
    std::vector<char> field(width);
    if (!read(field.data(), width)) return false;
    text = std::string(boundedText(field.data(), width));
    return true;
}

bool BinaryStream::writeText(std::string_view text, std::size_t width) {
    std::vector<char> field(width, '\0');
    if (width > 0) storeText(field.data(), width, text);
    return write(field.data(), width);
}

bool BinaryStream::readMagic(std::string_view magic) {
    std::string buffer(magic.size(), '\0');
    return read(buffer.data(), buffer.size()) && buffer == magic;
}

bool BinaryStream::seek(std::int64_t offset, int origin) {
    return stream_ != nullptr && seekStream(stream_, offset, origin);
}

std::optional<std::int64_t> BinaryStream::tell() const {
    if (stream_ == nullptr) return std::nullopt;
    return tellStream(stream_);
}

std::optional<std::uint64_t> BinaryStream::length() const {
    auto here = tell();
    if (!here || !seekStream(stream_, 0, SEEK_END)) return std::nullopt;
    auto end = tellStream(stream_);
    if (!seekStream(stream_, *here, SEEK_SET) || !end) return std::nullopt;
    return static_cast<std::uint64_t>(*end);
}

std::optional<std::uint64_t> BinaryStream::remaining() const {
    auto here = tell();
    auto total = length();
    if (!here || !total || static_cast<std::uint64_t>(*here) > *total) return std::nullopt;
    return *total - static_cast<std::uint64_t>(*here);
}

}  // namespace yb::platform
