// The number and range entry that the prime check, the divisor listing and the prime lister share.
#pragma once

#include <cstdint>

// Answer to an entry that is not a number, or one beyond 32 bits.
inline constexpr const char* keine_gueltige_zahl = "\n\n\n\t\t\tBitte eine gueltige Zahl eingeben !";

// "Bitte Zahl eingeben: " until a number other than 0 is read. False when input has ended.
bool zahl_eingeben(std::uint32_t& zahl);

// Start and count until both are acceptable: start above 5, count above 1, and the run ending
// at or below 4294967295. False when input has ended.
bool bereich_eingeben(std::uint32_t& zahl, std::uint32_t& z3);
