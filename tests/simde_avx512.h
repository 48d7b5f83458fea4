// The AVX-512 intrinsics on any CPU, for the kernel tests: SIMDe's portable versions under the
// usual names, and the two that Debian 12's SIMDe (0.7.4) lacks.
#pragma once

#if defined(__x86_64__)
#include <immintrin.h>  // first, so that its own names come before SIMDe's take them over
#endif
#define SIMDE_ENABLE_NATIVE_ALIASES
#include <simde/x86/avx512.h>

#include <cstdint>

#if !defined(__x86_64__)
typedef simde__mmask16 __mmask16;
typedef std::uint32_t __mmask32;
#endif

namespace simde_ergaenzt {

// Built from what SIMDe has: the two 256-bit halves, and the complement of test.
inline simde__m512i mulhi_epu16(simde__m512i a, simde__m512i b) {
    const simde__m256i tief = simde_mm256_mulhi_epu16(simde_mm512_castsi512_si256(a), simde_mm512_castsi512_si256(b));
    const simde__m256i hoch = simde_mm256_mulhi_epu16(simde_mm512_extracti64x4_epi64(a, 1), simde_mm512_extracti64x4_epi64(b, 1));
    return simde_mm512_inserti64x4(simde_mm512_castsi256_si512(tief), hoch, 1);
}
inline std::uint32_t testn_epi16_mask(simde__m512i a, simde__m512i b) {
    return ~static_cast<std::uint32_t>(simde_mm512_test_epi16_mask(a, b));
}

}  // namespace simde_ergaenzt

// In SIMDe's own style: a newer SIMDe that has them defines these names itself, so they are taken
// back first, and only calls are replaced.
#undef _mm512_mulhi_epu16
#define _mm512_mulhi_epu16(a, b) simde_ergaenzt::mulhi_epu16(a, b)
#undef _mm512_testn_epi16_mask
#define _mm512_testn_epi16_mask(a, b) simde_ergaenzt::testn_epi16_mask(a, b)
