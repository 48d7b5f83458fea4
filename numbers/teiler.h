// The divisor listing: every candidate tried, the divisors reported from the number down to 1.
#pragma once

#include <cstdint>
#include <type_traits>

#include "numbers/kernels/kerne.h"
#include "numbers/verteilt.h"

// Calls `melde(i)` for every divisor i of `zahl`, from `zahl` down to 1, dividing by every
// candidate in turn. A `melde` that returns false stops the listing.
template <class Melder>
void teiler_absteigend_einzeln(std::uint32_t zahl, Melder&& melde) {
    for (std::uint32_t i = zahl; i != 0; --i) {
        const std::uint32_t ergebnis = zahl % i;
        if (ergebnis != 0) continue;
        if constexpr (std::is_void_v<decltype(melde(i))>) melde(i);
        else if (!melde(i)) return;
    }
}

// The same, with the candidates checked by the fastest kernel the CPU has, in pieces of
// `teiler_stueck` on every CPU, and reported in order on the calling thread.
inline constexpr unsigned teiler_bloecke = 16384;  // a piece of ~50 us on one core: few hand-overs
inline constexpr std::uint64_t teiler_stueck = 64 * teiler_bloecke;
// After a piece's masks, which of them hold a divisor, a bit each: the calling thread, which hands
// the divisors on, reads 64 words instead of 4096 (on two cores it was a third of the time).
inline constexpr unsigned teiler_uebersicht = teiler_bloecke / 64;
template <class Melder>
void teiler_absteigend(std::uint32_t zahl, Melder&& melde) {
    verteilt(
        (std::uint64_t{zahl} + teiler_stueck - 1) / teiler_stueck, teiler_bloecke + teiler_uebersicht,
        [zahl](std::uint64_t i, std::uint64_t* masken) {
            teiler_in_bloecken(zahl, static_cast<std::uint32_t>(zahl - i * teiler_stueck), teiler_bloecke, masken);
            for (unsigned w = 0; w < teiler_uebersicht; ++w) {
                // Most runs of 64 words are all clear: one OR over them, which the compiler does
                // with vector registers, instead of a test and a shift for each word.
                const std::uint64_t* const lauf = masken + 64 * w;
                std::uint64_t irgendeiner = 0;
                for (unsigned j = 0; j < 64; ++j) irgendeiner |= lauf[j];
                std::uint64_t belegt = 0;
                if (irgendeiner != 0)
                    for (unsigned j = 0; j < 64; ++j) belegt |= std::uint64_t{lauf[j] != 0} << j;
                masken[teiler_bloecke + w] = belegt;
            }
        },
        [zahl, &melde](std::uint64_t i, const std::uint64_t* masken) {
            const auto hoch = static_cast<std::uint32_t>(zahl - i * teiler_stueck);
            for (unsigned w = 0; w < teiler_uebersicht; ++w)
                for (std::uint64_t belegt = masken[teiler_bloecke + w]; belegt != 0; belegt &= belegt - 1) {
                    const unsigned b = 64 * w + static_cast<unsigned>(__builtin_ctzll(belegt));
                    for (std::uint64_t treffer = masken[b]; treffer != 0; treffer &= treffer - 1) {
                        const std::uint32_t t = hoch - 64 * b - static_cast<std::uint32_t>(__builtin_ctzll(treffer));
                        if constexpr (std::is_void_v<decltype(melde(t))>) melde(t);
                        else if (!melde(t)) return false;
                    }
                }
            return true;
        });
}
