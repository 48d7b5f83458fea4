// The commands' engine for runs of primes: a segmented sieve of Eratosthenes on the wheel of 30
// (a byte for each 30 numbers, a bit for each of the 8 that 2, 3 and 5 do not divide),
// pre-sieved by 7 to 103, in pieces on every CPU. The dialogue keeps its trial division
// (numbers/lauf.h); this is held to it by the tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

// The odd primes up to 65535, the root of the largest 32-bit number: 6541 of them, ascending.
const std::uint32_t* siebprimzahlen();
inline constexpr unsigned siebprimzahlen_anzahl = 6541;

// The numbers below 30 that 2, 3 and 5 do not divide: bit t % 8 of a byte stands for its 30
// numbers' rad_reste[t % 8]. The primes 2, 3 and 5 themselves are on no wheel.
inline constexpr std::uint8_t rad_reste[8] = {1, 7, 11, 13, 17, 19, 23, 29};
inline constexpr std::uint32_t rad_primzahlen[3] = {2, 3, 5};

// A piece is 524288 bytes of the wheel, 15728640 numbers, sieved by one worker a segment at a
// time; its primes are masken[0 .. sieb_bloecke - 1], bit t of masken[w] standing for
// sieb_zahl(k, w, t).
inline constexpr std::uint64_t sieb_stueck = 30 * std::uint64_t{524288};
inline constexpr unsigned sieb_bloecke = 524288 / 8;
constexpr std::uint64_t sieb_zahl(std::uint64_t k, unsigned w, unsigned t) {
    return k * sieb_stueck + 30 * (8 * std::uint64_t{w} + t / 8) + rad_reste[t % 8];
}

// How many primes a piece's masks hold (the CPU's population count where it has one).
std::uint32_t sieb_anzahl(const std::uint64_t* masken);

// Piece k's primes within [von, bis) on the wheel, the bits of other numbers clear.
void sieb_stueck_sieben(std::uint64_t k, std::uint64_t von, std::uint64_t bis, std::uint64_t* masken);

// The pieces of [von, bis) (bis <= 2^32) sieved on every CPU and handed to `nimm(k, masken)` in
// order, each cut to the run; `nimm` answers whether to go on. 2, 3 and 5 are the caller's.
void sieb_verteilt(std::uint64_t von, std::uint64_t bis,
                   const std::function<bool(std::uint64_t, const std::uint64_t*)>& nimm);

// The primes of [von, bis) in order to `melde`, which answers whether to go on, 2, 3 and 5
// included; `stand(geprueft, gefunden)` after each piece. Returns the number of primes reported.
template <class Melder, class Stand>
std::uint32_t sieb_lauf(std::uint64_t von, std::uint64_t bis, Melder&& melde, Stand&& stand) {
    std::uint32_t pz = 0;
    for (const std::uint32_t klein : rad_primzahlen) {
        if (klein < von || klein >= bis) continue;
        ++pz;
        if (!melde(klein)) return pz;
    }
    sieb_verteilt(von, bis, [&](std::uint64_t k, const std::uint64_t* masken) {
        for (unsigned w = 0; w < sieb_bloecke; ++w)
            for (std::uint64_t prim = masken[w]; prim != 0; prim &= prim - 1) {
                ++pz;
                if (!melde(static_cast<std::uint32_t>(sieb_zahl(k, w, static_cast<unsigned>(__builtin_ctzll(prim)))))) return false;
            }
        stand(std::min((k + 1) * sieb_stueck, bis) - von, pz);
        return true;
    });
    return pz;
}

// The span of many numbers close together (as seq gives them) sieved once, to look each one up:
// for such a batch that costs less than a test per number.
struct siebfenster {
    std::uint64_t erstes = 0;           // the first piece
    std::vector<std::uint64_t> masken;  // the pieces' masks from there, sieb_bloecke words each
};
// [von, bis) sieved on every CPU.
siebfenster sieb_fenster(std::uint64_t von, std::uint64_t bis);
// Whether `zahl`, one of the window's [von, bis), is prime: right for every such number, 0 to 6
// included.
bool sieb_fenster_prim(const siebfenster& f, std::uint32_t zahl);
