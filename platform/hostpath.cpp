// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "hostpath.h"

#include "gbk.h"

#include <algorithm>
#include <cstring>

namespace yb::platform {
namespace {

// Calls visit(position) for the first byte of every character; a lead byte at the end stands alone.
template <class Visit>
void forEachCharacter(std::string_view text, Visit visit) {
    for (std::size_t i = 0; i < text.size();) {
        if (!visit(i)) return;
        i += characterLength(text, i);
    }
}

}  // namespace

bool isSeparator(char c) { return c == '\\' || c == '/'; }

std::size_t findFirstChar(std::string_view text, char c, std::size_t from) {
    std::size_t found = npos;
    forEachCharacter(text, [&](std::size_t i) {
        if (i >= from && text[i] == c) {
            found = i;
            return false;
        }
        return true;
    });
    return found;
}

std::size_t findLastChar(std::string_view text, char c) {
    std::size_t found = npos;
    forEachCharacter(text, [&](std::size_t i) {
        if (text[i] == c) found = i;
        return true;
    });
    return found;
}

std::size_t findText(std::string_view text, std::string_view needle, std::size_t from) {
    if (needle.empty()) return from <= text.size() ? from : npos;
    std::size_t found = npos;
    forEachCharacter(text, [&](std::size_t i) {
        if (i >= from && text.substr(i, needle.size()) == needle) {
            found = i;
            return false;
        }
        return true;
    });
    return found;
}

std::size_t findSeparator(std::string_view path, std::size_t from) {
    std::size_t found = npos;
    forEachCharacter(path, [&](std::size_t i) {
        if (i >= from && isSeparator(path[i])) {
            found = i;
            return false;
        }
        return true;
    });
    return found;
}

std::size_t lastSeparator(std::string_view path) {
    std::size_t found = npos;
    forEachCharacter(path, [&](std::size_t i) {
        if (isSeparator(path[i])) found = i;
        return true;
    });
    return found;
}

PathParts splitPath(std::string_view path) {
    PathParts parts;
    if (path.size() >= 2 && path[1] == ':' && static_cast<unsigned char>(path[0]) < 0x80) {
        parts.drive = std::string(path.substr(0, 2));
        path.remove_prefix(2);
    }
    std::size_t sep = lastSeparator(path);
    std::string_view name = path;
    if (sep != npos) {
        parts.directory = std::string(path.substr(0, sep + 1));
        name = path.substr(sep + 1);
    }
    std::size_t dot = findLastChar(name, '.');
    if (dot == npos) {
        parts.title = std::string(name);
    } else {
        parts.title = std::string(name.substr(0, dot));
        parts.extension = std::string(name.substr(dot));
    }
    return parts;
}

std::string makePath(std::string_view drive, std::string_view directory, std::string_view title,
                     std::string_view extension) {
    std::string out;
    out.reserve(drive.size() + directory.size() + title.size() + extension.size() + 2);
    out += drive;
    out += directory;
    // A directory ending in a double-byte character whose second byte is '\\' still needs its separator.
    if (!directory.empty() && lastSeparator(directory) != directory.size() - 1) out += '\\';
    out += title;
    if (!extension.empty() && extension.front() != '.') out += '.';
    out += extension;
    return out;
}

std::string fileNameOf(std::string_view path) {
    std::size_t sep = lastSeparator(path);
    return std::string(sep == npos ? path : path.substr(sep + 1));
}

std::string directoryOf(std::string_view path) {
    std::size_t sep = lastSeparator(path);
    if (sep == npos) return (path.size() >= 2 && path[1] == ':') ? std::string(path.substr(0, 2)) : std::string();
    return std::string(path.substr(0, sep + 1));
}

std::string joinPath(std::string_view dir, std::string_view name) {
    std::string out(dir);
    if (!out.empty() && lastSeparator(out) != out.size() - 1) out += '\\';
    out += name;
    return out;
}

std::string withoutTrailingBackslashes(std::string_view path) {
    std::string out(path);
    while (!out.empty() && out.back() == '\\' && lastSeparator(out) == out.size() - 1) out.pop_back();
    return out;
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = findText(text, from, pos);
        if (hit == npos) break;
        out += text.substr(pos, hit - pos);
        out += to;
        pos = hit + from.size();
    }
    out += text.substr(pos);
    return out;
}

std::string toLower(std::string_view text) {
    std::string out(text.size(), '\0');
    toLowerInto(text, out.data());
    return out;
}

void toLowerInto(std::string_view text, char* out) {
    std::memcpy(out, text.data(), text.size());
    forEachCharacter(text, [&](std::size_t i) {
        out[i] = asciiLower(out[i]);
        return true;
    });
    // A lead byte's partner was skipped by the walk, so it keeps its byte value.
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    bool equal = true;
    forEachCharacter(a, [&](std::size_t i) {
        equal = characterLength(a, i) == 2 ? a.substr(i, 2) == b.substr(i, 2) : asciiLower(a[i]) == asciiLower(b[i]);
        return equal;
    });
    return equal;
}

std::string_view boundedText(char const* field, std::size_t width) {
    if (field == nullptr) return {};
    void const* nul = std::memchr(field, '\0', width);
    return std::string_view(field, nul ? static_cast<std::size_t>(static_cast<char const*>(nul) - field) : width);
}

void storeText(char* field, std::size_t width, std::string_view text) {
    if (field == nullptr || width == 0) return;
    std::size_t const length = wholeCharactersWithin(text, width - 1);
    std::memcpy(field, text.data(), length);
    std::memset(field + length, 0, width - length);
}

}  // namespace yb::platform
