// Every kernel the CPU has, and the portable one, against the plain one-division-at-a-time loops:
// the same verdicts, the same first divisor, the same divisor lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#ifdef __linux__
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "numbers/verteilt.h"
#include "numbers/kernels/kerne_intern.h"
#include "numbers/faktoren.h"
#include "numbers/lauf.h"
#include "numbers/sieb.h"
#include "numbers/sieb_zeilen.h"
#include "numbers/primzahl.h"
#include "numbers/teiler.h"
#include "tests/umgebung.h"
#ifdef ZIFFERON_AVX512_EMULIERT
#include "tests/simde_avx512.h"
#endif

namespace {

std::uint32_t wurzel(std::uint32_t n) { return static_cast<std::uint32_t>(std::sqrt(static_cast<double>(n))); }

using suche = std::function<std::uint32_t(std::uint32_t zahl, std::uint32_t bis)>;

// The numbers where a kernel is most likely to go wrong. The sweep below every 2^k is the long
// one; under the sanitizers and valgrind it is scaled down, not skipped.
std::vector<std::uint32_t> pruefzahlen() {
    std::vector<std::uint32_t> zahlen;
    const std::uint32_t unter = gebremst() ? 1u << 16 : 1u << 24;
    for (std::uint32_t n = 0; n < unter; ++n) zahlen.push_back(n);
    const std::uint32_t oben = gebremst() ? 2000 : 100000;
    for (std::uint32_t n = 0xFFFFFFFFu - oben + 1; n != 0; ++n) zahlen.push_back(n);
    // Squares of primes and their neighbours at distance 2, and products of two primes near 2^32.
    std::vector<std::uint32_t> primzahlen;
    for (std::uint32_t p = 3; p < 65536; p += 2)
        if (erster_teiler_einzeln(p, wurzel(p)) == 0) primzahlen.push_back(p);
    const std::size_t schritt = gebremst() ? 37 : 1;
    for (std::size_t i = 0; i < primzahlen.size(); i += schritt) {
        const std::uint32_t q = primzahlen[i] * primzahlen[i];
        for (std::uint32_t n : {q - 2, q, q + 2}) zahlen.push_back(n);
    }
    for (std::size_t i = primzahlen.size() - 300; i < primzahlen.size(); ++i) {
        const std::uint64_t p = primzahlen[i];
        for (std::uint64_t q = 0xFFFFFFFFu / p | 1; q > p && zahlen.size() % 7 != 6; q -= 2)
            if (erster_teiler_einzeln(static_cast<std::uint32_t>(q), wurzel(static_cast<std::uint32_t>(q))) == 0) {
                zahlen.push_back(static_cast<std::uint32_t>(p * q));
                break;
            }
        zahlen.push_back(static_cast<std::uint32_t>(p * (0xFFFFFFFFu / p)));
    }
    return zahlen;
}

const std::vector<std::uint32_t>& alle_pruefzahlen() {
    static const std::vector<std::uint32_t> zahlen = pruefzahlen();
    return zahlen;
}

// The first divisor the plain loop finds, for each test number, once for all kernels. Below 2^24
// it is the smallest odd prime factor if that is within the root bound, taken from a sieve (the
// plain loop would take seconds there); above, the plain loop itself.
const std::vector<std::uint32_t>& erwartet() {
    static const std::vector<std::uint32_t> teiler = [] {
        const std::uint32_t sieb_bis = gebremst() ? 1u << 16 : 1u << 24;
        std::vector<std::uint16_t> kleinster(sieb_bis, 0);  // smallest odd prime factor up to 4096
        for (std::uint32_t p = 3; p * p < sieb_bis; p += 2)
            if (kleinster[p] == 0)
                for (std::uint32_t v = p; v < sieb_bis; v += p)
                    if (kleinster[v] == 0) kleinster[v] = static_cast<std::uint16_t>(p);
        std::vector<std::uint32_t> t;
        for (std::uint32_t n : alle_pruefzahlen()) {
            if (n < sieb_bis) t.push_back(kleinster[n] != 0 && kleinster[n] <= wurzel(n) ? kleinster[n] : 0);
            else t.push_back(erster_teiler_einzeln(n, wurzel(n)));
        }
        return t;
    }();
    return teiler;
}

// The first test number where `s` differs from the plain loop, with both answers; empty if none.
std::string erste_abweichung(const suche& s) {
    const auto& zahlen = alle_pruefzahlen();
    for (std::size_t i = 0; i < zahlen.size(); ++i) {
        const std::uint32_t n = zahlen[i];
        const std::uint32_t gefunden = s(n, wurzel(n));
        if (gefunden != erwartet()[i])
            return std::to_string(n) + ": " + std::to_string(gefunden) + " statt " + std::to_string(erwartet()[i]);
    }
    return "";
}

#ifdef ZIFFERON_AVX512_EMULIERT
// Whether ZIFFERON_EMULIERT_ALLE=1 (as CI sets it) asks for every test of this copy.
bool emuliert_alle() {
    const char* alle = std::getenv("ZIFFERON_EMULIERT_ALLE");
    return alle != nullptr && std::string(alle) == "1";
}
// In the quick run, this copy's tests through the emulated AVX-512 kernel are left to the native
// ones where the CPU has the real kernel.
#define ZIFFERON_ECHTER_KERN_GENUEGT()                           \
    if (!emuliert_alle() && __builtin_cpu_supports("avx512bw")) \
    GTEST_SKIP() << "the native tests run the real AVX-512 kernel"
#else
#define ZIFFERON_ECHTER_KERN_GENUEGT() static_cast<void>(0)
#endif

struct stufe {
    const char* name;
    kernstufe wert;
};

std::ostream& operator<<(std::ostream& os, const stufe& s) { return os << s.name; }

class Kern : public ::testing::TestWithParam<stufe> {
protected:
    void SetUp() override {
        if (kern_begrenzen(GetParam().wert) != GetParam().wert) GTEST_SKIP() << "not on this CPU";
#ifdef ZIFFERON_AVX512_EMULIERT
        // Only the AVX-512 level is emulated; the others need the CPU. This copy adds nothing but that
        // level, and where the CPU has AVX-512 the native tests run the real kernel: there the quick
        // run leaves it out, and ZIFFERON_EMULIERT_ALLE=1 (as CI sets it) runs every row.
        if (GetParam().wert == kernstufe::avx2 && !__builtin_cpu_supports("avx2")) GTEST_SKIP() << "not on this CPU";
        if (!emuliert_alle() && GetParam().wert != kernstufe::avx512) GTEST_SKIP() << "the native tests run this level";
#endif
        ZIFFERON_ECHTER_KERN_GENUEGT();
    }
    void TearDown() override { kern_begrenzen(hoechste_kernstufe); }
};

TEST_P(Kern, ErsterTeilerWieDieSchleife) {
    EXPECT_EQ(erste_abweichung([](std::uint32_t n, std::uint32_t bis) { return erster_teiler(n, 3, bis); }), "");
    // A later start finds the first divisor from there on.
    for (std::uint32_t n : {4294967291u, 4293001441u, 67u * 65521u, 71u * 60013u, 3u * 67u * 131u}) {
        const std::uint32_t bis = wurzel(n);
        std::uint32_t ab67 = 0;
        for (std::uint32_t d = 67; d <= bis && ab67 == 0; d += 2)
            if (n % d == 0) ab67 = d;
        EXPECT_EQ(erster_teiler(n, 67, bis), ab67) << n;
    }
}

TEST_P(Kern, UrteileWieDieSchleife) {
    for (std::uint32_t n : alle_pruefzahlen())
        if (n % 97 == 1 || n < 100000 || n > 0xFFFF0000u) {
            ASSERT_EQ(primtest(n), primtest_einzeln(n)) << n;
        }
}

// One worker, two, and more than there are CPUs.
constexpr unsigned faden_zahlen[] = {1, 2, 7};

TEST_P(Kern, ListerWieDieSchleife) {
    struct bereich {
        std::uint32_t start, anzahl;
    };
    const std::uint32_t k = gebremst() ? 20 : 1;
    // Pieces end everywhere: runs of 1 to 65 numbers, runs to 4294967295, more pieces than slots.
    for (const bereich b : {bereich{6, 200000}, bereich{4000, 1000}, bereich{4225 - 64, 200}, bereich{1u << 20, 3000},
                            bereich{4000000000u, 20000 / k}, bereich{0xFFFFFFFFu - 5000 / k + 1, 5000 / k}, bereich{7, 2},
                            bereich{4294967286u, 10}, bereich{4000000000u, 1}, bereich{4000000001u, 63},
                            bereich{4000000001u, 64}, bereich{4000000001u, 65}, bereich{0xFFFFFFFFu, 1}}) {
        std::vector<std::uint32_t> plain;
        for (std::uint32_t x = 0; x < b.anzahl; ++x)
            if (primtest_einzeln(b.start + x) == urteil::prim) plain.push_back(b.start + x);
        for (unsigned faeden : faden_zahlen) {
            faeden_setzen(faeden);
            std::vector<std::uint32_t> gemeldet;
            lauf(b.start, b.anzahl, [&](std::uint32_t p) { return gemeldet.push_back(p), true; });
            EXPECT_EQ(gemeldet, plain) << b.start << " + " << b.anzahl << ", " << faeden << " threads";
        }
        faeden_setzen(0);
    }
    // Every prime's square and its neighbours, ascending, so that bounds from 1 to 65535 share a
    // batch: a root and a first divisor at every chunk's edges. In batches of one, seven, a
    // thousand and all: batches that empty out early and late.
    std::vector<std::uint32_t> zahlen;
    for (std::uint32_t p = 3; p < 65536; p += gebremst() ? 38 : 2)
        if (erster_teiler_einzeln(p, wurzel(p)) == 0)
            for (std::uint32_t d = 0; d < 5 && p * p + d >= 2; ++d) zahlen.push_back(p * p + d - 2);
    for (const std::size_t stapel : {std::size_t{1}, std::size_t{7}, std::size_t{1000}, zahlen.size()})
        for (std::size_t ab = 0; ab < zahlen.size(); ab += stapel) {
            const std::size_t n = std::min(stapel, zahlen.size() - ab);
            std::vector<std::uint32_t> z(n + ohne_teiler_rand), g(n + ohne_teiler_rand), prim(n), plain;
            for (std::size_t i = 0; i < n; ++i) {
                z[i] = zahlen[ab + i];
                g[i] = wurzel(z[i]);
                if (erster_teiler_einzeln(z[i], g[i]) == 0) plain.push_back(z[i]);
            }
            prim.resize(ohne_teiler(z.data(), g.data(), static_cast<unsigned>(n), prim.data()));
            ASSERT_EQ(prim, plain) << zahlen[ab] << " + " << n;
        }
}

// The transposed kernels' check: within an octave 2^k <= d < 2^(k+1), d divides n exactly when
// n d^-1 mod 2^32 <= n >> k. The margins are narrow on both sides: a threshold two lower misses a
// divisor, one three higher takes a non-divisor for one, and these rows show both.
TEST(KernPruefung, SchwelleDerOktaveIstExaktUndKnapp) {
    std::uint32_t ueber = 0xFFFFFFFFu, unter = 0xFFFFFFFFu;
    for (unsigned k = 1; k < 16; ++k)
        for (std::uint32_t d : {(1u << k) + 1, (2u << k) - 1, (3u << k) / 2 | 1}) {
            std::vector<std::uint32_t> zahlen{d * d, d * (d + 2), d * ((2u << k) - 1)};
            for (std::uint32_t n = 0xFFFFFFFFu; n > 0xFFFFFFFFu - 4096; --n) zahlen.push_back(n);
            for (std::uint32_t n : zahlen) {
                const std::uint32_t x = n * inverse_ganz.d[(d - 3) / 2], t = n >> k;
                ASSERT_EQ(x <= t, n % d == 0) << n << " " << d;
                if (x <= t) unter = std::min(unter, t - x);
                else ueber = std::min(ueber, x - t);
            }
        }
    EXPECT_LE(unter, 1u);
    EXPECT_LE(ueber, 3u);
}

// The divisors of n from its prime factors, descending: a different way to the same lines.
std::vector<std::uint32_t> aus_faktoren(std::uint32_t n) {
    std::vector<std::uint64_t> teiler{1};
    std::uint64_t rest = n;
    for (std::uint64_t p = 2; p * p <= rest || rest > 1; ++p) {
        if (p * p > rest) p = rest;
        std::size_t bisher = teiler.size();
        for (std::uint64_t potenz = p; rest % p == 0; rest /= p, potenz *= p)
            for (std::size_t i = 0; i < bisher; ++i) teiler.push_back(teiler[i] * potenz);
    }
    std::sort(teiler.begin(), teiler.end(), std::greater<>());
    return {teiler.begin(), teiler.end()};
}

TEST_P(Kern, TeilerlisteWieDieSchleife) {
    // Whole listings against the plain loop, and the long ones against the prime factors.
    for (std::uint32_t n : {1u, 2u, 12u, 63u, 64u, 65u, 97u, 720720u, 1000003u, 4999999u}) {
        std::vector<std::uint32_t> plain;
        teiler_absteigend_einzeln(n, [&](std::uint32_t i) { plain.push_back(i); });
        for (unsigned faeden : faden_zahlen) {
            faeden_setzen(faeden);
            std::vector<std::uint32_t> schnell;
            teiler_absteigend(n, [&](std::uint32_t i) { schnell.push_back(i); });
            EXPECT_EQ(schnell, plain) << n << ", " << faeden << " threads";
        }
        faeden_setzen(0);
    }
    // Runs of blocks against the plain remainders above the root (where they step), across it and down
    // to 1: highly composite numbers, primes, 1, squares near 2^32.
    for (std::uint32_t n : {1u, 720720u, 735134400u, 3234846615u, 4294967295u, 4294967291u, 2147483648u,
                            4293001441u, 4294836225u, 4294705156u, 4294705155u}) {
        const std::int64_t grenze = wurzel(n) + 1 + 64 * 64 + 63;  // the lowest start of one whole group
        for (const std::int64_t hoch : std::initializer_list<std::int64_t>{n, n - 4099, grenze, grenze - 1, grenze + 64 * 70, 300}) {
            std::uint64_t masken[200];
            if (hoch > n || hoch <= 0) continue;
            teiler_in_bloecken(n, static_cast<std::uint32_t>(hoch), 200, masken);
            for (unsigned b = 0; b < 200; ++b) {
                std::uint64_t erwartet = 0;
                for (unsigned j = 0; j < 64 && hoch > 64 * b + j; ++j)
                    if (n % (hoch - 64 * b - j) == 0) erwartet |= std::uint64_t{1} << j;
                ASSERT_EQ(masken[b], erwartet) << n << " ab " << hoch << ", block " << b;
            }
        }
    }
    const std::uint32_t hochzusammengesetzt = gebremst() ? 720720u : 735134400u;
    std::vector<std::uint32_t> schnell;
    teiler_absteigend(hochzusammengesetzt, [&](std::uint32_t i) { schnell.push_back(i); });
    EXPECT_EQ(schnell, aus_faktoren(hochzusammengesetzt));
    // The top of the range block by block where divisors are, and where they are not.
    for (std::uint32_t n : {4294967295u, 4294967291u}) {
        for (std::uint32_t hoch : {n, n - 64, 2147483648u, 1431655765u + 10, 65537u + 3, 257u + 50, 64u}) {
            std::uint64_t erwartet = 0;
            for (unsigned j = 0; j < 64; ++j)
                if (n % (hoch - j) == 0) erwartet |= std::uint64_t{1} << j;
            EXPECT_EQ(teiler_im_block(n, hoch, 64), erwartet) << n << " ab " << hoch;
        }
        for (unsigned breite = 1; breite <= 64; ++breite)
            EXPECT_EQ(teiler_im_block(n, breite, breite) & 1, n % breite == 0 ? 1u : 0u) << n << " " << breite;
    }
}

// The stepping kernel's two paths, each round's quotient constant or not, against one division per
// candidate: groups from just above the root, where the quotient changes within most runs, through
// 2 to 64 times the root, where the paths mix and then the constant one takes over, to the top.
// Squares and products of two primes near 65536, numbers near 2^32, highly composite ones.
TEST_P(Kern, SchritteBeiGleichemUndWechselndemQuotienten) {
    constexpr unsigned bloecke = 4224;  // more than two groups of the widest level
    std::vector<std::uint64_t> masken(bloecke);
    for (std::uint32_t n : {4294967295u, 4294967291u, 4293001441u, 4292870399u, 4294049777u, 3234846615u, 735134400u, 2147483648u,
                            1000000007u, 16777216u}) {
        const std::uint64_t w = wurzel(n) + 1;
        for (const std::uint64_t hoch : {w + 64 * bloecke - 1, 2 * w + 64 * bloecke, 8 * w + 64 * bloecke + 17, 8 * w + 5, 64 * w + 33,
                                         std::uint64_t{n}, std::uint64_t{n} - 64 * 777 - 5}) {
            if (hoch > n || hoch < 64 * bloecke) continue;
            teiler_in_bloecken(n, static_cast<std::uint32_t>(hoch), bloecke, masken.data());
            for (unsigned b = 0; b < bloecke; ++b) {
                std::uint64_t erwartet = 0;
                for (unsigned j = 0; j < 64; ++j)
                    if (n % (hoch - 64 * b - j) == 0) erwartet |= std::uint64_t{1} << j;
                ASSERT_EQ(masken[b], erwartet) << n << " ab " << hoch << ", block " << b;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Stufen, Kern,
                         ::testing::Values(stufe{"portabel", kernstufe::portabel}, stufe{"sse2", kernstufe::sse2},
                                           stufe{"avx2", kernstufe::avx2}, stufe{"avx512", kernstufe::avx512}),
                         [](const auto& info) { return std::string(info.param.name); });

// The comparison above must catch a kernel that tries one divisor too many or too few.
TEST(KernPruefung, FindetEinenTeilerZuVielOderZuWenig) {
    ZIFFERON_ECHTER_KERN_GENUEGT();
    const suche zu_viel = [](std::uint32_t n, std::uint32_t bis) { return erster_teiler(n, 3, bis + 2 > 65535 ? bis : bis + 2); };
    const suche zu_wenig = [](std::uint32_t n, std::uint32_t bis) { return erster_teiler(n, 3, bis < 2 ? 0 : bis - 2); };
    const suche ohne_drei = [](std::uint32_t n, std::uint32_t bis) {
        const std::uint32_t d = erster_teiler(n, 3, bis);
        return d == 3 ? erster_teiler_einzeln(n, bis) == 3 && n % 9 == 0 ? 9u : 0u : d;
    };
    EXPECT_NE(erste_abweichung(zu_viel), "");
    EXPECT_NE(erste_abweichung(zu_wenig), "");
    EXPECT_NE(erste_abweichung(ohne_drei), "");
}

// The commands' engines against the kernels: the sieve's primes of a window against the trial
// division's run, and the divisors built from the factorization against the stepping kernel's
// every-candidate listing.
TEST(Engines, WieDieKerne) {
    ZIFFERON_ECHTER_KERN_GENUEGT();
    enum art { sieb, teiler };
    struct fall {
        art was;
        std::uint64_t a, b;  // sieb: the window [a, b); teiler: the number a
    };
    const std::uint64_t s = sieb_stueck, oben = std::uint64_t{1} << 32;
    std::vector<fall> faelle = {
        {sieb, 0, 1000}, {sieb, 1, 2}, {sieb, 2, 3}, {sieb, 3, 4}, {sieb, 13, 17}, {sieb, 14, 15},
        // The edges of a segment (32768 odd numbers) and of a piece, and across pieces.
        {sieb, 65536 - 40, 65536 + 40}, {sieb, s - 1000, s + 1000}, {sieb, s, s + 1}, {sieb, 3 * s - 7, 5 * s + 9},
        {sieb, oben - 200000, oben}, {sieb, oben - 5, oben - 4}, {sieb, oben - s - 3, oben - s + 3},
        {teiler, 1, 0}, {teiler, 2, 0}, {teiler, 4294967295u, 0}, {teiler, 4294967291u, 0}, {teiler, 2147483648u, 0},
        {teiler, 3486784401u, 0}, {teiler, 65521u * 65521u, 0}, {teiler, 65519u * 65521u, 0}, {teiler, 65537u * 65521u, 0},
        {teiler, 2u * 65521u * 32749u, 0}, {teiler, 3491888400u, 0}, {teiler, 2095133040u, 0}, {teiler, 735134400u, 0},
        {teiler, 223092870u, 0}, {teiler, 4294967279u, 0}, {teiler, 999999999u, 0},
    };
    // Around the squares of sieving primes, where each starts to cross off, at the bottom and top.
    for (std::uint64_t p : {17u, 19u, 23u, 181u, 2039u, 65519u, 65521u}) faelle.push_back({sieb, p * p - 70, p * p + 70});
    // Across the powers of ten, where the lines grow by a digit.
    for (std::uint64_t z = 100'000; z <= 1'000'000'000; z *= 10) faelle.push_back({sieb, z - 300, z + 300});
    for (const fall& f : faelle) {
        if (f.was == sieb) {
            std::vector<std::uint32_t> gesiebt, probiert;
            sieb_lauf(f.a, f.b, [&](std::uint32_t p) { return gesiebt.push_back(p), true; }, kein_stand);
            lauf_ab_null(static_cast<std::uint32_t>(f.a), f.b - f.a, [&](std::uint32_t p) { return probiert.push_back(p), true; });
            EXPECT_EQ(gesiebt, probiert) << "[" << f.a << ", " << f.b << ")";
            // As lines, and counted with their bytes, as the commands list and append them.
            std::string zeilen, erwartet;
            sieb_zeilen(f.a, f.b, [&](std::string_view z, std::uint32_t, std::uint64_t) { return zeilen += z, true; });
            for (const std::uint32_t p : probiert) erwartet += std::to_string(p) + "\n";
            EXPECT_EQ(zeilen, erwartet) << "[" << f.a << ", " << f.b << ")";
            const siebumfang umfang = sieb_umfang(f.a, f.b, [](std::uint64_t, std::uint32_t) {});
            EXPECT_EQ(umfang.primzahlen, probiert.size()) << "[" << f.a << ", " << f.b << ")";
            EXPECT_EQ(umfang.bytes, erwartet.size()) << "[" << f.a << ", " << f.b << ")";
            const siebfenster fenster = sieb_fenster(f.a, f.b);
            std::vector<std::uint32_t> nachgesehen;
            for (std::uint64_t z = f.a; z < f.b; ++z)
                if (sieb_fenster_prim(fenster, static_cast<std::uint32_t>(z))) nachgesehen.push_back(static_cast<std::uint32_t>(z));
            EXPECT_EQ(nachgesehen, probiert) << "[" << f.a << ", " << f.b << ")";
        } else {
            // The every-candidate listing near 2^32 takes minutes under valgrind: the fuzz target
            // checks the factorization of any number under the sanitizers instead.
            if (gebremst() && f.a > 100000000u) continue;
            std::uint32_t liste[teiler_hoechstens];
            const unsigned n = teiler_aus_faktoren(static_cast<std::uint32_t>(f.a), liste);
            std::vector<std::uint32_t> probiert;
            teiler_absteigend(static_cast<std::uint32_t>(f.a), [&](std::uint32_t t) { probiert.push_back(t); });
            EXPECT_EQ(std::vector<std::uint32_t>(liste, liste + n), probiert) << f.a;
        }
    }
    // The table of smallest factors against the trial division, for every number it holds.
    std::uint32_t probiert[teiler_hoechstens], nachgeschlagen[teiler_hoechstens];
    for (std::uint32_t z = 1; z < kleine_zahlen; z += gebremst() ? 97 : 1) {
        const unsigned n = teiler_aus_faktoren(z, probiert);
        ASSERT_EQ(teiler_nachgeschlagen(z, nachgeschlagen, kleinste_faktoren_tabelle()), n) << z;
        ASSERT_TRUE(std::equal(probiert, probiert + n, nachgeschlagen)) << z;
    }
}

// The whole range through both engines, by count and a checksum of the primes: about a minute of
// trial division, so only where ZIFFERON_GANZER_BEREICH=1 (CI) asks for it.
TEST(Engines, GanzerBereich) {
    const char* an = std::getenv("ZIFFERON_GANZER_BEREICH");
    if (an == nullptr || std::string(an) != "1") GTEST_SKIP() << "ZIFFERON_GANZER_BEREICH=1 runs it";
    struct summe {
        std::uint64_t n = 0, pruef = 0;
        bool operator()(std::uint32_t p) { return ++n, pruef = pruef * 0x9E3779B97F4A7C15u + p, true; }
    } gesiebt, probiert, gelesen;
    sieb_lauf(0, std::uint64_t{1} << 32, std::ref(gesiebt), kein_stand);
    lauf_ab_null(0, std::uint64_t{1} << 32, std::ref(probiert));
    EXPECT_EQ(gesiebt.n, 203280221u);
    EXPECT_EQ(gesiebt.n, probiert.n);
    EXPECT_EQ(gesiebt.pruef, probiert.pruef);
    // The lines the commands write, read back, and the bytes counted for --datei.
    std::uint64_t bytes = 0, zahl = 0;
    sieb_zeilen(0, std::uint64_t{1} << 32, [&](std::string_view zeilen, std::uint32_t, std::uint64_t) {
        bytes += zeilen.size();
        for (const char c : zeilen)
            if (c == '\n') gelesen(static_cast<std::uint32_t>(std::exchange(zahl, 0)));
            else zahl = zahl * 10 + static_cast<std::uint64_t>(c - '0');
        return true;
    });
    EXPECT_EQ(gelesen.n, probiert.n);
    EXPECT_EQ(gelesen.pruef, probiert.pruef);
    EXPECT_EQ(sieb_umfang(0, std::uint64_t{1} << 32, kein_stand).bytes, bytes);
}

#ifdef __linux__
// However long the run, the pieces in flight are bounded (the peak memory of a child that lists
// 2^32 candidates, whose masks would take 512 MiB), and no worker outlives a run.
TEST(Faeden, SpeicherBegrenztUndKeinerBleibt) {
    // The workers by their name: a thread just joined may linger a moment in the task list, and a
    // sanitizer or an emulator has threads of its own.
    const auto arbeiter = [] {
        long n = 0;
        for (const auto& faden : std::filesystem::directory_iterator("/proc/self/task")) {
            std::string name;
            std::getline(std::ifstream(faden.path() / "comm"), name);
            n += name == "zifferon-arbeit";
        }
        return n;
    };
    const auto keiner_bleibt = [&] {
        const auto bis = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (arbeiter() != 0 && std::chrono::steady_clock::now() < bis) std::this_thread::yield();
        return arbeiter() == 0;
    };
    const pid_t kind = fork();
    if (kind == 0) {
        std::ofstream("/proc/self/clear_refs") << "5";  // the peak (VmHWM) from here on
        const long anfang = status_kib("VmRSS:");
        faeden_setzen(7);
        std::uint32_t gemeldet = 0;
        teiler_absteigend(gebremst() ? 1u << 28 : 4294967295u, [&](std::uint32_t) { ++gemeldet; });
        _exit(gemeldet == (gebremst() ? 29u : 32u) && anfang > 0 && status_kib("VmHWM:") - anfang < 64 * 1024 ? 0 : 1);
    }
    int status = 0;
    waitpid(kind, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    // Stopped early by its reader, all seven working meanwhile (the caller's thread is one). The
    // reader stops within the first piece, while the bounded ring still holds back most of them:
    // no worker can have finished, and each bears its name from its start, scheduled or not.
    faeden_setzen(7);
    ASSERT_TRUE(keiner_bleibt());
    std::uint32_t gemeldet = 0;
    long waehrend = 0;
    lauf(4000000000u, 1000000, [&](std::uint32_t) { return (waehrend = arbeiter()), ++gemeldet < 100; });
    faeden_setzen(0);
    EXPECT_EQ(gemeldet, 100u);
    EXPECT_EQ(waehrend, 6);
    // Unforced, one thread per CPU of the affinity mask.
    cpu_set_t erlaubt;
    ASSERT_EQ(sched_getaffinity(0, sizeof erlaubt, &erlaubt), 0);
    EXPECT_EQ(faeden(), static_cast<unsigned>(CPU_COUNT(&erlaubt)));
    EXPECT_TRUE(keiner_bleibt());
}
#endif

#ifdef ZIFFERON_AVX512_EMULIERT
// The stand-ins the emulated kernel relies on, lane by lane against the instructions' results.
TEST(SimdeErsatz, WieDieBefehle) {
    std::uint16_t a[32], b[32], hoch[32];
    for (unsigned i = 0; i < 32; ++i) {
        a[i] = static_cast<std::uint16_t>(0xFFFF - 2311 * i);
        b[i] = static_cast<std::uint16_t>(i % 3 == 0 ? 0 : 40503 + 977 * i);
    }
    const __m512i va = _mm512_loadu_si512(a), vb = _mm512_loadu_si512(b);
    _mm512_storeu_si512(hoch, _mm512_mulhi_epu16(va, vb));
    const std::uint32_t leer = _mm512_testn_epi16_mask(va, vb);
    for (unsigned i = 0; i < 32; ++i) {
        EXPECT_EQ(hoch[i], (std::uint32_t{a[i]} * b[i]) >> 16) << i;
        EXPECT_EQ(leer >> i & 1, (a[i] & b[i]) == 0 ? 1u : 0u) << i;
    }
}
#endif

TEST(KernWahl, DieBesteEinmalUndBegrenzbar) {
    const kernstufe beste = kern_aktiv();
    EXPECT_EQ(kern_begrenzen(kernstufe::portabel), kernstufe::portabel);
    EXPECT_EQ(kern_aktiv(), kernstufe::portabel);
    EXPECT_EQ(kern_begrenzen(hoechste_kernstufe), beste);
#if defined(__x86_64__) && !defined(ZIFFERON_AVX512_EMULIERT)
    __builtin_cpu_init();
    EXPECT_EQ(beste == kernstufe::avx512, __builtin_cpu_supports("avx512bw") != 0);
    EXPECT_EQ(beste >= kernstufe::avx2, __builtin_cpu_supports("avx2") != 0);
#endif
}

}  // namespace
