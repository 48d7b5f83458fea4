#include <immintrin.h>

#include "bench/decke.h"

double decke_avx512(bool mit_mul) {
    const auto eins = [](int v) { return _mm512_set1_epi32(v); };
    if (mit_mul)
        return decke_messen_mit<__m512i>(
            16, [](__m512i x, __m512i y, __m512i g) { return _mm512_min_epu32(_mm512_mullo_epi32(x, y), g); }, eins);
    return decke_messen_mit<__m512i>(
        16, [](__m512i x, __m512i y, __m512i g) { return _mm512_min_epu32(_mm512_add_epi32(x, y), g); }, eins);
}
