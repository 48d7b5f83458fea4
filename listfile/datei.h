// The prime list file: the prime lister's second output, appending one block per listing.
#pragma once

#include <cstdint>
#include <string>

enum class dateiergebnis { geschrieben, nicht_geoeffnet, unvollstaendig };

// Runs the primes of `z3` numbers from `zahl` into the file `name`: one line per prime, an
// empty line, the summary, an empty line. The file only ever gains the whole block, appended
// once the run has finished; otherwise it is left as it was. `zeigen`: a progress line on the
// console while the run goes.
dateiergebnis block_anhaengen(const std::string& name, std::uint32_t zahl, std::uint32_t z3, bool zeigen = false);
