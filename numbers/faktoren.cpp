#include "numbers/faktoren.h"

#include <algorithm>
#include <array>
#include <utility>

#include "numbers/sieb.h"

namespace {

// For each odd sieving prime p: its inverse modulo 2^32 and the largest quotient 4294967295 / p.
// n is a multiple of p exactly when n * inverse (mod 2^32) is at most that quotient: a
// multiplication and a comparison in place of a division.
struct teilbarkeit {
    std::array<std::uint32_t, siebprimzahlen_anzahl> inverse{}, grenze{};
};

const teilbarkeit& tabelle() {
    static const teilbarkeit t = [] {
        teilbarkeit neu;
        const std::uint32_t* p = siebprimzahlen();
        for (unsigned i = 0; i < siebprimzahlen_anzahl; ++i) {
            std::uint32_t inv = p[i];  // right in 3 bits for odd p; each step doubles them
            for (int k = 0; k < 4; ++k) inv *= 2 - p[i] * inv;
            neu.inverse[i] = inv;
            neu.grenze[i] = 0xFFFFFFFFu / p[i];
        }
        return neu;
    }();
    return t;
}

}  // namespace

unsigned teiler_aus_faktoren(std::uint32_t zahl, std::uint32_t* teiler) {
    struct faktor {
        std::uint32_t p;
        unsigned hoch;
    };
    faktor faktoren[10];  // 2 * 3 * ... * 29 is past 2^32: at most nine distinct primes
    unsigned n = 0;
    if (zahl % 2 == 0) {
        const auto hoch = static_cast<unsigned>(__builtin_ctz(zahl));
        faktoren[n++] = {2, hoch};
        zahl >>= hoch;
    }
    const teilbarkeit& t = tabelle();
    const std::uint32_t* p = siebprimzahlen();
    for (unsigned i = 0; i < siebprimzahlen_anzahl && p[i] * p[i] <= zahl; ++i) {
        if (zahl * t.inverse[i] > t.grenze[i]) continue;
        unsigned hoch = 0;
        while (zahl * t.inverse[i] <= t.grenze[i]) zahl *= t.inverse[i], ++hoch;  // exact division
        faktoren[n++] = {p[i], hoch};
    }
    if (zahl > 1) faktoren[n++] = {zahl, 1};
    // Every product of prime powers, kept ascending: the divisors so far times p^h are ascending
    // too, so each such row is merged in rather than all sorted at the end.
    std::uint32_t zwischen[teiler_hoechstens], reihe[teiler_hoechstens];
    std::uint32_t* liste = teiler;
    std::uint32_t* frei = zwischen;
    unsigned anzahl = 1;
    liste[0] = 1;
    for (unsigned f = 0; f < n; ++f) {
        const unsigned bisher = anzahl;
        std::copy(liste, liste + bisher, reihe);
        for (unsigned h = 0; h < faktoren[f].hoch; ++h) {
            for (unsigned b = 0; b < bisher; ++b) reihe[b] *= faktoren[f].p;
            std::uint32_t* ende = frei;
            unsigned a = 0, b = 0;
            while (a < anzahl && b < bisher) *ende++ = liste[a] < reihe[b] ? liste[a++] : reihe[b++];
            ende = std::copy(liste + a, liste + anzahl, ende);
            ende = std::copy(reihe + b, reihe + bisher, ende);
            anzahl = static_cast<unsigned>(ende - frei);
            std::swap(liste, frei);
        }
    }
    // Descending, where the caller wants them.
    std::reverse_copy(liste, liste + anzahl, frei);
    if (frei != teiler) std::copy(frei, frei + anzahl, teiler);
    return anzahl;
}
