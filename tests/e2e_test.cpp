// The real program on a real (pseudo-)terminal, and without any terminal at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <utility>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "tests/pty.h"
#include "tests/umgebung.h"

namespace {

// The program's escape sequences, spelled out independently of its sources.
const std::string FARBEN = "\x1b[34;107m\x1b[2J\x1b[H";
const std::string LOESCHEN = "\x1b[2J\x1b[H";
const std::string ZURUECK = "\x1b[0m\x1b[2J\x1b[H";
const std::string PROMPT = "Ihre Wahl: ";

class Terminal : public ::testing::Test {
protected:
    void SetUp() override {
        s = starten();
        ASSERT_GT(s.pid, 0);
        ASSERT_TRUE(lesen_bis(s, PROMPT)) << s.ausgabe;
    }
    void TearDown() override { schliessen(s); }

    // Waits for the next menu after the output seen so far.
    bool naechstes_menue(std::size_t ab) { return lesen_bis(s, LOESCHEN + "\n\n\t\tZ I F F E R O N", ab) && lesen_bis(s, PROMPT, ab); }

    // The program ended normally, with the terminal as it found it.
    void sauber_beendet() {
        const int status = ende_abwarten(s);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_TRUE(gleicher_modus(modus(s), s.anfang));
        EXPECT_TRUE(s.ausgabe.ends_with(ZURUECK)) << s.ausgabe;
    }

    sitzung s;
};

TEST_F(Terminal, StartbildInFarbeUndBeendenStelltAllesWiederHer) {
    EXPECT_TRUE(s.ausgabe.starts_with(FARBEN + LOESCHEN + "\n\n\t\tZ I F F E R O N  ver.1.4\n\n\t\t\t\tvon Edo Varnik"))
        << s.ausgabe;
    EXPECT_FALSE(roh(s));  // lines are read in the terminal's own line mode
    tippen(s, "5\n");
    sauber_beendet();
    // The normal screen, whose scrollback keeps long listings; left clean, in the shell's colours.
    EXPECT_EQ(s.ausgabe.find("\x1b[?1049"), std::string::npos);
    EXPECT_TRUE(s.ausgabe.ends_with("\x1b[0m\x1b[2J\x1b[H"));
}

TEST(TerminalArt, DummesTerminalUndOhneFarbe) {
    struct fall {
        const char* umgebung;
        const char* beginn;   // what the stream starts with
        bool steuerzeichen;   // any escape sequence at all, and the screen cleared at the end
    };
    for (const fall& f : {fall{"TERM=dumb", "\n\n\t\tZ I F F E R O N", false},
                          fall{"NO_COLOR=1", "\x1b[2J\x1b[H\n\n\t\tZ I F F E R O N", true},
                          fall{"NO_COLOR=", "\x1b[34;107m", true}}) {
        sitzung s = starten(nullptr, -1, f.umgebung);
        ASSERT_TRUE(lesen_bis(s, PROMPT)) << f.umgebung;
        tippen(s, "2\n97\n");
        ASSERT_TRUE(lesen_bis(s, "97 ist eine Primzahl"));
        tippen(s, "ab");
        ASSERT_TRUE(lesen_bis(s, PROMPT, s.ausgabe.find("97 ist eine Primzahl")));
        tippen(s, "5\n");
        const int status = ende_abwarten(s);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << f.umgebung;
        EXPECT_TRUE(s.ausgabe.starts_with(f.beginn)) << f.umgebung << ": " << s.ausgabe.substr(0, 40);
        EXPECT_EQ(s.ausgabe.find('\x1b') != std::string::npos, f.steuerzeichen) << f.umgebung;
        EXPECT_EQ(s.ausgabe.ends_with("\x1b[2J\x1b[H"), f.steuerzeichen) << f.umgebung;
        if (std::string(f.umgebung) == "NO_COLOR=1") {
            EXPECT_EQ(s.ausgabe.find("\x1b[34"), std::string::npos);
        }
        EXPECT_TRUE(gleicher_modus(modus(s), s.anfang)) << f.umgebung;
        schliessen(s);
    }
}

TEST_F(Terminal, PrimzahlMitZweiTastenOhneEcho) {
    tippen(s, "2\n");
    ASSERT_TRUE(lesen_bis(s, "Bitte Zahl eingeben: "));
    EXPECT_FALSE(roh(s));
    tippen(s, "97\n");
    ASSERT_TRUE(lesen_bis(s, "\n97 ist eine Primzahl"));
    const std::size_t urteil = s.ausgabe.size();
    ASSERT_TRUE(warten_bis_roh(s));
    EXPECT_EQ(modus(s).c_lflag & ECHO, 0u);
    ASSERT_TRUE(tippen_und_abwarten(s, "#"));
    ASSERT_TRUE(roh(s));  // the second wait
    lesen_fuer(s, 100);
    EXPECT_EQ(s.ausgabe.find(LOESCHEN, urteil), std::string::npos) << "one key press was enough";
    tippen(s, "%");
    ASSERT_TRUE(naechstes_menue(urteil));
    EXPECT_EQ(s.ausgabe.find_first_of("#%", urteil), std::string::npos) << "a key was echoed";
    EXPECT_FALSE(roh(s));
    tippen(s, "5\n");
    sauber_beendet();
}

TEST_F(Terminal, PfeiltasteZaehltAlsEinDruck) {
    tippen(s, "2\n97\n");
    ASSERT_TRUE(lesen_bis(s, "97 ist eine Primzahl"));
    const std::size_t urteil = s.ausgabe.size();
    ASSERT_TRUE(warten_bis_roh(s));
    ASSERT_TRUE(tippen_und_abwarten(s, "\x1b[A"));
    ASSERT_TRUE(roh(s));
    tippen(s, "\x1bOP");  // F1
    ASSERT_TRUE(naechstes_menue(urteil));
    // Had a byte of either key been left behind, this line would not quit.
    tippen(s, "5\n");
    sauber_beendet();
    EXPECT_EQ(s.ausgabe.find("Ungueltige", urteil), std::string::npos);
}

TEST_F(Terminal, AnleitungMitZweiTastenUndUmlauten) {
    tippen(s, "4\n");
    ASSERT_TRUE(lesen_bis(s, "Taste druecken fuer weiter..."));
    const std::size_t seite1 = s.ausgabe.size();
    ASSERT_TRUE(warten_bis_roh(s));
    tippen(s, "a");
    ASSERT_TRUE(lesen_bis(s, "etwas Zeit in Anspruch nehmen  !!", seite1));
    EXPECT_NE(s.ausgabe.find("aufw\xC3\xA4rts", seite1), std::string::npos);
    EXPECT_NE(s.ausgabe.find("\xC3\xBC" "berpr\xC3\xBC" "ft", seite1), std::string::npos);
    ASSERT_TRUE(warten_bis_roh(s));
    tippen(s, "\xC3\xA4");  // one key, two bytes
    ASSERT_TRUE(naechstes_menue(seite1));
    tippen(s, "5\n");
    sauber_beendet();
    EXPECT_EQ(s.ausgabe.find("Ungueltige", seite1), std::string::npos);
}

TEST_F(Terminal, EndeDerEingabeAmMenue) {
    tippen(s, "\x04");
    sauber_beendet();
}

TEST_F(Terminal, EndeDerEingabeAnDerAufforderung) {
    tippen(s, "2\n");
    ASSERT_TRUE(lesen_bis(s, "Bitte Zahl eingeben: "));
    const std::size_t aufforderung = s.ausgabe.size();
    tippen(s, "\x04");
    sauber_beendet();
    EXPECT_EQ(s.ausgabe.find("Bitte", aufforderung), std::string::npos);
}

// ---- ending signals, at a line read and at a key wait ---------------------------------------

enum class wo { zeile, taste, rechnen };

struct abbruch {
    const char* name;
    int signal;
    wo ort;
};

std::ostream& operator<<(std::ostream& os, const abbruch& a) { return os << a.name; }

class Abbruch : public Terminal, public ::testing::WithParamInterface<abbruch> {};

TEST_P(Abbruch, StelltModusUndFarbenWiederHer) {
    const abbruch& a = GetParam();
    // valgrind itself fails an assertion when one of these arrives from outside at a system call.
    for (int fehler : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS})
        if (a.signal == fehler && unter_valgrind()) GTEST_SKIP() << "valgrind cannot take it";
    if (a.ort == wo::taste) {
        tippen(s, "2\n97\n");
        ASSERT_TRUE(lesen_bis(s, "97 ist eine Primzahl"));
        ASSERT_TRUE(warten_bis_roh(s));
    } else if (a.ort == wo::rechnen) {
        // Hours of work near the top of the range; stopped while primes are coming.
        tippen(s, "3\n1\n4000000000 200000000\n");
        ASSERT_TRUE(lesen_bis(s, "4000000007 ist eine Primzahl"));
    }
    if (a.ort != wo::rechnen) {
        ASSERT_TRUE(warten_bis_lesend(s));
    }
    if (a.signal == SIGINT) tippen(s, "\x03");  // Ctrl-C at the keyboard
    else kill(s.pid, a.signal);
    const int status = ende_abwarten(s);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == a.signal) << status;
    EXPECT_TRUE(gleicher_modus(modus(s), s.anfang));
    EXPECT_TRUE(s.ausgabe.ends_with(ZURUECK)) << s.ausgabe.substr(s.ausgabe.size() - std::min<std::size_t>(s.ausgabe.size(), 200));
}

INSTANTIATE_TEST_SUITE_P(Signale, Abbruch, ::testing::Values(
    abbruch{"StrgC_Zeile", SIGINT, wo::zeile}, abbruch{"StrgC_Taste", SIGINT, wo::taste},
    abbruch{"StrgC_Rechnen", SIGINT, wo::rechnen},
    abbruch{"SIGTERM_Zeile", SIGTERM, wo::zeile}, abbruch{"SIGTERM_Taste", SIGTERM, wo::taste},
    abbruch{"SIGTERM_Rechnen", SIGTERM, wo::rechnen},
    abbruch{"SIGHUP_Zeile", SIGHUP, wo::zeile}, abbruch{"SIGHUP_Taste", SIGHUP, wo::taste},
    abbruch{"SIGHUP_Rechnen", SIGHUP, wo::rechnen},
    // Every other signal whose default ends the process.
    abbruch{"SIGQUIT_Taste", SIGQUIT, wo::taste}, abbruch{"SIGABRT_Taste", SIGABRT, wo::taste},
    abbruch{"SIGUSR1_Taste", SIGUSR1, wo::taste}, abbruch{"SIGUSR2_Taste", SIGUSR2, wo::taste},
    abbruch{"SIGALRM_Taste", SIGALRM, wo::taste}, abbruch{"SIGXCPU_Rechnen", SIGXCPU, wo::rechnen},
    abbruch{"SIGVTALRM_Taste", SIGVTALRM, wo::taste}, abbruch{"SIGPROF_Taste", SIGPROF, wo::taste},
    abbruch{"SIGPWR_Taste", SIGPWR, wo::taste}, abbruch{"SIGSEGV_Taste", SIGSEGV, wo::taste},
    abbruch{"SIGBUS_Taste", SIGBUS, wo::taste}, abbruch{"SIGFPE_Taste", SIGFPE, wo::taste},
    abbruch{"SIGILL_Taste", SIGILL, wo::taste}, abbruch{"SIGTRAP_Taste", SIGTRAP, wo::taste},
    abbruch{"SIGSYS_Taste", SIGSYS, wo::taste}, abbruch{"SIGRTMIN_Zeile", SIGRTMIN + 1, wo::zeile},
    // Sent by another process, not raised by a write of our own.
    abbruch{"SIGPIPE_Taste", SIGPIPE, wo::taste}, abbruch{"SIGXFSZ_Rechnen", SIGXFSZ, wo::rechnen}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the handler never blocks, job control, slow keys -----------------------------------------

// Output stopped by Ctrl-S: in a key wait, at exit, and from the start.
TEST(AngehalteneAusgabe, HaeltKeinEndeAuf) {
    enum wann { taste, ende, start };
    for (const auto& [signal, w] : {std::pair{SIGTERM, taste}, {SIGHUP, taste}, {SIGTERM, ende}, {SIGINT, ende},
                                   {SIGTERM, start}, {SIGHUP, start}}) {
        SCOPED_TRACE(std::to_string(signal) + " " + std::to_string(w));
        sitzung s = starten(nullptr, -1, nullptr, w == start);
        if (w == taste) tippen(s, "2\n97\n");
        ASSERT_TRUE(w == start || lesen_bis(s, w == taste ? "97 ist eine Primzahl" : PROMPT));
        ASSERT_TRUE(w != taste || warten_bis_roh(s));
        // Ctrl-S: the terminal takes no more output. Held in its key wait, or in the write of its start or end.
        if (w == ende) tippen(s, "\x13" "5\n");
        ASSERT_TRUE(w == taste ? anhalten(s) : warten_bis_im_aufruf(s, SYS_write));
        kill(s.pid, signal);
        const int status = ende_abwarten(s, 5000);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_TRUE(gleicher_modus(modus(s), s.anfang));
        schliessen(s);
    }
}

bool warten_auf_zustand(sitzung& s, char soll) {
    for (int i = 0; i < 1500; ++i) {
        if (zustand(s.job) == soll) return true;
        lesen_fuer(s, 10);
    }
    return false;
}

class Job : public ::testing::Test {
protected:
    void SetUp() override {
        s = starten_als_job();
        ASSERT_GT(s.job, 0);
        ASSERT_TRUE(lesen_bis(s, PROMPT)) << s.ausgabe;
    }
    void TearDown() override { schliessen(s); }

    bool warten_auf_zustand(char soll) { return ::warten_auf_zustand(s, soll); }
    sitzung s;
};

TEST_F(Job, StrgZGibtDasTerminalZurueckUndFgZeigtAllesWieder) {
    // valgrind does not stop a program that raises SIGTSTP again with its default action.
    if (ohne_jobsteuerung()) GTEST_SKIP() << "no job control under valgrind or ThreadSanitizer";
    // One answer at a time, as a user types them: each is echoed right after its prompt.
    tippen(s, "2\n");
    ASSERT_TRUE(lesen_bis(s, "Bitte Zahl eingeben: "));
    tippen(s, "97\n");
    ASSERT_TRUE(lesen_bis(s, "97 ist eine Primzahl"));
    ASSERT_TRUE(warten_bis_roh(s));
    const std::string vorher = s.ausgabe.substr(s.ausgabe.rfind(LOESCHEN));  // the screen, typed answers included
    tippen(s, "\x1a");
    ASSERT_TRUE(warten_auf_zustand('T'));
    ASSERT_TRUE(lesen_bis(s, ZURUECK, s.ausgabe.rfind("97 ist eine Primzahl")));
    // Stopped: the shell has its own mode and colours back.
    EXPECT_TRUE(gleicher_modus(modus(s), s.anfang));
    EXPECT_TRUE(s.ausgabe.ends_with(ZURUECK)) << s.ausgabe.substr(s.ausgabe.size() - 40);
    const std::size_t gestoppt = s.ausgabe.size();
    kill(s.job, SIGCONT);  // fg
    // The key wait goes on: colours, raw mode and the screen as it was.
    ASSERT_TRUE(warten_bis_roh(s));
    ASSERT_TRUE(lesen_bis(s, "97 ist eine Primzahl", gestoppt));
    EXPECT_EQ(s.ausgabe.find(FARBEN, gestoppt), gestoppt) << s.ausgabe.substr(gestoppt);
    ASSERT_TRUE(lesen_bis(s, vorher, gestoppt, 2000)) << s.ausgabe.substr(gestoppt) << "\n---\n" << vorher;
    EXPECT_EQ(modus(s).c_lflag & ECHO, 0u);
    ASSERT_TRUE(tippen_und_abwarten(s, "a"));
    ASSERT_TRUE(roh(s));
    tippen(s, "b");
    ASSERT_TRUE(lesen_bis(s, PROMPT, gestoppt + 200));
    tippen(s, "5\n");
    const int status = ende_abwarten(s);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(gleicher_modus(modus(s), s.anfang));
    EXPECT_EQ(s.ausgabe.find("Ungueltige", gestoppt), std::string::npos);
}

TEST_F(Job, EndeImHintergrundHaeltNichtAn) {
    tippen(s, "2\n97\n");
    ASSERT_TRUE(lesen_bis(s, "97 ist eine Primzahl"));
    ASSERT_TRUE(warten_bis_roh(s));
    kill(s.job, SIGSTOP);
    ASSERT_TRUE(warten_auf_zustand('T'));
    ASSERT_TRUE(shell_befehl(s, 'h'));  // the shell has the terminal; the job is in the background now
    kill(s.job, SIGTERM);  // kill %1
    kill(s.job, SIGCONT);
    const int status = ende_abwarten(s, 5000);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status << " " << zustand(s.job);
    EXPECT_TRUE(gleicher_modus(modus(s), s.anfang));
}

// Started as `zifferon &`, or sent on with `bg`: it draws nothing, changes no mode, waits stopped
// for the foreground, and a kill ends it there.
TEST(Hintergrund, ZeichnetNichtsUndEndetAufKill) {
    if (unter_valgrind()) GTEST_SKIP() << "no job control under valgrind";
    enum art { start, start_dann_fg, liste_nach_bg };
    for (const art a : {start, start_dann_fg, liste_nach_bg}) {
        SCOPED_TRACE(a);
        sitzung s = starten_als_job(a != liste_nach_bg);
        ASSERT_GT(s.job, 0);
        if (a == liste_nach_bg) {
            ASSERT_TRUE(lesen_bis(s, PROMPT));
            tippen(s, "3\n1\n4000000000 2000000\n");
            ASSERT_TRUE(lesen_bis(s, "ist eine Primzahl"));
            const std::size_t vor_stopp = s.ausgabe.size();
            tippen(s, "\x1a");
            ASSERT_TRUE(warten_auf_zustand(s, 'T'));
            ASSERT_TRUE(lesen_bis(s, ZURUECK, vor_stopp));  // all it wrote up to its stop
        }
        // Nothing from here on: continued in the background, the job stops itself again.
        const std::size_t gezeigt = a == liste_nach_bg ? s.ausgabe.size() : 0;
        if (a == liste_nach_bg) {
            ASSERT_TRUE(shell_befehl(s, 'h'));
            kill(s.job, SIGCONT);  // bg
        }
        ASSERT_TRUE(warten_auf_zustand(s, 'T'));  // stopped by itself, nothing drawn, no mode changed
        lesen_fuer(s, 100);
        EXPECT_EQ(s.ausgabe.size(), gezeigt) << s.ausgabe.substr(gezeigt, 300);
        EXPECT_TRUE(gleicher_modus(modus(s), s.anfang));
        if (a == start_dann_fg) {
            ASSERT_TRUE(shell_befehl(s, 'v'));
            kill(s.job, SIGCONT);  // fg
            EXPECT_TRUE(lesen_bis(s, PROMPT) && s.ausgabe.starts_with(FARBEN));
        }
        kill(s.job, SIGTERM);  // kill %1
        kill(s.job, SIGCONT);
        const int status = ende_abwarten(s, 5000);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
        schliessen(s);
    }
}

TEST_F(Terminal, LangsameFolgeZaehltAlsEineTaste) {
    tippen(s, "2\n97\n");
    ASSERT_TRUE(lesen_bis(s, "97 ist eine Primzahl"));
    const std::size_t urteil = s.ausgabe.size();
    ASSERT_TRUE(warten_bis_roh(s));
    // An arrow key over a slow link: sleeps that play its delay, within the program's 100 ms per byte.
    tippen(s, "\x1b");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    tippen(s, "[");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(tippen_und_abwarten(s, "A"));
    ASSERT_TRUE(roh(s));
    lesen_fuer(s, 100);
    EXPECT_EQ(s.ausgabe.find(LOESCHEN, urteil), std::string::npos) << "taken as more than one key";
    tippen(s, "x");
    ASSERT_TRUE(naechstes_menue(urteil));
    tippen(s, "5\n");
    sauber_beendet();
    EXPECT_EQ(s.ausgabe.find("Ungueltige", urteil), std::string::npos);
}

TEST_F(Terminal, TasteGleichNachUmlautZaehlt) {
    tippen(s, "2\n97\n");
    ASSERT_TRUE(lesen_bis(s, "97 ist eine Primzahl"));
    const std::size_t urteil = s.ausgabe.size();
    ASSERT_TRUE(warten_bis_roh(s));
    tippen(s, "\xC3\xA4x");  // two keys in one go: both waits are answered
    ASSERT_TRUE(naechstes_menue(urteil));
    tippen(s, "5\n");
    sauber_beendet();
}

TEST(TerminalKanaele, GeschlosseneEingabeLiestNichtDieTastatur) {
    sitzung s = starten(nullptr, STDIN_FILENO);
    // Standard input is empty, so the program ends at once, cleanly; the keyboard is not its input.
    const int status = ende_abwarten(s, 5000);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(gleicher_modus(modus(s), s.anfang));
    schliessen(s);
}

TEST(TerminalKanaele, GeschlosseneAusgabeSchreibtNichtAufsTerminal) {
    sitzung s = starten(nullptr, STDOUT_FILENO);
    lesen_fuer(s, 300);
    tippen(s, "5\n");
    const int status = ende_abwarten(s, 5000);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(s.ausgabe.find("Z I F F E R O N"), std::string::npos) << s.ausgabe;
    schliessen(s);
}

// ---- the prime lister into a file, through the terminal -------------------------------------

TEST(TerminalDatei, ListeInDateiUndSofortZurueck) {
    char muster[] = "/tmp/zifferon-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(muster), nullptr);
    sitzung s = starten(muster);
    ASSERT_TRUE(lesen_bis(s, PROMPT));
    const std::size_t menue = s.ausgabe.size();
    tippen(s, "3\n2\nliste\n6 10\n");
    ASSERT_TRUE(lesen_bis(s, PROMPT, menue));
    EXPECT_FALSE(roh(s));
    tippen(s, "5\n");
    const int status = ende_abwarten(s);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::ifstream f(std::string(muster) + "/liste.txt");
    std::stringstream inhalt;
    inhalt << f.rdbuf();
    EXPECT_EQ(inhalt.str(), "7\n11\n13\n\nIm Zahlenintervall zwischen 6 bis 16 gibt es 3 Primzahlen\n\n");
    schliessen(s);
    std::filesystem::remove_all(muster);
}

// ---- a long listing into a file, ended from outside -----------------------------------------

enum class datei_vorher { keine, vorhanden };

struct dateiabbruch {
    const char* name;
    int signal;  // 0: the terminal is closed
    datei_vorher vorher;
};

std::ostream& operator<<(std::ostream& os, const dateiabbruch& a) { return os << a.name; }

class DateiAbbruch : public ::testing::TestWithParam<dateiabbruch> {};

TEST_P(DateiAbbruch, DateiBleibtWieSieWar) {
    const dateiabbruch& a = GetParam();
    char muster[] = "/tmp/zifferon-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(muster), nullptr);
    const std::string liste = std::string(muster) + "/liste.txt";
    const std::string frueher = "7\n11\n13\n\nIm Zahlenintervall zwischen 6 bis 16 gibt es 3 Primzahlen\n\nvon Hand";
    if (a.vorher == datei_vorher::vorhanden) std::ofstream(liste, std::ios::binary) << frueher;
    sitzung s = starten(muster, -1, "ZIFFERON_FORTSCHRITT_MS=0");
    ASSERT_TRUE(lesen_bis(s, PROMPT));
    // The whole range, about 100 CPU-seconds, ended once its progress shows: no machine is done first.
    // Typed at its prompt: no progress line covers a range typed ahead.
    tippen(s, "3\n2\nliste\n");
    ASSERT_TRUE(lesen_bis(s, "Zaehlwert eingeben: ") && warten_bis_lesend(s));
    tippen(s, "6 4294967290\n");
    ASSERT_TRUE(lesen_bis(s, " % geprueft", 0, 60000));
    ASSERT_TRUE(std::filesystem::exists(liste));
    if (a.signal == SIGINT) tippen(s, "\x03");
    else if (a.signal != 0) kill(s.pid, a.signal);
    else close(std::exchange(s.master, -1));
    const int status = ende_abwarten(s);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == (a.signal != 0 ? a.signal : SIGHUP)) << status;
    if (a.vorher == datei_vorher::vorhanden) EXPECT_EQ(dateiinhalt(liste), frueher);
    else EXPECT_FALSE(std::filesystem::exists(liste)) << dateiinhalt(liste).size() << " bytes left";
    schliessen(s);
    std::filesystem::remove_all(muster);
}

INSTANTIATE_TEST_SUITE_P(Signale, DateiAbbruch, ::testing::Values(
    dateiabbruch{"StrgC_Neu", SIGINT, datei_vorher::keine}, dateiabbruch{"StrgC_Vorhanden", SIGINT, datei_vorher::vorhanden},
    dateiabbruch{"SIGTERM_Neu", SIGTERM, datei_vorher::keine},
    dateiabbruch{"SIGTERM_Vorhanden", SIGTERM, datei_vorher::vorhanden},
    dateiabbruch{"SIGHUP_Vorhanden", SIGHUP, datei_vorher::vorhanden},
    dateiabbruch{"TerminalZu_Neu", 0, datei_vorher::keine},
    dateiabbruch{"TerminalZu_Vorhanden", 0, datei_vorher::vorhanden}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- no terminal at all ---------------------------------------------------------------------

// Runs the program in a new session (no controlling terminal) with `eingabe` on a pipe, in
// `ordner` (nullptr: here); with ZIFFERON_WINE=1 zifferon.exe under wine, which must show the same.
std::pair<std::string, int> ohne_terminal(const std::string& eingabe, const char* ordner = nullptr) {
    int hinein[2], heraus[2];
    if (pipe(hinein) != 0 || pipe(heraus) != 0) return {"", -1};
    const pid_t kind = fork();
    if (kind == 0) {
        setsid();
        // Lifted above 2 first: with standard input closed, a pipe end may itself be fd 0 or 1.
        const int ein = fcntl(hinein[0], F_DUPFD, 3);
        const int aus = fcntl(heraus[1], F_DUPFD, 3);
        for (int fd : {hinein[0], hinein[1], heraus[0], heraus[1]}) close(fd);
        dup2(ein, STDIN_FILENO);
        dup2(aus, STDOUT_FILENO);
        close(ein), close(aus);
        if (ordner != nullptr && chdir(ordner) != 0) _exit(126);
        programm_starten(programm_befehl());
    }
    close(hinein[0]);
    close(heraus[1]);
    // Small enough for the pipe's buffer, so writing all first cannot block.
    if (write(hinein[1], eingabe.data(), eingabe.size()) != static_cast<ssize_t>(eingabe.size())) return {"", -1};
    close(hinein[1]);
    // Until the program has ended and nothing more is there: helpers it leaves behind (wine's) may
    // hold the pipe open for seconds more.
    std::string ausgabe;
    int status = 0;
    for (bool zu_ende = false; !zu_ende;) {
        zu_ende = waitpid(kind, &status, WNOHANG) == kind;
        char puffer[4096];
        pollfd p{heraus[0], POLLIN, 0};
        for (ssize_t n; poll(&p, 1, zu_ende ? 0 : 20) > 0 && (n = read(heraus[0], puffer, sizeof puffer)) > 0;)
            ausgabe.append(puffer, static_cast<std::size_t>(n));
    }
    close(heraus[0]);
    return {wie_unter_linux(ausgabe), status};
}

// ---- the progress line of a listing into a file ------------------------------------------------

TEST(Fortschritt, ImTerminalNichtBeiDummemTerminalNieImRohr) {
    setenv("ZIFFERON_FORTSCHRITT_MS", "0", 1);  // at once, so that a short run shows it
    const std::string bereich = std::string("4000000000 ") + (gebremst() ? "200000\n" : "3000000\n");
    // Not without escape sequences, and not over the prompt of a range typed ahead (echoed before it);
    // never wider than the terminal, whose width changes under it.
    for (const auto& [umgebung, voraus, breite] : {std::tuple{"TERM=xterm", false, 120u}, {"TERM=dumb", false, 120u}, {"TERM=xterm", true, 120u},
                                                   {"TERM=xterm", false, 20u}, {"TERM=xterm", false, 40u}, {"TERM=xterm", false, 100u}}) {
        SCOPED_TRACE(std::string(umgebung) + (voraus ? " voraus " : " ") + std::to_string(breite));
        const temp_ordner ordner;
        sitzung s = starten(ordner.pfad.c_str(), -1, umgebung);
        ASSERT_TRUE(lesen_bis(s, PROMPT));
        const std::size_t menue = s.ausgabe.size();
        tippen(s, voraus ? "3\n2\nliste\n" + bereich : "3\n2\nliste\n");
        ASSERT_TRUE(lesen_bis(s, "Zaehlwert eingeben: ", menue));
        ASSERT_TRUE(voraus || warten_bis_lesend(s));  // waiting for it
        const winsize fenster{40, static_cast<unsigned short>(breite), 0, 0};
        ioctl(s.master, TIOCSWINSZ, &fenster);
        if (!voraus) tippen(s, bereich);
        ASSERT_TRUE(lesen_bis(s, PROMPT, menue + 1, 60000));  // the menu again, the run done
        const std::size_t zuletzt = s.ausgabe.rfind(" % geprueft");
        EXPECT_EQ(zuletzt == std::string::npos, voraus || umgebung == std::string("TERM=dumb"));
        if (zuletzt != std::string::npos) {
            // Blanked before the menu clears the screen.
            const std::size_t ende = s.ausgabe.find("\x1b[K", zuletzt);
            EXPECT_EQ(s.ausgabe.substr(ende, 6 + LOESCHEN.size()), "\x1b[K\x1b[K" + LOESCHEN);
            // Each drawing on one row: from the line's start, or the last blanking, to this one.
            for (std::size_t k = s.ausgabe.find("\x1b[K", menue), ab = s.ausgabe.rfind('\n', k) + 1; k != std::string::npos;
                 ab = k + 3, k = s.ausgabe.find("\x1b[K", ab))
                EXPECT_LT(k - std::max(ab, s.ausgabe.rfind('\n', k) + 1), breite) << s.ausgabe.substr(ab, k - ab);
        }
        tippen(s, "5\n");
        EXPECT_EQ(ende_abwarten(s), 0);
        schliessen(s);
    }
    // Through pipes, a long run's transcript is a short one's.
    const temp_ordner ordner;
    EXPECT_EQ(ohne_terminal("3\n2\nliste\n" + bereich + "5\n", ordner.pfad.c_str()).first,
              ohne_terminal("3\n2\nliste\n6 10\n5\n", ordner.pfad.c_str()).first);
    unsetenv("ZIFFERON_FORTSCHRITT_MS");
}

// A terminal that re-wraps its lines when narrowed spreads the line over several rows: the next
// drawing blanks every one of them, not only the last.
TEST(Fortschritt, VerengtesFensterBehaeltKeineReste) {
    const temp_ordner ordner;
    sitzung s = starten(ordner.pfad.c_str(), -1, "ZIFFERON_FORTSCHRITT_MS=0");
    ASSERT_TRUE(lesen_bis(s, PROMPT));
    tippen(s, "3\n2\nliste\n");
    ASSERT_TRUE(lesen_bis(s, "Zaehlwert eingeben: ") && warten_bis_lesend(s));
    tippen(s, "6 4294967290\n");
    ASSERT_TRUE(lesen_bis(s, "noch etwa"));
    ASSERT_TRUE(lesen_bis(s, "\x1b[K", s.ausgabe.rfind("noch etwa")));
    const std::size_t ende = s.ausgabe.rfind("\x1b[K");
    // The last drawing: from the line's start, or the drawing before it.
    const std::size_t laenge = ende - std::max(s.ausgabe.rfind("\x1b[K", ende - 1) + 3, s.ausgabe.rfind('\n', ende) + 1);
    const winsize schmal{40, 30, 0, 0};
    ioctl(s.master, TIOCSWINSZ, &schmal);
    ASSERT_TRUE(lesen_bis(s, "\x1b[A", ende));
    const std::string naechste = s.ausgabe.substr(ende + 3, s.ausgabe.find("% geprueft", ende) - ende);
    EXPECT_GE(anzahl(naechste, "\x1b[K\x1b[A"), (laenge + 29) / 30 - 1) << laenge << ": " << naechste;
    tippen(s, "\x03");
    EXPECT_NE(ende_abwarten(s), -1);
    schliessen(s);
    // A command's line on standard error the same way: held in the write of its first drawing
    // (output stopped) while the window narrows.
    sitzung b = starten(nullptr, -1, "ZIFFERON_FORTSCHRITT_MS=0", true, programm_befehl({"primzahlen", "4000000000", "300000", "--anzahl"}));
    ASSERT_TRUE(warten_bis_im_aufruf(b, SYS_write));
    ioctl(b.master, TIOCSWINSZ, &schmal);
    tcflow(b.slave, TCOON);
    EXPECT_EQ(ende_abwarten(b, 60000), 0);
    const std::size_t erste = b.ausgabe.find("\x1b[K");
    ASSERT_NE(erste, std::string::npos) << b.ausgabe;
    EXPECT_GE(anzahl(b.ausgabe.substr(erste), "\x1b[K\x1b[A"), (erste - 1) / 30) << b.ausgabe;  // erste: the line's length
    schliessen(b);
}

// A command on a terminal: its progress on standard error, taken away before the answer, and the
// terminal's mode and colours untouched, no escape sequence but the line's own.
TEST(Fortschritt, BefehlZeigtIhnUndLaesstDasTerminal) {
    setenv("ZIFFERON_FORTSCHRITT_MS", "0", 1);
    sitzung s = starten(nullptr, -1, nullptr, false, programm_befehl({"primzahlen", "4000000000", "300000", "--anzahl"}));
    const int status = ende_abwarten(s, 60000);
    unsetenv("ZIFFERON_FORTSCHRITT_MS");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_NE(s.ausgabe.find(" % geprueft, "), std::string::npos) << s.ausgabe;
    EXPECT_TRUE(s.ausgabe.ends_with("\x1b[K\x1b[K13452\n")) << s.ausgabe;  // the last drawing, the line blanked, the count
    EXPECT_EQ(anzahl(s.ausgabe, "\x1b"), anzahl(s.ausgabe, "\x1b[K") + anzahl(s.ausgabe, "\x1b[A"));
    EXPECT_TRUE(gleicher_modus(modus(s), s.anfang));
    schliessen(s);
    // Started as `zifferon primzahlen 4000000000 --anzahl &`: nothing drawn over what the user types.
    setenv("ZIFFERON_FORTSCHRITT_MS", "0", 1);
    sitzung h = starten_als_job(true, programm_befehl({"primzahlen", "4000000000", "--anzahl"}));
    unsetenv("ZIFFERON_FORTSCHRITT_MS");
    ASSERT_GT(h.job, 0);
    const int hinten = ende_abwarten(h, 60000);
    EXPECT_TRUE(WIFEXITED(hinten) && WEXITSTATUS(hinten) == 0) << hinten;
    EXPECT_EQ(h.ausgabe, "13318409\n");
    schliessen(h);
    // Output stopped (Ctrl-S): the block lands all the same, its progress not waited for under the
    // file's lock; only taking the line away waits for the output to go on.
    const temp_ordner ordner;
    const std::string datei = ordner.pfad + "/liste.txt";
    setenv("ZIFFERON_FORTSCHRITT_MS", "0", 1);
    sitzung a = starten(nullptr, -1, nullptr, true, programm_befehl({"primzahlen", "--datei", datei, "0", "3000000"}));
    unsetenv("ZIFFERON_FORTSCHRITT_MS");
    EXPECT_TRUE(warten_bis([&] { return dateiinhalt(datei).ends_with("gibt es 216816 Primzahlen\n\n"); }, 30000));
    tcflow(a.slave, TCOON);
    const int datei_status = ende_abwarten(a, 30000);
    EXPECT_TRUE(WIFEXITED(datei_status) && WEXITSTATUS(datei_status) == 0) << datei_status;
    schliessen(a);
}

TEST(OhneTerminal, KeineSteuerzeichenUndKeinWarten) {
    const temp_ordner ordner;
    // Names as UTF-8 through a pipe on every system, also in the failure message.
    const auto [ausgabe, status] = ohne_terminal("2\n97\n1\n12\n3\n1 6 10\n3\nx\n1 7 2\n4\n6\n3\n2\nliste\n6 10\n"
                                                 "3\n2\nb\xC3\xBCro\n6 10\n3\n2\nfehlt/\xC3\xA4\xC3\x9F\n6 10\n5\n",
                                                 ordner.pfad.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ausgabe.find('\x1b'), std::string::npos);
    for (const char* teil : {"\n97 ist eine Primzahl", "die zahl  ist durch 12 teilbar",
                             "von 6 bis 16 gibt es 3 Primzahlen", "Ungueltige Eingabe ",
                             "von 7 bis 9 gibt es 1 Primzahlen", "Anspruch nehmen  !!",
                             "\a\t\tUngueltige Eingabe !", "aufw\xC3\xA4rts",
                             "Die Datei fehlt/\xC3\xA4\xC3\x9F.txt kann nicht geoeffnet werden !"})
        EXPECT_NE(ausgabe.find(teil), std::string::npos) << teil;
    EXPECT_TRUE(ausgabe.starts_with("\n\n\t\tZ I F F E R O N  ver.1.4"));
    // The list file; zifferon.exe ends its lines in CR LF, as Windows programs expect.
    std::string liste = dateiinhalt(ordner.pfad + "/liste.txt");
    EXPECT_EQ(std::erase(liste, '\r'), windows_programm() ? 6u : 0u);
    EXPECT_EQ(liste, "7\n11\n13\n\nIm Zahlenintervall zwischen 6 bis 16 gibt es 3 Primzahlen\n\n");
    EXPECT_TRUE(std::filesystem::exists(ordner.pfad + "/b\xC3\xBCro.txt"));
}

TEST(OhneTerminal, LetzteZeileOhneZeilenumbruchZaehlt) {
    const auto [ausgabe, status] = ohne_terminal("2\n97");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(ausgabe.find("Bitte Zahl eingeben: \n97 ist eine Primzahl"), std::string::npos) << ausgabe;
}

TEST(OhneTerminal, EndeDerEingabeBeendetUeberall) {
    for (const char* eingabe : {"", "2\n", "2\n97\n", "1\n", "3\n", "3\n1\n6\n", "3\n2\n", "x\n", "4\n"}) {
        const auto [ausgabe, status] = ohne_terminal(eingabe);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << eingabe;
        EXPECT_TRUE(ausgabe.ends_with("Ihre Wahl: ") || ausgabe.ends_with(": ")) << eingabe;
    }
}

// ---- zifferon.exe in wine's console, which wine draws into a pseudo-terminal ---------------------

// Since the last visible character the console's screen was blanked: cursor home, lines erased
// (past it, every letter ends an escape sequence).
bool zuletzt_geloescht(const std::string& ausgabe) {
    std::size_t sichtbar = 0;
    for (std::size_t i = 0; i < ausgabe.size(); ++i)
        if (ausgabe[i] == '\x1b') i = std::min(ausgabe.find_first_of("@ABCDEFGHJKLMPSTXZhlmnr", i + 2), ausgabe.size());
        else if (static_cast<unsigned char>(ausgabe[i]) > ' ') sichtbar = i;  // a key's echo (^C) is no letter
    const std::string rest = ausgabe.substr(sichtbar + 1);
    return rest.find("\x1b[H") != std::string::npos && std::count(rest.begin(), rest.end(), 'K') >= 20;
}

TEST(WindowsKonsole, BeendenUndStrgCRaeumenAufMitDemRichtigenStatus) {
    if (!windows_programm()) GTEST_SKIP() << "needs ZIFFERON_WINE=1 and the Windows build";
    setenv("ZIFFERON_FORTSCHRITT_MS", "0", 1);
    struct fall {
        std::string vorher, warten, dann;
        int status;           // 58: STATUS_CONTROL_C_EXIT (0xC000013A), as wine passes it on
        std::string datei;    // the one file left; "": none, the interrupted listing's is gone
        bool fortschritt;     // a progress line may show
    };
    const std::string strg_c = "\x03", ansturm(20, '\x03');  // a user whose program does not stop at once
    for (const fall& f : {fall{"5\r", "", "", 0, "", true}, fall{"", "", strg_c, 58, "", true},
                          fall{"2\r97\r", "97 ist eine Primzahl", strg_c, 58, "", true},
                          fall{"3\r2\rliste\r4000000000 200000000\r", "% geprueft", strg_c, 58, "", true},
                          fall{"", "", ansturm, 58, "", true},
                          fall{"3\r2\rliste\r4000000000 200000000\r", "% geprueft", ansturm, 58, "", true},
                          // A range typed ahead with the name: no progress line over its prompt.
                          fall{"3\r2\rliste 4000000000 3000000\r", PROMPT, "5\r", 0, "liste.txt", false},
                          // The characters typed name the file, whatever the console's code pages.
                          fall{"3\r2\rb\xC3\xBCro\xC3\x9F\r6 10\r", PROMPT, "5\r", 0, "b\xC3\xBCro\xC3\x9F.txt", true}}) {
        SCOPED_TRACE(f.vorher + f.dann);
        const temp_ordner ordner;
        sitzung s = starten(ordner.pfad.c_str(), -1, nullptr, false, programm_befehl());
        ASSERT_TRUE(lesen_bis(s, PROMPT, 0, 30000)) << s.ausgabe;
        ASSERT_TRUE(warten_bis_roh(s, 30000));  // wine's console has the terminal in its own mode
        const std::size_t menue = s.ausgabe.size();
        tippen(s, f.vorher);
        ASSERT_TRUE(lesen_bis(s, f.warten, menue, 60000));  // the progress line shows there too
        for (char c : f.dann) {
            tippen(s, std::string(1, c));
            lesen_fuer(s, 10);
        }
        const int status = ende_abwarten(s, 30000);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == f.status) << status;
        EXPECT_TRUE(zuletzt_geloescht(s.ausgabe));
        EXPECT_TRUE(f.fortschritt || s.ausgabe.find("% geprueft") == std::string::npos);
        std::vector<std::string> dateien;
        for (const auto& d : std::filesystem::directory_iterator(ordner.pfad)) dateien.push_back(d.path().filename());
        EXPECT_EQ(dateien, f.datei.empty() ? std::vector<std::string>{} : std::vector<std::string>{f.datei});
        schliessen(s);
    }
    // The help in the console too.
    sitzung s = starten(nullptr, -1, nullptr, false, programm_befehl({"--help"}));
    EXPECT_EQ(ende_abwarten(s, 30000), 0);
    EXPECT_NE(s.ausgabe.find("menuegefuehrtes"), std::string::npos) << s.ausgabe;
    schliessen(s);
    // A command's progress line in the console, drawn while it holds the list file's lock.
    const temp_ordner ordner;
    sitzung d = starten(ordner.pfad.c_str(), -1, nullptr, false, programm_befehl({"primzahlen", "4000000000", "3000000", "--datei", "liste.txt"}));
    EXPECT_EQ(ende_abwarten(d, 60000), 0) << d.ausgabe;
    EXPECT_NE(dateiinhalt(ordner.pfad + "/liste.txt").find(" bis 4003000000 gibt es "), std::string::npos);  // whole
    schliessen(d);
    unsetenv("ZIFFERON_FORTSCHRITT_MS");
}

}  // namespace
