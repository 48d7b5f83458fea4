// The real program with pipes, files and devices instead of a terminal: broken, slow, non-blocking
// and endless streams, closed descriptors and ignored signals; the commands for scripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <utility>
#include <unistd.h>
#include <vector>

#include "numbers/primzahl.h"
#include "shell/befehle.h"
#include "shell/optionen.h"
#include "tests/pty.h"
#include "tests/umgebung.h"

namespace {

struct stueck {
    std::string text;
    int pause_ms = 0;          // before it is written
    bool nach_signal = false;  // written only once `signal_nach_start` has been sent
};

struct aufruf {
    std::vector<stueck> eingabe;          // fed through a pipe, piece by piece
    const char* eingabedatei = nullptr;   // instead: standard input from this file
    const char* ausgabedatei = nullptr;   // standard output to this file instead of a pipe
    bool ausgabe_zu = false;              // standard output closed
    bool eingabe_nonblock = false;
    bool ausgabe_nonblock = false;
    bool leser_weg = false;               // the pipe's reader has gone before the program starts
    int lesepause_ms = 0;                 // a slow reader: waits this long before each read
    int ignoriert = 0;                    // a signal ignored at start
    int signal_nach_start = 0;            // sent once the first output has arrived
    std::vector<const char*> argumente;   // on the command line
    long speicher_kib = 0;                // a limit on the address space (ulimit -v)
    int lesefehler_nach = -1;             // reads of standard input fail (EIO) after this many bytes
    bool byteweise = false;               // each byte of `eingabe` a read of its own
};

struct ergebnis {
    std::string aus;
    std::string fehler;
    int status = -1;
    long rss_kib = 0;
};

void alles_schreiben(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, 100);
            continue;
        }
        if (n <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

// Runs the program in a new session, without a controlling terminal.
ergebnis ausfuehren(const aufruf& a) {
    int ein[2], aus[2], fehler[2];
    if (pipe(ein) != 0 || pipe(aus) != 0 || pipe(fehler) != 0) return {};
    // Gone before the program starts: closed after the fork, it could still take the first lines.
    if (a.leser_weg) close(std::exchange(aus[0], -1));
    const pid_t kind = fork();
    if (kind == 0) {
        setsid();
        const int e = a.eingabedatei ? open(a.eingabedatei, O_RDONLY) : fcntl(ein[0], F_DUPFD, 3);
        const int o = a.ausgabedatei ? open(a.ausgabedatei, O_WRONLY) : fcntl(aus[1], F_DUPFD, 3);
        const int f = fcntl(fehler[1], F_DUPFD, 3);
        for (int fd : {ein[0], ein[1], aus[0], aus[1], fehler[0], fehler[1]}) close(fd);
        dup2(e, 0), dup2(o, 1), dup2(f, 2);
        close(e), close(o), close(f);
        if (a.ausgabe_zu) close(1);
        if (a.eingabe_nonblock) fcntl(0, F_SETFL, fcntl(0, F_GETFL) | O_NONBLOCK);
        if (a.ausgabe_nonblock) fcntl(1, F_SETFL, fcntl(1, F_GETFL) | O_NONBLOCK);
        if (a.lesefehler_nach >= 0) {
            setenv("LD_PRELOAD", ZIFFERON_LESEFEHLER, 1);
            setenv("ZIFFERON_LESEFEHLER_NACH", std::to_string(a.lesefehler_nach).c_str(), 1);
        }
        const rlimit speicher{static_cast<rlim_t>(a.speicher_kib) << 10, static_cast<rlim_t>(a.speicher_kib) << 10};
        if (a.speicher_kib > 0) setrlimit(RLIMIT_AS, &speicher);
        programm_starten(programm_befehl({a.argumente.begin(), a.argumente.end()}), a.ignoriert);
    }
    close(ein[0]);
    close(aus[1]);
    close(fehler[1]);
    std::atomic<bool> signal_gesendet = a.signal_nach_start == 0;
    std::thread schreiber([&a, &signal_gesendet, fd = ein[1]] {
        signal(SIGPIPE, SIG_IGN);
        for (const stueck& s : a.eingabe) {
            std::this_thread::sleep_for(std::chrono::milliseconds(s.pause_ms));
            if (s.nach_signal && !warten_bis([&] { return signal_gesendet.load(); })) ADD_FAILURE() << "no signal sent";
            for (std::size_t i = 0; a.byteweise && i < s.text.size(); ++i) {
                alles_schreiben(fd, s.text.substr(i, 1));
                if (!warten_bis([fd] { int im_rohr = 0; return ioctl(fd, FIONREAD, &im_rohr) == 0 && im_rohr == 0; }))
                    ADD_FAILURE() << "the program never read byte " << i;
            }
            if (!a.byteweise) alles_schreiben(fd, s.text);
        }
        close(fd);
    });
    ergebnis r;
    std::vector<pollfd> offen;
    if (!a.leser_weg) offen.push_back({aus[0], POLLIN, 0});
    offen.push_back({fehler[0], POLLIN, 0});
    while (!offen.empty()) {
        if (a.lesepause_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(a.lesepause_ms));
        if (poll(offen.data(), offen.size(), 100) < 0) break;
        for (std::size_t i = 0; i < offen.size();) {
            char puffer[4096];
            const ssize_t n = offen[i].revents != 0 ? read(offen[i].fd, puffer, sizeof puffer) : -2;
            if (n == -2 || (n < 0 && errno == EINTR)) {
                ++i;
                continue;
            }
            if (n <= 0) {
                close(offen[i].fd);
                offen.erase(offen.begin() + static_cast<long>(i));
                continue;
            }
            (offen[i].fd == fehler[0] ? r.fehler : r.aus).append(puffer, static_cast<std::size_t>(n));
            if (!signal_gesendet && !r.aus.empty()) {
                // Where it waits for its next input, so that the signal finds it at a prompt.
                if (!warten_bis([kind] { return systemaufruf(kind) == std::to_string(SYS_read); }))
                    ADD_FAILURE() << "the program never waited for input";
                kill(kind, a.signal_nach_start);
                signal_gesendet = true;
            }
            ++i;
        }
    }
    schreiber.join();
    rusage verbrauch{};
    wait4(kind, &r.status, 0, &verbrauch);
    r.rss_kib = verbrauch.ru_maxrss;
    r.aus = wie_unter_linux(r.aus);
    r.fehler = wie_unter_linux(r.fehler);
    return r;
}

bool endete_mit(int status, int code) { return WIFEXITED(status) && WEXITSTATUS(status) == code; }

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
                          fall{{"--version"}, 0, "zifferon 1.5\n", ""}, fall{{"-V"}, 0, "zifferon 1.5\n", ""},
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
    const ergebnis r = ausfuehren(voll);
    EXPECT_TRUE(endete_mit(r.status, 1));
    EXPECT_EQ(r.fehler, "zifferon: Die Ausgabe ist fehlgeschlagen: kein Platz mehr auf dem Datentraeger\n");
}

// ---- signals ignored at start stay ignored ------------------------------------------------------

TEST(Signale, ImStartIgnorierteBleibenIgnoriert) {
    for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) {
        aufruf a;
        a.eingabe = {{"2\n"}, {"97\n5\n", 0, true}};
        a.ignoriert = signal;
        a.signal_nach_start = signal;
        const ergebnis r = ausfuehren(a);
        EXPECT_TRUE(endete_mit(r.status, 0)) << signal << " " << r.status;
        EXPECT_NE(r.aus.find("\n97 ist eine Primzahl"), std::string::npos) << signal;
    }
}

// ---- the commands for scripts: answers, errors, statuses and help, and their answers against the
// plain algorithm at the kernels' edges --------------------------------------------------------------

struct befehlsfall {
    std::vector<const char*> argumente;
    std::string eingabe = {};             // standard input
    std::string aus = {};                 // standard output, whole
    std::string fehler = {};              // standard error, whole
    int status = 0;                       // negative: ended by that signal
    const char* ausgabedatei = nullptr;   // standard output to this file instead of a pipe
    bool leser_weg = false;               // the pipe's reader gone before the program starts
    long speicher_kib = 0;                // a limit on the address space
    int lesefehler_nach = -1;             // standard input fails after this many bytes of `eingabe`
    bool byteweise = false;               // `eingabe` handed over a byte at a time
    bool ausgabe_zu = false;              // standard output closed
};

std::string keine_zahl(const char* befehl, const char* wort, const char* bereich = "0 bis 4294967295") {
    return "zifferon " + std::string(befehl) + ": '" + wort + "' ist keine Zahl von " + bereich + "\n";
}

TEST(Befehle, AntwortenMeldungenUndStatus) {
    const std::string P = " ist eine Primzahl\n", K = " ist keine Primzahl\n";
    const std::string unendlich = "zifferon teiler: 0 hat unendlich viele Teiler, keine Liste\n";
    const std::string lang_text = std::string(68, '0') + "97";
    const char* const lang = lang_text.c_str();
    const befehlsfall faelle[] = {
        {{"prim", "0", "1", "2", "3", "4", "5", "+97"}, "", "0" + K + "1" + K + "2" + P + "3" + P + "4" + K + "5" + P + "97" + P, "", 1},
        {{"prim", "4294967291", "2"}, "", "4294967291" + P + "2" + P, "", 0},
        // A mistyped argument is reported in its place, the others still answered, as from standard input.
        {{"prim", "7", "4294967296"}, "", "7" + P, keine_zahl("prim", "4294967296"), 2},
        {{"prim", "97", "abc", "91"}, "", "97" + P + "91" + K, keine_zahl("prim", "abc"), 2},
        {{"teiler", "12", "0", "7"}, "", "12: 12 6 4 3 2 1\n7: 7 1\n", unendlich, 2},
        // Longer than any word standard input keeps: no number, zero-padded or not, either way.
        {{"prim", lang}, "", "", keine_zahl("prim", (std::string(40, '0') + "...").c_str()), 2},
        {{"prim"}, std::string(lang) + "\n", "", keine_zahl("prim", (std::string(40, '0') + "...").c_str()), 2},
        {{"prim", "-5"}, "", "", keine_zahl("prim", "-5"), 2},
        {{"prim", "0x11"}, "", "", keine_zahl("prim", "0x11"), 2},
        {{"prim", "--ja"}, "", "", "zifferon prim: unbekanntes Argument '--ja' (siehe 'zifferon prim --help')\n", 2},
        // From standard input: a bad word reported in its place, the rest still answered.
        {{"prim"}, "1 2\n3\tx 97\r\n+11 \x1b[2J", "1" + K + "2" + P + "3" + P + "97" + P + "11" + P,
         keine_zahl("prim", "x") + keine_zahl("prim", "?[2J"), 2},
        {{"prim"}, "", "", "", 0},
        // A byte order mark before the first number is skipped; invisible format characters show.
        {{"prim"}, "\xEF\xBB\xBF" "7\n11\n", "7" + P + "11" + P, "", 0},
        {.argumente = {"prim"}, .eingabe = "\xEF\xBB\xBF" "7\n", .aus = "7" + P, .status = 0, .byteweise = true},
        {{"prim"}, "\xE2\x80\x8B" "5 \xE2\x80\xAE" "7", "", keine_zahl("prim", "?5") + keine_zahl("prim", "?7"), 2},
        // A C1 control as a byte of its own (CSI on an 8-bit terminal) shows too; a Latin-1 letter stays.
        {{"prim"}, "\x9B" "2J \xE4" "7", "", keine_zahl("prim", "?2J") + keine_zahl("prim", "\xE4" "7"), 2},
        // Only the primes, or only the status.
        {{"prim", "--nur"}, "1 2 3 4 5\n", "2\n3\n5\n", "", 0},  // a filter's status, as grep's
        {{"prim", "-n", "1", "4"}, "", "", "", 1},
        {{"prim", "-q", "2", "3"}, "", "", "", 0},
        {{"prim", "-q", "2", "4"}, "", "", "", 1},
        {{"prim", "-n", "-q", "2"}, "", "", "zifferon prim: -n und -q schliessen einander aus\n", 2},
        // A read that fails after numbers were read: those answered first, then the failure.
        {{"prim"}, "2 3 4\n5", "2" + P + "3" + P + "4" + K, "zifferon prim: Die Eingabe ist fehlgeschlagen: Ein-/Ausgabefehler\n", 2,
         nullptr, false, 0, 6},
        {{"teiler"}, "6 8\n", "6: 6 3 2 1\n8: 8 4 2 1\n", "zifferon teiler: Die Eingabe ist fehlgeschlagen: Ein-/Ausgabefehler\n", 2,
         nullptr, false, 0, 4},
        // No memory: one German line, not the runtime's abort.
        {{"prim"}, "97\n", "", "zifferon prim: Der Speicher reicht nicht aus\n", 2, nullptr, false, 8000},
        {{"teiler", "12", "1"}, "", "12: 12 6 4 3 2 1\n1: 1\n", "", 0},
        {{"teiler", "0"}, "", "", unendlich, 2},
        {{"teiler"}, "12\n0\n7", "12: 12 6 4 3 2 1\n7: 7 1\n", unendlich, 2},
        {{"primzahlen", "0", "30"}, "", "2\n3\n5\n7\n11\n13\n17\n19\n23\n29\n", "", 0},
        {{"primzahlen", "4294967280"}, "", "4294967291\n", "", 0},
        {{"primzahlen", "--anzahl", "0", "100"}, "", "25\n", "", 0},
        // An inclusive end, as primes(6) users expect; below the start, an empty run.
        {{"primzahlen", "100", "--bis", "130"}, "", "101\n103\n107\n109\n113\n127\n", "", 0},
        {{"primzahlen", "--bis", "4294967295", "4294967291", "--anzahl"}, "", "1\n", "", 0},
        {{"primzahlen", "10", "--bis", "9"}, "", "", "", 0},
        {{"primzahlen", "6", "10", "--bis", "20"}, "", "", "zifferon primzahlen: ANZAHL und --bis schliessen einander aus\n", 2},
        {{"primzahlen", "24", "5", "--anzahl"}, "", "0\n", "", 0},
        {{"primzahlen", "4000000000", "300000000"}, "", "",
         "zifferon primzahlen: der Bereich geht ueber 4294967295 hinaus; ab 4000000000 ist die Anzahl hoechstens 294967296\n", 2},
        {{"primzahlen"}, "", "", "zifferon primzahlen: der Startwert fehlt (siehe 'zifferon primzahlen --help')\n", 2},
        {{"primzahlen", "1", "2", "3"}, "", "", "zifferon primzahlen: unbekanntes Argument '3' (siehe 'zifferon primzahlen --help')\n", 2},
        {{"primzahlen", "6", "--datei"}, "", "", "zifferon primzahlen: zu '--datei' fehlt der Wert (siehe 'zifferon primzahlen --help')\n", 2},
        {{"primzahlen", "--anzahl", "--datei", "f", "6"}, "", "", "zifferon primzahlen: --anzahl und --datei schliessen einander aus\n", 2},
        {{"primzahlen", "--datei=/", "6", "10"}, "", "",
         "zifferon primzahlen: Die Datei '/' kann nicht geoeffnet werden: das ist ein Verzeichnis\n", 2},
        {{"primzahlen", "--datei", "/nicht/da/x", "6", "10"}, "", "",
         "zifferon primzahlen: Die Datei '/nicht/da/x' kann nicht geoeffnet werden: Datei oder Verzeichnis nicht gefunden\n", 2},
        {{"primzahlen", "--datei", "/dev/full", "6", "10"}, "", "",
         "zifferon primzahlen: Die Datei '/dev/full' wurde nicht vollstaendig geschrieben: kein Platz mehr auf dem Datentraeger; sie ist, wie sie war\n", 2},
        {{"primzahlen", "--datei", "-", "6"}, "", "",
         "zifferon primzahlen: --datei braucht einen Dateinamen; ohne --datei gehen die Primzahlen auf die Standardausgabe\n", 2},
        {{"primzahlen", "--anzahl=1", "6"}, "", "", "zifferon primzahlen: '--anzahl' nimmt keinen Wert (siehe 'zifferon primzahlen --help')\n", 2},
        // Output that fails, and a reader that has gone (the whole range would take minutes).
        {{"primzahlen", "0", "100"}, "", "", "zifferon primzahlen: Die Ausgabe ist fehlgeschlagen: kein Platz mehr auf dem Datentraeger\n", 2,
         "/dev/full"},
        {{"primzahlen", "0"}, "", "", "", -SIGPIPE, nullptr, true},
        {{"teiler", "4294967295"}, "", "", "", -SIGPIPE, nullptr, true},
        // Answers with nowhere to go are no success.
        {.argumente = {"teiler", "12"}, .fehler = "zifferon teiler: Die Ausgabe ist fehlgeschlagen: ungueltiger Dateideskriptor\n",
         .status = 2, .ausgabe_zu = true},
        {{"--help"}, "", std::string(hilfe_zifferon), "", 0},
        {{"prim", "--help"}, "", std::string(hilfe_prim), "", 0},
        {{"teiler", "-h"}, "", std::string(hilfe_teiler), "", 0},
        {{"primzahlen", "6", "-h"}, "", std::string(hilfe_primzahlen), "", 0},
        {{"teiler", "--version"}, "", "zifferon 1.5\n", "", 0},
        {{"prim", "--help"}, "", "", "zifferon prim: Die Ausgabe ist fehlgeschlagen: kein Platz mehr auf dem Datentraeger\n", 2, "/dev/full"},
    };
    for (const befehlsfall& f : faelle) {
        aufruf a;
        a.argumente = f.argumente;
        a.eingabe = {{f.eingabe}};
        a.ausgabedatei = f.ausgabedatei;
        a.leser_weg = f.leser_weg;
        a.speicher_kib = f.speicher_kib;
        a.lesefehler_nach = f.lesefehler_nach;
        a.byteweise = f.byteweise;
        a.ausgabe_zu = f.ausgabe_zu;
        // The sanitizers and valgrind need the address space themselves, and their runtime first;
        // valgrind's log file takes the closed standard output's place.
        if ((f.speicher_kib > 0 || f.lesefehler_nach >= 0 || f.ausgabe_zu) && gebremst()) continue;
        const ergebnis r = ausfuehren(a);
        const std::string name = f.argumente[0] + std::string(f.argumente.size() > 1 ? " " : "") + (f.argumente.size() > 1 ? f.argumente[1] : "");
        EXPECT_EQ(r.aus, f.aus) << name;
        EXPECT_EQ(r.fehler, f.fehler) << name;
        EXPECT_TRUE(f.status >= 0 ? endete_mit(r.status, f.status) : WIFSIGNALED(r.status) && WTERMSIG(r.status) == -f.status)
            << name << ": " << r.status;
    }
    // Help that an 80-column terminal shows without wrapping a line.
    for (const std::string_view hilfe : {hilfe_zifferon, hilfe_prim, hilfe_teiler, hilfe_primzahlen})
        for (std::size_t a = 0; a < hilfe.size();) {
            const std::size_t e = std::min(hilfe.find('\n', a), hilfe.size());
            EXPECT_LE(e - a, 79u) << hilfe.substr(a, e - a);
            a = e + 1;
        }
}

// A file appended to, and then interrupted.
TEST(Befehle, Datei) {
    // A block from 0 on is right, its summary as the dialogue's.
    const temp_ordner ordner;
    const std::string liste = ordner.pfad + "/liste";
    aufruf datei;
    datei.argumente = {"primzahlen", "--datei", liste.c_str(), "0", "10"};
    const ergebnis r = ausfuehren(datei);
    EXPECT_TRUE(endete_mit(r.status, 0)) << r.status;
    EXPECT_EQ(r.aus + r.fehler, "");
    EXPECT_EQ(dateiinhalt(liste), "2\n3\n5\n7\n\nIm Zahlenintervall zwischen 0 bis 10 gibt es 4 Primzahlen\n\n");
    // Ctrl-C during the whole range: the file as it was, once the command holds it open.
    const pid_t kind = fork();
    if (kind == 0) programm_starten(programm_befehl({"primzahlen", "--datei", liste, "6"}));
    EXPECT_TRUE(warten_bis([&] {
        std::error_code fehler;
        for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(kind) + "/fd", fehler))
            if (std::filesystem::read_symlink(fd.path(), fehler) == liste) return true;
        return false;
    })) << "the command never opened " << liste;
    kill(kind, SIGINT);
    int status = 0;
    waitpid(kind, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_EQ(dateiinhalt(liste), "2\n3\n5\n7\n\nIm Zahlenintervall zwischen 0 bis 10 gibt es 4 Primzahlen\n\n");
}

// Right for every number: below 6 by what is known, above by the plain one-division loop.
bool ist_prim(std::uint32_t n) { return n < 6 ? n == 2 || n == 3 || n == 5 : primtest_einzeln(n) == urteil::prim; }

// The numbers where the kernels change course: 0 to 10, squares of primes and their neighbours,
// products of two primes near 65536, the top of the range.
std::vector<std::uint32_t> kanten() {
    std::vector<std::uint32_t> zahlen;
    for (std::uint32_t n = 0; n <= 10; ++n) zahlen.push_back(n);
    for (std::uint32_t p : {3u, 7u, 11u, 251u, 257u, 4093u, 65519u, 65521u})
        for (std::uint32_t d : {0u, 1u, 2u}) zahlen.push_back(p * p - 1 + d);
    for (std::uint64_t p : {65497u, 65519u, 65521u})
        for (std::uint64_t q : {65519u, 65521u, 65537u, 65539u})
            if (p * q < (std::uint64_t{1} << 32)) zahlen.push_back(static_cast<std::uint32_t>(p * q));
    for (std::uint32_t n = 4294967295u; n >= 4294967285u; --n) zahlen.push_back(n);
    return zahlen;
}

TEST(Befehle, WieDerEinfacheAlgorithmus) {
    aufruf prim, teiler;
    prim.argumente = {"prim"};
    teiler.argumente = {"teiler"};
    // Every divisor by plain trial up to the root, with its partner.
    const auto teilerzeile = [](std::uint32_t n) {
        std::vector<std::uint32_t> klein;
        for (std::uint64_t d = 1; d * d <= n; ++d)
            if (n % d == 0) klein.push_back(static_cast<std::uint32_t>(d));
        std::string zeile = std::to_string(n) + ":";
        for (std::uint32_t d : klein) (zeile += ' ') += std::to_string(n / d);
        for (auto d = klein.rbegin(); d != klein.rend(); ++d)
            if (std::uint64_t{*d} * *d != n) (zeile += ' ') += std::to_string(*d);
        return zeile + "\n";
    };
    std::string urteile, zeilen;
    for (std::uint32_t n : kanten()) {
        prim.eingabe.push_back({std::to_string(n) + "\n"});
        urteile += std::to_string(n) + (ist_prim(n) ? " ist eine Primzahl\n" : " ist keine Primzahl\n");
        // The every-candidate listing of a number near the top takes a good part of a second, so
        // slowed runs take small ones.
        if (n == 0 || (gebremst() && n > (1u << 20))) continue;
        teiler.eingabe.push_back({std::to_string(n) + " "});
        zeilen += teilerzeile(n);
    }
    EXPECT_EQ(ausfuehren(prim).aus, urteile);
    EXPECT_EQ(ausfuehren(teiler).aus, zeilen);
    // Many small numbers in one read, as from seq, factored by the table of smallest factors.
    std::string folge;
    zeilen.clear();
    for (std::uint32_t n = 1; n <= 20000; ++n) folge += std::to_string(n) + "\n", zeilen += teilerzeile(n);
    teiler.eingabe = {stueck{folge}};
    EXPECT_EQ(ausfuehren(teiler).aus, zeilen);
    // Many numbers close together in one read, as from seq, answered from a sieve of their span.
    for (const std::uint32_t start : {0u, 4294964295u}) {
        std::string folge;
        urteile.clear();
        for (std::uint32_t n = start; n <= start + 3000u && n >= start; ++n) {
            folge += std::to_string(n) + "\n";
            urteile += std::to_string(n) + (ist_prim(n) ? " ist eine Primzahl\n" : " ist keine Primzahl\n");
        }
        prim.eingabe = {stueck{folge}};
        EXPECT_EQ(ausfuehren(prim).aus, urteile) << start;
    }
    // Runs around each edge; slowed runs (a start under valgrind takes a second) fewer of them.
    const std::vector<std::uint32_t> zahlen = kanten();
    for (std::size_t k = 0; k < zahlen.size(); k += gebremst() ? 9 : 1) {
        const std::uint64_t start = zahlen[k] < 8 ? 0 : zahlen[k] - 8, ende = std::min<std::uint64_t>(start + 16, 1ull << 32);
        std::string erwartet;
        for (std::uint64_t m = start; m < ende; ++m)
            if (ist_prim(static_cast<std::uint32_t>(m))) erwartet += std::to_string(m) + "\n";
        const std::string s = std::to_string(start), a = std::to_string(ende - start);
        aufruf lauf;
        lauf.argumente = {"primzahlen", s.c_str(), a.c_str()};
        EXPECT_EQ(ausfuehren(lauf).aus, erwartet) << s;
    }
}

}  // namespace
