// The vector units' ceiling for the dialogue's two kernels. The lister's check is a 32-bit
// multiplication and an unsigned minimum per lane (vpmulld and vpminud, their AVX2 forms, or
// NEON's mul and umin); the divisor listing's short path an addition and a minimum. Twelve
// independent chains of each pair, more than the multiplication's latency, run at what the core
// can issue: that rate in lanes per second is the ceiling, and a kernel's checks per second over
// it its share, so a figure taken on any CPU says how far the kernel is from its limit. Each
// level's file is built with its flags.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>

// Lanes per second of the pair (with `mit_mul` the multiplication, else the addition).
double decke_avx512(bool mit_mul);
double decke_avx2(bool mit_mul);
double decke_neon(bool mit_mul);

template <class Reg, class Paar, class Eins>
double decke_messen_mit(unsigned lanes, Paar paar, Eins eins) {
    constexpr int ketten = 12;
    constexpr long runden = 20'000'000;
    Reg a[ketten];
    for (int k = 0; k < ketten; ++k) a[k] = eins(k + 3);
    // Hidden from the compiler: a known factor is turned into a shift and a subtraction, which
    // is not the multiplication the kernel does.
    Reg b = eins(7), grenze = eins(0x7FFFFFFF);
    benchmark::DoNotOptimize(b);
    benchmark::DoNotOptimize(grenze);
    const auto anfang = std::chrono::steady_clock::now();
    // Unrolled, so the chains live in registers, not in the array (GCC for ARM64 kept a loop).
    for (long r = 0; r < runden; ++r)
#pragma GCC unroll 12
        for (int k = 0; k < ketten; ++k) a[k] = paar(a[k], b, grenze);
    const double sekunden = std::chrono::duration<double>(std::chrono::steady_clock::now() - anfang).count();
    for (int k = 0; k < ketten; ++k) benchmark::DoNotOptimize(a[k]);
    return static_cast<double>(runden) * ketten * lanes / sekunden;
}
