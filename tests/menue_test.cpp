// Whole dialogues of the main menu and the prime check, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "console/konsole.h"
#include "numbers/primzahl.h"
#include "shell/primzahlcheck.h"
#include "shell/menue.h"
#include "tests/skript.h"

namespace {

using namespace text;


// ---- menu -----------------------------------------------------------------------------------

TEST(Menue, StartUndBeenden) {
    EXPECT_EQ(programm("5\n"), START + M + "5\n");
}

class Beenden : public ::testing::TestWithParam<const char*> {};

TEST_P(Beenden, BeendetSofort) {
    const std::string eingabe = GetParam();
    EXPECT_EQ(programm(eingabe + "\n2\n"), START + M + eingabe + "\n");
}

INSTANTIATE_TEST_SUITE_P(Schreibweisen, Beenden, ::testing::Values("5", "05", "+5", "5abc", "  5 7"));

class Ungueltig : public ::testing::TestWithParam<const char*> {};

TEST_P(Ungueltig, KlingeltWartetUndZeigtDasMenueErneut) {
    const std::string eingabe = GetParam();
    EXPECT_EQ(programm(eingabe + "\n5\n"), START + M + eingabe + "\n" + UNGUELTIG + T + M + "5\n");
}

INSTANTIATE_TEST_SUITE_P(Werte, Ungueltig,
                         ::testing::Values("-1", "0", "6", "99", "abc", "2147483648", "99999999999",
                                           "-2147483648", "x5"));

TEST(Menue, LeereZeilenWerdenUebersprungenOhneNeueAufforderung) {
    EXPECT_EQ(programm("\n\n  \n5\n"), START + M + "\n\n  \n5\n");
}

TEST(Menue, KeineZahlWiederholtDieLetzteWahl) {
    EXPECT_EQ(programm("2\n7\nabc\n9\n5\n"),
              START + M + "2\n" + PROMPT + "7\n\n7 ist eine Primzahl" + T + T +  //
                  M + "abc\n" + PROMPT + "9\n\n\n9 ist keine Primzahl" + T + M + "5\n");
}

TEST(Menue, KeineZahlNachUngueltigerWahlIstWiederUngueltig) {
    EXPECT_EQ(programm("7\nx\n5\n"), START + M + "7\n" + UNGUELTIG + T + M + "x\n" + UNGUELTIG + T + M + "5\n");
}

TEST(Menue, RestDerZeileWirdVerworfen) {
    // The 7 must not answer the prime check's prompt.
    EXPECT_EQ(programm("2 7\n11\n5\n"), START + M + "2 7\n" + PROMPT + "11\n\n11 ist eine Primzahl" + T + T + M + "5\n");
    EXPECT_EQ(programm("3 7\n1\n7 2\n5\n"), START + M + "3 7\n" + WAHL + "1\n" + BEREICH + "7 2\n" +
                                                 "\n\n7 ist eine Primzahl\n\nIn dem Zahlenintervall von 7 bis 9 gibt es 1 Primzahlen" +
                                                 T + M + "5\n");
}

TEST(Menue, EndeDerEingabeBeendetOhneWeitereAusgabe) {
    EXPECT_EQ(programm(""), START + M);
    EXPECT_EQ(programm("\n \n"), START + M + "\n \n");
    EXPECT_EQ(programm("2\n"), START + M + "2\n" + PROMPT);
    EXPECT_EQ(programm("2\n0\n"), START + M + "2\n" + PROMPT + "0\n" + NULL_MELDUNG + PROMPT);
    EXPECT_EQ(programm("6\n"), START + M + "6\n" + UNGUELTIG + T + M);
}

TEST(Menue, OhneTerminalKeineSteuerzeichen) {
    const std::string bild = programm("2\n97\n7\n1\n12\n3\n1 6 10\n4\n5\n", false);
    EXPECT_EQ(bild.find('\x1b'), std::string::npos);
    EXPECT_NE(bild.find("97 ist eine Primzahl"), std::string::npos);
    EXPECT_EQ(bild.substr(0, M.size() - sequenz::loeschen.size()), M.substr(sequenz::loeschen.size()));
}

TEST(Menue, VerloreneAusgabeBeendetDenDialog) {
    skript s("2\n97\n5\n");
    s.ausgabe_kaputt = true;
    konsole_einsetzen(s);
    menue_schleife();
    EXPECT_TRUE(eingabe_zu_ende());
    EXPECT_EQ(s.rest, "2\n97\n5\n");  // nothing read, nothing awaited
    EXPECT_EQ(s.tasten, 0);
}

// ---- prime check ----------------------------------------------------------------------------

struct pruefung {
    const char* eingabe;
    std::string antwort;  // everything after the echoed entry
};

std::ostream& operator<<(std::ostream& os, const pruefung& p) { return os << '"' << p.eingabe << '"'; }

class PrimzahlCheck : public ::testing::TestWithParam<pruefung> {};

TEST_P(PrimzahlCheck, Antwortet) {
    const pruefung& p = GetParam();
    EXPECT_EQ(dialog(primzahlcheck, std::string(p.eingabe) + "\n"), PROMPT + p.eingabe + "\n" + p.antwort);
}

INSTANTIATE_TEST_SUITE_P(Antworten, PrimzahlCheck, ::testing::Values(
    pruefung{"1", "\n 1 ist zwar nur durch 1 und sich selbst teilbar, aber trotzdem keine Primzahl..." + T},
    pruefung{"2", "\n\n 2 ist eine Primzahl" + T},
    pruefung{"5", "\n\n 5 ist eine Primzahl" + T},
    pruefung{"3", "\n3 ist eine Primzahl" + T + T},
    pruefung{"97", "\n97 ist eine Primzahl" + T + T},
    pruefung{"4294967291", "\n4294967291 ist eine Primzahl" + T + T},
    pruefung{"4", "\n\n4 ist keine Primzahl" + T},
    pruefung{"10", "\n\n10 ist keine Primzahl" + T},
    pruefung{"25", "\n\n25 ist keine Primzahl" + T},
    pruefung{"9", "\n\n9 ist keine Primzahl" + T},
    pruefung{"49", "\n\n49 ist keine Primzahl" + T},
    pruefung{"121", "\n\n121 ist keine Primzahl" + T},
    pruefung{"143", "\n\n143 ist keine Primzahl" + T},
    pruefung{"169", "\n\n169 ist keine Primzahl" + T},
    pruefung{"91", "\n\n91 ist keine Primzahl" + T},
    pruefung{"4294967295", "\n\n4294967295 ist keine Primzahl" + T},
    pruefung{"-1", "\n\n4294967295 ist keine Primzahl" + T},
    pruefung{"+13", "\n13 ist eine Primzahl" + T + T}));

TEST(PrimzahlCheck, NullFragtErneut) {
    EXPECT_EQ(dialog(primzahlcheck, "0\n0\n7\n"),
              PROMPT + "0\n" + NULL_MELDUNG + PROMPT + "0\n" + NULL_MELDUNG + PROMPT + "7\n\n7 ist eine Primzahl" + T + T);
    // A 0 leaves the rest of its line pending.
    EXPECT_EQ(dialog(primzahlcheck, "0 7\n"), PROMPT + "0 7\n" + NULL_MELDUNG + PROMPT + "\n7 ist eine Primzahl" + T + T);
}

TEST(PrimzahlCheck, UngueltigeEingabeVerwirftDieZeileUndFragtErneut) {
    for (const char* falsch : {"abc 7", "4294967296", "99999999999 3", "-", "x"}) {
        EXPECT_EQ(dialog(primzahlcheck, std::string(falsch) + "\n11\n"),
                  PROMPT + falsch + "\n" + KEINE_ZAHL + PROMPT + "11\n\n11 ist eine Primzahl" + T + T)
            << falsch;
    }
}

TEST(PrimzahlCheck, RestDerZeileBeantwortetDasNaechsteMenue) {
    // 7 answers the check; the 2 waits through both key presses and starts the check again.
    EXPECT_EQ(programm("2\n7 2\n9\n5\n"),
              START + M + "2\n" + PROMPT + "7 2\n\n7 ist eine Primzahl" + T + T + M + PROMPT +
                  "9\n\n\n9 ist keine Primzahl" + T + M + "5\n");
}

}  // namespace
