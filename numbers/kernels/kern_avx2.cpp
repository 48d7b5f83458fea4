// Kernels for CPUs with AVX2, compiled for it; chosen only where the CPU has it.
// Wide registers do go to the stack around the stepping's out-of-line calls; on Windows, whose
// stack GCC keeps only 16-byte aligned, they must be unaligned moves, which the Windows build's
// object check (cmake/keine-breiten-stapelzugriffe) guards.
#include <immintrin.h>

#include "numbers/kernels/kerne_intern.h"
#include "numbers/kernels/schritte.h"
#include "numbers/kernels/transponiert.h"

// The SSE2 kernel (numbers/kernels/kern_sse2.cpp, with the proof) on sixteen 16-bit lanes.
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

namespace {

// The stepping above the root (numbers/kernels/schritte.h) on eight 32-bit lanes; a lane's record
// of its round is the least remainder it met.
struct avx2_schritte {
    using reg = __m256i;
    static constexpr unsigned breite = 8;
    static constexpr std::uint32_t versatz = 0;
    static reg laden(const std::uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static reg alle(std::uint32_t x) { return _mm256_set1_epi32(static_cast<int>(x)); }
    static reg add(reg a, reg b) { return _mm256_add_epi32(a, b); }
    static reg sub(reg a, reg b) { return _mm256_sub_epi32(a, b); }
    static void schritt(reg& d, reg& q, reg& r) {
        d = _mm256_sub_epi32(d, _mm256_set1_epi32(1));
        r = _mm256_add_epi32(r, q);
        const reg ab = _mm256_cmpeq_epi32(_mm256_max_epu32(r, d), r);  // r >= d: all ones
        r = _mm256_sub_epi32(r, _mm256_and_si256(ab, d));
        q = _mm256_sub_epi32(q, ab);
    }
    // No lane has 64 (q + 1) >= d - r.
    static bool konstant(reg d, reg q, reg r) {
        const reg bedarf = _mm256_slli_epi32(_mm256_add_epi32(q, _mm256_set1_epi32(1)), 6);
        const reg zu_knapp = _mm256_cmpeq_epi32(_mm256_max_epu32(bedarf, _mm256_sub_epi32(d, r)), bedarf);
        return _mm256_movemask_ps(_mm256_castsi256_ps(zu_knapp)) == 0;
    }
    static reg keine() { return _mm256_set1_epi32(-1); }
    static reg null_merken(reg t, reg r) { return _mm256_min_epu32(t, r); }
    static unsigned treffer(reg t) {
        return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(t, _mm256_setzero_si256()))));
    }
};

}  // namespace

unsigned teiler_schritte_avx2(std::uint32_t zahl, std::uint32_t oben, unsigned bloecke, std::uint64_t* masken) {
    return teiler_schritte_stufe<avx2_schritte, 4, 8>(zahl, oben, bloecke, masken);
}

namespace {

// The lanes' order for packing: for each mask of eight lanes, the kept lanes' indices first.
struct packfolge_tabelle {
    std::uint32_t i[256][8];
};
constexpr packfolge_tabelle packfolge = [] {
    packfolge_tabelle t{};
    for (unsigned m = 0; m < 256; ++m) {
        unsigned n = 0;
        for (unsigned i = 0; i < 8; ++i)
            if (m >> i & 1) t.i[m][n++] = i;
    }
    return t;
}();

// The transposed kernel's operations (numbers/kernels/transponiert.h) on eight 32-bit lanes.
struct avx2 {
    using reg = __m256i;
    static constexpr unsigned breite = 8, voll = 0xFF;
    static reg laden(const std::uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static reg alle(std::uint32_t x) { return _mm256_set1_epi32(static_cast<int>(x)); }
    static reg mul(reg a, reg b) { return _mm256_mullo_epi32(a, b); }
    static reg min(reg a, reg b) { return _mm256_min_epu32(a, b); }
    static reg schieben(reg a, unsigned k) { return _mm256_srl_epi32(a, _mm_cvtsi32_si128(static_cast<int>(k))); }
    // Divisors and bounds are below 2^31, so the signed compare serves.
    static reg ueber_grenze(reg x, reg d, reg b) { return _mm256_or_si256(x, _mm256_cmpgt_epi32(d, b)); }
    static unsigned kleiner_gleich(reg a, reg b) {
        return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(_mm256_min_epu32(a, b), a))));
    }
    static unsigned packen(std::uint32_t* ziel, reg x, unsigned maske) {
        const __m256i folge = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(packfolge.i[maske]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(ziel), _mm256_permutevar8x32_epi32(x, folge));
        return static_cast<unsigned>(__builtin_popcount(maske));
    }
};

}  // namespace

unsigned ohne_teiler_avx2(std::uint32_t* zahlen, std::uint32_t* grenzen, unsigned anzahl, std::uint32_t* prim) {
    return transponiert<avx2, 6>(zahlen, grenzen, anzahl, prim);
}
