#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "shell/lister.h"
#include "numbers/lauf.h"
#include "numbers/primzahl.h"
#include "numbers/teiler.h"

namespace {

// Independent checks, written differently from the code under test.
std::vector<bool> sieb(std::uint32_t bis) {
    std::vector<bool> prim(bis + 1, true);
    prim[0] = prim[1] = false;
    for (std::uint64_t p = 2; p * p <= bis; ++p)
        if (prim[p])
            for (std::uint64_t v = p * p; v <= bis; v += p) prim[v] = false;
    return prim;
}

std::uint64_t potenz(std::uint64_t basis, std::uint64_t exponent, std::uint64_t modul) {
    std::uint64_t r = 1;
    for (basis %= modul; exponent != 0; exponent >>= 1, basis = basis * basis % modul)
        if (exponent & 1) r = r * basis % modul;
    return r;
}

// Miller-Rabin with the bases 2, 7 and 61, which decide every 32-bit number.
bool ist_prim(std::uint32_t n) {
    if (n < 2) return false;
    for (std::uint32_t p : {2u, 3u, 5u, 7u, 61u})
        if (n % p == 0) return n == p;
    std::uint64_t d = n - 1;
    int s = 0;
    for (; d % 2 == 0; d /= 2) ++s;
    for (std::uint64_t a : {2u, 7u, 61u}) {
        std::uint64_t x = potenz(a, d, n);
        if (x == 1 || x == n - 1) continue;
        bool zeuge = true;
        for (int r = 1; r < s && zeuge; ++r) {
            x = x * x % n;
            if (x == n - 1) zeuge = false;
        }
        if (zeuge) return false;
    }
    return true;
}

bool prim(std::uint32_t n) { return primtest(n) == urteil::prim; }

TEST(Primtest, StimmtMitDemSiebUeberein) {
    constexpr std::uint32_t bis = 2'000'000;
    const auto erwartet = sieb(bis);
    for (std::uint32_t n = 3; n <= bis; ++n) {
        ASSERT_EQ(ist_prim(n), erwartet[n]) << n;  // the check the later tests rely on
        if (n == 5) continue;
        ASSERT_EQ(prim(n), erwartet[n]) << n;
    }
}

TEST(Primtest, BekannteFehlurteileUnterSechs) {
    EXPECT_FALSE(prim(0));
    EXPECT_TRUE(prim(1));
    EXPECT_FALSE(prim(2));
    EXPECT_TRUE(prim(3));
    EXPECT_FALSE(prim(5));
}

TEST(Primtest, UmQuadrateUngeraderPrimzahlen) {
    const auto klein = sieb(65536);
    for (std::uint32_t p = 3; p <= 65535; p += 2) {
        if (!klein[p]) continue;
        const std::uint32_t q = p * p;
        for (std::uint32_t n = q - 2; n <= q + 2; ++n) ASSERT_EQ(prim(n), ist_prim(n)) << n;
    }
}

TEST(Primtest, AmEndeDesBereichs) {
    EXPECT_TRUE(prim(4294967291u));
    EXPECT_FALSE(prim(4294967295u));
    EXPECT_FALSE(prim(4293001441u));  // 65521 squared
    for (std::uint32_t n = 4294965000u; n != 0; ++n) ASSERT_EQ(prim(n), ist_prim(n)) << n;
}

// A batch as commands test it: ascending (as from seq), and in any order with numbers again.
TEST(Primtest, StapelInJederReihenfolge) {
    std::vector<std::uint32_t> auf;
    for (std::uint32_t n = 0; n < 3000; ++n) auf.push_back(n < 40 ? n : 4294967295u - 3 * (2999 - n));
    std::vector<std::uint32_t> durcheinander(auf.rbegin(), auf.rend());
    durcheinander.insert(durcheinander.begin() + 10, auf.begin() + 1000, auf.begin() + 1500);
    for (const auto& zahlen : {auf, durcheinander}) {
        std::uint64_t masken[pruefen_portion / 64];
        primzahlen_pruefen(zahlen.data(), static_cast<unsigned>(zahlen.size()), masken);
        for (std::size_t k = 0; k < zahlen.size(); ++k) ASSERT_EQ((masken[k / 64] >> (k % 64) & 1) != 0, ist_prim(zahlen[k])) << zahlen[k];
    }
}

struct tafel {
    std::uint32_t unter;
    std::uint32_t anzahl;
};

class PrimzahlenUnter : public ::testing::TestWithParam<tafel> {};

// 2, 3 and 5 lie below any run; the lister's runs start at 6.
TEST_P(PrimzahlenUnter, ZaehltWieDieTafel) {
    const auto [unter, anzahl] = GetParam();
    std::uint32_t gemeldet = 0;
    const std::uint32_t pz = lauf(6, unter - 6, [&](std::uint32_t) { return ++gemeldet, true; });
    EXPECT_EQ(pz, gemeldet);
    EXPECT_EQ(3 + pz, anzahl);
}

INSTANTIATE_TEST_SUITE_P(Tafeln, PrimzahlenUnter,
                         ::testing::Values(tafel{100, 25}, tafel{1000, 168}, tafel{10000, 1229},
                                           tafel{100000, 9592}));

TEST(Lauf, MeldetAufsteigendUndHaeltAufWunsch) {
    std::vector<std::uint32_t> primzahlen;
    lauf(6, 10, [&](std::uint32_t p) { return primzahlen.push_back(p), true; });
    EXPECT_EQ(primzahlen, (std::vector<std::uint32_t>{7, 11, 13}));

    primzahlen.clear();
    lauf(6, 100, [&](std::uint32_t p) { return primzahlen.push_back(p), primzahlen.size() < 2; });
    EXPECT_EQ(primzahlen, (std::vector<std::uint32_t>{7, 11}));
}

TEST(Lauf, BisZumLetztenWertOhneUeberlauf) {
    std::vector<std::uint32_t> primzahlen;
    const std::uint32_t start = 4294967286u;
    lauf(start, 10, [&](std::uint32_t p) { return primzahlen.push_back(p), true; });
    EXPECT_EQ(primzahlen, (std::vector<std::uint32_t>{4294967291u}));
    EXPECT_EQ(lauf_ende(start, 10), 4294967296u);
}

TEST(Teiler, AbsteigendUndVollstaendig) {
    struct fall {
        std::uint32_t zahl;
        std::vector<std::uint32_t> teiler;
    };
    for (const fall& f : {fall{1, {1}}, fall{12, {12, 6, 4, 3, 2, 1}}, fall{97, {97, 1}},
                          fall{360, {360, 180, 120, 90, 72, 60, 45, 40, 36, 30, 24, 20, 18, 15, 12,
                                     10, 9, 8, 6, 5, 4, 3, 2, 1}}}) {
        std::vector<std::uint32_t> gefunden;
        teiler_absteigend(f.zahl, [&](std::uint32_t i) { gefunden.push_back(i); });
        EXPECT_EQ(gefunden, f.teiler) << f.zahl;
    }
}

}  // namespace
