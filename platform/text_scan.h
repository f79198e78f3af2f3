// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Numbers and lines of the text files. A number reads as the C library reads it in its "C" locale
// (white space first, then an optional sign and decimal digits; a real may have a fraction and an
// exponent), but never depends on a locale and never reads past the text it is given.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace yb::platform {

constexpr bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The number at the front of `text`, after any white space; `text` then starts right after it. A
// number outside the type's range is no number.
template <class Number>
std::optional<Number> takeNumber(std::string_view& text) {
    std::size_t start = 0;
    while (start < text.size() && isBlank(text[start])) ++start;
    if (start + 1 < text.size() && text[start] == '+' && text[start + 1] != '-') ++start;
    Number value{};
    auto const [end, error] = std::from_chars(text.data() + start, text.data() + text.size(), value);
    if (error != std::errc()) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

// All of `text`, without white space around it, as one number.
template <class Number>
std::optional<Number> wholeNumber(std::string_view text) {
    if (text.empty() || isBlank(text.front())) return std::nullopt;
    auto value = takeNumber<Number>(text);
    return text.empty() ? value : std::nullopt;
}

// One line of a text stream without its '\n', keeping at most `limit` bytes of it (the rest is passed
// over, so a long line still counts as one). False at the end of the stream or when reading fails.
bool readLine(std::FILE* stream, std::string& line, std::size_t limit);

}  // namespace yb::platform
