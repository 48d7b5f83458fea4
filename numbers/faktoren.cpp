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

// A prime and its power in a number; 2 * 3 * ... * 29 is past 2^32, so a number has at most nine.
struct faktor {
    std::uint32_t p;
    unsigned hoch;
};
// The power of 2 as the first factor, if any; returns how many factors that is.
unsigned zweien_abspalten(std::uint32_t& zahl, faktor* faktoren) {
    if (zahl % 2 != 0) return 0;
    const auto hoch = static_cast<unsigned>(__builtin_ctz(zahl));
    faktoren[0] = {2, hoch};
    zahl >>= hoch;
    return 1;
}

// Every divisor from the prime factors, ascending by prime, into `teiler`; returns how many.
// Inlined: called, it made the command 3-4% slower, for small numbers and near 2^32 alike.
[[gnu::always_inline]] inline unsigned teiler_bilden(const faktor* faktoren, unsigned n, std::uint32_t* teiler) {
    // Every product of prime powers, kept descending, as the caller wants them: the divisors so far
    // times p^h are descending too, so each such row is merged in rather than all sorted at the
    // end, the last merge straight into `teiler`. Most numbers need few merges: a prime above the
    // product so far (the first, and most often the last) puts each power's row wholly above the
    // one before, so its rows are laid end to end.
    // A merge step waits on the one before (which row it took from), so a merge runs from both
    // ends at once, the larger half from the front, the smaller from the back: two chains the
    // core overlaps. Each row has a 0 after its end and 4294967295 before its start, so a step
    // takes the larger (or smaller) of two without a branch, as which it is, is anybody's guess;
    // the back never takes the largest divisor, so never a mark for a divisor 4294967295. The
    // first power's row is made from the list as it is multiplied. 1 to 10^6: 87 -> 72 ms.
    std::uint32_t puffer[2][teiler_hoechstens + 2], reihe_puffer[teiler_hoechstens + 2];
    std::uint32_t* liste = puffer[0] + 1;
    std::uint32_t* frei = puffer[1] + 1;
    std::uint32_t* const reihe = reihe_puffer + 1;
    liste[-1] = frei[-1] = reihe[-1] = 0xFFFFFFFFu;
    unsigned anzahl = 1;
    liste[0] = 1;
    if (n == 0) return teiler[0] = 1, 1;
    for (unsigned f = 0; f < n; ++f) {
        const unsigned bisher = anzahl;
        if (faktoren[f].p > liste[0]) {
            std::uint32_t* const ziel = f + 1 == n ? teiler : frei;
            std::uint32_t mal = 1;
            for (unsigned h = faktoren[f].hoch + 1; h-- > 0; mal *= faktoren[f].p)
                for (unsigned b = 0; b < bisher; ++b) ziel[h * bisher + b] = liste[b] * mal;
            anzahl = bisher * (faktoren[f].hoch + 1);
            std::swap(liste, frei);
            continue;
        }
        reihe[bisher] = 0;
        for (unsigned h = 0; h < faktoren[f].hoch; ++h) {
            const std::uint32_t* von = h == 0 ? liste : reihe;
            for (unsigned b = 0; b < bisher; ++b) reihe[b] = von[b] * faktoren[f].p;
            liste[anzahl] = 0;
            std::uint32_t* const ziel = f + 1 == n && h + 1 == faktoren[f].hoch ? teiler : frei;
            const unsigned gesamt = anzahl + bisher;
            unsigned a = 0, b = 0;
            int a_ende = static_cast<int>(anzahl) - 1, b_ende = static_cast<int>(bisher) - 1;
            for (unsigned k = 0; k < gesamt / 2; ++k) {
                const std::uint32_t x = liste[a], y = reihe[b];
                const unsigned links = x > y;
                ziel[k] = links ? x : y;
                a += links;
                b += links ^ 1;
                const std::uint32_t u = liste[a_ende], v = reihe[b_ende];
                const int hinten_links = u < v;
                ziel[gesamt - 1 - k] = hinten_links ? u : v;
                a_ende -= hinten_links;
                b_ende -= hinten_links ^ 1;
            }
            if (gesamt % 2 != 0) ziel[gesamt / 2] = liste[a] > reihe[b] ? liste[a] : reihe[b];
            anzahl += bisher;
            std::swap(liste, frei);
        }
    }
    return anzahl;
}

}  // namespace

const kleinste_faktoren& kleinste_faktoren_tabelle() {
    static const kleinste_faktoren t = [] {
        kleinste_faktoren neu;
        neu.index.assign(kleine_zahlen / 2, 0xFF);
        const std::uint32_t* p = siebprimzahlen();
        unsigned primzahlen = 0;
        while (p[primzahlen] * p[primzahlen] < kleine_zahlen) ++primzahlen;
        // A piece of the cache at a time, the largest prime first, so the smallest one's index is
        // what stays, with no test: 0.5-1 ms, against 1.5-2 ms crossing off the whole table from
        // the smallest prime up, each entry tested whether it is still free.
        constexpr std::uint32_t stueck = 16384;
        std::uint8_t* const index = neu.index.data();
        for (std::uint32_t ab = 0; ab < kleine_zahlen / 2; ab += stueck)
            for (unsigned i = primzahlen; i-- > 0;) {
                const std::uint32_t q = p[i];  // odd multiples of q from q^2 on, at (q m) / 2
                std::uint32_t m = q * q / 2;
                if (m < ab) m += (ab - m + q - 1) / q * q;
                for (; m < ab + stueck; m += q) index[m] = static_cast<std::uint8_t>(i);
            }
        return neu;
    }();
    return t;
}

unsigned teiler_nachgeschlagen(std::uint32_t zahl, std::uint32_t* teiler, const kleinste_faktoren& kleinste) {
    faktor faktoren[10];
    unsigned n = zweien_abspalten(zahl, faktoren);
    const teilbarkeit& t = tabelle();
    const std::uint32_t* p = siebprimzahlen();
    for (unsigned j; zahl > 1 && (j = kleinste.index[zahl / 2]) != 0xFF;) {
        unsigned hoch = 0;
        while (zahl * t.inverse[j] <= t.grenze[j]) zahl *= t.inverse[j], ++hoch;
        faktoren[n++] = {p[j], hoch};
    }
    if (zahl > 1) faktoren[n++] = {zahl, 1};
    return teiler_bilden(faktoren, n, teiler);
}

unsigned teiler_aus_faktoren(std::uint32_t zahl, std::uint32_t* teiler) {
    faktor faktoren[10];
    unsigned n = zweien_abspalten(zahl, faktoren);
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
    return teiler_bilden(faktoren, n, teiler);
}
