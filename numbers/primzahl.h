// The prime test and the prime check (menu option 2).
#pragma once

#include <cstdint>

enum class urteil { prim, zusammengesetzt };

// Last-digit filter, then trial division by 3, 5, 7, ... up to the first odd number above the
// integer square root. Misjudges 1 (prime), 2 and 5 (composite); callers keep those away.
urteil primtest(std::uint32_t zahl);

void primzahlcheck();
