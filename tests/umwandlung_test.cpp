#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "console/konsole.h"
#include "console/umwandlung.h"
#include "tests/skript.h"

namespace {

struct fall {
    const char* text;
    zahlart art;
    gelesen status;
    std::uint32_t wert;
    std::size_t laenge;
};

std::ostream& operator<<(std::ostream& os, const fall& f) { return os << '"' << f.text << '"'; }

class Umwandlung : public ::testing::TestWithParam<fall> {};

TEST_P(Umwandlung, LiestWertStatusUndLaenge) {
    const fall& f = GetParam();
    const umgewandelt u = umwandeln(f.text, f.art);
    EXPECT_EQ(u.status, f.status);
    EXPECT_EQ(u.laenge, f.laenge);
    if (f.status == gelesen::ok) {
        EXPECT_EQ(u.wert, f.wert);
    }
}

constexpr auto D = zahlart::d;
constexpr auto U = zahlart::u;
constexpr auto I = zahlart::i;
constexpr auto OK = gelesen::ok;
constexpr auto KEINE = gelesen::keine_zahl;
constexpr auto GROSS = gelesen::zu_gross;

INSTANTIATE_TEST_SUITE_P(Dezimal, Umwandlung, ::testing::Values(
    fall{"5", D, OK, 5, 1},
    fall{"05", D, OK, 5, 2},
    fall{"+5", D, OK, 5, 2},
    fall{"5abc", D, OK, 5, 1},
    fall{"4:", D, OK, 4, 1},
    fall{"4@", D, OK, 4, 1},
    fall{"-1", D, OK, 0xFFFFFFFFu, 2},
    fall{"2147483647", D, OK, 2147483647u, 10},
    fall{"-2147483648", D, OK, 0x80000000u, 11},
    fall{"2147483648", D, GROSS, 0, 10},
    fall{"-2147483649", D, GROSS, 0, 11},
    fall{"99999999999 7", D, GROSS, 0, 11},
    fall{"0x10", D, OK, 0, 1},
    fall{"abc", D, KEINE, 0, 0},
    fall{"-", D, KEINE, 0, 0},
    fall{"+x", D, KEINE, 0, 0},
    fall{"", D, KEINE, 0, 0}));

INSTANTIATE_TEST_SUITE_P(Vorzeichenlos, Umwandlung, ::testing::Values(
    fall{"97", U, OK, 97, 2},
    fall{"4294967295", U, OK, 4294967295u, 10},
    fall{"4294967296", U, GROSS, 0, 10},
    fall{"000000000004294967295", U, OK, 4294967295u, 21},
    fall{"-1", U, OK, 4294967295u, 2},
    fall{"-4294967295", U, OK, 1, 11},
    fall{"-4294967296", U, GROSS, 0, 11},
    fall{"-0", U, OK, 0, 2},
    fall{"+7 2", U, OK, 7, 2},
    fall{"12\n", U, OK, 12, 2},
    fall{"0x1", U, OK, 0, 1},
    fall{"zwei", U, KEINE, 0, 0}));

INSTANTIATE_TEST_SUITE_P(MitPraefix, Umwandlung, ::testing::Values(
    fall{"1", I, OK, 1, 1},
    fall{"0x1", I, OK, 1, 3},
    fall{"0x0", I, OK, 0, 3},
    fall{"0X1f", I, OK, 31, 4},
    fall{"0XAB", I, OK, 171, 4},
    fall{"01", I, OK, 1, 2},
    fall{"010", I, OK, 8, 3},
    fall{"08", I, OK, 0, 1},
    fall{"0", I, OK, 0, 1},
    fall{"0x", I, OK, 0, 1},
    fall{"0xg", I, OK, 0, 1},
    fall{"-0x2", I, OK, 0xFFFFFFFEu, 4},
    fall{"+2", I, OK, 2, 2},
    fall{"0x7fffffff", I, OK, 0x7FFFFFFFu, 10},
    fall{"0x80000000", I, GROSS, 0, 10},
    fall{"-0x80000000", I, OK, 0x80000000u, 11},
    fall{"2147483648", I, GROSS, 0, 10},
    fall{"x1", I, KEINE, 0, 0}));

// The text ends where its view ends, though digits follow in memory; white space is C's six.
TEST(UmwandlungsGrenzen, NurDerTextUndSechsLeerzeichen) {
    EXPECT_EQ(umwandeln(std::string_view("123456", 3), U).wert, 123u);
    EXPECT_EQ(umwandeln(std::string_view("0x1", 2), I).laenge, 1u);
    for (int c = -1; c < 256; ++c)
        EXPECT_EQ(leerzeichen(c), c >= 0 && std::string_view(" \t\n\v\f\r").find(static_cast<char>(c)) != std::string_view::npos) << c;
}

// ---- the reads over the line buffer ---------------------------------------------------------

TEST(Lesen, UeberspringtLeerzeichenUndLeereZeilen) {
    skript s(" \t\n\n  \r\n  42 rest\n");
    konsole_einsetzen(s);
    std::uint32_t z = 0;
    ASSERT_EQ(lesen_u(z), gelesen::ok);
    EXPECT_EQ(z, 42u);
    std::string wort;
    ASSERT_EQ(lesen_s(wort, 75), gelesen::ok);
    EXPECT_EQ(wort, "rest");
    EXPECT_EQ(lesen_u(z), gelesen::ende);
    EXPECT_TRUE(eingabe_zu_ende());
}

TEST(Lesen, ZweiZahlenAufEinerOderZweiZeilen) {
    for (const char* eingabe : {"6 10\n", "6\n10\n", "6\n\n   10 \n"}) {
        skript s(eingabe);
        konsole_einsetzen(s);
        std::uint32_t a = 0, b = 0;
        ASSERT_EQ(lesen_uu(a, b), gelesen::ok) << eingabe;
        EXPECT_EQ(a, 6u);
        EXPECT_EQ(b, 10u);
    }
}

TEST(Lesen, VerwerfenLaesstNurDenRestDerZeileFallen) {
    skript s("3 7\n8\n");
    konsole_einsetzen(s);
    std::int32_t w = 0;
    ASSERT_EQ(lesen_d(w), gelesen::ok);
    verwerfen();
    ASSERT_EQ(lesen_d(w), gelesen::ok);
    EXPECT_EQ(w, 8);
    verwerfen();  // nothing left: must not swallow a line
    EXPECT_EQ(lesen_d(w), gelesen::ende);
}

TEST(Lesen, MisslungeneLesungLaesstDenWertUnveraendert) {
    skript s("abc\n");
    konsole_einsetzen(s);
    std::int32_t w = 3;
    EXPECT_EQ(lesen_d(w), gelesen::keine_zahl);
    EXPECT_EQ(w, 3);
}

TEST(Lesen, LetzteZeileOhneZeilenumbruch) {
    skript s("17");
    konsole_einsetzen(s);
    std::uint32_t z = 0;
    ASSERT_EQ(lesen_u(z), gelesen::ok);
    EXPECT_EQ(z, 17u);
    EXPECT_EQ(lesen_u(z), gelesen::ende);
}

TEST(Lesen, WortUeberDerGrenzeWirdNichtGespeichert) {
    skript s("abcdef abc\n");
    konsole_einsetzen(s);
    std::string wort = "alt";
    EXPECT_EQ(lesen_s(wort, 5), gelesen::zu_gross);
    EXPECT_EQ(wort, "alt");
    ASSERT_EQ(lesen_s(wort, 5), gelesen::ok);
    EXPECT_EQ(wort, "abc");
}

TEST(Lesen, AusgabeIstVorJederLesungSichtbar) {
    skript s("1\n");
    konsole_einsetzen(s);
    schreiben("Frage: ");
    std::uint32_t z = 0;
    ASSERT_EQ(lesen_u(z), gelesen::ok);
    EXPECT_EQ(s.protokoll, "Frage: 1\n");
}

TEST(Zahltext, OhneFuehrendeNullen) {
    char platz[20];
    EXPECT_EQ(zahl_als_text(0, platz), "0");
    EXPECT_EQ(zahl_als_text(4294967295u, platz), "4294967295");
    EXPECT_EQ(zahl_als_text(4294967296u, platz), "4294967296");
    EXPECT_EQ(zahl_als_text(UINT64_MAX, platz), "18446744073709551615");
}

TEST(Zahltext, SchreiberDerLaeufeWieEinzeln) {
    // Ascending runs over the points where a number, or its digits above the last four, grow by
    // a digit: the table writers against the plain one.
    zahlenschreiber schreiber;
    for (const std::uint64_t von : {0ull, 990ull, 9'990ull, 99'990ull, 999'990ull, 9'999'990ull, 99'999'990ull, 999'999'990ull, 4'294'967'195ull})
        for (std::uint64_t n = von; n < von + 101; ++n) {
            char einzeln[16], lauf[16], platz[20];
            std::memset(einzeln, '#', sizeof einzeln);
            std::memset(lauf, '#', sizeof lauf);
            const std::string_view erwartet = zahl_als_text(n, platz);
            ASSERT_EQ(std::string(einzeln, zahl_hinschreiben(einzeln, static_cast<std::uint32_t>(n))), erwartet);
            ASSERT_EQ(std::string(lauf, zahl_hinschreiben(schreiber, lauf, static_cast<std::uint32_t>(n))), erwartet);
            EXPECT_EQ(std::string(einzeln + 10, 6) + std::string(lauf + 10, 6), "############") << n;
        }
}

}  // namespace
