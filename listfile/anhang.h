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
    bool im_system = false;            // `fd` is in the system's directory: TMPDIR could not take it
    std::uint64_t ausgelagert = 0;     // bytes in `fd`
    std::uint64_t zeilen = 0;          // line breaks in the whole block
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
    ++s.zeilen;
    return true;
}

struct ziel {
    int fd = -1;
    int lesend = -1;        // the same file for reading its last byte; -1 where it cannot be read
    std::string pfad;       // as the user named it
    std::string weg;        // what a failure removes: the file itself, also where named by a link
    bool angelegt = false;  // this listing created the file, so a failure removes it again
    bool regulaer = false;  // a regular file: locked, and its own bytes taken back on failure
};

// Opens `pfad` for appending, creating it if it is missing. False if it cannot be opened.
bool ziel_oeffnen(ziel& z, const std::string& pfad);

// Appends the whole spool under an exclusive lock, on a line of its own, and closes the file. On
// any failure only this listing's own bytes are taken back (a file it created is removed again);
// where they cannot be told from another program's, nothing is taken back and what was written
// is ended with a line break. False then.
bool ziel_anhaengen(ziel& z, spool& s);

// The run did not finish: closes the file, removing it if this listing created it.
void ziel_aufgeben(ziel& z, spool& s);

// Test hooks: how long to wait for another listing's lock (negative: the default), and how much
// of a block is kept in memory before it goes to a temporary file (0: the default).
void sperrfrist_setzen(int ms);
void speichergrenze_setzen(std::size_t bytes);
// Test hook: called after each write of an append to a regular file, numbered from 1, so a test
// can act as another program between them (nullptr: nothing).
void nach_schreiben_setzen(void (*f)(int nr));
