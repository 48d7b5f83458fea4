// The run loop that the prime lister's two outputs (screen and file) share.
#pragma once

#include <algorithm>
#include <cstdint>

#include "numbers/verteilt.h"

// One past the last number of a run, without wrapping: a run may end at 4294967295.
constexpr std::uint64_t lauf_ende(std::uint32_t zahl, std::uint32_t z3) {
    return std::uint64_t{zahl} + z3;
}

// The primes' bits of piece `i` of a run: masken[b] for the 64 numbers from zahl + 64 (256 i + b),
// as far as the run goes.
inline constexpr unsigned lauf_bloecke = 256;
inline constexpr std::uint64_t lauf_stueck = 64 * lauf_bloecke;
void lauf_stueck_pruefen(std::uint32_t zahl, std::uint32_t z3, std::uint64_t i, std::uint64_t* masken);

// After each piece: how many numbers have been tested, and how many primes found.
inline void kein_stand(std::uint64_t, std::uint32_t) {}

// Tests `z3` consecutive numbers from `zahl` and hands each prime, in order, to `melde`, which
// answers whether the run should go on; tells `stand` how far it is. Returns the number of primes
// reported. The numbers are tested 64 at a time, with the prime test's verdicts, in pieces on
// every CPU.
template <class Melder, class Stand = void (*)(std::uint64_t, std::uint32_t)>
std::uint32_t lauf(std::uint32_t zahl, std::uint32_t z3, Melder&& melde, Stand&& stand = kein_stand) {
    std::uint32_t pz = 0;
    verteilt(
        (std::uint64_t{z3} + lauf_stueck - 1) / lauf_stueck, lauf_bloecke,
        [zahl, z3](std::uint64_t i, std::uint64_t* masken) { lauf_stueck_pruefen(zahl, z3, i, masken); },
        [zahl, z3, &pz, &melde, &stand](std::uint64_t i, const std::uint64_t* masken) {
            for (unsigned b = 0; b < lauf_bloecke; ++b) {
                // Wraps to 0 only past the last number, 4294967295, where no bits are set.
                const auto start = static_cast<std::uint32_t>(zahl + i * lauf_stueck + 64 * b);
                for (std::uint64_t prim = masken[b]; prim != 0; prim &= prim - 1) {
                    ++pz;
                    if (!melde(start + static_cast<std::uint32_t>(__builtin_ctzll(prim)))) return false;
                }
            }
            stand(std::min<std::uint64_t>((i + 1) * lauf_stueck, z3), pz);
            return true;
        });
    return pz;
}

// The same over START, ..., START + anzahl - 1 for any start and a run up to the whole range
// (anzahl <= 2^32 - zahl), right from 0 up: below 6, where the test misjudges, the primes are the
// known 2, 3 and 5; from 6 on, `lauf`. `stand` counts the whole run.
template <class Melder, class Stand = void (*)(std::uint64_t, std::uint32_t)>
std::uint32_t lauf_ab_null(std::uint32_t zahl, std::uint64_t anzahl, Melder&& melde, Stand&& stand = kein_stand) {
    const std::uint64_t ende = std::uint64_t{zahl} + anzahl;
    std::uint32_t pz = 0;
    for (std::uint32_t klein : {2u, 3u, 5u}) {
        if (klein < zahl || klein >= ende) continue;
        ++pz;
        if (!melde(klein)) return pz;
    }
    if (ende <= 6) return pz;
    const std::uint32_t ab = std::max<std::uint32_t>(zahl, 6);
    const std::uint64_t davor = ab - zahl;
    return pz + lauf(ab, static_cast<std::uint32_t>(ende - ab), melde,
                     [&stand, davor, pz](std::uint64_t geprueft, std::uint32_t gefunden) { stand(davor + geprueft, pz + gefunden); });
}
