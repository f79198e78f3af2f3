// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// What every fuzzing harness shares: a folder on tmpfs mapped as drive F:, the input written there as
// a file, numbers for the readers' arguments taken from the input's tail, and a quiet message sink.
#pragma once

#include <yb/HostBase.h>
#include <yb/ybBlockFileIO.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace yb::fuzz {

// The folder behind drive F:. It lives on tmpfs (/dev/shm) so that the file of every input costs no
// disk write; YB_FUZZ_DIR names another parent. It is emptied before each input, so no input sees
// files an earlier one left, and removed when the process ends normally.
class Drive {
public:
    static Drive& get() {
        static Drive drive;
        return drive;
    }

    // Host path "F:\name" of a file in the folder (name may hold backslashes).
    static std::string host(std::string_view name) { return "F:\\" + std::string(name); }
    std::string native(std::string_view name) const { return root_ + "/" + std::string(name); }

    // Starts an input: empties the folder, writes the input as the file `name` (slashes for folders)
    // and gives that file's host path.
    std::string start(std::string_view name, std::uint8_t const* data, std::size_t size) {
        reset();
        write(name, data, size);
        std::string path = host(name);
        for (char& c : path)
            if (c == '/') c = '\\';
        return path;
    }
    // Empties the folder.
    void reset() {
        std::error_code ignored;
        for (auto const& entry : std::filesystem::directory_iterator(root_, ignored))
            std::filesystem::remove_all(entry.path(), ignored);
    }
    void write(std::string_view name, std::uint8_t const* data, std::size_t size) const {
        std::filesystem::path const path = native(name);
        std::error_code ignored;
        std::filesystem::create_directories(path.parent_path(), ignored);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) std::abort();  // the fuzzing folder itself is broken: stop loudly
        if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
        std::fclose(file);
    }
    void write(std::string_view name, std::string_view bytes) const {
        write(name, reinterpret_cast<std::uint8_t const*>(bytes.data()), bytes.size());
    }
    // Writes a file named by a host path on drive F:; paths elsewhere are left alone (false).
    bool writeHost(std::string_view hostPath, std::string_view bytes) const {
        if (hostPath.size() < 4 || (hostPath[0] != 'F' && hostPath[0] != 'f') || hostPath.substr(1, 2) != ":\\")
            return false;
        std::string name(hostPath.substr(3));
        for (char& c : name)
            if (c == '\\') c = '/';
        write(name, bytes);
        return true;
    }
    void copy(std::string_view from, std::string_view to) const {
        std::error_code ignored;
        std::filesystem::copy_file(native(from), native(to), std::filesystem::copy_options::overwrite_existing,
                                   ignored);
    }

private:
    Drive() {
        char const* parent = std::getenv("YB_FUZZ_DIR");
        std::string pattern = std::string(parent != nullptr ? parent : "/dev/shm") + "/yb-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        root_ = pattern;
        hbSetDriveRoot('F', root_.c_str());
        hbSetMessageSink(&quietSink, nullptr);
    }
    ~Drive() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    // Messages about damaged files are expected by the thousand; the sink still reads each text to its
    // end, so a message built without its terminator is caught.
    static void quietSink(HbMessageStyle, char const* text, void*) {
        volatile std::size_t length = text != nullptr ? std::strlen(text) : 0;
        (void)length;
    }

    std::string root_;
};

// Numbers for the readers' arguments, taken from the end of the input (the same bytes are the file
// too, so a seed file is a complete input). Most picks are the values a caller would pass for the
// seed files, the rest are small, extreme or raw numbers: zero, negatives, INT32_MAX, INT32_MIN.
// Past the input's first byte every pick is the first typical value.
class Numbers {
public:
    Numbers(std::uint8_t const* data, std::size_t size) : data_(data), left_(size) {}

    std::int32_t pick(std::initializer_list<std::int32_t> typical) {
        std::uint8_t const choice = byte();
        switch (choice >> 5) {
            case 4: return static_cast<std::int32_t>(choice & 15) - 2;
            case 5: {
                static constexpr std::int32_t kEdges[] = {
                    INT32_MAX, INT32_MIN, INT32_MAX - 1, INT32_MIN + 1,   -1,      0,      1,    99,
                    100,       101,       199,           INT32_MAX / 100, 0x10000, 0x7FFF, -100, INT32_MIN / 100};
                return kEdges[choice & 15];
            }
            case 6:
            case 7: {
                std::uint32_t raw = 0;
                for (int i = 0; i < 4; ++i) raw = raw << 8 | byte();
                return static_cast<std::int32_t>(raw);
            }
            default: return typical.begin()[choice % typical.size()];
        }
    }
    std::int16_t pickShort(std::initializer_list<std::int32_t> typical) {
        return static_cast<std::int16_t>(pick(typical));
    }
    bool flag() { return (byte() & 1) != 0; }
    // A short text (a point name) of at most `limit` bytes; a limit beyond a name field tests its bound.
    std::string text(std::size_t limit) {
        std::size_t const length = byte() % (limit + 1);
        std::string result;
        while (result.size() < length && left_ > 0) result.push_back(static_cast<char>(byte()));
        return result;
    }

private:
    std::uint8_t byte() { return left_ > 0 ? data_[--left_] : 0; }

    std::uint8_t const* data_;
    std::size_t left_;
};

// a + b as a caller's arithmetic in 32 bits would give it, wrapping instead of overflowing: the typical
// arguments derived from a file's numbers (the next strip, the next model) may be INT32_MAX + 1.
inline std::int32_t plus(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// Splits a multi-file input into its parts at each "#YBPART#" (the first part is the first file).
inline std::vector<std::string_view> splitParts(std::uint8_t const* data, std::size_t size) {
    constexpr std::string_view kSeparator = "#YBPART#";
    std::string_view rest(reinterpret_cast<char const*>(data), size);
    std::vector<std::string_view> parts;
    for (std::size_t at = rest.find(kSeparator); at != std::string_view::npos; at = rest.find(kSeparator)) {
        parts.push_back(rest.substr(0, at));
        rest.remove_prefix(at + kSeparator.size());
    }
    parts.push_back(rest);
    return parts;
}

// A model point set from the orientation library with `count` named entries; released by the caller
// with ybFreeControlPointMem.
inline CONTROLPOINT_STORAGE* pointSet(int count, int capacity = 8) {
    CONTROLPOINT_STORAGE* set = nullptr;
    if (ybAllocControlPointMem(&set, capacity) != 0 || set == nullptr) std::abort();
    ybInitControlPoint(set, 1);
    for (int i = 0; i < count; ++i) {
        CONTROLPOINT_INFO entry{};
        entry.serial = i;
        entry.inUse = 1;
        std::snprintf(entry.name, sizeof entry.name, "P%d", i);
        entry.leftX = i;
        entry.rightX = -i;
        ybAddOneGcpPoint(set, entry, 1);
    }
    return set;
}

}  // namespace yb::fuzz
