// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// GBK conversion on Linux: glibc iconv.
#include "gbk_backend.h"

#include <iconv.h>

#include <cerrno>

namespace yb::platform {
namespace {

// One conversion descriptor per direction and thread, opened on first use and closed when the thread
// ends; each conversion starts from the initial state.
class Converter {
public:
    Converter(char const* to, char const* from) : descriptor_(iconv_open(to, from)) {}
    Converter(Converter const&) = delete;
    Converter& operator=(Converter const&) = delete;
    ~Converter() {
        if (valid()) iconv_close(descriptor_);
    }
    bool valid() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return descriptor_; }

private:
    iconv_t descriptor_;
};

std::optional<std::string> convert(Converter const& converter, std::string_view text) {
    if (!converter.valid()) return std::nullopt;
    iconv_t const cd = converter.get();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    std::string out(text.size() * 2 + 8, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    std::size_t produced = 0;
    while (inLeft > 0) {
        char* outPtr = out.data() + produced;
        std::size_t outLeft = out.size() - produced;
        std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        produced = out.size() - outLeft;
        if (rc != static_cast<std::size_t>(-1)) break;
        if (errno != E2BIG) return std::nullopt;  // EILSEQ or EINVAL: not a valid text
        out.resize(out.size() * 2);
    }
    // Flush any shift state; both encodings are stateless, so this only confirms completion.
    char* outPtr = out.data() + produced;
    std::size_t outLeft = out.size() - produced;
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

namespace backend {

std::optional<std::string> gbkToUtf8(std::string_view gbk) {
    thread_local Converter const toUtf8("UTF-8", "GBK");
    return convert(toUtf8, gbk);
}

std::optional<std::string> utf8ToGbk(std::string_view utf8) {
    thread_local Converter const toGbk("GBK", "UTF-8");
    return convert(toGbk, utf8);
}

}  // namespace backend
}  // namespace yb::platform
