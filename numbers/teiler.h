// The divisor listing (menu option 1).
#pragma once

#include <cstdint>
#include <type_traits>

// Calls `melde(i)` for every divisor i of `zahl`, from `zahl` down to 1, dividing by every
// candidate in turn. A `melde` that returns false stops the listing.
template <class Melder>
void teiler_absteigend(std::uint32_t zahl, Melder&& melde) {
    for (std::uint32_t i = zahl; i != 0; --i) {
        const std::uint32_t ergebnis = zahl % i;
        if (ergebnis != 0) continue;
        if constexpr (std::is_void_v<decltype(melde(i))>) melde(i);
        else if (!melde(i)) return;
    }
}

void teilbarkeit();
