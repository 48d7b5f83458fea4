// The commands' engine for divisors: the prime factorization by trial division with the primes up
// to the root, and every divisor built from it. The dialogue keeps its every-candidate listing
// (numbers/teiler.h); this is held to it by the tests.
#pragma once

#include <cstdint>
#include <vector>

// The most divisors a 32-bit number has (3491888400 has 1920).
inline constexpr unsigned teiler_hoechstens = 1920;

// Every divisor of `zahl` (at least 1), descending, into `teiler`; returns how many.
unsigned teiler_aus_faktoren(std::uint32_t zahl, std::uint32_t* teiler);

// Each odd number below 2^20 with the index of its smallest prime factor among the sieving
// primes (0xFF for 1 and the primes), made on first asking, in 0.5 to 1 ms: it pays from some
// ten thousand numbers on.
inline constexpr std::uint32_t kleine_zahlen = std::uint32_t{1} << 20;
struct kleinste_faktoren {
    std::vector<std::uint8_t> index;  // n's at index[n / 2]
};
const kleinste_faktoren& kleinste_faktoren_tabelle();

// The same for `zahl` below 2^20, by a lookup in the table per factor. Apart from the trial
// division: in one function, the lookups made it 3% slower near 2^32 as compiled.
unsigned teiler_nachgeschlagen(std::uint32_t zahl, std::uint32_t* teiler, const kleinste_faktoren& kleinste);
