// What the piece distribution (numbers/verteilt.cpp) needs of the platform: the CPUs the process
// may use, and its worker threads. Each platform's half is its own file (verteilt_posix.cpp,
// verteilt_windows.cpp); nothing else calls these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

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
