// The long jobs on every CPU: how many threads, how they start, and the pieces they compute,
// handed on in order. Each platform's half of the thread start lives in its own file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Computes the pieces 0 .. anzahl - 1, each by `rechne(i, masken)` into `bloecke` 64-bit masks, on
// worker threads (on the calling thread where one CPU is all there is), and hands each to
// `nimm(i, masken)` on the calling thread, in order. `nimm` returns false to stop: no piece is
// handed on after that, and no worker outlives the call. At most a few pieces per worker are in
// flight, whatever `anzahl`. `rechne` must touch nothing but its masks.
void verteilt(std::uint64_t anzahl, unsigned bloecke,
              const std::function<void(std::uint64_t, std::uint64_t*)>& rechne,
              const std::function<bool(std::uint64_t, const std::uint64_t*)>& nimm);

// The CPUs this process may run on (its affinity, as `taskset` sets it), at least 1; or what a
// test or benchmark set.
unsigned faeden();
// For tests and benchmarks: use `n` threads whatever the CPUs (0: the CPUs again).
void faeden_setzen(unsigned n);

// The CPUs the affinity allows: each platform's half says.
unsigned erlaubte_cpus();

// The workers of one run, as the platform knows them.
struct arbeiter {
    std::vector<std::uintptr_t> faeden;
};

// Starts up to `n` threads running `arbeit` with every signal blocked in them, so that a signal's
// handler always runs on the calling thread, which owns the terminal and the file. Each gets a
// small stack: they hold a few KiB, and a limit on the address space must not be spent on them.
// Fewer where the system refuses more (no room for a stack, a limit on threads); the caller
// copes with any number, none included. `arbeit` must outlive them.
arbeiter arbeiter_starten(unsigned n, const std::function<void()>& arbeit);
// Room for `n` workers' handles, or for none where even that is short: what each platform's
// arbeiter_starten fills.
arbeiter arbeiter_vorbereiten(unsigned n);
// Waits for all of them to end.
void arbeiter_warten(arbeiter& a);

// A worker's stack: what the kernels and the run loop need, many times over.
inline constexpr std::size_t arbeiter_stapel = std::size_t{256} << 10;
