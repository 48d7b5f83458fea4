#include "numbers/primzahl.h"

#include <cmath>

#include "console/konsole.h"
#include "numbers/eingabe.h"
#include "numbers/kernels/kerne.h"

namespace {

// Exact for every 32-bit value: the double holds it exactly and its root rounds down correctly.
std::uint32_t wurzel(std::uint32_t zahl) { return static_cast<std::uint32_t>(std::sqrt(static_cast<double>(zahl))); }

bool endziffer_verwirft(std::uint32_t zahl) {
    const std::uint32_t lz = zahl % 10;
    return lz == 0 || lz == 2 || lz == 4 || lz == 5 || lz == 6 || lz == 8;
}

}  // namespace

urteil primtest_einzeln(std::uint32_t zahl) {
    std::uint32_t i = 1;
    std::uint32_t ergebnis = 1;
    const std::uint32_t buffer = wurzel(zahl);
    if (endziffer_verwirft(zahl)) ergebnis = 0;
    while (ergebnis != 0) {
        i += 2;
        ergebnis = zahl % i;
        // After the division on purpose: 3 is prime although 3 mod 3 is 0.
        if (i > buffer) return urteil::prim;
    }
    return urteil::zusammengesetzt;
}

std::uint32_t erster_teiler_einzeln(std::uint32_t zahl, std::uint32_t bis) {
    for (std::uint32_t i = 3; i <= bis; i += 2)
        if (zahl % i == 0) return i;
    return 0;
}

// The loop above stops at the first odd divisor i unless i is above the root bound, which then
// makes it prime: so the number is composite exactly when an odd divisor <= the bound exists.
urteil primtest(std::uint32_t zahl) {
    if (endziffer_verwirft(zahl)) return urteil::zusammengesetzt;
    return erster_teiler(zahl, 3, wurzel(zahl)) == 0 ? urteil::prim : urteil::zusammengesetzt;
}

namespace {

// Bit j set where the last digit of start + j is 1, 3, 7 or 9, for each start mod 10.
constexpr auto endziffer_muster = [] {
    struct muster {
        std::uint64_t m[10];
    } t{};
    for (std::uint32_t r = 0; r < 10; ++r)
        for (std::uint32_t j = 0; j < 64; ++j) {
            const std::uint32_t lz = (r + j) % 10;
            if (lz == 1 || lz == 3 || lz == 7 || lz == 9) t.m[r] |= std::uint64_t{1} << j;
        }
    return t;
}();

}  // namespace

// From 65^2 on every number's root bound is above the small divisors, so the kernel may test
// them for all numbers at once; every number is tried up to the largest root bound of the block. That is exact too: an odd n with a divisor d above its own
// root bound has the odd divisor n / d >= 3 below it, which is found first (or was among the
// small ones), so the verdict and the first divisor found stay the same.
std::uint64_t primzahlen_im_block(std::uint32_t start, unsigned anzahl) {
    const std::uint64_t alle = anzahl < 64 ? (std::uint64_t{1} << anzahl) - 1 : ~std::uint64_t{0};
    std::uint64_t prim = 0;
    if (start >= kleine_teiler_bis * kleine_teiler_bis && ohne_teiler_vorhanden())
        return ohne_teiler(start, endziffer_muster.m[start % 10] & alle, wurzel(start + (anzahl - 1)));
    for (unsigned j = 0; j < anzahl; ++j)
        if (primtest(start + j) == urteil::prim) prim |= std::uint64_t{1} << j;
    return prim;
}

void primzahlcheck() {
    std::uint32_t zahl = 0;
    if (!zahl_eingeben(zahl)) return;
    if (zahl == 1) {
        schreiben("\n 1 ist zwar nur durch 1 und sich selbst teilbar, aber trotzdem keine Primzahl...");
        taste_warten();
    } else if (zahl == 2 || zahl == 5) {
        schreiben(zahl == 2 ? "\n\n 2 ist eine Primzahl" : "\n\n 5 ist eine Primzahl");
        taste_warten();
    } else if (primtest(zahl) == urteil::prim) {
        schreiben("\n");
        schreiben_zahl(zahl);
        schreiben(" ist eine Primzahl");
        taste_warten();
        taste_warten();
    } else {
        schreiben("\n\n");
        schreiben_zahl(zahl);
        schreiben(" ist keine Primzahl");
        taste_warten();
    }
}
