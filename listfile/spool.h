// The private spool in which a listing gathers its block while the run goes: memory first, then an
// unlinked temporary file in TMPDIR, or in the system's directory where TMPDIR cannot take it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "console/umwandlung.h"

struct spool {
    std::unique_ptr<char[]> speicher;  // the block so far, or its tail once it lives in `fd`
    std::size_t laenge = 0;
    std::size_t platz = 0;             // the size of `speicher`
    int fd = -1;                       // an unlinked temporary file, once the block outgrows memory
    bool im_system = false;            // `fd` is in the system's directory: TMPDIR could not take it
    std::uint64_t ausgelagert = 0;     // bytes in `fd`
    std::uint64_t zeilen = 0;          // line breaks in the whole block
    bool fehler = false;               // the block could not be kept whole
    // Lines at the block's start that are not kept but made anew as the block is handed on (a
    // sieved range's primes: sieving again costs less than writing gigabytes twice):
    // `vorweg(nimm)` hands them to `nimm` in pieces that end at line breaks, and answers whether
    // all went; `vorweg_bytes` and `vorweg_zeilen` are their size. Set on an empty spool.
    std::function<bool(const std::function<bool(const char*, std::size_t)>&)> vorweg;
    std::uint64_t vorweg_bytes = 0;
    std::uint64_t vorweg_zeilen = 0;
};

// False once the spool has failed; the block is then lost.
bool spool_anhaengen(spool& s, std::string_view text);

// Hands the whole block to `nimm` in pieces, each ending at a line break (the last one with the
// block's end): another program's line written between two of them then stands on its own. False
// if the spool cannot be read or `nimm` returns false. Once: what was handed on is given back.
bool spool_durchgehen(spool& s, const std::function<bool(const char*, std::size_t)>& nimm);

// Lines in the block: for the size it takes with the platform's line ends.
inline std::uint64_t spool_zeilen(const spool& s) { return s.vorweg_zeilen + s.zeilen; }
inline std::uint64_t spool_bytes(const spool& s) { return s.vorweg_bytes + s.ausgelagert + s.laenge; }

// Gives back the temporary file; the memory is kept for the next block.
void spool_freigeben(spool& s);

// One prime's line, its digits and the line break, written straight into the spool: a long run
// adds millions of them.
inline bool spool_zeile(spool& s, std::uint32_t zahl) {
    constexpr std::size_t laengste = 11;
    if (s.platz - s.laenge < laengste) {
        char platz[20];
        return spool_anhaengen(s, zahl_als_text(zahl, platz)) && spool_anhaengen(s, "\n");
    }
    char* const ende = zahl_hinschreiben(s.speicher.get() + s.laenge, zahl);
    *ende = '\n';
    s.laenge = static_cast<std::size_t>(ende + 1 - s.speicher.get());
    ++s.zeilen;
    return true;
}

// Test hook: the `schreibvorgang`th write to a spool in TMPDIR (numbered from 1) finds it full
// after half its bytes (0: never).
void tmpdir_voll_bei(int schreibvorgang);
// Test hook: how much of a block is kept in memory before it goes to a temporary file (0: the
// default).
void speichergrenze_setzen(std::size_t bytes);
