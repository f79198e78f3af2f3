#include "buffered_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace yb::platform {
namespace {

// A walk over short groups refills in large blocks; one that jumps over or reads long groups refills
// only a page for the next header, since most of a large block would be jumped over or copied twice.
constexpr std::size_t kLargeReadAhead = std::size_t{64} << 10;
constexpr std::size_t kSmallReadAhead = std::size_t{4} << 10;

// Reads up to `size` bytes at `offset`; the number read, short only at the end of the file.
std::size_t readAt(int descriptor, void* data, std::size_t size, std::uint64_t offset) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t const got = ::pread(descriptor, static_cast<unsigned char*>(data) + done, size - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace

BufferedReader::BufferedReader(std::FILE* file, std::uint64_t offset)
    : descriptor_(file != nullptr ? ::fileno(file) : -1), position_(offset), readAhead_(kLargeReadAhead) {}

bool BufferedReader::fill(std::size_t atLeast) {
    std::size_t const wanted = std::max(atLeast, readAhead_);
    if (buffer_.size() < wanted) buffer_.resize(std::max(wanted, kLargeReadAhead));
    bufferStart_ = position_;
    buffered_ = readAt(descriptor_, buffer_.data(), wanted, position_);
    return buffered_ >= atLeast;
}

bool BufferedReader::read(void* data, std::size_t size) {
    if (descriptor_ < 0) return false;
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
    if (size >= kSmallReadAhead) {
        // Records go straight to their place; the header after them is fetched with a page, since
        // groups this long would leave most of a large block unused.
        std::size_t const got = readAt(descriptor_, out, size, position_);
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

std::optional<std::uint64_t> BufferedReader::length() const {
    struct stat info {};
    if (descriptor_ < 0 || ::fstat(descriptor_, &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

}  // namespace yb::platform
