// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// GBK conversion on Windows: code page 936 through UTF-16, whatever the process's ANSI code page.
#include "gbk_backend.h"
#include "windows_text.h"

#include <windows.h>

#include <climits>

namespace yb::platform {
namespace {

constexpr UINT kGbkCodePage = 936;

std::optional<std::wstring> toWide(UINT codePage, std::string_view text) {
    if (text.empty()) return std::wstring();
    if (text.size() > INT_MAX) return std::nullopt;
    int const length = static_cast<int>(text.size());
    int const needed = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (needed <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    if (::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), needed) != needed)
        return std::nullopt;
    return wide;
}

std::optional<std::string> fromWide(UINT codePage, std::wstring_view wide) {
    if (wide.empty()) return std::string();
    if (wide.size() > INT_MAX) return std::nullopt;
    int const length = static_cast<int>(wide.size());
    // UTF-8 reports lone surrogates itself; a code page reports characters it had to replace.
    DWORD const flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL replaced = FALSE;
    BOOL* const replacedOut = codePage == CP_UTF8 ? nullptr : &replaced;
    int const needed = ::WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, replacedOut);
    if (needed <= 0 || replaced) return std::nullopt;
    std::string text(static_cast<std::size_t>(needed), '\0');
    if (::WideCharToMultiByte(codePage, flags, wide.data(), length, text.data(), needed, nullptr, replacedOut) !=
            needed ||
        replaced)
        return std::nullopt;
    return text;
}

}  // namespace

namespace windows {

std::optional<std::wstring> gbkToWide(std::string_view gbk) { return toWide(kGbkCodePage, gbk); }
std::optional<std::string> wideToGbk(std::wstring_view wide) { return fromWide(kGbkCodePage, wide); }
std::optional<std::wstring> utf8ToWide(std::string_view utf8) { return toWide(CP_UTF8, utf8); }
std::optional<std::string> wideToUtf8(std::wstring_view wide) { return fromWide(CP_UTF8, wide); }

}  // namespace windows

namespace backend {

std::optional<std::string> gbkToUtf8(std::string_view gbk) {
    auto wide = windows::gbkToWide(gbk);
    return wide ? windows::wideToUtf8(*wide) : std::nullopt;
}

std::optional<std::string> utf8ToGbk(std::string_view utf8) {
    auto wide = windows::utf8ToWide(utf8);
    return wide ? windows::wideToGbk(*wide) : std::nullopt;
}

}  // namespace backend
}  // namespace yb::platform
