#include "numbers/kernels/kerne_intern.h"

#include <algorithm>
#include <cmath>

#include "numbers/kernels/transponiert.h"

namespace {

// Newton's iteration x <- x (2 - d x) doubles the number of correct low bits; x = d is right to 3
// bits for odd d (d * d = 1 mod 8), so four steps give 48 >= 32.
constexpr std::uint32_t inverse_von(std::uint32_t d) {
    std::uint32_t x = d;
    for (int schritt = 0; schritt < 4; ++schritt) x *= 2 - d * x;
    return x;
}

constexpr inverse_tabelle tabelle_bauen() {
    inverse_tabelle t{};
    for (std::uint32_t k = 0; k < inverse_anzahl; ++k) {
        const std::uint32_t d = 2 * k + 3;
        const std::uint32_t x = inverse_von(d);
        t.tief[k] = static_cast<std::uint16_t>(x);
        t.hoch[k] = static_cast<std::uint16_t>(x >> 16);
        t.schranke[k] = static_cast<std::uint16_t>(65535 / d);
    }
    return t;
}

// Portable: the same divisibility test as the vector kernels, one divisor at a time.
//
// Why it is exact: for odd d let q = n * d^-1 mod 2^32. If d divides n, q = n / d, so
// (q >> 16) * d <= q * d / 2^16 = n / 2^16, and the integer left side is <= n >> 16. If d does not
// divide n, q * d = n (mod 2^32) with q * d != n, so q * d >= n + 2^32 and
// (q >> 16) * d > (q / 2^16 - 1) * d >= n / 2^16 + 2^16 - d >= n >> 16 for d <= 65536.
// With q >> 16 < 2^16 and d < 2^16 the product fits in 32 bits.
std::uint32_t erster_teiler_portabel(std::uint32_t zahl, std::uint32_t ab, std::uint32_t bis) {
    for (std::uint32_t k = (ab - 3) / 2, d = ab; d <= bis; ++k, d += 2) {
        const std::uint32_t inv = std::uint32_t{inverse.hoch[k]} << 16 | inverse.tief[k];
        const std::uint32_t q = zahl * inv;
        if ((q >> 16) * d <= zahl >> 16) return d;
    }
    return 0;
}

std::uint64_t teiler_im_block_portabel(std::uint32_t zahl, std::uint32_t hoch, unsigned breite) {
    std::uint64_t treffer = 0;
    for (unsigned j = 0; j < breite; ++j)
        if (zahl % (hoch - j) == 0) treffer |= std::uint64_t{1} << j;
    return treffer;
}

// The divisor listing above the root, one candidate after the other.
//
// Why it is exact: for a candidate d let q = floor(n / d) and r = n - q d, so 0 <= r < d. For the
// next candidate d' = d - 1, n = q d' + (r + q). If q < d', then r + q < d + q <= d' + d', so at
// most one subtraction of d' brings r + q below d': then r' = r + q - d' and q' = q + 1, else
// r' = r + q and q' = q; either way q' = floor(n / d') and r' = n mod d', exactly. And q < d'
// holds for every d' >= isqrt(n) + 1: q <= n / (d' + 1) < d' because d' (d' + 1) > (isqrt(n) + 1)^2
// > n. No sum overflows 32 bits: r + q <= d - 1 + n / d, which is largest at d = n, where it is n.
// Each candidate still gets its own remainder, in order; only the first of a run is divided.
unsigned teiler_schritte_portabel(std::uint32_t zahl, std::uint32_t oben, unsigned bloecke, std::uint64_t* masken) {
    for (unsigned b = 0; b < bloecke; ++b) {
        std::uint32_t d = oben - 64 * b;
        std::uint32_t q = zahl / d;
        std::uint32_t r = zahl - q * d;
        std::uint64_t treffer = r == 0;
        for (unsigned j = 1; j < 64; ++j) {
            --d;
            r += q;
            if (r >= d) {
                r -= d;
                ++q;
            }
            treffer |= std::uint64_t{r == 0} << j;
        }
        masken[b] = treffer;
    }
    return bloecke;
}

// The transposed kernel on plain arrays of eight lanes, which the compiler may vectorise.
struct portabel {
    struct reg {
        std::uint32_t v[8];
    };
    static constexpr unsigned breite = 8, voll = 0xFF;
    static reg laden(const std::uint32_t* p) {
        reg r;
        for (unsigned i = 0; i < breite; ++i) r.v[i] = p[i];
        return r;
    }
    static reg alle(std::uint32_t x) {
        reg r;
        for (unsigned i = 0; i < breite; ++i) r.v[i] = x;
        return r;
    }
    static reg mul(reg a, reg b) {
        for (unsigned i = 0; i < breite; ++i) a.v[i] *= b.v[i];
        return a;
    }
    static reg min(reg a, reg b) {
        for (unsigned i = 0; i < breite; ++i) a.v[i] = b.v[i] < a.v[i] ? b.v[i] : a.v[i];
        return a;
    }
    static reg schieben(reg a, unsigned k) {
        for (unsigned i = 0; i < breite; ++i) a.v[i] >>= k;
        return a;
    }
    // x, but all ones where the divisor is above the lane's bound.
    static reg ueber_grenze(reg x, reg d, reg b) {
        for (unsigned i = 0; i < breite; ++i) x.v[i] |= d.v[i] > b.v[i] ? 0xFFFFFFFFu : 0;
        return x;
    }
    static unsigned kleiner_gleich(reg a, reg b) {
        unsigned m = 0;
        for (unsigned i = 0; i < breite; ++i) m |= unsigned{a.v[i] <= b.v[i]} << i;
        return m;
    }
    // The lanes whose bit is set, one after the other from `ziel` on; how many.
    static unsigned packen(std::uint32_t* ziel, reg x, unsigned maske) {
        unsigned n = 0;
        for (unsigned i = 0; i < breite; ++i)
            if (maske >> i & 1) ziel[n++] = x.v[i];
        return n;
    }
};

}  // namespace

unsigned ohne_teiler_portabel(std::uint32_t* zahlen, std::uint32_t* grenzen, unsigned anzahl, std::uint32_t* prim) {
    return transponiert<portabel, 4>(zahlen, grenzen, anzahl, prim);
}

#if defined(__x86_64__) || defined(_M_X64)
// At the baseline the transposed order has no 32-bit product nor unsigned minimum to work with;
// the per-number kernel on 16-bit lanes measured twice as fast there, so that level keeps it.
unsigned ohne_teiler_sse2(std::uint32_t* zahlen, std::uint32_t* grenzen, unsigned anzahl, std::uint32_t* prim) {
    unsigned gefunden = 0;
    for (unsigned i = 0; i < anzahl; ++i)
        if (erster_teiler_sse2(zahlen[i], 3, grenzen[i]) == 0) prim[gefunden++] = zahlen[i];
    return gefunden;
}
#endif

namespace {

struct kernsatz {
    kernstufe stufe;
    std::uint32_t (*erster_teiler)(std::uint32_t, std::uint32_t, std::uint32_t);
    std::uint64_t (*teiler_im_block)(std::uint32_t, std::uint32_t, unsigned);
    unsigned (*ohne_teiler)(std::uint32_t*, std::uint32_t*, unsigned, std::uint32_t*);
    unsigned (*teiler_schritte)(std::uint32_t, std::uint32_t, unsigned, std::uint64_t*);
};

constexpr kernsatz saetze[] = {
    {kernstufe::portabel, erster_teiler_portabel, teiler_im_block_portabel, ohne_teiler_portabel, teiler_schritte_portabel},
#if defined(__x86_64__) || defined(_M_X64)
    {kernstufe::sse2, erster_teiler_sse2, teiler_im_block_sse2, ohne_teiler_sse2, teiler_schritte_sse2},
    {kernstufe::avx2, erster_teiler_avx2, teiler_im_block_sse2, ohne_teiler_avx2, teiler_schritte_avx2},
    {kernstufe::avx512, erster_teiler_avx512, teiler_im_block_sse2, ohne_teiler_avx512, teiler_schritte_avx512},
#endif
};

kernstufe beste_stufe() {
#if defined(__x86_64__) || defined(_M_X64)
#ifdef ZIFFERON_AVX512_EMULIERT
    return kernstufe::avx512;  // the AVX-512 file built on portable intrinsics, for its tests
#endif
    __builtin_cpu_init();  // may run before the runtime's own initialisation
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")) return kernstufe::avx512;
    if (__builtin_cpu_supports("avx2")) return kernstufe::avx2;
    return kernstufe::sse2;  // part of every x86-64 CPU
#else
    return kernstufe::portabel;
#endif
}

const kernsatz& satz(kernstufe stufe) {
    for (const kernsatz& s : saetze)
        if (s.stufe == stufe) return s;
    return saetze[0];
}

const kernstufe beste = beste_stufe();
kernsatz aktiv = satz(beste);

}  // namespace

constexpr inverse_tabelle inverse = tabelle_bauen();

constexpr inverse_ganz_tabelle inverse_ganz = [] {
    inverse_ganz_tabelle t{};
    for (std::uint32_t k = 0; k < inverse_anzahl; ++k) t.d[k] = inverse_von(2 * k + 3);
    return t;
}();

std::uint32_t erster_teiler(std::uint32_t zahl, std::uint32_t ab, std::uint32_t bis) {
    return aktiv.erster_teiler(zahl, ab, bis);
}

unsigned ohne_teiler(std::uint32_t* zahlen, std::uint32_t* grenzen, unsigned anzahl, std::uint32_t* prim) {
    return aktiv.ohne_teiler(zahlen, grenzen, anzahl, prim);
}

std::uint64_t teiler_im_block(std::uint32_t zahl, std::uint32_t hoch, unsigned breite) {
    return aktiv.teiler_im_block(zahl, hoch, breite);
}

namespace {

// floor(zahl / d) for d >= 1, exact: the double quotient of two 32-bit numbers never rounds up to
// the next whole number (n / d = k - e with e >= 1 / d would need e < k 2^-53, but k d < n + d < 2^33).
std::uint32_t quotient(std::uint32_t zahl, std::uint32_t d) {
    return static_cast<std::uint32_t>(static_cast<double>(zahl) / static_cast<double>(d));
}

}  // namespace

void spuren_anfangen(std::uint32_t zahl, std::uint32_t kopf, unsigned spuren, unsigned runden, std::uint32_t versatz,
                     std::uint32_t* d0, std::uint32_t* q0, std::uint32_t* r0) {
    for (unsigned j = 0; j < spuren; ++j) {
        d0[j] = kopf - 64 * runden * j;
        q0[j] = quotient(zahl, d0[j]);
        r0[j] = (zahl - q0[j] * d0[j]) + versatz;
    }
}

void runde_eintragen(std::uint32_t zahl, std::uint32_t kopf, unsigned spuren, unsigned runden, unsigned runde,
                     std::uint64_t treffer, std::uint64_t (*block)(std::uint32_t, std::uint32_t, unsigned),
                     std::uint64_t* masken) {
    for (unsigned j = 0; j < spuren; ++j) {
        const unsigned b = j * runden + runde;
        masken[b] = treffer >> j & 1 ? block(zahl, kopf - 64 * b, 64) : 0;
    }
}

void teiler_in_bloecken(std::uint32_t zahl, std::uint32_t hoch, unsigned bloecke, std::uint64_t* masken) {
    // Every candidate from here up may be stepped to (see teiler_schritte_portabel).
    const auto ab = static_cast<std::uint32_t>(std::sqrt(static_cast<double>(zahl))) + 1;
    for (unsigned b = 0; b < bloecke;) {
        const std::int64_t oben = std::int64_t{hoch} - 64 * std::int64_t{b};
        if (oben <= 0) {
            masken[b++] = 0;
            continue;
        }
        // The whole blocks from here down whose lowest candidate is at least `ab`.
        if (oben - 63 >= ab) {
            const auto ganze = static_cast<unsigned>(std::min<std::int64_t>(bloecke - b, (oben - 63 - ab) / 64 + 1));
            const unsigned getan = aktiv.teiler_schritte(zahl, static_cast<std::uint32_t>(oben), ganze, masken + b);
            b += getan;
            if (getan > 0) continue;
        }
        masken[b] = aktiv.teiler_im_block(zahl, static_cast<std::uint32_t>(oben), oben < 64 ? static_cast<unsigned>(oben) : 64);
        ++b;
    }
}

kernstufe kern_aktiv() { return aktiv.stufe; }

kernstufe kern_begrenzen(kernstufe hoechstens) {
    aktiv = satz(hoechstens < beste ? hoechstens : beste);
    return aktiv.stufe;
}
