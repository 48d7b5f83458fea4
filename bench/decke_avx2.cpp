#include <immintrin.h>

#include "bench/decke.h"

double decke_avx2(bool mit_mul) {
    const auto eins = [](int v) { return _mm256_set1_epi32(v); };
    if (mit_mul)
        return decke_messen_mit<__m256i>(
            8, [](__m256i x, __m256i y, __m256i g) { return _mm256_min_epu32(_mm256_mullo_epi32(x, y), g); }, eins);
    return decke_messen_mit<__m256i>(
        8, [](__m256i x, __m256i y, __m256i g) { return _mm256_min_epu32(_mm256_add_epi32(x, y), g); }, eins);
}
