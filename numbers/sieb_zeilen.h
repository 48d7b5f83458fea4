// The sieve's primes as the lines the commands write, and their count and size without them.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "numbers/sieb.h"

// The primes of [von, bis) as text, a line each, 2, 3 and 5 included: each piece's lines written
// by the worker that sieved it, and handed to `nimm(zeilen, primzahlen, geprueft)` in order with
// how many primes they hold and how many numbers of the run are checked so far; `nimm` answers
// whether to go on. Returns the number of primes handed on.
std::uint32_t sieb_zeilen(std::uint64_t von, std::uint64_t bis,
                          const std::function<bool(std::string_view, std::uint32_t, std::uint64_t)>& nimm);

// How many primes [von, bis) holds, by a population count over the pieces; `stand(geprueft,
// gefunden)` after each piece, as sieb_lauf calls it.
std::uint32_t sieb_zaehlen(std::uint64_t von, std::uint64_t bis, const std::function<void(std::uint64_t, std::uint32_t)>& stand);

// The same with the bytes that sieb_zeilen's lines of them take, without writing them.
struct siebumfang {
    std::uint32_t primzahlen = 0;
    std::uint64_t bytes = 0;
};
siebumfang sieb_umfang(std::uint64_t von, std::uint64_t bis, const std::function<void(std::uint64_t, std::uint32_t)>& stand);
