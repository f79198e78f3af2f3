// GBK conversion on Linux: glibc iconv.
#include "gbk_backend.h"

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

}  // namespace

namespace backend {

std::optional<std::string> gbkToUtf8(std::string_view gbk) { return convert("UTF-8", "GBK", gbk); }

std::optional<std::string> utf8ToGbk(std::string_view utf8) { return convert("GBK", "UTF-8", utf8); }

}  // namespace backend
}  // namespace yb::platform
