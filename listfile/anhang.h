// Appending one whole block to a file that other processes may be appending to at the same time.
// The block is gathered in a private spool while the run goes; only a finished block is appended,
// in one go, under an exclusive lock, so the file only ever gains whole blocks.
#pragma once

#include <cstddef>
#include <string>

#include "listfile/spool.h"

struct ziel {
    int fd = -1;
    int lesend = -1;        // the same file for reading its last byte; -1 where it cannot be read
    std::string pfad;       // as the user named it
    std::string weg;        // what a failure removes: the file itself, also where named by a link
    bool angelegt = false;  // this listing created the file, so a failure removes it again
    bool regulaer = false;  // a regular file: locked, and its own bytes taken back on failure
    // After a failed append: why (an errno value, one of the two below, or 0 where nothing says),
    // and whether some of the block stayed in the file, not provably ours alone to take back (or
    // went through to a device or a pipe, where nothing can be taken back).
    int grund = 0;
    bool teil_geblieben = false;
};

// Why an append failed where no errno says it.
inline constexpr int grund_gesperrt = -1;  // another listing held the lock past the deadline
inline constexpr int grund_fremd = -2;     // another program wrote into the file between our writes

// Opens `pfad` for appending, creating it if it is missing. False if it cannot be opened.
bool ziel_oeffnen(ziel& z, const std::string& pfad);

// Appends the whole spool under an exclusive lock, on a line of its own, and closes the file. On
// any failure only this listing's own bytes are taken back (a file it created is removed again);
// where they cannot be told from another program's, nothing is taken back and what was written
// is ended with a line break. False then.
bool ziel_anhaengen(ziel& z, spool& s);

// The run did not finish: closes the file, removing it if this listing created it.
void ziel_aufgeben(ziel& z, spool& s);

// Test hook: how long to wait for another listing's lock (negative: the default).
void sperrfrist_setzen(int ms);
// Test hook: called after each write of an append to a regular file, numbered from 1, so a test
// can act as another program between them (nullptr: nothing).
void nach_schreiben_setzen(void (*f)(int nr));
// Test hook: called just before a file this listing created is removed again, under its lock.
void vor_entfernen_setzen(void (*f)(const char* pfad));
// Test hook: called each time the file is opened, also anew after it was replaced.
void nach_oeffnen_setzen(void (*f)(const char* pfad));
// Test hook: called right after a failed append's own bytes were cut off again.
void nach_kuerzen_setzen(void (*f)());
// Test hook: called before each try to open the name, so a test can make it appear and vanish.
void vor_versuch_setzen(void (*f)(const char* pfad));
// Test hook: called between opening the file for appending and opening it again for reading.
void vor_lesend_setzen(void (*f)(const char* pfad));
