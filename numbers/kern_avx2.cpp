// Kernels for CPUs with AVX2, compiled for it; chosen only where the CPU has it.
// Leaf functions with few live vectors, so nothing 32 bytes wide is ever spilled to the stack
// (Windows' stack is only 16-byte aligned).
#include <immintrin.h>

#include "numbers/kerne.h"

// The SSE2 kernel (numbers/kern_sse2.cpp, with the proof) on sixteen 16-bit lanes.
std::uint32_t erster_teiler_avx2(std::uint32_t zahl, std::uint32_t ab, std::uint32_t bis) {
    if (bis < ab) return 0;
    const std::uint32_t letztes = (bis - 3) / 2;
    const __m256i nl = _mm256_set1_epi16(static_cast<short>(zahl & 0xFFFF));
    const __m256i nh = _mm256_set1_epi16(static_cast<short>(zahl >> 16));
    const __m256i null = _mm256_setzero_si256();
    __m256i d = _mm256_add_epi16(_mm256_setr_epi16(3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31, 33),
                                 _mm256_set1_epi16(static_cast<short>(ab - 3)));
    const __m256i schritt = _mm256_set1_epi16(32);
    for (std::uint32_t k = (ab - 3) / 2; k <= letztes; k += 16) {
        const __m256i il = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(inverse.tief + k));
        const __m256i ih = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(inverse.hoch + k));
        const __m256i qh = _mm256_add_epi16(_mm256_add_epi16(_mm256_mulhi_epu16(nl, il), _mm256_mullo_epi16(nh, il)),
                                            _mm256_mullo_epi16(nl, ih));
        const __m256i grenze = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(inverse.schranke + k));
        const __m256i rest =
            _mm256_or_si256(_mm256_subs_epu16(qh, grenze), _mm256_subs_epu16(_mm256_mullo_epi16(qh, d), nh));
        unsigned treffer = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(rest, null)));
        if (treffer != 0) {
            const std::uint32_t gueltig = letztes - k + 1;
            if (gueltig < 16) treffer &= (1u << (2 * gueltig)) - 1;
            if (treffer != 0) return 2 * (k + static_cast<std::uint32_t>(__builtin_ctz(treffer)) / 2) + 3;
        }
        d = _mm256_add_epi16(d, schritt);
    }
    return 0;
}

// The SSE2 block test (with the proof) on four lanes, rounding with the instruction for it.
std::uint64_t teiler_im_block_avx2(std::uint32_t zahl, std::uint32_t hoch, unsigned breite) {
    const __m256d n = _mm256_set1_pd(static_cast<double>(zahl));
    const double h = static_cast<double>(hoch);
    __m256d d = _mm256_setr_pd(h, h - 1, h - 2, h - 3);
    const __m256d vier = _mm256_set1_pd(4);
    std::uint64_t treffer = 0;
    for (unsigned j = 0; j < breite; j += 4) {
        const __m256d q = _mm256_div_pd(n, d);
        const __m256d ganz = _mm256_cmp_pd(q, _mm256_round_pd(q, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC), _CMP_EQ_OQ);
        treffer |= static_cast<std::uint64_t>(_mm256_movemask_pd(ganz)) << j;
        d = _mm256_sub_pd(d, vier);
    }
    return breite < 64 ? treffer & ((std::uint64_t{1} << breite) - 1) : treffer;
}
