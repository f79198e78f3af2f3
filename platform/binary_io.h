// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Typed little-endian reads on a stdio stream. Every call says whether it moved all its bytes, so a
// short read is always seen. Records are read as their memory image: the suite only builds for
// little-endian machines. Writing goes through write_path.h.
#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace yb::platform {

static_assert(std::endian::native == std::endian::little, "file layouts are little-endian memory images");

// True when `count` records of `recordSize` bytes fit in `available` bytes (no overflow, count >= 0).
constexpr bool countFits(std::int64_t count, std::uint64_t recordSize, std::uint64_t available) {
    if (count < 0) return false;
    if (count == 0 || recordSize == 0) return true;
    return static_cast<std::uint64_t>(count) <= available / recordSize;
}

class BinaryStream {
public:
    explicit BinaryStream(std::FILE* stream) : stream_(stream) {}

    std::FILE* get() const { return stream_; }

    bool read(void* data, std::size_t size);
    // Reads up to `size` bytes and returns how many came (fewer only at the end of the file or on an
    // error).
    std::size_t readSome(void* data, std::size_t size);

    template <class T>
    bool readValue(T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        return read(&value, sizeof value);
    }
    // `count` records in one read, appended to `out`; false (with `out` as before) on a short read.
    template <class T>
    bool readRecords(std::vector<T>& out, std::size_t count) {
        static_assert(std::is_trivially_copyable_v<T>);
        std::size_t const old = out.size();
        out.resize(old + count);
        if (read(out.data() + old, count * sizeof(T))) return true;
        out.resize(old);
        return false;
    }

    bool readI32(std::int32_t& value) { return readValue(value); }
    bool readDouble(double& value) { return readValue(value); }

    // Reads magic.size() bytes and compares them exactly; false on a short read or a difference.
    bool readMagic(std::string_view magic);
    // The magic told apart as present, cut short by the end of the file, or different, for files whose
    // kinds answer those differently. `length` is the file's length: a file that ends inside the magic
    // is cut short when the bytes it has agree with the magic (every short file is, given magic.size()).
    enum class Magic { Present, CutShort, Different };
    Magic readMagicStatus(std::string_view magic, std::uint64_t length);
    // readMagicStatus answered in the caller's own result codes, one for each outcome.
    template <class Code>
    Code readMagicAs(std::string_view magic, std::uint64_t length, Code present, Code cutShort, Code different) {
        switch (readMagicStatus(magic, length)) {
            case Magic::Present: return present;
            case Magic::CutShort: return cutShort;
            case Magic::Different: break;
        }
        return different;
    }

    bool seek(std::int64_t offset, int origin = SEEK_SET);
    std::optional<std::int64_t> tell() const;
    // Total length of the stream's file, leaving the position unchanged.
    std::optional<std::uint64_t> length() const;
    // Bytes from the current position to the end.
    std::optional<std::uint64_t> remaining() const;

private:
    std::FILE* stream_;
};

}  // namespace yb::platform
