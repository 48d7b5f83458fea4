// The range entry and the run loop that the prime lister's two outputs (screen and file) share.
#pragma once

#include <cstdint>

#include "numbers/primzahl.h"

// One past the last number of a run, without wrapping: a run may end at 4294967295.
constexpr std::uint64_t lauf_ende(std::uint32_t zahl, std::uint32_t z3) {
    return std::uint64_t{zahl} + z3;
}

// Start and count until both are acceptable: start above 5, count above 1, and the run ending
// at or below 4294967295. False when input has ended.
bool bereich_eingeben(std::uint32_t& zahl, std::uint32_t& z3);

// Tests `z3` consecutive numbers from `zahl` and hands each prime to `melde`, which answers
// whether the run should go on. Returns the number of primes reported.
// The numbers are tested 64 at a time, with the prime test's verdicts.
template <class Melder>
std::uint32_t lauf(std::uint32_t zahl, std::uint32_t z3, Melder&& melde) {
    std::uint32_t pz = 0;
    for (std::uint32_t x3 = 0; x3 < z3;) {
        const unsigned anzahl = z3 - x3 < 64 ? z3 - x3 : 64;
        for (std::uint64_t prim = primzahlen_im_block(zahl, anzahl); prim != 0; prim &= prim - 1) {
            ++pz;
            if (!melde(zahl + static_cast<std::uint32_t>(__builtin_ctzll(prim)))) return pz;
        }
        x3 += anzahl;
        zahl += anzahl;  // wraps to 0 only after the last number, 4294967295
    }
    return pz;
}
