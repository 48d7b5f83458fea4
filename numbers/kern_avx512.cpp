// Kernels for CPUs with AVX-512 F and BW, compiled for it; chosen only where the CPU has it.
// Leaf functions with few live vectors, so nothing 64 bytes wide is ever spilled to the stack
// (Windows' stack is only 16-byte aligned).
#include <immintrin.h>

#include "numbers/kerne.h"

// The SSE2 kernel (numbers/kern_sse2.cpp, with the proof) on thirty-two 16-bit lanes, two
// registers per branch.
std::uint32_t erster_teiler_avx512(std::uint32_t zahl, std::uint32_t bis) {
    if (bis < 3) return 0;
    const std::uint32_t letztes = (bis - 3) / 2;
    const __m512i nl = _mm512_set1_epi16(static_cast<short>(zahl & 0xFFFF));
    const __m512i nh = _mm512_set1_epi16(static_cast<short>(zahl >> 16));
    // 3, 5, ..., 65 in the lanes, and 67, ..., 129 in the second register.
    const __m512i rampe = _mm512_add_epi16(_mm512_set1_epi16(3),
        _mm512_slli_epi16(_mm512_set_epi16(31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16,
                                           15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0), 1));
    __m512i d0 = rampe;
    __m512i d1 = _mm512_add_epi16(rampe, _mm512_set1_epi16(64));
    const __m512i schritt = _mm512_set1_epi16(128);
    for (std::uint32_t k = 0; k <= letztes; k += 64) {
        const __m512i il0 = _mm512_load_si512(inverse.tief + k);
        const __m512i ih0 = _mm512_load_si512(inverse.hoch + k);
        const __m512i il1 = _mm512_load_si512(inverse.tief + k + 32);
        const __m512i ih1 = _mm512_load_si512(inverse.hoch + k + 32);
        const __m512i qh0 = _mm512_add_epi16(_mm512_add_epi16(_mm512_mulhi_epu16(nl, il0), _mm512_mullo_epi16(nh, il0)),
                                             _mm512_mullo_epi16(nl, ih0));
        const __m512i qh1 = _mm512_add_epi16(_mm512_add_epi16(_mm512_mulhi_epu16(nl, il1), _mm512_mullo_epi16(nh, il1)),
                                             _mm512_mullo_epi16(nl, ih1));
        const __m512i rest0 = _mm512_or_si512(_mm512_mulhi_epu16(qh0, d0), _mm512_subs_epu16(_mm512_mullo_epi16(qh0, d0), nh));
        const __m512i rest1 = _mm512_or_si512(_mm512_mulhi_epu16(qh1, d1), _mm512_subs_epu16(_mm512_mullo_epi16(qh1, d1), nh));
        const std::uint64_t treffer = static_cast<std::uint64_t>(_mm512_testn_epi16_mask(rest0, rest0)) |
                                      static_cast<std::uint64_t>(_mm512_testn_epi16_mask(rest1, rest1)) << 32;
        if (treffer != 0) {
            const std::uint32_t gueltig = letztes - k + 1;
            const std::uint64_t zaehlt = gueltig < 64 ? treffer & ((std::uint64_t{1} << gueltig) - 1) : treffer;
            if (zaehlt != 0) return 2 * (k + static_cast<std::uint32_t>(__builtin_ctzll(zaehlt))) + 3;
        }
        d0 = _mm512_add_epi16(d0, schritt);
        d1 = _mm512_add_epi16(d1, schritt);
    }
    return 0;
}

// The SSE2 block test (with the proof) on eight lanes.
std::uint64_t teiler_im_block_avx512(std::uint32_t zahl, std::uint32_t hoch, unsigned breite) {
    const __m512d n = _mm512_set1_pd(static_cast<double>(zahl));
    const __m512d rampe = _mm512_setr_pd(0, 1, 2, 3, 4, 5, 6, 7);
    __m512d d = _mm512_sub_pd(_mm512_set1_pd(static_cast<double>(hoch)), rampe);
    const __m512d acht = _mm512_set1_pd(8);
    std::uint64_t treffer = 0;
    for (unsigned j = 0; j < breite; j += 8) {
        const __m512d q = _mm512_div_pd(n, d);
        const __mmask8 ganz =
            _mm512_cmp_pd_mask(q, _mm512_mask_roundscale_pd(q, 0xFF, q, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC), _CMP_EQ_OQ);
        treffer |= static_cast<std::uint64_t>(ganz) << j;
        d = _mm512_sub_pd(d, acht);
    }
    return breite < 64 ? treffer & ((std::uint64_t{1} << breite) - 1) : treffer;
}
