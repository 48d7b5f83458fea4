// What the kernel files share: the tables of constants and each level's entry points, chosen
// from by numbers/kernels/kerne.cpp. Not for the rest of the program. A level's entry points exist
// only where it is built (kerne.cpp's table says which).
//
// Kept free of inline library code: the vector kernels are compiled for other instruction sets,
// and an inline function compiled there could be picked by the linker for the whole program.
#pragma once

#include "numbers/kernels/kerne.h"

// d^-1 mod 2^32 for every odd d = 2k + 3 up to 65537, split into 16-bit halves, padded so that a
// vector load past the last divisor stays inside. The vector kernels use 16-bit lanes.
inline constexpr std::uint32_t inverse_anzahl = 32768;
struct alignas(64) inverse_tabelle {
    std::uint16_t tief[inverse_anzahl + 64];
    std::uint16_t hoch[inverse_anzahl + 64];
    std::uint16_t schranke[inverse_anzahl + 64];  // 65535 / d: the largest x with x * d < 2^16
};
extern const inverse_tabelle inverse;

// The portable level (kern_portabel.cpp), which is also every other level's fallback.
std::uint32_t erster_teiler_portabel(std::uint32_t zahl, std::uint32_t ab, std::uint32_t bis);
std::uint64_t teiler_im_block_portabel(std::uint32_t zahl, std::uint32_t hoch, unsigned breite);
// Adds a group's rounds to what teiler_runden_gezaehlt reports: once per group of thousands of
// candidates, so the count costs nothing measurable.
void teiler_runden_zaehlen(unsigned alle, unsigned kurz);

unsigned teiler_schritte_portabel(std::uint32_t zahl, std::uint32_t oben, unsigned bloecke, std::uint64_t* masken);

std::uint32_t erster_teiler_sse2(std::uint32_t zahl, std::uint32_t ab, std::uint32_t bis);
std::uint32_t erster_teiler_avx2(std::uint32_t zahl, std::uint32_t ab, std::uint32_t bis);
std::uint32_t erster_teiler_avx512(std::uint32_t zahl, std::uint32_t ab, std::uint32_t bis);

// d^-1 mod 2^32 for every odd d = 2k + 3 up to 65537, whole: the transposed kernels' constants.
struct inverse_ganz_tabelle {
    std::uint32_t d[inverse_anzahl];
};
extern const inverse_ganz_tabelle inverse_ganz;
unsigned ohne_teiler_portabel(std::uint32_t* zahlen, std::uint32_t* grenzen, unsigned anzahl, std::uint32_t* prim);
unsigned ohne_teiler_sse2(std::uint32_t* zahlen, std::uint32_t* grenzen, unsigned anzahl, std::uint32_t* prim);
unsigned ohne_teiler_avx2(std::uint32_t* zahlen, std::uint32_t* grenzen, unsigned anzahl, std::uint32_t* prim);
unsigned ohne_teiler_avx512(std::uint32_t* zahlen, std::uint32_t* grenzen, unsigned anzahl, std::uint32_t* prim);

std::uint64_t teiler_im_block_sse2(std::uint32_t zahl, std::uint32_t hoch, unsigned breite);

// Above the root the remainder of each candidate follows from the one above it (the proof is at the
// portable kernel in numbers/kernels/kern_portabel.cpp). Of `bloecke` whole blocks from `oben` down, all of whose
// candidates are above the integer square root of `zahl`, fills the masks of as many as the kernel
// takes at once (a whole group, or none) and returns how many.
unsigned teiler_schritte_sse2(std::uint32_t zahl, std::uint32_t oben, unsigned bloecke, std::uint64_t* masken);
unsigned teiler_schritte_avx2(std::uint32_t zahl, std::uint32_t oben, unsigned bloecke, std::uint64_t* masken);
unsigned teiler_schritte_avx512(std::uint32_t zahl, std::uint32_t oben, unsigned bloecke, std::uint64_t* masken);
// What the stepping kernels share, at the baseline: the lanes' starts (lane j at the candidate
// kopf - 64 runden j, with its quotient and its remainder plus `versatz`), and a round's masks (a
// lane that met a zero remainder has its block checked again by `block`, the others are empty).
void spuren_anfangen(std::uint32_t zahl, std::uint32_t kopf, unsigned spuren, unsigned runden, std::uint32_t versatz,
                     std::uint32_t* d0, std::uint32_t* q0, std::uint32_t* r0);
void runde_eintragen(std::uint32_t zahl, std::uint32_t kopf, unsigned spuren, unsigned runden, unsigned runde,
                     std::uint64_t treffer, std::uint64_t (*block)(std::uint32_t, std::uint32_t, unsigned),
                     std::uint64_t* masken);
