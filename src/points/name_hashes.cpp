// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The hashes of many names at once. Where the processor has 512-bit vectors with byte masks, four
// names whose terminator lies in the first half of their field are cut, checked and lower-cased
// together, and only the last multiplication is made name by name; every other name goes through
// hashOfName. Both ways give the very same hashes.
#include "points/hash_slots.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define YB_WIDE_NAME_HASHES 1
#endif

namespace yb::points {
namespace {

bool hashOneByOne(tagImagePoint const* records, std::size_t count, std::uint64_t* out) {
    for (std::size_t i = 0; i < count; ++i)
        if (!hashOfName(records[i], out[i])) return false;
    return true;
}

#if defined(YB_WIDE_NAME_HASHES)
[[gnu::target("avx512f,avx512bw")]] bool hashFourAtOnce(tagImagePoint const* records, std::size_t count,
                                                        std::uint64_t* out) {
    // One 16-bit field of byte flags for each name's first half.
    constexpr std::uint64_t kOnePerName = 0x0001000100010001ull;
    constexpr std::uint64_t kTopPerName = 0x8000800080008000ull;
    __m512i const fromA = _mm512_set1_epi8('A');
    __m512i const letters = _mm512_set1_epi8(26);
    __m512i const toLower = _mm512_set1_epi8(0x20);
    // Each name's two words are mixed with the salts of a key whose second half is zero.
    auto const salt = [](std::size_t k) { return static_cast<long long>(kShortKeySalts[k]); };
    __m512i const salts = _mm512_set4_epi64(salt(1), salt(0), salt(1), salt(0));
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        auto half = [&](std::size_t k) {
            return _mm_loadu_si128(reinterpret_cast<__m128i const*>(records[i + k].name));
        };
        __m512i names = _mm512_zextsi128_si512(half(0));
        names = _mm512_inserti32x4(names, half(1), 1);
        names = _mm512_inserti32x4(names, half(2), 2);
        names = _mm512_inserti32x4(names, half(3), 3);
        std::uint64_t const zeros = _mm512_testn_epi8_mask(names, names);
        // A name without a terminator in its first half has a field of no flags: those four go one by one.
        std::uint64_t const borrowed = zeros - kOnePerName;
        if ((borrowed & ~zeros & kTopPerName) != 0) {
            if (!hashOneByOne(records + i, 4, out + i)) return false;
            continue;
        }
        std::uint64_t const beforeTerminator = borrowed & ~zeros;
        if ((_mm512_movepi8_mask(names) & beforeTerminator) != 0) return false;  // a byte above 0x7F
        __m512i keys = _mm512_maskz_mov_epi8(beforeTerminator, names);
        __mmask64 const capitals = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(keys, fromA), letters);
        keys = _mm512_xor_si512(_mm512_mask_add_epi8(keys, capitals, keys, toLower), salts);
        alignas(64) std::uint64_t words[8];
        _mm512_store_si512(words, keys);
        for (std::size_t k = 0; k < 4; ++k) out[i + k] = foldedProduct(words[2 * k], words[2 * k + 1]);
    }
    return hashOneByOne(records + i, count - i, out + i);
}
#endif

}  // namespace

bool hashNames(tagImagePoint const* records, std::size_t count, std::uint64_t* out) {
#if defined(YB_WIDE_NAME_HASHES)
    static bool const wide = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    if (wide) return hashFourAtOnce(records, count, out);
#endif
    return hashOneByOne(records, count, out);
}

}  // namespace yb::points
