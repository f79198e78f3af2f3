// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The block folder: the directory tree under a block directory that every block file name points into,
// the listing of the files of one extension in it, and the cutting of a file name off a path.
// Nothing here changes the process's current directory, so these calls are safe from any thread.
#include "block/block_files.h"
#include "export_frame.h"
#include "params/image_property_files.h"

#include "fs.h"
#include "gbk.h"
#include "hostpath.h"

#include <yb/ybBlockFileIO.h>

#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace yb::block {
namespace {

// The sub-directories in the order they are made. "\ImagesPara" and "\Adjust\Matrices" hold results
// that outlive a block's removal, so they are never removed.
constexpr std::array<std::string_view, 9> kCreationOrder = {
    "\\Model",  "\\Model\\Product", "\\ImagesPara", "\\Adjust",     "\\Adjust\\Matrices",
    "\\Images", "\\BackUp",         "\\Temp",       "\\ImagesProp",
};
// The sub-directories in the order they are removed, deepest first.
constexpr std::array<std::string_view, 8> kRemovalOrder = {
    "\\Temp\\Matrices", "\\Temp", "\\BackUp", "\\Images", "\\Adjust", "\\Model\\Product", "\\Model", "\\ImagesProp",
};
// Where the default sensor property files go.
constexpr std::string_view kSensorDirectory = "\\ImagesProp";

bool createBlockFolder(char const* root) {
    if (root == nullptr) return false;
    std::string const base(root);  // taken as given: each sub-directory brings its own backslash
    if (!platform::isDirectory(base) && !platform::makeDirectory(base)) return false;
    for (std::string_view sub : kCreationOrder) {
        std::string const path = base + std::string(sub);
        if (!platform::isDirectory(path) && !platform::makeDirectory(path)) return false;
    }
    return params::writeSpotSensorFiles((base + std::string(kSensorDirectory)).c_str()) == kSuccess;
}

bool removeBlockFolder(char const* root) {
    if (root == nullptr) return false;
    std::string const base(root);
    for (std::string_view sub : kRemovalOrder) {
        if (!platform::removeDirectory(base + std::string(sub))) return false;
    }
    return true;
}

bool directoryExists(char const* dir) { return dir != nullptr && platform::isDirectory(dir); }

using platform::asciiLower;
using platform::characterLength;

// Matches a whole name against a pattern of '*' (any run of characters) and '?' (one character),
// ignoring ASCII case and walking whole GBK characters, as the host's directory search does.
bool wildcardMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t starAt = std::string_view::npos, resumeAt = 0;
    while (n < name.size()) {
        std::size_t const nameLength = characterLength(name, n);
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
            continue;
        }
        if (p < pattern.size()) {
            std::size_t const patternLength = characterLength(pattern, p);
            bool const same = pattern[p] == '?' || (patternLength == nameLength &&
                                                    (nameLength == 2 ? pattern.substr(p, 2) == name.substr(n, 2)
                                                                     : asciiLower(pattern[p]) == asciiLower(name[n])));
            if (same) {
                p += pattern[p] == '?' ? 1 : patternLength;
                n += nameLength;
                continue;
            }
        }
        if (starAt == std::string_view::npos) return false;
        p = starAt + 1;
        resumeAt += characterLength(name, resumeAt);
        n = resumeAt;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// Whether a directory entry answers the search "*." + extension. As on the host, "*.*" finds every
// entry and "*." the entries without an extension.
bool matchesExtension(std::string_view name, std::string_view extension) {
    if (extension == "*") return true;
    if (extension.empty()) return platform::findLastChar(name, '.') == platform::npos;
    return wildcardMatch("*." + std::string(extension), name);
}

// The titles of the entries of `dir` that match, then (when recursive) those of each sub-directory,
// depth first. Entries come in name order.
std::int32_t collectTitles(std::string const& dir, std::string_view extension, bool recursive,
                           std::vector<std::string>& titles) {
    auto entries = platform::listDirectory(dir);
    if (!entries) return kOutOfRange;
    for (auto const& entry : *entries) {
        if (matchesExtension(entry.name, extension)) titles.push_back(platform::splitPath(entry.name).title);
    }
    if (!recursive) return kSuccess;
    for (auto const& entry : *entries) {
        if (!entry.isDirectory) continue;
        std::int32_t code = collectTitles(platform::joinPath(dir, entry.name), extension, true, titles);
        if (code != kSuccess) return code;
    }
    return kSuccess;
}

}  // namespace

std::int32_t listSameExtensions(char const* dir, std::vector<ExtensionTitles> const& wanted) {
    for (auto const& one : wanted) one.titles->clear();
    if (dir == nullptr) return kInvalidArgument;
    auto entries = platform::listDirectory(dir);
    if (!entries) return kOutOfRange;
    for (auto const& one : wanted)
        for (auto const& entry : *entries)
            if (matchesExtension(entry.name, one.extension))
                one.titles->push_back(platform::splitPath(entry.name).title);
    return kSuccess;
}

namespace {

bool extractFileName(char const* path, char* name) {
    if (path == nullptr || name == nullptr) return false;
    std::string_view const text(path);
    std::size_t const separator = platform::findLastChar(text, '\\');
    if (separator == platform::npos || separator + 1 == text.size()) return false;
    std::string_view const fileName = text.substr(separator + 1);
    std::memcpy(name, fileName.data(), fileName.size());
    name[fileName.size()] = '\0';
    return true;
}

}  // namespace

std::int32_t listSameExtension(char const* dir, char const* ext, std::vector<std::string>& titles, int recursive) {
    // A recursive listing starts from an empty array whatever follows; a flat one leaves the caller's
    // array alone when it has nothing to list by.
    if (recursive != 0) titles.clear();
    if (dir == nullptr || ext == nullptr) return kInvalidArgument;
    titles.clear();
    std::vector<std::string> found;
    std::int32_t code = collectTitles(dir, ext, recursive != 0, found);
    if (code == kSuccess) titles = std::move(found);
    return code;
}

}  // namespace yb::block

using yb::frame::guarded;

bool ybCreateBlockFolder(char const* root) {
    return guarded([&] { return yb::block::createBlockFolder(root); });
}

bool ybReomveBlockFolder(char const* root) {
    return guarded([&] { return yb::block::removeBlockFolder(root); });
}

bool ybIsDirectoryExist(char const* dir) {
    return guarded([&] { return yb::block::directoryExists(dir); });
}

std::int32_t ybGetSameExtFilePathsInOneDir(char const* dir, char const* ext, std::vector<std::string>& titles,
                                           int recursive) {
    return guarded([&] { return yb::block::listSameExtension(dir, ext, titles, recursive); });
}

bool ybExtractFileNameFromDir(char const* path, char* name) {
    return guarded([&] { return yb::block::extractFileName(path, name); });
}
