// The trial division's inner checks, done a block of candidates at a time. Only *how* a block is
// checked differs between the kernels; which candidates are tried and what is concluded is the
// plain algorithm's (numbers/primzahl.h keeps it one division at a time).
//
// What deserves a kernel per instruction set: only the checks that run billions of times, where
// the width of a register is the speed (the lister's and the prime test's divisibility checks, and
// the divisor listing's stepping above the root). The block test below the root runs at most
// 1024 times per listing and takes well under a millisecond of it, so one baseline version serves
// every level. What only the kernel files share is in numbers/kernels/kerne_intern.h.
#pragma once

#include <cstdint>

// The smallest odd d with ab <= d <= bis that divides `zahl`, or 0. Requires bis <= 65535 (the
// integer square root of a 32-bit number is at most that) and ab = 3 + 64 m.
std::uint32_t erster_teiler(std::uint32_t zahl, std::uint32_t ab, std::uint32_t bis);

// Of zahlen[0] < zahlen[1] < ... < zahlen[anzahl - 1], each with its bound grenzen[i], the integer
// square root of zahlen[i]: writes to `prim`, ascending, those that no odd d with
// 3 <= d <= grenzen[i] divides, and returns how many. Many numbers at a time, in the order that
// suits the vector registers (numbers/kernels/transponiert.h). Both arrays are overwritten, and
// need `ohne_teiler_rand` elements of room past the last, set to anything.
inline constexpr unsigned ohne_teiler_rand = 128;  // the widest kernel's group of lanes
unsigned ohne_teiler(std::uint32_t* zahlen, std::uint32_t* grenzen, unsigned anzahl, std::uint32_t* prim);

// Which of the candidates hoch, hoch - 1, ..., hoch - breite + 1 divide `zahl`: bit j stands for
// hoch - j. Requires 1 <= breite <= 64 and breite <= hoch.
std::uint64_t teiler_im_block(std::uint32_t zahl, std::uint32_t hoch, unsigned breite);

// The same for `bloecke` blocks one below the other: masken[b] for the candidates from
// hoch - 64 b down, bit j standing for hoch - 64 b - j, as far down as 1 (blocks below 1 are 0).
// Requires hoch <= zahl.
void teiler_in_bloecken(std::uint32_t zahl, std::uint32_t hoch, unsigned bloecke, std::uint64_t* masken);

// The kernel levels, from the portable one up. The best one this build has and the CPU supports is
// chosen once, on first use.
enum class kernstufe { portabel, sse2, avx2, avx512 };
// The highest level the program knows: kern_begrenzen(hoechste_kernstufe) lifts every limit.
inline constexpr kernstufe hoechste_kernstufe = kernstufe::avx512;

kernstufe kern_aktiv();

// The divisor listing's rounds of 64 candidates a group of lanes stepped through above the root
// since start, and of them those that took the short path (no correction): the benchmark states
// that share.
struct teiler_runden {
    std::uint64_t alle = 0, kurz = 0;
};
teiler_runden teiler_runden_gezaehlt();

// Test hook (and for the benchmarks): uses at most `hoechstens` (as on an older CPU); returns what
// is used.
kernstufe kern_begrenzen(kernstufe hoechstens);
