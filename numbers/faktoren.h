// The commands' engine for divisors: the prime factorization by trial division with the primes up
// to the root, and every divisor built from it. The dialogue keeps its every-candidate listing
// (numbers/teiler.h); this is held to it by the tests.
#pragma once

#include <cstdint>

// The most divisors a 32-bit number has (3491888400 has 1920).
inline constexpr unsigned teiler_hoechstens = 1920;

// Every divisor of `zahl` (at least 1), descending, into `teiler`; returns how many.
unsigned teiler_aus_faktoren(std::uint32_t zahl, std::uint32_t* teiler);
