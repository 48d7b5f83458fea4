#include "numbers/faktoren.h"

#include <algorithm>
#include <array>
#include <functional>

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
    // Every product of prime powers, then descending.
    unsigned anzahl = 1;
    teiler[0] = 1;
    for (unsigned f = 0; f < n; ++f) {
        const unsigned bisher = anzahl;
        std::uint32_t potenz = 1;
        for (unsigned h = 0; h < faktoren[f].hoch; ++h) {
            potenz *= faktoren[f].p;
            for (unsigned k = 0; k < bisher; ++k) teiler[anzahl++] = teiler[k] * potenz;
        }
    }
    std::sort(teiler, teiler + anzahl, std::greater<>());
    return anzahl;
}
