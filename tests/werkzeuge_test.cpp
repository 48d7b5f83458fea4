// Whole dialogues of the divisor listing, the prime lister on the screen and the instructions.
#include <gtest/gtest.h>

#include <string>

#include <cerrno>
#include <chrono>

#include "console/fehlertext.h"
#include "console/konsole.h"
#include "listfile/fortschritt.h"
#include "shell/lister.h"
#include "numbers/teiler.h"
#include "shell/teilbarkeit.h"
#include "shell/anleitung.h"
#include "tests/skript.h"

namespace {

using namespace text;


std::string teiler(std::initializer_list<const char*> liste) {
    std::string s;
    for (const char* t : liste) s += std::string("\n\ndie zahl  ist durch ") + t + " teilbar";
    return s;
}

std::string primzahlen(std::initializer_list<const char*> liste) {
    std::string s;
    for (const char* p : liste) s += std::string("\n\n") + p + " ist eine Primzahl";
    return s;
}

std::string summe(const char* von, const char* bis, const char* anzahl) {
    return std::string("\n\nIn dem Zahlenintervall von ") + von + " bis " + bis + " gibt es " + anzahl + " Primzahlen";
}

// ---- divisor listing ------------------------------------------------------------------------

TEST(Teilbarkeit, ListetAbsteigend) {
    EXPECT_EQ(dialog(teilbarkeit, "1\n"), PROMPT + "1\n" + teiler({"1"}) + T);
    EXPECT_EQ(dialog(teilbarkeit, "12\n"), PROMPT + "12\n" + teiler({"12", "6", "4", "3", "2", "1"}) + T);
    EXPECT_EQ(dialog(teilbarkeit, "97\n"), PROMPT + "97\n" + teiler({"97", "1"}) + T);
}

TEST(Teilbarkeit, NullUndUngueltigeEingabenFragenErneut) {
    EXPECT_EQ(dialog(teilbarkeit, "0\nzwoelf 12\n-4294967295\n"),
              PROMPT + "0\n\n\n\n\t\t\tDie Zahl muss groesser als 0 sein !" + PROMPT + "zwoelf 12\n" + KEINE_ZAHL +
                  PROMPT + "-4294967295\n" + teiler({"1"}) + T);
}

TEST(Teilbarkeit, JedeZeileErreichtDenBildschirmSofort) {
    skript s("12\n");
    konsole_einsetzen(s);
    teilbarkeit();
    // Prompt, then one write per divisor line.
    EXPECT_EQ(s.schreibvorgaenge, 1u + 6u);
}

TEST(Teilbarkeit, HoertAufWennNiemandMehrLiest) {
    skript s("4294967295\n5\n");
    s.kaputt_nach = 1;  // the prompt reaches the reader; then it has gone
    konsole_einsetzen(s);
    teilbarkeit();
    EXPECT_EQ(s.schreibvorgaenge, 2u);  // one failed write, not one per divisor
    EXPECT_TRUE(eingabe_zu_ende());
    EXPECT_EQ(s.tasten, 0);
}

TEST(Teilbarkeit, RestDerZeileBeantwortetDasNaechsteMenue) {
    EXPECT_EQ(programm("1\n3 5\n"), START + M + "1\n" + PROMPT + "3 5\n" + teiler({"3", "1"}) + T + M);
}

// ---- prime lister on the screen -------------------------------------------------------------

struct lauffall {
    const char* eingabe;  // after the menu's 3
    std::string bild;     // after the output choice's prompt
};

std::ostream& operator<<(std::ostream& os, const lauffall& f) {
    for (const char* p = f.eingabe; *p; ++p) os << (*p == '\n' ? '|' : *p);
    return os;
}

class Lister : public ::testing::TestWithParam<lauffall> {};

TEST_P(Lister, Dialog) {
    const lauffall& f = GetParam();
    EXPECT_EQ(programm(std::string("3\n") + f.eingabe + "5\n"), START + M + "3\n" + WAHL + f.bild + M + "5\n");
}

INSTANTIATE_TEST_SUITE_P(Faelle, Lister, ::testing::Values(
    lauffall{"1\n6 10\n", "1\n" + BEREICH + "6 10\n" + primzahlen({"7", "11", "13"}) + summe("6", "16", "3") + T},
    lauffall{"1\n7 2\n", "1\n" + BEREICH + "7 2\n" + primzahlen({"7"}) + summe("7", "9", "1") + T},
    lauffall{"1\n24 5\n", "1\n" + BEREICH + "24 5\n" + summe("24", "29", "0") + T},
    // Start and count on two lines; refused ranges typed on one line and on two.
    lauffall{"1\n6\n10\n", "1\n" + BEREICH + "6\n10\n" + primzahlen({"7", "11", "13"}) + summe("6", "16", "3") + T},
    lauffall{"1\n5 10\n6\n1\n6 2\n", "1\n" + BEREICH + "5 10\n" + ZU_KLEIN + BEREICH + "6\n1\n" + ZU_KLEIN + BEREICH +
                                         "6 2\n" + summe("6", "8", "1").insert(0, primzahlen({"7"})) + T},
    // The choice's line also answers the range entry.
    lauffall{"1 6 10\n", "1 6 10\n" + BEREICH + primzahlen({"7", "11", "13"}) + summe("6", "16", "3") + T},
    // Other forms of the choice.
    lauffall{"0x1 7 2\n", "0x1 7 2\n" + BEREICH + primzahlen({"7"}) + summe("7", "9", "1") + T},
    lauffall{"01\n7 2\n", "01\n" + BEREICH + "7 2\n" + primzahlen({"7"}) + summe("7", "9", "1") + T},
    lauffall{"3\n1\n7 2\n", "3\n" + FALSCHE_WAHL + T + WAHL + "1\n" + BEREICH + "7 2\n" + primzahlen({"7"}) + summe("7", "9", "1") + T},
    lauffall{"Bildschirm 1\n1\n7 2\n", "Bildschirm 1\n" + FALSCHE_WAHL + T + WAHL + "1\n" + BEREICH + "7 2\n" +
                                           primzahlen({"7"}) + summe("7", "9", "1") + T},
    lauffall{"0x80000000\n1\n7 2\n", "0x80000000\n" + FALSCHE_WAHL + T + WAHL + "1\n" + BEREICH + "7 2\n" +
                                         primzahlen({"7"}) + summe("7", "9", "1") + T},
    // Bad numbers at the range entry.
    lauffall{"1\nsechs 10\n6 4294967296\n7 2\n", "1\n" + BEREICH + "sechs 10\n" + KEINE_ZAHL + BEREICH +
                                                     "6 4294967296\n" + KEINE_ZAHL + BEREICH + "7 2\n" +
                                                     primzahlen({"7"}) + summe("7", "9", "1") + T},
    // The end of the 32-bit range: a run may end at 4294967295, never beyond.
    lauffall{"1\n4294967286 10\n", "1\n" + BEREICH + "4294967286 10\n" + primzahlen({"4294967291"}) +
                                       summe("4294967286", "4294967296", "1") + T},
    lauffall{"1\n4294967286 11\n6 4294967295\n4294967295\n2\n4294967290 6\n",
             "1\n" + BEREICH + "4294967286 11\n" + ZU_WEIT + BEREICH + "6 4294967295\n" + ZU_WEIT + BEREICH +
                 "4294967295\n2\n" + ZU_WEIT + BEREICH + "4294967290 6\n" + primzahlen({"4294967291"}) +
                 summe("4294967290", "4294967296", "1") + T}));

// The instructions' example: '100 2000' covers 100 to 2099, holding 317 - 25 primes.
TEST(Lister, BeispielDerAnleitung) {
    const std::string bild = dialog(primzahllister, "1 100 2000\n");
    std::size_t anzahl = 0;
    for (auto p = bild.find(" ist eine Primzahl"); p != std::string::npos; p = bild.find(" ist eine Primzahl", p + 1)) ++anzahl;
    EXPECT_EQ(anzahl, 292u);
    EXPECT_TRUE(bild.starts_with(WAHL + "1 100 2000\n" + BEREICH + "\n\n101 ist eine Primzahl\n\n103 "));
    EXPECT_TRUE(bild.ends_with("\n\n2099 ist eine Primzahl" + summe("100", "2100", "292") + T));
}

TEST(Lister, SchnelleLaeufeSchreibenGesammelt) {
    skript s("1 6 100000\n");
    konsole_einsetzen(s);
    primzahllister();
    // 9590 primes: far fewer writes than primes, yet all of them on the screen.
    EXPECT_LT(s.schreibvorgaenge, 100u);
    EXPECT_NE(s.protokoll.find("\n\n100003 ist eine Primzahl" + summe("6", "100006", "9590")), std::string::npos);
}

TEST(Lister, EndeDerEingabeAnJederAufforderung) {
    EXPECT_EQ(programm("3\n"), START + M + "3\n" + WAHL);
    EXPECT_EQ(programm("3\n4\n"), START + M + "3\n" + WAHL + "4\n" + FALSCHE_WAHL + T + WAHL);
    EXPECT_EQ(programm("3\n1\n6\n"), START + M + "3\n" + WAHL + "1\n" + BEREICH + "6\n");
}

// ---- instructions ---------------------------------------------------------------------------

TEST(Anleitung, ZweiSeitenZweiTasten) {
    const std::string seite1 =
        std::string(30, '\n') +
        "Allgemein:"
        "\n\n\tDieses Programm arbeitet mit 32-bit interger Werten und"
        "\n\tkann deshalb Zahlen im Bereichvon 0 bis 4294967296  darstellen."
        "\n\tEs werden unsigned integer als Variablen benutzt, da das "
        "\n\tPrinzip dieses Programms darauf beruht."
        "\n\n\n1)Teilbarkeit einer Zahl:"
        "\n\n\tAlle Zahlen durch die, die eingegebene Zahl geteilt werden"
        "\n\tkann, werden ausgegeben."
        "\n\n\n2)Primzahlcheck:"
        "\n\n\tMan gibt eine Zahl an und bekommt eine Ausgabe,"
        "\n\telche angibt, ob es sich bei der eingegebenen Zahl"
        "\n\tum eine Primzahl handelt oder nicht."
        "\n\nTaste druecken fuer weiter...";
    const std::string seite2 =
        "\n\n\n3)PrimzahlLister:"
        "\n\n\tBei diesem Programm gibt man zwei Eingabewerte ein,"
        "\n\twelche durch ein Leerzeichen voneinader getrennt eingegeben werden."
        "\n\tDer erste Wert ist der Startwert\n\t(von dort aus werden aufw\xC3\xA4rts Primzahlen ermittelt"
        "\n\tund der zweite Wert, der Zaehlwert, bestimmt um wieviel\n\tvon dem Startwert aus hochgez\xC3\xA4hlt werden soll"
        "\n\n\tMan nimmt als Beispiel die Eingabe '100 2000',\n\tso werden im Bereich von 100 bis 2100 alle Zahlen "
        "\xC3\xBC" "berpr\xC3\xBC" "ft."
        "\n\tDie Zahlen, welche Primzahlen sind werden ausgegeben.\n\n\t!!  Bei grossen Zahlen bis ca. 4,2 Milliarden "
        "kann die Berechnung !!\n\t!!  etwas Zeit in Anspruch nehmen  !!";
    EXPECT_EQ(programm("4\n5\n"), START + M + "4\n" + seite1 + T + seite2 + T + M + "5\n");
}

// The progress line's time left in each unit, and the German reason for a file grown too large.
TEST(Meldungen, RestzeitUndFehlergruende) {
    using std::chrono::seconds;
    EXPECT_EQ(fortschritt_text(50, 100, 7, seconds{30}), "50 % geprueft, 7 Primzahlen gefunden, noch etwa 31 s");
    EXPECT_EQ(fortschritt_text(10, 100, 7, seconds{10}), "10 % geprueft, 7 Primzahlen gefunden, noch etwa 1 min 31 s");
    EXPECT_EQ(fortschritt_text(1, 100, 7, seconds{100}), "1 % geprueft, 7 Primzahlen gefunden, noch etwa 2 h 45 min");
    EXPECT_EQ(fehlergrund(EFBIG), "die Datei waere zu gross");
}

}  // namespace
