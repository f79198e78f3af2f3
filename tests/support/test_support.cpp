// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "test_support.h"

#include "gbk.h"

#include <yb/ybiOrient.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace yb::test {

std::string DriveFixture::native(std::string const& relative) const {
    if (relative.empty()) return root_;
    return root_.back() == '/' ? root_ + relative : root_ + "/" + relative;
}

fs::path DriveFixture::nativeFsPath(std::string const& relative) const {
    std::string const path = native(relative);
    return fs::path(std::u8string(path.begin(), path.end()));
}

std::vector<unsigned char> DriveFixture::readNative(std::string const& relative) const {
    std::error_code ec;
    auto const size = fs::file_size(nativeFsPath(relative), ec);
    if (ec) return {};
    std::vector<unsigned char> bytes(size);
    std::ifstream in(nativeFsPath(relative), std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

std::string DriveFixture::readNativeText(std::string const& relative) const {
    auto const bytes = readNative(relative);
    return {bytes.begin(), bytes.end()};
}

void DriveFixture::writeNative(std::string const& relative, std::vector<unsigned char> const& bytes) const {
    fs::path path = nativeFsPath(relative);
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool DriveFixture::existsNative(std::string const& relative) const { return fs::exists(nativeFsPath(relative)); }

std::uint64_t DriveFixture::sizeNative(std::string const& relative) const {
    std::error_code ec;
    auto size = fs::file_size(nativeFsPath(relative), ec);
    return ec ? 0 : size;
}

std::vector<std::string> DriveFixture::listNative() const {
    std::vector<std::string> names;
    std::error_code ec;
    // An error at the start is an empty root: the root of an empty drive has nothing to list at all.
    fs::path const root = nativeFsPath();
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        std::u8string const name = fs::relative(it->path(), root).generic_u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
}

namespace {
void recordMessage(HbMessageStyle style, char const* gbk, void* user) {
    static_cast<MessageRecorder*>(user)->messages.push_back({style, gbk});
}
}  // namespace

MessageRecorder::MessageRecorder() { hbSetMessageSink(recordMessage, this); }
MessageRecorder::~MessageRecorder() { hbSetMessageSink(nullptr, nullptr); }

std::vector<std::string> MessageRecorder::take() {
    std::vector<std::string> shown;
    for (Message const& message : messages)
        shown.push_back((message.style == HB_MESSAGE_ERROR ? "error: " : "plain: ") + message.gbk);
    messages.clear();
    return shown;
}

std::string hexBytes(char const* hex) {
    std::string out;
    std::string digits;
    for (char const* p = hex; *p; ++p)
        if (*p != ' ') digits += *p;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        out += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return out;
}

std::string utf8ToGbk(std::string const& utf8) { return platform::gbkFromUtf8Literal(utf8); }

std::vector<unsigned char> bytesOf(std::string const& text) { return {text.begin(), text.end()}; }

CONTROLPOINT_STORAGE* modelPointSet(int count, int capacity, char const* prefix) {
    CONTROLPOINT_STORAGE* set = nullptr;
    ybAllocControlPointMem(&set, capacity);
    ybInitControlPoint(set, 1);
    for (int i = 0; i < count; ++i) {
        CONTROLPOINT_INFO entry{};
        entry.serial = i;
        entry.inUse = 1;
        std::snprintf(entry.name, sizeof entry.name, "%s%d", prefix, i);
        entry.leftX = i;
        entry.rightY = -i;
        ybAddOneGcpPoint(set, entry, 1);
    }
    return set;
}

}  // namespace yb::test
