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
    // As a number, not a truth value: four of them are joined by `|`, which evaluates every one.
    const auto teilt = [&](unsigned i) -> unsigned { return zahl * t.inverse[i] <= t.grenze[i]; };
    const auto herausteilen = [&](unsigned i) {
        unsigned hoch = 0;
        while (teilt(i)) zahl *= t.inverse[i], ++hoch;  // exact division
        faktoren[n++] = {p[i], hoch};
    };
    // Four primes a step behind one branch, as most steps find no divisor: near 2^32 that took
    // about a fifth off the time (eight a step gained no more). A prime of the step above the root
    // of what is left divides it only if it is that prime itself, which then is its last factor.
    unsigned i = 0;
    for (; i + 4 <= siebprimzahlen_anzahl && p[i] * p[i] <= zahl; i += 4) {
        if (!(teilt(i) | teilt(i + 1) | teilt(i + 2) | teilt(i + 3))) continue;
        for (unsigned k = i; k < i + 4; ++k)
            if (teilt(k)) herausteilen(k);
    }
    for (; i < siebprimzahlen_anzahl && p[i] * p[i] <= zahl; ++i)
        if (teilt(i)) herausteilen(i);
    if (zahl > 1) faktoren[n++] = {zahl, 1};
    // Every product of prime powers, kept ascending: the divisors so far times p^h are ascending
    // too, so each such row is merged in rather than all sorted at the end.
    // Each row ends in a sentinel no divisor exceeds, so a merge counts its steps and takes the
    // smaller of two without a branch: which one it is, is anybody's guess. 4294967295, the one
    // divisor equal to it, is the last of its merge, and comes out as itself either way.
    constexpr std::uint32_t ende_der_reihe = 0xFFFFFFFFu;
    std::uint32_t puffer[2][teiler_hoechstens + 1], reihe[teiler_hoechstens + 1];
    std::uint32_t* liste = puffer[0];
    std::uint32_t* frei = puffer[1];
    unsigned anzahl = 1;
    liste[0] = 1;
    for (unsigned f = 0; f < n; ++f) {
        const unsigned bisher = anzahl;
        std::copy(liste, liste + bisher, reihe);
        reihe[bisher] = ende_der_reihe;
        for (unsigned h = 0; h < faktoren[f].hoch; ++h) {
            for (unsigned b = 0; b < bisher; ++b) reihe[b] *= faktoren[f].p;
            liste[anzahl] = ende_der_reihe;
            unsigned a = 0, b = 0;
            for (unsigned k = 0; k < anzahl + bisher; ++k) {
                const bool links = liste[a] < reihe[b];
                frei[k] = links ? liste[a] : reihe[b];
                a += links ? 1 : 0;
                b += links ? 0 : 1;
            }
            anzahl += bisher;
            std::swap(liste, frei);
        }
    }
    // Descending, where the caller wants them.
    std::reverse_copy(liste, liste + anzahl, teiler);
    return anzahl;
}
