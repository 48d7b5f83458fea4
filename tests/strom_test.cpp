// The real program with pipes, files and devices instead of a terminal: broken, slow, non-blocking
// and endless streams, closed descriptors and ignored signals.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tests/pty.h"
#include "tests/rohr.h"
#include "tests/umgebung.h"

namespace {

// ---- endless and odd input ----------------------------------------------------------------------

TEST(Eingabe, LangeZeilenMitBegrenztemSpeicher) {
    // Under valgrind and the sanitizers the tool itself needs the memory; there only the run counts.
    const std::size_t groesse = gebremst() ? (std::size_t{4} << 20) : (std::size_t{48} << 20);
    const long grenze_kib = gebremst() ? 1L << 30 : 16L << 10;
    char pfad[] = "/tmp/zifferon-zeile-XXXXXX";
    const int fd = mkstemp(pfad);
    ASSERT_GE(fd, 0);
    // A number of millions of digits, then as many NUL bytes on one line.
    alles_schreiben(fd, "2\n");
    const std::string ziffern(1 << 20, '7');
    for (std::size_t n = 0; n < groesse; n += ziffern.size()) alles_schreiben(fd, ziffern);
    alles_schreiben(fd, "\n");
    const std::string nullen(1 << 20, '\0');
    for (std::size_t n = 0; n < groesse; n += nullen.size()) alles_schreiben(fd, nullen);
    alles_schreiben(fd, " 12\n");
    close(fd);
    aufruf a;
    a.eingabedatei = pfad;
    const ergebnis r = ausfuehren(a);
    unlink(pfad);
    EXPECT_TRUE(endete_mit(r.status, 0)) << r.status;
    EXPECT_LT(r.rss_kib, grenze_kib);
    // Still one number, refused as too large; the NULs are one entry that is no number, and the
    // rest of their line goes with them.
    const std::string nochmal = "Bitte Zahl eingeben: \n\n\n\t\t\tBitte eine gueltige Zahl eingeben !";
    EXPECT_EQ(anzahl(r.aus, nochmal), 2u);
    EXPECT_TRUE(r.aus.ends_with(nochmal + "\n\nBitte Zahl eingeben: "));
}

TEST(Eingabe, ZeilenKommenStueckweise) {
    struct fall {
        std::vector<stueck> eingabe;
        const char* erwartet;
    };
    const std::string weit(4093, ' ');
    for (const fall& f : {
             // A line that has partly arrived is not yet a line.
             fall{{{"2\n1"}, {"3\n5\n", 200}}, "\n13 ist eine Primzahl"},
             // Digits on both sides of a read's boundary stay one number.
             fall{{{"2\n" + weit + "1"}, {"3\n5\n", 100}}, "\n13 ist eine Primzahl"},
             fall{{{"2\n" + std::string(70000, ' ') + "1"}, {"7\n5\n", 100}}, "\n17 ist eine Primzahl"},
         }) {
        aufruf a;
        a.eingabe = f.eingabe;
        const ergebnis r = ausfuehren(a);
        EXPECT_TRUE(endete_mit(r.status, 0)) << r.status;
        EXPECT_NE(r.aus.find(f.erwartet), std::string::npos) << f.erwartet;
        EXPECT_EQ(r.aus.find("ist zwar nur durch 1"), std::string::npos);
    }
}

TEST(Eingabe, NichtBlockierendeEingabeWirdAbgewartet) {
    aufruf a;
    a.eingabe = {{"2\n", 300}, {"97\n", 300}, {"5\n"}};
    a.eingabe_nonblock = true;
    const ergebnis r = ausfuehren(a);
    EXPECT_TRUE(endete_mit(r.status, 0)) << r.status;
    EXPECT_NE(r.aus.find("\n97 ist eine Primzahl"), std::string::npos) << r.aus;
}

TEST(Eingabe, VerzeichnisAlsEingabeEndetWieDasEnde) {
    aufruf a;
    a.eingabedatei = "/";
    const ergebnis r = ausfuehren(a);
    EXPECT_TRUE(endete_mit(r.status, 0)) << r.status;
    EXPECT_TRUE(r.aus.ends_with("Ihre Wahl: "));
}

// ---- output that fails, waits or is read slowly -------------------------------------------------

TEST(Ausgabe, VolleAusgabeWirdGemeldet) {
    aufruf a;
    a.eingabe = {{"2\n97\n5\n"}};
    a.ausgabedatei = "/dev/full";
    const ergebnis r = ausfuehren(a);
    EXPECT_TRUE(endete_mit(r.status, 1)) << r.status;
    EXPECT_EQ(r.fehler, "zifferon: Die Ausgabe ist fehlgeschlagen: kein Platz mehr auf dem Datentraeger\n");
}

TEST(Ausgabe, LeserWegEndetLeiseUndSofort) {
    struct fall {
        const char* name;
        aufruf a;
    };
    aufruf null_eingabe;
    null_eingabe.eingabedatei = "/dev/zero";  // endless input: only the failed output can end it
    null_eingabe.leser_weg = true;
    aufruf teiler;
    // Seconds of work to its last divisor line; nobody reads the first one.
    teiler.eingabe = {{"1\n4294967295\n5\n"}};
    teiler.leser_weg = true;
    for (const fall& f : {fall{"dev/zero", null_eingabe}, fall{"Teiler", teiler}}) {
        const ergebnis r = ausfuehren(f.a);
        EXPECT_TRUE(WIFSIGNALED(r.status) && WTERMSIG(r.status) == SIGPIPE) << f.name << " " << r.status;
        EXPECT_EQ(r.fehler, "") << f.name;
    }
}

TEST(Ausgabe, NichtBlockierendeAusgabeVerliertNichts) {
    aufruf a;
    a.eingabe = {{"3\n1\n6 100000\n\n5\n"}};
    a.ausgabe_nonblock = true;
    a.lesepause_ms = 2;
    const ergebnis r = ausfuehren(a);
    EXPECT_TRUE(endete_mit(r.status, 0)) << r.status;
    EXPECT_EQ(anzahl(r.aus, " ist eine Primzahl"), 9590u);
    EXPECT_NE(r.aus.find("\n\n100003 ist eine Primzahl\n\nIn dem Zahlenintervall von 6 bis 100006 gibt es 9590 Primzahlen"),
              std::string::npos);
}

// ---- the command line ---------------------------------------------------------------------------

TEST(Aufruf, HilfeVersionUndUnbekanntes) {
    struct fall {
        std::vector<const char*> argumente;
        int status;
        const char* aus_beginn;
        const char* fehler_beginn;
    };
    const char* hilfe = "Aufruf: zifferon [-h | --help | -V | --version | --]\n";
    const char* menue = "\n\n\t\tZ I F F E R O N";
    for (const fall& f : {fall{{"--help"}, 0, hilfe, ""}, fall{{"-h"}, 0, hilfe, ""},
                          fall{{"--version"}, 0, "zifferon 1.4\n", ""}, fall{{"-V"}, 0, "zifferon 1.4\n", ""},
                          fall{{"--"}, 0, menue, ""},
                          fall{{"--", "x"}, 2, "", "zifferon: unbekanntes Argument 'x' (siehe 'zifferon --help')\n"},
                          fall{{"-H"}, 2, "", "zifferon: unbekanntes Argument '-H'"},
                          fall{{"--help", "x"}, 2, "", "zifferon: unbekanntes Argument 'x'"},
                          fall{{"-V", "-h"}, 2, "", "zifferon: unbekanntes Argument '-h'"},
                          fall{{"\x1b]0;T\a"}, 2, "", "zifferon: unbekanntes Argument '?]0;T?'"},
                          // The C1 controls U+0080 to U+009F, and the first character past them.
                          fall{{"\x7f\xC2\x80\xC2\x9F\xC2\xA0"}, 2, "", "zifferon: unbekanntes Argument '???\xC2\xA0'"},
                          fall{{"5"}, 2, "", "zifferon: unbekanntes Argument '5'"}}) {
        aufruf a;
        a.argumente = f.argumente;
        a.eingabe = {{"5\n"}};
        const ergebnis r = ausfuehren(a);
        EXPECT_TRUE(endete_mit(r.status, f.status)) << f.argumente[0] << " " << r.status;
        EXPECT_TRUE(r.aus.starts_with(f.aus_beginn)) << r.aus;
        EXPECT_TRUE(r.fehler.starts_with(f.fehler_beginn)) << r.fehler;
        EXPECT_EQ(r.aus.find("Ihre Wahl") != std::string::npos, f.aus_beginn == menue) << "whether the menu started";
        if (f.status == 2) {
            EXPECT_EQ(anzahl(r.fehler, "\n"), 1u);
        }
    }
    // Help that cannot be written is no success.
    aufruf voll;
    voll.argumente = {"--help"};
    voll.ausgabedatei = "/dev/full";
    EXPECT_TRUE(endete_mit(ausfuehren(voll).status, 1));
}

// ---- signals ignored at start stay ignored ------------------------------------------------------

TEST(Signale, ImStartIgnorierteBleibenIgnoriert) {
    for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) {
        aufruf a;
        a.eingabe = {{"2\n"}, {"97\n5\n", 600}};
        a.ignoriert = signal;
        a.signal_nach_start = signal;
        const ergebnis r = ausfuehren(a);
        EXPECT_TRUE(endete_mit(r.status, 0)) << signal << " " << r.status;
        EXPECT_NE(r.aus.find("\n97 ist eine Primzahl"), std::string::npos) << signal;
    }
}

}  // namespace
