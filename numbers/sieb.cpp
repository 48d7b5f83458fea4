#include "numbers/sieb.h"

#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "numbers/verteilt.h"

// The masks are the wheel's bytes in memory order: bit t of a 64-bit word is byte t / 8's bit t % 8.
static_assert(std::endian::native == std::endian::little);

namespace {

// A segment of 32768 bytes (983040 numbers) stays in the first-level cache while the sieving
// primes below `gross` cross their multiples off.
constexpr std::uint32_t segment = 32768;
constexpr std::uint32_t stueck_bytes = sieb_bloecke * 8;
// The primes from 8192 up cross off only a few multiples per segment, and entering and leaving
// the crossing loop cost them more than the crossing: they go over a window of two segments
// (64 KiB) at a time instead. With the turns that run on past a segment's end (below), one
// core counted below 2^32 in 377 ms so, against 391 with no window, 422 with four segments and
// 464 with eight; with 8192, 16384 or 32768 as the bound alike, 4096 slower.
constexpr std::uint32_t fenster = 2 * segment;
constexpr std::uint32_t gross = 8192;
static_assert(stueck_bytes % segment == 0 && sieb_stueck == 30 * std::uint64_t{stueck_bytes});

// Of each residue mod 30 its bit in a byte of the wheel; -1: 2, 3 or 5 divides it.
constexpr auto rad_bit = [] {
    std::array<std::int8_t, 30> neu{};
    neu.fill(-1);
    for (unsigned t = 0; t < 8; ++t) neu[rad_reste[t]] = static_cast<std::int8_t>(t);
    return neu;
}();

// The wheel's residues, and 31 for the step from 29 to the next turn.
constexpr std::uint32_t reste9[9] = {1, 7, 11, 13, 17, 19, 23, 29, 31};

// The multiples of a few small primes repeat with their product, in bytes: a segment starts as
// the AND of such patterns, and those primes (7 to 103) never cross off. Crossing off is what the
// sieve spends its time on, and these would be a quarter of it.
constexpr std::uint32_t muster_primzahlen[][3] = {{7, 11, 13}, {17, 19, 23}, {29, 31, 1}, {37, 41, 1}, {43, 47, 1},
                                                  {53, 59, 1}, {61, 67, 1}, {71, 73, 1}, {79, 83, 1}, {89, 97, 1},
                                                  {101, 103, 1}};
constexpr unsigned muster_anzahl = std::size(muster_primzahlen);
constexpr unsigned erste_siebende = 26;  // siebprimzahlen()[26] is 107: the first that crosses off

// A prime p = 30 a + r crosses off p m for the multipliers m = 30 q + reste9[j] from m = p on:
// that multiple's byte is p q + a reste9[j] + teil(r, j), and its bit is that of (r reste9[j]) % 30.
constexpr unsigned klasse(std::uint32_t r) {
    unsigned k = 0;
    while (rad_reste[k] != r) ++k;
    return k;
}
constexpr std::uint32_t teil(unsigned k, unsigned j) { return rad_reste[k] * reste9[j] / 30; }
constexpr std::uint8_t loesche(unsigned k, unsigned j) {
    return static_cast<std::uint8_t>(~(1u << klasse(rad_reste[k] * rad_reste[j] % 30)));
}

// The sieving primes from 107 on, apart by their residue r (a class of the wheel), each class
// ascending: every prime of a class crosses off by the same pattern of bits and steps, which the
// crossing loop then holds as constants.
struct tabellen {
    std::array<std::vector<std::uint32_t>, 8> klassen;
    // The patterns, each a segment longer than its period, and the periods.
    std::array<std::vector<std::uint8_t>, muster_anzahl> muster;
    std::array<std::uint32_t, muster_anzahl> periode{};
    std::array<unsigned, 8> gross_ab{};  // of each class, the first prime that crosses off a window at a time
};

const tabellen& tabellen_holen() {
    static const tabellen t = [] {
        tabellen neu;
        for (unsigned n = erste_siebende; n < siebprimzahlen_anzahl; ++n)
            neu.klassen[klasse(siebprimzahlen()[n] % 30)].push_back(siebprimzahlen()[n]);
        for (unsigned c = 0; c < 8; ++c)
            while (neu.gross_ab[c] < neu.klassen[c].size() && neu.klassen[c][neu.gross_ab[c]] < gross) ++neu.gross_ab[c];
        // Each prime's odd multiples over one period, then the period repeated: made at every
        // start of a sieve, so in a few hundred microseconds, not a test of every bit.
        for (unsigned m = 0; m < muster_anzahl; ++m) {
            const std::uint32_t* const q = muster_primzahlen[m];
            const std::uint32_t periode = neu.periode[m] = q[0] * q[1] * q[2];
            std::vector<std::uint8_t>& bits = neu.muster[m];
            bits.assign(periode + segment, 0xFF);
            for (unsigned i = 0; i < 3; ++i)
                for (std::uint32_t zahl = q[i]; q[i] > 1 && zahl < 30 * periode; zahl += 2 * q[i])
                    if (rad_bit[zahl % 30] >= 0) bits[zahl / 30] &= static_cast<std::uint8_t>(~(1u << rad_bit[zahl % 30]));
            for (std::uint32_t byte = periode; byte < periode + segment; ++byte) bits[byte] = bits[byte - periode];
        }
        return neu;
    }();
    return t;
}

// The segment s[0 .. laenge) as the AND of the patterns from q[m] on, in one pass (a pass per
// pattern loaded and stored the segment again each time: the count took 6 % longer), 64 bytes at
// a time so that the loads of several registers overlap (16 at a time gained a third as much).
void muster_verbinden(std::uint8_t* s, std::uint32_t laenge, const std::uint8_t* const (&q)[muster_anzahl]) {
    using breit = std::uint8_t __attribute__((vector_size(64)));
    std::uint32_t x = 0;
    for (; x + sizeof(breit) <= laenge; x += sizeof(breit)) {
        breit und, neu;
        std::memcpy(&und, q[0] + x, sizeof und);
        for (unsigned m = 1; m < muster_anzahl; ++m) {
            std::memcpy(&neu, q[m] + x, sizeof neu);
            und &= neu;
        }
        std::memcpy(s + x, &und, sizeof und);
    }
    for (; x < laenge; ++x) {
        std::uint8_t und = q[0][x];
        for (unsigned m = 1; m < muster_anzahl; ++m) und &= q[m][x];
        s[x] = und;
    }
}

// A turn of a prime's multiples spans less than the prime in bytes, so a turn begun in a segment
// ends at most 65535 bytes past it.
constexpr std::uint32_t ueberhang = 65536;

// A worker's scratch, kept across its pieces: each prime's next multiple, as its byte from the
// segment's start and the wheel index of its multiplier, in the order of the classes; and the
// piece it sieves, with room past its end for the turns begun in its last segment.
struct werkbank {
    std::unique_ptr<std::uint32_t[]> byte{new std::uint32_t[siebprimzahlen_anzahl]};
    std::unique_ptr<std::uint8_t[]> index{new std::uint8_t[siebprimzahlen_anzahl]};
    std::unique_ptr<std::uint8_t[]> stueck{new std::uint8_t[stueck_bytes + ueberhang]};
};

// Crosses off the multiples of each prime of class K from s[0 .. laenge) on, from its byte `b`
// and wheel index `j`, and leaves it at the first whole turn of the wheel (p bytes, 8 multiples at
// fixed offsets) that starts past the segment, counted from the segment's end. A turn begun in the
// segment is crossed off whole, into the segments after it, which are set up already: so the loop
// has no per-multiple test for the segment's end, and every prime enters it at a turn's start,
// the same jump for all, after the partial turn it started the piece with.
template <unsigned K>
void klasse_streichen(std::uint8_t* s, std::size_t laenge, const std::uint32_t* primzahlen, unsigned anzahl,
                      std::uint32_t* byte, std::uint8_t* index) {
    for (unsigned n = 0; n < anzahl; ++n) {
        std::size_t i = byte[n];
        if (i >= laenge) {  // its next multiple lies in a later segment
            byte[n] = static_cast<std::uint32_t>(i - laenge);
            continue;
        }
        const std::size_t p = primzahlen[n], a = p / 30;
// One multiple with wheel index W, then on to the next.
#define ZIFFERON_EIN_VIELFACHES(W) \
    s[i] &= loesche(K, W);         \
    i += a * (reste9[W + 1] - reste9[W]) + (teil(K, W + 1) - teil(K, W));
        switch (index[n]) {
            case 1: ZIFFERON_EIN_VIELFACHES(1) [[fallthrough]];
            case 2: ZIFFERON_EIN_VIELFACHES(2) [[fallthrough]];
            case 3: ZIFFERON_EIN_VIELFACHES(3) [[fallthrough]];
            case 4: ZIFFERON_EIN_VIELFACHES(4) [[fallthrough]];
            case 5: ZIFFERON_EIN_VIELFACHES(5) [[fallthrough]];
            case 6: ZIFFERON_EIN_VIELFACHES(6) [[fallthrough]];
            case 7: ZIFFERON_EIN_VIELFACHES(7) [[fallthrough]];
            default: break;
        }
#undef ZIFFERON_EIN_VIELFACHES
        for (; i < laenge; i += p) {
            s[i] &= loesche(K, 0);
            s[i + a * 6 + teil(K, 1)] &= loesche(K, 1);
            s[i + a * 10 + teil(K, 2)] &= loesche(K, 2);
            s[i + a * 12 + teil(K, 3)] &= loesche(K, 3);
            s[i + a * 16 + teil(K, 4)] &= loesche(K, 4);
            s[i + a * 18 + teil(K, 5)] &= loesche(K, 5);
            s[i + a * 22 + teil(K, 6)] &= loesche(K, 6);
            s[i + a * 28 + teil(K, 7)] &= loesche(K, 7);
        }
        byte[n] = static_cast<std::uint32_t>(i - laenge);
        index[n] = 0;
    }
}

// Of each class K its primes from erste[K] to before bis[K], whose state the work bench keeps
// class after class.
template <unsigned... K>
void alle_klassen_streichen(std::integer_sequence<unsigned, K...>, std::uint8_t* s, std::size_t laenge, const tabellen& t,
                            const unsigned* erste, const unsigned* bis, werkbank& bank) {
    unsigned platz = 0;
    ((bis[K] > erste[K] ? klasse_streichen<K>(s, laenge, t.klassen[K].data() + erste[K], bis[K] - erste[K],
                                              bank.byte.get() + platz + erste[K], bank.index.get() + platz + erste[K])
                        : void(),
      platz += static_cast<unsigned>(t.klassen[K].size())),
     ...);
}

}  // namespace

const std::uint32_t* siebprimzahlen() {
    static const std::array<std::uint32_t, siebprimzahlen_anzahl> primzahlen = [] {
        std::array<std::uint32_t, siebprimzahlen_anzahl> neu{};
        std::vector<bool> zusammengesetzt(65536, false);
        unsigned n = 0;
        for (std::uint32_t p = 3; p < 65536; p += 2) {
            if (zusammengesetzt[p]) continue;
            neu[n++] = p;
            for (std::uint32_t v = p * p; v < 65536; v += 2 * p) zusammengesetzt[v] = true;
        }
        return neu;
    }();
    return primzahlen.data();
}

void sieb_stueck_sieben(std::uint64_t k, std::uint64_t von, std::uint64_t bis, std::uint64_t* masken) {
    const tabellen& t = tabellen_holen();
    thread_local werkbank bank;
    auto* const ergebnis = reinterpret_cast<std::uint8_t*>(masken);
    const std::uint64_t lo = k * sieb_stueck;
    von = std::max(von, lo);
    bis = std::min(bis, lo + sieb_stueck);
    if (von >= bis) return static_cast<void>(std::memset(ergebnis, 0, stueck_bytes));
    // The segments that hold [von, bis).
    const auto erstes = static_cast<std::uint32_t>((von - lo) / 30 / segment * segment);
    const auto ende = static_cast<std::uint32_t>(std::min<std::uint64_t>((bis - lo + 29) / 30, stueck_bytes));
    // Every segment set up before any is sieved, for the turns that run on into the next ones.
    // A turn begun before the run's end reaches at most `ueberhang` bytes past it: only those are
    // cleared (within the piece; the room past it is scratch), and only the run's bytes are copied
    // out, so a short run touches little more of the buffer than it sieves.
    std::uint8_t* const bytes = bank.stueck.get();
    std::memset(bytes + ende, 0, std::min(ueberhang, stueck_bytes - ende));
    for (std::uint32_t s0 = erstes; s0 < ende; s0 += segment) {
        const std::uint32_t laenge = std::min(segment, ende - s0);
        std::uint8_t* const s = bytes + s0;
        const std::uint64_t b0 = lo / 30 + s0;
        const std::uint8_t* q[muster_anzahl];
        for (unsigned m = 0; m < muster_anzahl; ++m) q[m] = t.muster[m].data() + b0 % t.periode[m];
        muster_verbinden(s, laenge, q);
        if (b0 == 0) {
            // The patterns' own primes are prime; 1 is not.
            s[0] &= 0xFE;
            for (unsigned m = 0; m < muster_anzahl; ++m)
                for (const std::uint32_t z : muster_primzahlen[m])
                    if (z > 1 && z / 30 < laenge) s[z / 30] |= static_cast<std::uint8_t>(~loesche(0, klasse(z % 30)));
        }
    }
    const std::uint64_t ab = lo + 30 * std::uint64_t{erstes};
    // Of each class the primes whose square is below bis, each from its first multiple on the
    // wheel that is at least ab and its square (smaller ones are a smaller prime's).
    unsigned anzahl[8];
    for (unsigned c = 0, platz = 0; c < 8; platz += static_cast<unsigned>(t.klassen[c].size()), ++c) {
        const std::vector<std::uint32_t>& klasse_c = t.klassen[c];
        anzahl[c] = 0;
        while (anzahl[c] < klasse_c.size() && std::uint64_t{klasse_c[anzahl[c]]} * klasse_c[anzahl[c]] < bis) ++anzahl[c];
        for (unsigned n = 0; n < anzahl[c]; ++n) {
            const std::uint64_t p = klasse_c[n];
            const std::uint64_t m = std::max(p, (ab + p - 1) / p);
            std::uint64_t q = m / 30;
            unsigned j = 0;
            while (reste9[j] < m % 30) ++j;
            if (j == 8) ++q, j = 0;
            const std::uint64_t byte = p * q + p / 30 * reste9[j] + teil(c, j);
            bank.byte[platz + n] = static_cast<std::uint32_t>(std::min<std::uint64_t>(byte - ab / 30, 0xFFFFFFFFu));
            bank.index[platz + n] = static_cast<std::uint8_t>(j);
        }
    }
    unsigned keine[8] = {}, gross_ab[8];
    for (unsigned c = 0; c < 8; ++c) gross_ab[c] = std::min(anzahl[c], t.gross_ab[c]);
    for (std::uint32_t f0 = erstes; f0 < ende; f0 += fenster) {
        const std::uint32_t f_ende = std::min(f0 + fenster, ende);
        for (std::uint32_t s0 = f0; s0 < f_ende; s0 += segment)
            alle_klassen_streichen(std::make_integer_sequence<unsigned, 8>{}, bytes + s0, std::min(segment, f_ende - s0), t, keine,
                                   gross_ab, bank);
        alle_klassen_streichen(std::make_integer_sequence<unsigned, 8>{}, bytes + f0, f_ende - f0, t, gross_ab, anzahl, bank);
    }
    // Cut to the run: the bits of numbers below von and from bis on, in the bytes that hold both.
    const auto abschneiden = [&](std::uint32_t von_byte, std::uint32_t bis_byte) {
        for (std::uint32_t x = von_byte; x < bis_byte; ++x)
            for (unsigned j = 0; j < 8; ++j) {
                const std::uint64_t zahl = lo + 30 * std::uint64_t{x} + rad_reste[j];
                if (zahl < von || zahl >= bis) bytes[x] &= static_cast<std::uint8_t>(~(1u << j));
            }
    };
    abschneiden(erstes, static_cast<std::uint32_t>((von - lo) / 30) + 1);
    abschneiden(static_cast<std::uint32_t>((bis - lo) / 30), ende);
    std::memset(ergebnis, 0, erstes);
    std::memcpy(ergebnis + erstes, bytes + erstes, ende - erstes);
    std::memset(ergebnis + ende, 0, stueck_bytes - ende);
}

namespace {

template <class Zaehle>
std::uint32_t bits_zaehlen(const std::uint64_t* masken, Zaehle zaehle) {
    std::uint32_t n = 0;
    for (unsigned w = 0; w < sieb_bloecke; ++w) n += static_cast<std::uint32_t>(zaehle(masken[w]));
    return n;
}

#if defined(__x86_64__)
// The x86-64 baseline has no population count instruction: GCC calls a routine per word, which
// made counting a piece on the one thread that takes them as dear as sieving it in a worker.
__attribute__((target("popcnt"))) std::uint32_t bits_zaehlen_popcnt(const std::uint64_t* masken) {
    return bits_zaehlen(masken, [](std::uint64_t w) { return __builtin_popcountll(w); });
}
#endif

}  // namespace

std::uint32_t sieb_anzahl(const std::uint64_t* masken) {
#if defined(__x86_64__)
    static const bool popcnt = __builtin_cpu_supports("popcnt");
    if (popcnt) return bits_zaehlen_popcnt(masken);
#endif
    return bits_zaehlen(masken, [](std::uint64_t w) { return __builtin_popcountll(w); });
}

void sieb_verteilt(std::uint64_t von, std::uint64_t bis,
                   const std::function<bool(std::uint64_t, const std::uint64_t*)>& nimm) {
    if (von >= bis) return;
    const std::uint64_t erstes = von / sieb_stueck;
    verteilt(
        (bis - 1) / sieb_stueck - erstes + 1, sieb_bloecke,
        [&](std::uint64_t i, std::uint64_t* masken) { sieb_stueck_sieben(erstes + i, von, bis, masken); },
        [&](std::uint64_t i, const std::uint64_t* masken) { return nimm(erstes + i, masken); });
}

siebfenster sieb_fenster(std::uint64_t von, std::uint64_t bis) {
    siebfenster f;
    if (von >= bis) return f;
    f.erstes = von / sieb_stueck;
    f.masken.resize(((bis - 1) / sieb_stueck - f.erstes + 1) * std::size_t{sieb_bloecke});
    sieb_verteilt(von, bis, [&f](std::uint64_t k, const std::uint64_t* masken) {
        std::memcpy(f.masken.data() + (k - f.erstes) * sieb_bloecke, masken, sieb_bloecke * sizeof(std::uint64_t));
        return true;
    });
    return f;
}

bool sieb_fenster_prim(const siebfenster& f, std::uint32_t zahl) {
    if (zahl < 7) return zahl == 2 || zahl == 3 || zahl == 5;
    const int t = rad_bit[zahl % 30];
    if (t < 0) return false;
    const std::uint64_t byte = zahl / 30 - f.erstes * (sieb_stueck / 30);
    return (f.masken[byte / 8] >> (byte % 8 * 8 + static_cast<unsigned>(t)) & 1) != 0;
}
