// The AVX-512 intrinsics on any CPU, for the kernel tests: SIMDe's portable versions under the
// usual names, and the two that Debian 12's SIMDe (0.7.4) lacks, written out lane by lane.
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

// The 32 unsigned 16-bit lanes of a and b through `f`: the result's lanes, and a mask of the
// lanes where `f` gives 0.
template <class F>
simde__m512i lanes(simde__m512i a, simde__m512i b, F f, std::uint32_t* nullen = nullptr) {
    std::uint16_t x[32], y[32];
    simde_mm512_storeu_si512(x, a);
    simde_mm512_storeu_si512(y, b);
    for (int i = 0; i < 32; ++i) {
        x[i] = static_cast<std::uint16_t>(f(std::uint32_t{x[i]}, std::uint32_t{y[i]}));
        if (nullen != nullptr) *nullen |= std::uint32_t{x[i] == 0} << i;
    }
    return simde_mm512_loadu_si512(x);
}
inline simde__m512i mulhi_epu16(simde__m512i a, simde__m512i b) {
    return lanes(a, b, [](std::uint32_t x, std::uint32_t y) { return x * y >> 16; });
}
inline std::uint32_t testn_epi16_mask(simde__m512i a, simde__m512i b) {
    std::uint32_t m = 0;
    lanes(a, b, [](std::uint32_t x, std::uint32_t y) { return x & y; }, &m);
    return m;
}

}  // namespace simde_ergaenzt

#define _mm512_mulhi_epu16 simde_ergaenzt::mulhi_epu16
#define _mm512_testn_epi16_mask simde_ergaenzt::testn_epi16_mask
