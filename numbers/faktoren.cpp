#include "numbers/faktoren.h"

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
    if (n == 0) {
        teiler[0] = 1;
        return 1;
    }
    // Every product of prime powers, kept descending, as the caller wants them: the divisors so far
    // times p^h are descending too, so each such row is merged in rather than all sorted at the
    // end, the last merge straight into `teiler`. Each row ends in a 0, below every divisor, so a
    // merge counts its steps and takes the larger of two without a branch (which one it is, is
    // anybody's guess), and the first power's row is made from the list as it is multiplied.
    std::uint32_t puffer[2][teiler_hoechstens + 1], reihe[teiler_hoechstens + 1];
    std::uint32_t* liste = puffer[0];
    std::uint32_t* frei = puffer[1];
    unsigned anzahl = 1;
    liste[0] = 1;
    for (unsigned f = 0; f < n; ++f) {
        const unsigned bisher = anzahl;
        reihe[bisher] = 0;
        for (unsigned h = 0; h < faktoren[f].hoch; ++h) {
            const std::uint32_t* von = h == 0 ? liste : reihe;
            for (unsigned b = 0; b < bisher; ++b) reihe[b] = von[b] * faktoren[f].p;
            liste[anzahl] = 0;
            std::uint32_t* const ziel = f + 1 == n && h + 1 == faktoren[f].hoch ? teiler : frei;
            unsigned a = 0, b = 0;
            for (unsigned k = 0; k < anzahl + bisher; ++k) {
                const std::uint32_t x = liste[a], y = reihe[b];
                const unsigned links = x > y;
                ziel[k] = links ? x : y;
                a += links;
                b += links ^ 1;
            }
            anzahl += bisher;
            std::swap(liste, frei);
        }
    }
    return anzahl;
}
