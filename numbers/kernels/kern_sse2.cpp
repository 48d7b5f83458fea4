// Kernels for the x86-64 baseline (SSE2), which every x86-64 CPU has.
#include <emmintrin.h>

#include "numbers/kernels/kerne_intern.h"
#include "numbers/kernels/schritte.h"

// Eight divisors per register, in 16-bit lanes; the test is the portable kernel's (numbers/kernels/kern_portabel.cpp
// has its proof): d divides n exactly when (q >> 16) * d <= n >> 16, q = n * d^-1 mod 2^32.
// With n = nh 2^16 + nl and d^-1 = ih 2^16 + il, q >> 16 = hi(nl il) + lo(nh il) + lo(nl ih) mod
// 2^16 (the product nh ih only reaches bits 32 and up). The 32-bit product (q >> 16) * d is split
// the same way: it is <= nh exactly when it is below 2^16, i.e. qh <= 65535 / d (from a table,
// which saves a multiplication), and its low half is <= nh: when both saturating differences
// qh - 65535 / d and lo(qh d) - nh are 0. Lanes past `bis` are masked off.
std::uint32_t erster_teiler_sse2(std::uint32_t zahl, std::uint32_t ab, std::uint32_t bis) {
    if (bis < ab) return 0;
    const std::uint32_t letztes = (bis - 3) / 2;  // index of the last divisor to try
    const __m128i nl = _mm_set1_epi16(static_cast<short>(zahl & 0xFFFF));
    const __m128i nh = _mm_set1_epi16(static_cast<short>(zahl >> 16));
    const __m128i null = _mm_setzero_si128();
    __m128i d = _mm_add_epi16(_mm_setr_epi16(3, 5, 7, 9, 11, 13, 15, 17), _mm_set1_epi16(static_cast<short>(ab - 3)));
    const __m128i schritt = _mm_set1_epi16(16);
    // 16-bit lanes of `rest` that are zero: the divisors found, as -1 in the lane.
    const auto geteilt = [&](std::uint32_t k) {
        const __m128i il = _mm_loadu_si128(reinterpret_cast<const __m128i*>(inverse.tief + k));
        const __m128i ih = _mm_loadu_si128(reinterpret_cast<const __m128i*>(inverse.hoch + k));
        const __m128i qh = _mm_add_epi16(_mm_add_epi16(_mm_mulhi_epu16(nl, il), _mm_mullo_epi16(nh, il)),
                                         _mm_mullo_epi16(nl, ih));
        const __m128i grenze = _mm_loadu_si128(reinterpret_cast<const __m128i*>(inverse.schranke + k));
        const __m128i rest = _mm_or_si128(_mm_subs_epu16(qh, grenze), _mm_subs_epu16(_mm_mullo_epi16(qh, d), nh));
        d = _mm_add_epi16(d, schritt);
        return _mm_cmpeq_epi16(rest, null);
    };
    // Four registers per branch; packing keeps -1 as -1 and 0 as 0, so one mask covers 32 divisors.
    for (std::uint32_t k = (ab - 3) / 2; k <= letztes; k += 32) {
        const __m128i g0 = geteilt(k);  // one after the other: each call moves `d` on
        const __m128i g1 = geteilt(k + 8);
        const __m128i g2 = geteilt(k + 16);
        const __m128i g3 = geteilt(k + 24);
        const __m128i a = _mm_packs_epi16(g0, g1);
        const __m128i b = _mm_packs_epi16(g2, g3);
        std::uint32_t treffer = static_cast<std::uint32_t>(_mm_movemask_epi8(a)) |
                                static_cast<std::uint32_t>(_mm_movemask_epi8(b)) << 16;
        if (treffer != 0) {
            const std::uint32_t gueltig = letztes - k + 1;  // lanes that are divisors <= bis
            if (gueltig < 32) treffer &= (1u << gueltig) - 1;
            if (treffer != 0) return 2 * (k + static_cast<std::uint32_t>(__builtin_ctz(treffer))) + 3;
        }
    }
    return 0;
}

// Two candidates per division in double precision, exact for n, d < 2^32: if d divides n, n / d is
// an integer below 2^32 and exact; if not, n / d lies at least 1/d from every integer, while the
// rounding error is below (n / d) 2^-53 < 2^-21 / d. Rounded to the nearest integer m, m d is
// below 2^33 + 2^32, exact, and equals n only if d divides n.
std::uint64_t teiler_im_block_sse2(std::uint32_t zahl, std::uint32_t hoch, unsigned breite) {
    const __m128d n = _mm_set1_pd(static_cast<double>(zahl));
    const __m128d magie = _mm_set1_pd(6755399441055744.0);  // 2^52 + 2^51: adding it rounds to an integer
    __m128d d = _mm_setr_pd(static_cast<double>(hoch), static_cast<double>(hoch) - 1);
    const __m128d zwei = _mm_set1_pd(2);
    std::uint64_t treffer = 0;
    for (unsigned j = 0; j < breite; j += 2) {
        const __m128d q = _mm_div_pd(n, d);
        const __m128d m = _mm_sub_pd(_mm_add_pd(q, magie), magie);
        const auto ganz = static_cast<std::uint64_t>(_mm_movemask_pd(_mm_cmpeq_pd(_mm_mul_pd(m, d), n)));
        treffer |= ganz << j;
        d = _mm_sub_pd(d, zwei);
    }
    return breite < 64 ? treffer & ((std::uint64_t{1} << breite) - 1) : treffer;
}

namespace {

// The stepping above the root (numbers/kernels/schritte.h) on four 32-bit lanes. SSE2 compares
// only signed: the remainders are kept offset by 2^31, so that the signed compare orders them as
// unsigned numbers; a lane's record of its round is all ones once a remainder was 0.
struct sse2_schritte {
    using reg = __m128i;
    static constexpr unsigned breite = 4;
    static constexpr std::uint32_t versatz = 0x80000000u;
    static reg laden(const std::uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static reg alle(std::uint32_t x) { return _mm_set1_epi32(static_cast<int>(x)); }
    static reg add(reg a, reg b) { return _mm_add_epi32(a, b); }
    static reg sub(reg a, reg b) { return _mm_sub_epi32(a, b); }
    static void schritt(reg& d, reg& q, reg& r) {
        const reg eins = _mm_set1_epi32(1);
        d = _mm_sub_epi32(d, eins);
        r = _mm_add_epi32(r, q);
        const reg kleiner = _mm_cmpgt_epi32(_mm_xor_si128(d, alle(versatz)), r);  // r < d
        r = _mm_sub_epi32(r, _mm_andnot_si128(kleiner, d));
        q = _mm_add_epi32(q, _mm_andnot_si128(kleiner, eins));
    }
    // Every lane has 64 (q + 1) < d - r, both sides offset for the signed compare.
    static bool konstant(reg d, reg q, reg r) {
        const reg v = alle(versatz);
        const reg bedarf = _mm_xor_si128(_mm_slli_epi32(_mm_add_epi32(q, alle(1)), 6), v);
        const reg luft = _mm_xor_si128(_mm_sub_epi32(d, _mm_xor_si128(r, v)), v);
        return _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(luft, bedarf))) == 0xF;
    }
    static reg keine() { return _mm_setzero_si128(); }
    static reg null_merken(reg t, reg r) { return _mm_or_si128(t, _mm_cmpeq_epi32(r, alle(versatz))); }
    static unsigned treffer(reg t) { return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(t))); }
};

}  // namespace

unsigned teiler_schritte_sse2(std::uint32_t zahl, std::uint32_t oben, unsigned bloecke, std::uint64_t* masken) {
    return teiler_schritte_stufe<sse2_schritte, 4, 8>(zahl, oben, bloecke, masken);
}

// At the baseline the transposed order has no 32-bit product nor unsigned minimum to work with;
// the per-number kernel on 16-bit lanes measured twice as fast there, so that level keeps it.
unsigned ohne_teiler_sse2(std::uint32_t* zahlen, std::uint32_t* grenzen, unsigned anzahl, std::uint32_t* prim) {
    unsigned gefunden = 0;
    for (unsigned i = 0; i < anzahl; ++i)
        if (erster_teiler_sse2(zahlen[i], 3, grenzen[i]) == 0) prim[gefunden++] = zahlen[i];
    return gefunden;
}
