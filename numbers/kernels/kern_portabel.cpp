// The portable level, which every CPU runs: the plain kernels one divisor at a time, and what all
// levels share at the baseline (the tables of inverses, the stepping's lane starts and its check of
// a round by division). The dispatch above the levels is numbers/kernels/kerne.cpp.
#include "numbers/kernels/kerne_intern.h"

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

}  // namespace

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

namespace {

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

constexpr inverse_tabelle inverse = tabelle_bauen();

constexpr inverse_ganz_tabelle inverse_ganz = [] {
    inverse_ganz_tabelle t{};
    for (std::uint32_t k = 0; k < inverse_anzahl; ++k) t.d[k] = inverse_von(2 * k + 3);
    return t;
}();

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
