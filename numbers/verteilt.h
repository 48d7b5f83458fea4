// The long jobs on every CPU: how many threads, and the pieces they compute, handed on in order.
// How the threads start is numbers/verteilt_system.h, each platform's half in its own file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Computes the pieces 0 .. anzahl - 1, each by `rechne(i, masken)` into `bloecke` 64-bit masks, on
// worker threads (on the calling thread where one CPU is all there is), and hands each to
// `nimm(i, masken)` on the calling thread, in order. `nimm` returns false to stop: no piece is
// handed on after that, and no worker outlives the call. At most a few pieces per worker are in
// flight, whatever `anzahl`. `rechne` must touch nothing but its masks; what it throws (no
// memory) is thrown here, on the calling thread, once the workers have stopped.
void verteilt(std::uint64_t anzahl, unsigned bloecke,
              const std::function<void(std::uint64_t, std::uint64_t*)>& rechne,
              const std::function<bool(std::uint64_t, const std::uint64_t*)>& nimm);

// The same distribution for pieces whose results are not masks: piece i is computed by
// `rechne(i, platz)` into slot `platz` (below verteilt_plaetze(anzahl, hoechstens)) and handed on
// by `nimm(i, platz)`; a slot is reused only once handed on. `hoechstens` caps the threads (0: no
// cap) where more would only wait for the one that takes the pieces, their slots' memory held.
std::size_t verteilt_plaetze(std::uint64_t anzahl, unsigned hoechstens = 0);
void verteilt_ueber_plaetze(std::uint64_t anzahl, const std::function<void(std::uint64_t, std::size_t)>& rechne,
                            const std::function<bool(std::uint64_t, std::size_t)>& nimm, unsigned hoechstens = 0);

// That over slots of type `Platz`, which keep what they hold (a text's capacity) across pieces.
template <class Platz, class Rechne, class Nimm>
void verteilt_in(std::uint64_t anzahl, Rechne&& rechne, Nimm&& nimm, unsigned hoechstens = 0) {
    std::vector<Platz> plaetze(verteilt_plaetze(anzahl, hoechstens));
    verteilt_ueber_plaetze(
        anzahl, [&](std::uint64_t i, std::size_t k) { rechne(i, plaetze[k]); },
        [&](std::uint64_t i, std::size_t k) { return nimm(i, static_cast<const Platz&>(plaetze[k])); }, hoechstens);
}

// The CPUs this process may run on (its affinity, as `taskset` sets it), at least 1; or what a
// test or benchmark set.
unsigned faeden();

// Test hook (and for the benchmarks): use `n` threads whatever the CPUs (0: the CPUs again).
void faeden_setzen(unsigned n);
