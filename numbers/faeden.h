// Worker threads: how many the process may use, and how they are started.
#pragma once

#include <functional>
#include <thread>
#include <vector>

// The CPUs this process may run on (its affinity, as `taskset` sets it), at least 1; or what a
// test or benchmark set.
unsigned faeden();
// For tests and benchmarks: use `n` threads whatever the CPUs (0: the CPUs again).
void faeden_setzen(unsigned n);

// The CPUs the affinity allows: each platform's half says.
unsigned erlaubte_cpus();

// Starts up to `n` threads running `arbeit` with every signal blocked in them, so that a signal's
// handler always runs on the calling thread, which owns the terminal and the file. Fewer where
// the system refuses more; the caller copes with any number, none included.
std::vector<std::thread> arbeiter_starten(unsigned n, const std::function<void()>& arbeit);

// The platform-neutral part of that: as many threads as the system gives.
std::vector<std::thread> arbeiter_anlegen(unsigned n, const std::function<void()>& arbeit);
