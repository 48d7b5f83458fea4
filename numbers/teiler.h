// The divisor listing (menu option 1).
#pragma once

#include <cstdint>
#include <type_traits>

#include "numbers/kerne.h"

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

// The same, with the candidates checked 64 at a time by the fastest kernel the CPU has.
template <class Melder>
void teiler_absteigend(std::uint32_t zahl, Melder&& melde) {
    for (std::uint32_t hoch = zahl; hoch != 0;) {
        const unsigned breite = hoch < 64 ? hoch : 64;
        for (std::uint64_t treffer = teiler_im_block(zahl, hoch, breite); treffer != 0; treffer &= treffer - 1) {
            const std::uint32_t i = hoch - static_cast<std::uint32_t>(__builtin_ctzll(treffer));
            if constexpr (std::is_void_v<decltype(melde(i))>) melde(i);
            else if (!melde(i)) return;
        }
        hoch -= breite;
    }
}

void teilbarkeit();
