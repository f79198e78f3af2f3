// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Host paths as text: GBK bytes, '\' separators (also '/'), an optional drive letter. Pure functions:
// nothing here touches the file system, so every naming rule built on them is testable without disk.
// Every search walks whole characters: the second byte of a double-byte GBK character is never taken
// for a separator, a dot, or a letter to lower-case.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace yb::platform {

inline constexpr std::size_t npos = std::string_view::npos;

struct PathParts {
    std::string drive;      // "D:" or empty
    std::string directory;  // up to and including the last separator, or empty
    std::string title;      // the file name without its extension
    std::string extension;  // from the last dot of the file name on, dot included, or empty
};

// Position of the first / last single-byte character `c` that is not inside a double-byte character.
std::size_t findFirstChar(std::string_view text, char c, std::size_t from = 0);
std::size_t findLastChar(std::string_view text, char c);
// Position of the first occurrence of `needle` that starts on a character boundary.
std::size_t findText(std::string_view text, std::string_view needle, std::size_t from = 0);
// Position of the first '\' or '/' at or after `from`, and of the last one; npos when there is none.
std::size_t findSeparator(std::string_view path, std::size_t from = 0);
std::size_t lastSeparator(std::string_view path);
bool isSeparator(char c);

PathParts splitPath(std::string_view path);
std::string makePath(std::string_view drive, std::string_view directory, std::string_view title,
                     std::string_view extension);
// The file name after the last separator (the whole text when there is none).
std::string fileNameOf(std::string_view path);
// Directory part including the trailing separator, drive included ("D:\Blk\" for "D:\Blk\a.dms").
std::string directoryOf(std::string_view path);
// `dir` and `name` joined with exactly one '\'.
std::string joinPath(std::string_view dir, std::string_view name);
std::string withoutTrailingBackslashes(std::string_view path);
// Replaces every occurrence of `from` (on character boundaries) by `to`.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

// ASCII letters lower-cased; double-byte characters kept whole.
std::string toLower(std::string_view text);
// The same into `out`, which has room for text.size() bytes.
void toLowerInto(std::string_view text, char* out);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
// Bytes of `text` up to its first NUL, at most `width` bytes: reads a fixed text field bounded.
std::string_view boundedText(char const* field, std::size_t width);
// Stores `text` in a fixed field of `width` bytes: truncated on a character boundary to leave room for
// the terminator, zero bytes after it.
void storeText(char* field, std::size_t width, std::string_view text);

}  // namespace yb::platform
