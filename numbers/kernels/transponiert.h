// The lister's trial division in transposed order, for every kernel file: many candidates in the
// lanes, one divisor at a time broadcast against all of them. Each file includes this with its
// own register operations `V`; everything here is file-local, so no copy compiled for one
// instruction set can stand in for another's.
//
// Which pairs are tried: the divisors go in chunks of consecutive odd numbers, 3 first. A
// candidate leaves after the chunk holding its first divisor (composite), or as prime once the
// chunks pass its bound; so each is tried with every odd divisor in order from 3 up to its bound,
// and none beyond the end of the chunk where it fails. A divisor above a candidate's own bound
// never counts: where a bound falls inside a chunk, the chunk masks those lanes.
//
// The check, exact: a chunk's divisors all lie in one octave 2^k <= d < 2^(k+1). For odd d let
// x = n d^-1 mod 2^32. If d divides n, x = n / d <= n / 2^k, so x <= n >> k. If not, x d is
// congruent to n but not equal, and x d >= 0, so x d >= n + 2^32 and
// x > (n + 2^32) / 2^(k+1) > n / 2^k >= n >> k (as n < 2^32). So some divisor of the chunk divides
// n exactly when the chunk's least x is <= n >> k: a multiplication and a minimum per check, one
// comparison per chunk. A masked lane's x is 2^32 - 1, above any n >> k.
#pragma once

#include <cstdint>

#include "numbers/kernels/kerne_intern.h"

namespace {

// The chunk from the odd divisor `d` in the octave [2^k, 2^(k+1)): short at first, where most
// candidates leave, longer later, where only primes and a few composites are left. It ends at its
// last divisor `hi`, odd, at most 2^(k+1) - 1, the octave's last odd number. Two things follow
// from `hi` in the loop below: the chunk is masked (`maskiert`) exactly when the least bound,
// grenzen[0] (the bounds ascend), is below hi, since only then can some lane's bound fall before
// one of the chunk's divisors; and a candidate without a divisor in the chunk stays for the next
// one (`bleiben_ab`) exactly when its bound reaches hi + 2, the next chunk's first divisor; with a
// lower bound it has been tried with every odd divisor up to its bound, so it is prime.
inline std::uint32_t stueck_ende(std::uint32_t d, unsigned k) {
    std::uint32_t laenge = d / 4;
    if (laenge < 8) laenge = 8;
    if (laenge > 1024) laenge = 1024;
    const std::uint32_t hi = d + 2 * (laenge - 1);
    const std::uint32_t oktave_ende = (2u << k) - 1;
    return hi < oktave_ende ? hi : oktave_ende;
}

// G registers of V::breite lanes at a time; see ohne_teiler in numbers/kernels/kerne.h.
template <class V, unsigned G>
unsigned transponiert(std::uint32_t* zahlen, std::uint32_t* grenzen, unsigned anzahl, std::uint32_t* prim) {
    constexpr unsigned W = V::breite;
    unsigned gefunden = 0;
    std::uint32_t d = 3;
    for (unsigned k = 1; k < 16 && anzahl > 0; ++k) {
        // Bounds ascend with the candidates, and the compaction keeps their order.
        while (anzahl > 0 && d < (2u << k) && grenzen[anzahl - 1] >= d) {
            const std::uint32_t hi = stueck_ende(d, k);
            const bool maskiert = grenzen[0] < hi;
            const typename V::reg bleiben_ab = V::alle(hi + 2);
            unsigned neu = 0;
            for (unsigned g = 0; g < anzahl; g += G * W) {
                // Only the candidates and their minima live in registers through the chunk.
                typename V::reg n[G], m[G];
#pragma GCC unroll 16
                for (unsigned j = 0; j < G; ++j) {
                    n[j] = V::laden(zahlen + g + j * W);
                    m[j] = V::alle(0xFFFFFFFFu);
                }
                const std::uint32_t letzter = (hi - 3) / 2;
                if (!maskiert) {
                    for (std::uint32_t t = (d - 3) / 2; t <= letzter; ++t) {
                        const typename V::reg inv = V::alle(inverse_ganz.d[t]);
#pragma GCC unroll 16
                        for (unsigned j = 0; j < G; ++j) m[j] = V::min(m[j], V::mul(n[j], inv));
                    }
                } else {
                    for (std::uint32_t t = (d - 3) / 2; t <= letzter; ++t) {
                        const typename V::reg inv = V::alle(inverse_ganz.d[t]);
                        const typename V::reg dv = V::alle(2 * t + 3);
#pragma GCC unroll 16
                        for (unsigned j = 0; j < G; ++j)
                            m[j] = V::min(m[j], V::ueber_grenze(V::mul(n[j], inv), dv, V::laden(grenzen + g + j * W)));
                    }
                }
                // Each register's lanes in turn: its primes read, then the ones that stay packed
                // down. A register's packing writes only over its own lanes and those before, so
                // the later ones are still in memory as they were.
#pragma GCC unroll 16
                for (unsigned j = 0; j < G; ++j) {
                    const unsigned ab = g + j * W;
                    const unsigned gueltig = ab >= anzahl ? 0 : anzahl - ab >= W ? V::voll : (1u << (anzahl - ab)) - 1;
                    const typename V::reg b = V::laden(grenzen + ab);
                    const unsigned frei = gueltig & ~V::kleiner_gleich(m[j], V::schieben(n[j], k));
                    const unsigned bleibt = frei & V::kleiner_gleich(bleiben_ab, b);
                    for (unsigned fertig = frei & ~bleibt; fertig != 0; fertig &= fertig - 1)
                        prim[gefunden++] = zahlen[ab + static_cast<unsigned>(__builtin_ctz(fertig))];
                    V::packen(zahlen + neu, n[j], bleibt);
                    neu += V::packen(grenzen + neu, b, bleibt);
                }
            }
            anzahl = neu;
            d = hi + 2;
        }
        // The jump to the next octave's first odd divisor, 2^(k+1) + 1, skips nothing: the loop
        // above ended either at the octave's end, where the last chunk's hi is 2^(k+1) - 1 and
        // d = hi + 2 is already there; or with no candidate left; or with every candidate's bound
        // below d (the largest bound is the last, as they ascend), so that no divisor from d on
        // can count for any of them.
        if (d < (1u << (k + 1)) + 1) d = (1u << (k + 1)) + 1;
    }
    // Every divisor up to each one's bound tried, none dividing.
    for (unsigned i = 0; i < anzahl; ++i) prim[gefunden++] = zahlen[i];
    return gefunden;
}

}  // namespace
