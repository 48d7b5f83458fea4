// Kernels for CPUs with AVX-512 F and BW, compiled for it; chosen only where the CPU has it.
// Wide registers do go to the stack: the stepping keeps its lanes' state across the out-of-line
// calls that start a group and check a round (spuren_anfangen, runde_eintragen). On Linux GCC
// aligns the frame for that; Windows' stack is only 16-byte aligned and GCC cannot align it
// further there, so those spills must be unaligned moves: the Windows build's object check
// (cmake/keine-breiten-stapelzugriffe, a test of that build) fails on any aligned 32- or 64-byte
// move to or from the stack.
#include <immintrin.h>

// GCC 12's own AVX-512 headers start some results from _mm512_undefined_*, which its flow
// analysis then reports as used uninitialised.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "numbers/kernels/kerne_intern.h"
#include "numbers/kernels/schritte.h"
#include "numbers/kernels/transponiert.h"

// The SSE2 kernel (numbers/kernels/kern_sse2.cpp, with the proof) on thirty-two 16-bit lanes, two
// registers per branch.
//
// Why `ab` must be 3 + 64 m: the tables are loaded with aligned 64-byte loads. The tables are
// 64-byte aligned (alignas in kerne_intern.h), and each is inverse_anzahl + 64 = 32832 entries of
// 2 bytes, a multiple of 64 bytes, so inverse.hoch starts aligned too; the load at index k is
// aligned when k is a multiple of 32, and k starts at (ab - 3) / 2 = 32 m and moves by 64.
//
// Why `mulhi(qh, d) == 0` is the other levels' test: they require qh <= 65535 / d, from a table,
// i.e. qh d <= 65535, i.e. the 32-bit product qh d is below 2^16, which is exactly what a zero high
// half of the 16 x 16-bit product says. Here the multiplication is cheaper than the table's load.
namespace {

// 3, 5, ..., 65 in the lanes, moved on to `ab`.
inline __attribute__((always_inline)) __m512i rampe_ab(std::uint32_t ab) {
    const __m512i rampe = _mm512_add_epi16(_mm512_set1_epi16(3),
        _mm512_slli_epi16(_mm512_set_epi16(31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16,
                                           15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0), 1));
    return _mm512_add_epi16(rampe, _mm512_set1_epi16(static_cast<short>(ab - 3)));
}

// The search itself, with the divisors from `ab` in `d0` (and 64 further in `d1`).
inline __attribute__((always_inline)) std::uint32_t suchen(std::uint32_t zahl, std::uint32_t ab, std::uint32_t bis,
                                                           __m512i d0, __m512i d1) {
    if (bis < ab) return 0;
    const std::uint32_t letztes = (bis - 3) / 2;
    const __m512i nl = _mm512_set1_epi16(static_cast<short>(zahl & 0xFFFF));
    const __m512i nh = _mm512_set1_epi16(static_cast<short>(zahl >> 16));
    const __m512i schritt = _mm512_set1_epi16(128);
    for (std::uint32_t k = (ab - 3) / 2; k <= letztes; k += 64) {
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

}  // namespace

std::uint32_t erster_teiler_avx512(std::uint32_t zahl, std::uint32_t ab, std::uint32_t bis) {
    const __m512i d0 = rampe_ab(ab);
    return suchen(zahl, ab, bis, d0, _mm512_add_epi16(d0, _mm512_set1_epi16(64)));
}

namespace {

// The transposed kernel's operations (numbers/kernels/transponiert.h) on sixteen 32-bit lanes.
struct avx512 {
    using reg = __m512i;
    static constexpr unsigned breite = 16, voll = 0xFFFF;
    static reg laden(const std::uint32_t* p) { return _mm512_loadu_si512(p); }
    static reg alle(std::uint32_t x) { return _mm512_set1_epi32(static_cast<int>(x)); }
    static reg mul(reg a, reg b) { return _mm512_mullo_epi32(a, b); }
    static reg min(reg a, reg b) { return _mm512_min_epu32(a, b); }
    static reg schieben(reg a, unsigned k) { return _mm512_srl_epi32(a, _mm_cvtsi32_si128(static_cast<int>(k))); }
    // Divisors and bounds are below 2^31, so the signed compare serves.
    static reg ueber_grenze(reg x, reg d, reg b) {
        return _mm512_mask_mov_epi32(x, _mm512_cmpgt_epi32_mask(d, b), _mm512_set1_epi32(-1));
    }
    static unsigned kleiner_gleich(reg a, reg b) { return _mm512_cmple_epu32_mask(a, b); }
    // Compressed in the register, then stored: compressing straight to memory is slow on some CPUs.
    static unsigned packen(std::uint32_t* ziel, reg x, unsigned maske) {
        _mm512_storeu_si512(ziel, _mm512_maskz_compress_epi32(static_cast<__mmask16>(maske), x));
        return static_cast<unsigned>(__builtin_popcount(maske));
    }
};

}  // namespace

unsigned ohne_teiler_avx512(std::uint32_t* zahlen, std::uint32_t* grenzen, unsigned anzahl, std::uint32_t* prim) {
    return transponiert<avx512, 8>(zahlen, grenzen, anzahl, prim);
}

namespace {

// The stepping above the root (numbers/kernels/schritte.h) on sixteen 32-bit lanes; a lane's
// record of its round is the least remainder it met.
struct avx512_schritte {
    using reg = __m512i;
    static constexpr unsigned breite = 16;
    static constexpr std::uint32_t versatz = 0;
    static reg laden(const std::uint32_t* p) { return _mm512_loadu_si512(p); }
    static reg alle(std::uint32_t x) { return _mm512_set1_epi32(static_cast<int>(x)); }
    static reg add(reg a, reg b) { return _mm512_add_epi32(a, b); }
    static reg sub(reg a, reg b) { return _mm512_sub_epi32(a, b); }
    static void schritt(reg& d, reg& q, reg& r) {
        const reg eins = _mm512_set1_epi32(1);
        d = _mm512_sub_epi32(d, eins);
        r = _mm512_add_epi32(r, q);
        const __mmask16 ab = _mm512_cmpge_epu32_mask(r, d);
        r = _mm512_mask_sub_epi32(r, ab, r, d);
        q = _mm512_mask_add_epi32(q, ab, q, eins);
    }
    static bool konstant(reg d, reg q, reg r) {
        const reg bedarf = _mm512_slli_epi32(_mm512_add_epi32(q, _mm512_set1_epi32(1)), 6);
        return _mm512_cmpge_epu32_mask(bedarf, _mm512_sub_epi32(d, r)) == 0;
    }
    static reg keine() { return _mm512_set1_epi32(-1); }
    static reg null_merken(reg t, reg r) { return _mm512_min_epu32(t, r); }
    static unsigned treffer(reg t) { return _mm512_cmpeq_epi32_mask(t, _mm512_setzero_si512()); }
};

}  // namespace

unsigned teiler_schritte_avx512(std::uint32_t zahl, std::uint32_t oben, unsigned bloecke, std::uint64_t* masken) {
    return teiler_schritte_stufe<avx512_schritte, 4, 32>(zahl, oben, bloecke, masken);
}
