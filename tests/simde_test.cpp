// What the emulated AVX-512 kernel relies on of the stand-ins: each row an intrinsic against the
// instruction's documented result, lane by lane.
#include <gtest/gtest.h>

#include <cstdint>

#include "tests/simde_avx512.h"

namespace {

TEST(SimdeErsatz, WieDieBefehle) {
    std::uint16_t a[32], b[32];
    std::uint32_t c[16], d[16];
    for (unsigned i = 0; i < 32; ++i) {
        a[i] = static_cast<std::uint16_t>(0xFFFF - 2311 * i);
        b[i] = static_cast<std::uint16_t>(i % 3 == 0 ? 0 : 40503 + 977 * i);
    }
    for (unsigned i = 0; i < 16; ++i) {
        c[i] = 0xFFFFFFF0u - 0x10000001u * i;
        d[i] = i % 2 ? c[i] : 0x80000000u + i;
    }
    const __m512i va = _mm512_loadu_si512(a), vb = _mm512_loadu_si512(b);
    const __m512i vc = _mm512_loadu_si512(c), vd = _mm512_loadu_si512(d);
    std::uint16_t hoch[32];
    _mm512_storeu_si512(hoch, _mm512_mulhi_epu16(va, vb));
    const std::uint32_t leer = _mm512_testn_epi16_mask(va, vb);
    std::uint32_t klein[16], gepackt[16] = {};
    _mm512_storeu_si512(klein, _mm512_min_epu32(vc, vd));
    const auto kleiner_gleich = static_cast<unsigned>(_mm512_cmple_epu32_mask(vc, vd));
    _mm512_storeu_si512(gepackt, _mm512_maskz_compress_epi32(static_cast<__mmask16>(0xA5C3), vc));
    for (unsigned i = 0; i < 32; ++i) {
        EXPECT_EQ(hoch[i], (std::uint32_t{a[i]} * b[i]) >> 16) << i;
        EXPECT_EQ(leer >> i & 1, (a[i] & b[i]) == 0 ? 1u : 0u) << i;
    }
    unsigned n = 0;
    for (unsigned i = 0; i < 16; ++i) {
        EXPECT_EQ(klein[i], c[i] < d[i] ? c[i] : d[i]) << i;
        EXPECT_EQ(kleiner_gleich >> i & 1, c[i] <= d[i] ? 1u : 0u) << i;
        if (0xA5C3 >> i & 1) {
            EXPECT_EQ(gepackt[n++], c[i]) << i;
        }
    }
    for (; n < 16; ++n) EXPECT_EQ(gepackt[n], 0u) << n;
}

}  // namespace
