#include "gbk.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace yb::platform {
namespace {

std::optional<std::string> convert(char const* to, char const* from, std::string_view text) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::unique_ptr<void, int (*)(iconv_t)> closer(cd, iconv_close);
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

bool isAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

std::optional<std::string> gbkToUtf8(std::string_view gbk) {
    if (isAscii(gbk)) return std::string(gbk);
    return convert("UTF-8", "GBK", gbk);
}

std::optional<std::string> utf8ToGbk(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    return convert("GBK", "UTF-8", utf8);
}

std::string gbkFromUtf8Literal(std::string_view utf8) {
    if (auto gbk = utf8ToGbk(utf8)) return *gbk;
    return std::string(utf8);
}

std::string gbkToUtf8Lossy(std::string_view gbk) {
    if (auto utf8 = gbkToUtf8(gbk)) return *utf8;
    std::string out;
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(gbk[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (isGbkLeadByte(c) && i + 1 < gbk.size()) {
            auto pair = gbkToUtf8(gbk.substr(i, 2));
            out += pair ? *pair : std::string("?");
            ++i;
        } else {
            out += '?';
        }
    }
    return out;
}

}  // namespace yb::platform
