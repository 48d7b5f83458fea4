// The prime list file: the prime lister's second output, appending one block per listing.
#pragma once

#include <cstdint>
#include <string>

#include "listfile/anhang.h"
#include "listfile/fortschritt.h"

// Not written: the file as it was (`unvollstaendig`), or holding some of the block that could not
// be taken back (`teilweise`).
enum class dateiergebnis { geschrieben, nicht_geoeffnet, unvollstaendig, teilweise };

// Runs the primes of `z3` numbers from `zahl` into the file `name`: one line per prime, an
// empty line, the summary, an empty line. Any run up to the whole range (z3 <= 2^32 - zahl), right
// from 0 up. The file only ever gains the whole block, appended once the run has finished;
// otherwise it is left as it was. `zeigen`: where a progress line shows while the run goes.
// `art`: how the primes are found, by the dialogue's trial division or by the commands' sieve;
// the block is the same.
enum class primzahlsuche { probedivision, sieb };
// `grund`: where it was not written, why: an errno value, grund_gesperrt or grund_fremd
// (listfile/anhang.h), or 0 where nothing says.
dateiergebnis block_anhaengen(const std::string& name, std::uint32_t zahl, std::uint64_t z3,
                              fortschritt_anzeige zeigen = nullptr, primzahlsuche art = primzahlsuche::probedivision,
                              int* grund = nullptr);
