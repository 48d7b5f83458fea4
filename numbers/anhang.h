// Appending one whole block to a file that other processes may be appending to at the same time.
// The block is gathered in a private spool while the run goes; only a finished block is appended,
// in one go, under an exclusive lock, so the file only ever gains whole blocks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct spool {
    std::string speicher;  // the block so far, or its tail once it lives in `fd`
    int fd = -1;           // an unlinked temporary file, once the block outgrows memory
    bool fehler = false;   // the block could not be kept whole
};

// False once the spool has failed; the block is then lost.
bool spool_anhaengen(spool& s, std::string_view text);

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
