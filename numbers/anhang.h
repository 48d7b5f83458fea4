// Appending one whole block to a file that other processes may be appending to at the same time.
// The block is gathered in a private spool while the run goes; only a finished block is appended,
// in one go, under an exclusive lock, so the file only ever gains whole blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "console/umwandlung.h"

struct spool {
    std::unique_ptr<char[]> speicher;  // the block so far, or its tail once it lives in `fd`
    std::size_t laenge = 0;
    std::size_t platz = 0;             // the size of `speicher`
    int fd = -1;                       // an unlinked temporary file, once the block outgrows memory
    bool fehler = false;               // the block could not be kept whole
};

// False once the spool has failed; the block is then lost.
bool spool_anhaengen(spool& s, std::string_view text);

// One prime's line, its digits and the line break, written straight into the spool: a long run
// adds millions of them.
inline bool spool_zeile(spool& s, std::uint32_t zahl) {
    constexpr std::size_t laengste = 11;
    if (s.platz - s.laenge < laengste) {
        char platz[20];
        return spool_anhaengen(s, zahl_als_text(zahl, platz)) && spool_anhaengen(s, "\n");
    }
    // Digits counted by comparison, then written two at a time from the back.
    std::size_t ziffern = 1;
    for (std::uint32_t zehner = 10; ziffern < 10 && zahl >= zehner; zehner *= 10) ++ziffern;
    char* p = s.speicher.get() + s.laenge + ziffern;
    *p = '\n';
    static constexpr char paare[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    while (zahl >= 100) {
        const std::uint32_t paar = zahl % 100;
        zahl /= 100;
        *--p = paare[2 * paar + 1];
        *--p = paare[2 * paar];
    }
    if (zahl >= 10) {
        *--p = paare[2 * zahl + 1];
        *--p = paare[2 * zahl];
    } else {
        *--p = static_cast<char>('0' + zahl);
    }
    s.laenge += ziffern + 1;
    return true;
}

struct ziel {
    int fd = -1;
    std::string pfad;
    bool angelegt = false;  // this listing created the file, so a failure removes it again
    bool regulaer = false;  // a regular file: locked, and taken back on failure
};

// Opens `pfad` for appending, creating it if it is missing. False if it cannot be opened.
bool ziel_oeffnen(ziel& z, const std::string& pfad);

// Appends the whole spool under an exclusive lock and closes the file. On any failure the file
// is left as it was (a file this listing created is removed again); false then.
bool ziel_anhaengen(ziel& z, spool& s);

// The run did not finish: closes the file, removing it if this listing created it.
void ziel_aufgeben(ziel& z, spool& s);

// Test hooks: how long to wait for another listing's lock (negative: the default), and how much
// of a block is kept in memory before it goes to a temporary file (0: the default).
void sperrfrist_setzen(int ms);
void speichergrenze_setzen(std::size_t bytes);
