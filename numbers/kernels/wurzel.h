// The integer square root of a 32-bit number, for the code at the baseline (the prime test's bound,
// where the divisor listing starts stepping); the kernel files, compiled for other instruction sets,
// do not include it.
#pragma once

#include <cmath>
#include <cstdint>

// floor(sqrt(n)), exact for every 32-bit n: n converts to double exactly, and the correctly
// rounded root of it cannot reach the next integer k where k^2 > n: sqrt(n) <= sqrt(k^2 - 1)
// < k - 1 / (2k), at least 2^-17 below k, while the rounding error is at most 2^-37 (a root below
// 2^16 has 53 bits, 16 of them before the point). Nor can it round down below k where k^2 <= n.
inline std::uint32_t ganzzahlige_wurzel(std::uint32_t n) { return static_cast<std::uint32_t>(std::sqrt(static_cast<double>(n))); }
