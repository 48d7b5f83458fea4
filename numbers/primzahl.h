// The prime test: one number, or a run of numbers at once.
#pragma once

#include <cstdint>

enum class urteil { prim, zusammengesetzt };

// Last-digit filter, then trial division by 3, 5, 7, ... up to the first odd number above the
// integer square root. Misjudges 1 (prime), 2 and 5 (composite); callers keep those away.
// The divisions are checked a block at a time by the fastest kernel the CPU has.
urteil primtest(std::uint32_t zahl);

// The verdicts of primtest for the numbers start, ..., start + anzahl - 1 (the last at most
// 4294967295): bit j % 64 of masken[j / 64] set when start + j is prime. Many numbers at once,
// in the order the vector registers suit best.
void primzahlen_im_lauf(std::uint32_t start, std::uint32_t anzahl, std::uint64_t* masken);

// Right for every 32-bit number, as the commands answer: below 6, where the test misjudges, from
// what is known (2, 3 and 5 are prime); above, the test.
bool ist_primzahl(std::uint32_t zahl);

// ist_primzahl for zahlen[0], ..., zahlen[anzahl - 1], in any order and with repeats: bit k % 64
// of masken[k / 64] set when zahlen[k] is prime. At most `pruefen_portion` numbers, tested at once
// with the lister's kernel; a worker's stack holds it, and nothing can fail.
inline constexpr unsigned pruefen_portion = 4096;
void primzahlen_pruefen(const std::uint32_t* zahlen, unsigned anzahl, std::uint64_t* masken);

// The same test as the plain statement of the algorithm, one division at a time: the reference
// every kernel is tested and measured against.
urteil primtest_einzeln(std::uint32_t zahl);
// The smallest odd divisor d, 3 <= d <= bis, of `zahl` by plain division, or 0.
std::uint32_t erster_teiler_einzeln(std::uint32_t zahl, std::uint32_t bis);
