#include "numbers/primzahl.h"

#include <algorithm>
#include <functional>

#include "numbers/kernels/kerne.h"
#include "numbers/kernels/wurzel.h"

namespace {

std::uint32_t wurzel(std::uint32_t zahl) { return ganzzahlige_wurzel(zahl); }

bool endziffer_verwirft(std::uint32_t zahl) {
    const std::uint32_t lz = zahl % 10;
    return lz == 0 || lz == 2 || lz == 4 || lz == 5 || lz == 6 || lz == 8;
}

}  // namespace

urteil primtest_einzeln(std::uint32_t zahl) {
    std::uint32_t i = 1;
    std::uint32_t ergebnis = 1;
    const std::uint32_t buffer = wurzel(zahl);
    if (endziffer_verwirft(zahl)) ergebnis = 0;
    while (ergebnis != 0) {
        i += 2;
        ergebnis = zahl % i;
        // After the division on purpose: 3 is prime although 3 mod 3 is 0.
        if (i > buffer) return urteil::prim;
    }
    return urteil::zusammengesetzt;
}

std::uint32_t erster_teiler_einzeln(std::uint32_t zahl, std::uint32_t bis) {
    for (std::uint32_t i = 3; i <= bis; i += 2)
        if (zahl % i == 0) return i;
    return 0;
}

// The loop above stops at the first odd divisor i unless i is above the root bound, which then
// makes it prime: so the number is composite exactly when an odd divisor <= the bound exists.
urteil primtest(std::uint32_t zahl) {
    if (endziffer_verwirft(zahl)) return urteil::zusammengesetzt;
    return erster_teiler(zahl, 3, wurzel(zahl)) == 0 ? urteil::prim : urteil::zusammengesetzt;
}

bool ist_primzahl(std::uint32_t zahl) {
    if (zahl < 6) return zahl == 2 || zahl == 3 || zahl == 5;
    return primtest(zahl) == urteil::prim;
}

void primzahlen_pruefen(const std::uint32_t* zahlen, unsigned anzahl, std::uint64_t* masken) {
    for (unsigned b = 0; b < (anzahl + 63) / 64; ++b) masken[b] = 0;
    // The transposed kernel wants its numbers ascending and distinct: a sorted copy, and each
    // verdict found again by a binary search among the primes it returns (numbers that come
    // ascending, as from `seq`, need neither: the primes come back in their order). Every number
    // may pass the filter here: three arrays of 4224, about 50 KiB of a worker's 256 KiB stack.
    constexpr unsigned platz = pruefen_portion + ohne_teiler_rand;
    std::uint32_t kandidaten[platz], grenzen[platz], prim[platz];
    unsigned n = 0;
    for (unsigned k = 0; k < anzahl; ++k)
        if (zahlen[k] >= 6 && !endziffer_verwirft(zahlen[k])) kandidaten[n++] = zahlen[k];
    const bool aufsteigend = std::adjacent_find(kandidaten, kandidaten + n, std::greater_equal<>()) == kandidaten + n;
    if (!aufsteigend) {
        std::sort(kandidaten, kandidaten + n);
        n = static_cast<unsigned>(std::unique(kandidaten, kandidaten + n) - kandidaten);
    }
    for (unsigned r = 0; r < n; ++r) grenzen[r] = wurzel(kandidaten[r]);
    for (unsigned r = n; r < n + ohne_teiler_rand; ++r) kandidaten[r] = grenzen[r] = 0;
    const unsigned gefunden = ohne_teiler(kandidaten, grenzen, n, prim);
    for (unsigned k = 0, p = 0; k < anzahl; ++k) {
        const std::uint32_t zahl = zahlen[k];
        bool ja = false;
        if (zahl < 6) {
            ja = ist_primzahl(zahl);
        } else if (aufsteigend) {
            ja = p < gefunden && prim[p] == zahl;
            p += ja ? 1 : 0;
        } else {
            ja = std::binary_search(prim, prim + gefunden, zahl);
        }
        if (ja) masken[k / 64] |= std::uint64_t{1} << (k % 64);
    }
}

void primzahlen_im_lauf(std::uint32_t start, std::uint32_t anzahl, std::uint64_t* masken) {
    for (std::uint32_t b = 0; b < (anzahl + 63) / 64; ++b) masken[b] = 0;
    // A portion's candidates on the stack, so that a worker needs no more than a small stack and
    // nothing that can fail. Of 4096 consecutive numbers, 409 whole tens give 1636 that pass the
    // last-digit filter (1, 3, 7, 9), and the 6 left over at most 3 more (7, 9, 1, say): 1639, within
    // 4096 * 4 / 10 + 2 = 1640. With the kernel's room past the last, the three arrays take
    // 3 * 1768 * 4 bytes, about 21 KiB of a worker's 256 KiB stack.
    constexpr std::uint32_t portion = 4096;
    constexpr unsigned platz = portion * 4 / 10 + 2 + ohne_teiler_rand;
    std::uint32_t zahlen[platz], grenzen[platz], prim[platz];
    for (std::uint32_t ab = 0; ab < anzahl; ab += portion) {
        const std::uint32_t bis = anzahl - ab < portion ? anzahl : ab + portion;
        unsigned n = 0;
        for (std::uint32_t j = ab; j < bis; ++j) {
            const std::uint32_t zahl = start + j;
            if (endziffer_verwirft(zahl)) continue;
            zahlen[n] = zahl;
            grenzen[n++] = wurzel(zahl);
        }
        for (unsigned r = n; r < n + ohne_teiler_rand; ++r) zahlen[r] = grenzen[r] = 0;
        const unsigned gefunden = ohne_teiler(zahlen, grenzen, n, prim);
        for (unsigned p = 0; p < gefunden; ++p) {
            const std::uint32_t j = prim[p] - start;
            masken[j / 64] |= std::uint64_t{1} << (j % 64);
        }
    }
}
