// The prime list file against real files in a temporary directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif


#include "console/konsole.h"
#include "console/abbruch.h"
#include "console/terminal.h"
#include "listfile/anhang.h"
#include "listfile/datei.h"
#include "numbers/verteilt.h"
#include "shell/lister.h"
#include "numbers/primzahl.h"
#include "tests/skript.h"
#include "tests/umgebung.h"

namespace fs = std::filesystem;

namespace {

using namespace text;

// The file is written in the platform's text mode.
std::string zeilen(std::string text) {
#ifdef _WIN32
    for (std::size_t p = 0; (p = text.find('\n', p)) != std::string::npos; p += 2) text.insert(p, 1, '\r');
#endif
    return text;
}

const std::string BLOCK_6_10 = zeilen("7\n11\n13\n\nIm Zahlenintervall zwischen 6 bis 16 gibt es 3 Primzahlen\n\n");

std::string inhalt(const fs::path& datei) {
    std::ifstream f(datei, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

std::vector<std::string> eintraege(const fs::path& ordner) {
    std::vector<std::string> namen;
    for (const auto& e : fs::directory_iterator(ordner)) namen.push_back(e.path().filename().string());
    std::sort(namen.begin(), namen.end());
    return namen;
}

#ifndef _WIN32
// Runs `arbeit` in a child process and returns what it printed; for limits and identities
// that must not touch the test process.
std::string im_kind(const std::function<std::string()>& arbeit) {
    int rohr[2];
    if (pipe(rohr) != 0) return "pipe";
    const pid_t kind = fork();
    if (kind == 0) {
        close(rohr[0]);
        const std::string ergebnis = arbeit();
        const ssize_t n = write(rohr[1], ergebnis.data(), ergebnis.size());
        _exit(n == static_cast<ssize_t>(ergebnis.size()) ? 0 : 1);
    }
    close(rohr[1]);
    std::string gelesen;
    char puffer[4096];
    for (ssize_t n; (n = read(rohr[0], puffer, sizeof puffer)) > 0;) gelesen.append(puffer, static_cast<std::size_t>(n));
    close(rohr[0]);
    int status = 0;
    waitpid(kind, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return gelesen;
}
#endif

class Datei : public ::testing::Test {
protected:
    void SetUp() override {
        ordner = fs::temp_directory_path() / ("zifferon-test-" + std::to_string(std::random_device{}()));
        ASSERT_TRUE(fs::create_directory(ordner));
        vorher = fs::current_path();
        fs::current_path(ordner);
    }
    void TearDown() override {
        fs::current_path(vorher);
        fs::permissions(ordner, fs::perms::owner_all, fs::perm_options::add);
        for (const auto& e : fs::recursive_directory_iterator(ordner))
            if (e.is_directory()) fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(ordner);
    }
    fs::path ordner;
    fs::path vorher;
};

std::string nicht_geoeffnet(const std::string& name) {
    return "\n\n\n\t\t\tDie Datei " + name + " kann nicht geoeffnet werden !" + T;
}

// ---- the block and its dialogue -------------------------------------------------------------

TEST_F(Datei, BlockUndSofortZurueckZumMenue) {
    EXPECT_EQ(programm("3\n2\nliste\n6 10\n5\n"),
              START + M + "3\n" + WAHL + "2\n" + NAME + "liste\n" + BEREICH + "6 10\n" + M + "5\n");
    EXPECT_EQ(inhalt("liste.txt"), BLOCK_6_10);
    EXPECT_EQ(eintraege(ordner), std::vector<std::string>{"liste.txt"});
}

TEST_F(Datei, ZweiListungenHaengenZweiBloeckeAn) {
    programm("3\n2\nliste\n6 10\n3\n2 liste 6 10\n5\n");
    EXPECT_EQ(inhalt("liste.txt"), BLOCK_6_10 + BLOCK_6_10);
}

TEST_F(Datei, VorhandenerInhaltBleibtStehen) {
    // A line cut short (a killed listing, another program) never takes the block's first prime.
    std::ofstream("liste.txt", std::ios::binary) << "alt\n4020432";
    programm("3\n2 liste 6 10\n5\n");
    EXPECT_EQ(inhalt("liste.txt"), "alt\n4020432" + zeilen("\n") + BLOCK_6_10);
}

TEST_F(Datei, EndungWirdImmerAngehaengt) {
    programm("3\n2 liste.txt 6 10\n5\n");
    EXPECT_EQ(eintraege(ordner), std::vector<std::string>{"liste.txt.txt"});
}

TEST_F(Datei, AbgelehnterBereichBehaeltDenNamen) {
    EXPECT_EQ(dialog(primzahllister, "2 liste\n5 10\n6 10\n"),
              WAHL + "2 liste\n" + NAME + BEREICH + "5 10\n" + ZU_KLEIN + BEREICH + "6 10\n");
    EXPECT_EQ(inhalt("liste.txt"), BLOCK_6_10);
}

TEST_F(Datei, NameMitLeerzeichenNimmtNurDasErsteWort) {
    EXPECT_EQ(dialog(primzahllister, "2\nliste 6 10\n"),
              WAHL + "2\n" + NAME + "liste 6 10\n" + BEREICH);
    EXPECT_EQ(inhalt("liste.txt"), BLOCK_6_10);
}

TEST_F(Datei, LaufOhnePrimzahlen) {
    programm("3\n2 leer 24 5\n5\n");
    EXPECT_EQ(inhalt("leer.txt"), zeilen("\nIm Zahlenintervall zwischen 24 bis 29 gibt es 0 Primzahlen\n\n"));
}

TEST_F(Datei, LaufBisZumEndeDesBereichs) {
    programm("3\n2 oben 4294967286 10\n5\n");
    EXPECT_EQ(inhalt("oben.txt"),
              zeilen("4294967291\n\nIm Zahlenintervall zwischen 4294967286 bis 4294967296 gibt es 1 Primzahlen\n\n"));
}

TEST_F(Datei, NamenBisFuenfundsiebzigZeichen) {
    const std::string lang(76, 'n');
    const std::string passt(75, 'p');
    EXPECT_EQ(dialog(primzahllister, "2\n" + lang + " 6 10\n" + passt + "\n6 10\n"),
              WAHL + "2\n" + NAME + lang + " 6 10\n" + ZU_LANG + NAME + passt + "\n" + BEREICH + "6 10\n");
    EXPECT_EQ(eintraege(ordner), std::vector<std::string>{passt + ".txt"});
    EXPECT_EQ(inhalt(passt + ".txt"), BLOCK_6_10);
}

TEST_F(Datei, NamenZaehlenZeichenNichtBytes) {
    std::string passt, lang;
    for (int i = 0; i < 75; ++i) passt += "\xC3\xA4";  // ä
    lang = passt + "\xC3\xA4";
    const std::string bild = dialog(primzahllister, "2\n" + lang + "\n" + passt + "\n6 10\n");
    EXPECT_TRUE(bild.starts_with(WAHL + "2\n" + NAME + lang + "\n" + ZU_LANG + NAME + passt + "\n" + BEREICH + "6 10\n"));
#ifndef _WIN32
    // Windows takes names in its ANSI code page, in which these bytes are no ä.
    EXPECT_EQ(bild.size(), (WAHL + "2\n" + NAME + lang + "\n" + ZU_LANG + NAME + passt + "\n" + BEREICH + "6 10\n").size());
    EXPECT_EQ(inhalt(passt + ".txt"), BLOCK_6_10);
#endif
    // A name at the very end of input, without a line break, is counted alike.
    const std::string p75(75, 'p');
    EXPECT_EQ(dialog(primzahllister, "2\n" + p75), WAHL + "2\n" + NAME + p75 + BEREICH);
}

TEST_F(Datei, SteuerzeichenImNamenErscheinenHarmlos) {
    const std::string name = "fehlt/\x1b]0;Titel\x07\x1b[?1049l\xC2\x9B\x7F" "2J";
    EXPECT_EQ(dialog(primzahllister, "2 " + name + " 6 10\n"),
              WAHL + "2 " + name + " 6 10\n" + NAME + BEREICH + nicht_geoeffnet("fehlt/?]0;Titel??[?1049l??2J.txt"));
}

TEST_F(Datei, EndeDerEingabeSchreibtNichts) {
    EXPECT_EQ(dialog(primzahllister, "2\n"), WAHL + "2\n" + NAME);
    EXPECT_EQ(dialog(primzahllister, "2 liste\n6\n"), WAHL + "2 liste\n" + NAME + BEREICH + "6\n");
    EXPECT_TRUE(eintraege(ordner).empty());
}

// ---- files that cannot be opened or written -------------------------------------------------

TEST_F(Datei, NichtZuOeffnenWirdGemeldet) {
    fs::create_directory("liste.txt");
    for (const std::string name : {"fehlt/liste", "liste"}) {
        EXPECT_EQ(dialog(primzahllister, "2 " + name + " 6 10\n"),
                  WAHL + "2 " + name + " 6 10\n" + NAME + BEREICH + nicht_geoeffnet(name + ".txt"));
    }
    EXPECT_EQ(eintraege(ordner), std::vector<std::string>{"liste.txt"});
}

TEST_F(Datei, NullbyteImNamenLenktNichtUm) {
    const std::string name("ab\0c", 4);
    EXPECT_EQ(dialog(primzahllister, "2 " + name + " 6 10\n"),
              WAHL + "2 " + name + " 6 10\n" + NAME + BEREICH + nicht_geoeffnet("ab?c.txt"));
    EXPECT_TRUE(eintraege(ordner).empty());
}

TEST_F(Datei, GrosserBlockUeberDieSpooldatei) {
    EXPECT_EQ(block_anhaengen("speicher.txt", 6, 100000), dateiergebnis::geschrieben);
    for (const std::string faeden : {"1", "7"}) {  // byte for byte the same whatever the number of threads
        faeden_setzen(std::stoul(faeden));
        EXPECT_EQ(block_anhaengen(faeden + ".txt", 6, 100000), dateiergebnis::geschrieben);
        EXPECT_EQ(inhalt(faeden + ".txt"), inhalt("speicher.txt")) << faeden;
    }
    faeden_setzen(0);
    speichergrenze_setzen(100);
    EXPECT_EQ(block_anhaengen("spool.txt", 6, 100000), dateiergebnis::geschrieben);
    speichergrenze_setzen(0);
    EXPECT_EQ(inhalt("spool.txt"), inhalt("speicher.txt"));
    EXPECT_TRUE(inhalt("spool.txt").ends_with(zeilen("\n\nIm Zahlenintervall zwischen 6 bis 100006 gibt es 9590 Primzahlen\n\n")));
    // The commands' sieve appends the same blocks, across a power of ten and up to the top too.
    for (const auto& [von, anzahl] : {std::pair{6u, 100000ull}, {999'999'000u, 2000ull}, {4'294'966'296u, 1000ull}}) {
        ASSERT_EQ(block_anhaengen("probe.txt", von, anzahl), dateiergebnis::geschrieben);
        ASSERT_EQ(block_anhaengen("sieb.txt", von, anzahl, nullptr, primzahlsuche::sieb), dateiergebnis::geschrieben);
        EXPECT_EQ(inhalt("sieb.txt"), inhalt("probe.txt")) << von;
    }
}

#ifndef _WIN32
TEST_F(Datei, RohrOhneLeserHaeltNichtAuf) {
    mkfifo("rohr.txt", 0600);  // no reader: opening must neither hang nor succeed
    EXPECT_EQ(dialog(primzahllister, "2 rohr 6 10\n"), WAHL + "2 rohr 6 10\n" + NAME + BEREICH + nicht_geoeffnet("rohr.txt"));
}

TEST_F(Datei, SchreibgeschuetzterOrdnerWirdGemeldet) {
    fs::create_directory("nur-lesen");
    chmod("nur-lesen", 0555);
    chmod(ordner.c_str(), 0755);
    const std::string bild = im_kind([] {
        // Root may write anywhere; the check needs an ordinary user.
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return std::string("setuid");
        return dialog(primzahllister, "2 nur-lesen/liste 6 10\n");
    });
    EXPECT_EQ(bild, WAHL + "2 nur-lesen/liste 6 10\n" + NAME + BEREICH + nicht_geoeffnet("nur-lesen/liste.txt"));
    EXPECT_TRUE(eintraege(ordner / "nur-lesen").empty());
}

TEST_F(Datei, UnvollstaendigGeschriebenWirdGemeldetUndZurueckgenommen) {
    const std::string frueher = BLOCK_6_10 + "von Hand\n";
    std::ofstream("voll.txt") << frueher;
    const std::string bild = im_kind([] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit grenze{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &grenze);
        return dialog(primzahllister, "2 voll 6 100000\n");
    });
    EXPECT_EQ(bild, WAHL + "2 voll 6 100000\n" + NAME + BEREICH +
                        "\n\n\n\t\t\tDie Datei voll.txt wurde nicht vollstaendig geschrieben !" + T);
    EXPECT_EQ(inhalt("voll.txt"), frueher);
}
// ---- whole blocks only, whatever happens beside and during a listing ------------------------

// Every line a prime, an empty line or a summary; each block's primes followed by its own summary
// with their count. Returns the blocks' summaries in file order.
std::vector<std::string> nur_ganze_bloecke(const std::string& text) {
    std::vector<std::string> summen;
    std::istringstream zeilen(text);
    std::string zeile;
    std::uint32_t gezaehlt = 0;
    while (std::getline(zeilen, zeile)) {
        if (zeile.empty()) continue;
        if (zeile.starts_with("Im Zahlenintervall zwischen ")) {
            EXPECT_NE(zeile.find(" gibt es " + std::to_string(gezaehlt) + " Primzahlen"), std::string::npos) << zeile;
            summen.push_back(zeile);
            gezaehlt = 0;
            continue;
        }
        EXPECT_TRUE(zeile.size() <= 10 && zeile.find_first_not_of("0123456789") == std::string::npos &&
                    std::stoull(zeile) <= 4294967295u)
            << "torn line: " << zeile;
        ++gezaehlt;
    }
    EXPECT_EQ(gezaehlt, 0u) << "primes without their summary";
    EXPECT_TRUE(text.empty() || text.ends_with("Primzahlen\n\n"));
    return summen;
}

int meldung = -1;  // a pipe to the test, for hooks in a child

// Starts `arbeit` in a child process; the caller waits for it.
pid_t nebenher(const std::function<void()>& arbeit) {
    const pid_t kind = fork();
    if (kind == 0) {
        arbeit();
        _exit(0);
    }
    return kind;
}

int warten(pid_t kind) {
    int status = 0;
    waitpid(kind, &status, 0);
    return status;
}

// The outcome of a listing as a child's exit status.
void listen_und_enden(const std::string& name, std::uint32_t zahl, std::uint32_t z3) {
    _exit(static_cast<int>(block_anhaengen(name, zahl, z3)));
}

int ergebnis(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
constexpr int GESCHRIEBEN = static_cast<int>(dateiergebnis::geschrieben);
constexpr int UNVOLLSTAENDIG = static_cast<int>(dateiergebnis::unvollstaendig);
constexpr int TEILWEISE = static_cast<int>(dateiergebnis::teilweise);

TEST_F(Datei, GleichzeitigeListungenVerschraenkenSichNicht) {
    std::ofstream("geteilt.txt", std::ios::binary) << BLOCK_6_10;
    // Each block spans many of the writes a streaming writer would make.
    const pid_t a = nebenher([] { listen_und_enden("geteilt.txt", 6, 700000); });
    const pid_t b = nebenher([] { listen_und_enden("geteilt.txt", 1000000, 700000); });
    EXPECT_EQ(ergebnis(warten(a)), GESCHRIEBEN);
    EXPECT_EQ(ergebnis(warten(b)), GESCHRIEBEN);
    const std::string text = inhalt("geteilt.txt");
    ASSERT_TRUE(text.starts_with(BLOCK_6_10));
    const auto summen = nur_ganze_bloecke(text);
    ASSERT_EQ(summen.size(), 3u);
    EXPECT_EQ(std::count(summen.begin(), summen.end(),
                         "Im Zahlenintervall zwischen 6 bis 700006 gibt es 56541 Primzahlen"), 1);
    EXPECT_EQ(std::count(summen.begin(), summen.end(),
                         "Im Zahlenintervall zwischen 1000000 bis 1700000 gibt es 49643 Primzahlen"), 1);
}

TEST_F(Datei, ScheiternNimmtNurDieEigenenBytesZurueck) {
    const std::string frueher = BLOCK_6_10 + "von Hand\n";
    std::ofstream("geteilt.txt", std::ios::binary) << frueher;
    // A long listing with a file size limit fails late; meanwhile, once it has the file open, a
    // short one finishes.
    int rohr[2];
    ASSERT_EQ(pipe(rohr), 0);
    meldung = rohr[1];
    const pid_t a = nebenher([] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit grenze{8192, 8192};
        setrlimit(RLIMIT_FSIZE, &grenze);
        nach_oeffnen_setzen([](const char*) { if (write(meldung, "x", 1) != 1) _exit(98); });
        listen_und_enden("geteilt.txt", 4000000000u, 300000);
    });
    close(rohr[1]);
    char offen = 0;
    ASSERT_EQ(read(rohr[0], &offen, 1), 1);
    close(rohr[0]);
    EXPECT_EQ(ergebnis(warten(nebenher([] { listen_und_enden("geteilt.txt", 6, 10); }))), GESCHRIEBEN);
    EXPECT_EQ(ergebnis(warten(a)), UNVOLLSTAENDIG);
    EXPECT_EQ(inhalt("geteilt.txt"), frueher + BLOCK_6_10);
}

TEST_F(Datei, GescheiterteErsteListungHinterlaesstKeineDatei) {
    for (const char* name : {"neu.txt", "leer.txt"}) {
        const int status = warten(nebenher([name] {
            // Another process at the moment of removal must not get the lock: its block would go
            // with the file.
            vor_entfernen_setzen([](const char* pfad) {
                const int peer = warten(nebenher([pfad] {
                    flock l{};
                    l.l_type = F_WRLCK;
                    const int fd = open(pfad, O_WRONLY);
                    _exit(fd >= 0 && fcntl(fd, F_SETLK, &l) == 0 ? 1 : 0);
                }));
                if (ergebnis(peer) != 0) _exit(99);
            });
            signal(SIGXFSZ, SIG_IGN);
            const rlimit grenze{16, 16};
            setrlimit(RLIMIT_FSIZE, &grenze);
            listen_und_enden(name, 6, name[0] == 'n' ? 100000 : 2);
        }));
        EXPECT_EQ(ergebnis(status), UNVOLLSTAENDIG) << name;
    }
    EXPECT_TRUE(eintraege(ordner).empty());
}

TEST_F(Datei, NeueDateiNachUmask) {
    struct fall {
        mode_t umask;
        fs::perms rechte;
    };
    using fs::perms;
    for (const fall f : {fall{022, perms::owner_read | perms::owner_write | perms::group_read | perms::others_read},
                         fall{0, perms::owner_read | perms::owner_write | perms::group_read | perms::group_write |
                                     perms::others_read | perms::others_write},
                         fall{077, perms::owner_read | perms::owner_write}}) {
        fs::remove("rechte.txt");
        EXPECT_EQ(ergebnis(warten(nebenher([&f] {
                      umask(f.umask);
                      listen_und_enden("rechte.txt", 6, 10);
                  }))),
                  GESCHRIEBEN);
        EXPECT_EQ(fs::status("rechte.txt").permissions(), f.rechte) << std::oct << f.umask;
    }
}

TEST_F(Datei, BesetzteDateiWirdNachFristNichtBeschrieben) {
    std::ofstream("geteilt.txt", std::ios::binary) << BLOCK_6_10;
    int rohr[2];
    ASSERT_EQ(pipe(rohr), 0);
    // A peer that takes the file's lock and never lets go.
    const pid_t haelt = nebenher([&rohr] {
        const int fd = open("geteilt.txt", O_WRONLY | O_APPEND);
        flock sperre{};
        sperre.l_type = F_WRLCK;
        sperre.l_whence = SEEK_SET;
        if (fcntl(fd, F_SETLK, &sperre) != 0) _exit(1);
        char b = 'x';
        if (write(rohr[1], &b, 1) != 1) _exit(1);
        pause();
    });
    char b = 0;
    ASSERT_EQ(read(rohr[0], &b, 1), 1);
    sperrfrist_setzen(300);
    int grund = 0;
    EXPECT_EQ(block_anhaengen("geteilt.txt", 6, 10, nullptr, primzahlsuche::probedivision, &grund), dateiergebnis::unvollstaendig);
    EXPECT_EQ(grund, grund_gesperrt);
    sperrfrist_setzen(-1);
    kill(haelt, SIGKILL);
    warten(haelt);
    close(rohr[0]);
    close(rohr[1]);
    EXPECT_EQ(inhalt("geteilt.txt"), BLOCK_6_10);
}

TEST_F(Datei, AndereArtenVonDateien) {
    // A link to a file: the block lands in the file, the link stays a link.
    std::ofstream("ziel", std::ios::binary) << "alt\n";
    fs::create_symlink("ziel", "verweis.txt");
    EXPECT_EQ(block_anhaengen("verweis.txt", 6, 10), dateiergebnis::geschrieben);
    EXPECT_EQ(inhalt("ziel"), "alt\n" + BLOCK_6_10);
    EXPECT_TRUE(fs::is_symlink("verweis.txt"));
    // A link to a file not there yet: the file is made.
    fs::create_symlink("spaeter", "vorab.txt");
    EXPECT_EQ(block_anhaengen("vorab.txt", 6, 10), dateiergebnis::geschrieben);
    EXPECT_EQ(inhalt("spaeter"), BLOCK_6_10);
    // Devices: written through, and a full one reported.
    EXPECT_EQ(block_anhaengen("/dev/null", 6, 10), dateiergebnis::geschrieben);
    EXPECT_EQ(block_anhaengen("/dev/full", 6, 10), dateiergebnis::unvollstaendig);
    // A FIFO with a reader gets the whole block. The reader is there before the listing opens the
    // FIFO (opened here, not in a process that may be scheduled late), and the block fits the
    // FIFO's buffer, so it is read once the listing has closed its end.
    ASSERT_EQ(mkfifo("rohr.txt", 0600), 0);
    const int leser = open("rohr.txt", O_RDONLY | O_NONBLOCK);
    ASSERT_GE(leser, 0);
    EXPECT_EQ(block_anhaengen("rohr.txt", 6, 10), dateiergebnis::geschrieben);
    std::string gelesen;
    char puffer[4096];
    for (ssize_t n; (n = read(leser, puffer, sizeof puffer)) > 0;) gelesen.append(puffer, static_cast<std::size_t>(n));
    close(leser);
    EXPECT_EQ(gelesen, BLOCK_6_10);
}
TEST_F(Datei, SpoolOhnePlatzLaesstDieDateiStehen) {
    speichergrenze_setzen(100);
    EXPECT_EQ(block_anhaengen("spool.txt", 6, 10), dateiergebnis::geschrieben);
    EXPECT_EQ(block_anhaengen("speicher.txt", 6, 10), dateiergebnis::geschrieben);
    EXPECT_EQ(block_anhaengen("referenz.txt", 6, 100000), dateiergebnis::geschrieben);
    // A TMPDIR that cannot take the spool: it goes to the system's directory instead.
    std::ofstream("eine-datei", std::ios::binary) << "x";
    // And one that fills up during the run: the spool moves with all it holds.
    fs::create_directory("tmp");
    for (const auto& [tmpdir, voll_bei] : {std::pair{std::string("/nicht/vorhanden"), 0}, {(ordner / "eine-datei").string(), 0},
                                           {(ordner / "tmp").string(), 3}}) {
        EXPECT_EQ(im_kind([&tmpdir = tmpdir, voll_bei = voll_bei] {
                      setenv("TMPDIR", tmpdir.c_str(), 1);
                      tmpdir_voll_bei(voll_bei);
                      return std::to_string(static_cast<int>(block_anhaengen("umweg.txt", 6, 100000)));
                  }),
                  std::to_string(GESCHRIEBEN)) << tmpdir;
        EXPECT_EQ(inhalt("umweg.txt"), inhalt("referenz.txt"));
        fs::remove("umweg.txt");
    }
    // No place for the spool anywhere: reported, and the file is left as it was.
    const std::string frueher = inhalt("spool.txt");
    const std::string bild = im_kind([] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit grenze{50, 50};
        setrlimit(RLIMIT_FSIZE, &grenze);
        return std::to_string(static_cast<int>(block_anhaengen("spool.txt", 6, 100000))) +
               std::to_string(static_cast<int>(block_anhaengen("neu.txt", 6, 100000)));
    });
    speichergrenze_setzen(0);
    EXPECT_EQ(bild, std::string(2, static_cast<char>('0' + UNVOLLSTAENDIG)));
    EXPECT_EQ(inhalt("spool.txt"), frueher);
    EXPECT_EQ(eintraege(ordner), (std::vector<std::string>{"eine-datei", "referenz.txt", "speicher.txt", "spool.txt", "tmp"}));
}

// ---- hostile neighbours: other programs act on the file while a listing appends ---------------

// What another program does between the listing's writes (numbered from 1): appends a line
// without the lock, or cuts the file; then the listing fails on a size limit or is ended by a signal.
void fremd_anhaengen() { std::ofstream("geteilt.txt", std::ios::app | std::ios::binary) << "fremd\n"; }
void zu_gross_ab_jetzt(const char* name = "geteilt.txt") {
    signal(SIGXFSZ, SIG_IGN);
    const auto groesse = static_cast<rlim_t>(fs::file_size(name));
    const rlimit grenze{groesse, groesse};
    setrlimit(RLIMIT_FSIZE, &grenze);
}

struct nachbar {
    const char* name;
    void (*stoerung)(int nr);
    bool nur_anhaengen;   // chattr +a: nothing can be taken back
    bool verweis;         // named by a link to a file not there yet, which must be gone again
    int fremde_zeilen;    // "fremd" lines that must survive
    int geschnitten;      // lines cut short, then ended by the listing, that may remain
};

#ifndef ZIFFERON_SANITIZE
// A limit on the address space a little above what the process has: the workers' stacks fit in
// it and the listing is written; a spool bigger than the room left is reported, the file left as
// it was. Never the runtime's abort.
TEST_F(Datei, AdressraumGrenzeMitMehrerenFaeden) {
    if (unter_valgrind()) GTEST_SKIP() << "valgrind keeps its own address space";
    std::ofstream("grenze.txt", std::ios::binary) << BLOCK_6_10;
    for (const auto& [spool_mib, erwartet] : {std::pair{0ul, GESCHRIEBEN}, std::pair{64ul, UNVOLLSTAENDIG}}) {
        const int status = warten(nebenher([spool = spool_mib] {
            speichergrenze_setzen(spool << 20);  // 0: the usual size
            faeden_setzen(7);
            const auto grenze = static_cast<rlim_t>(status_kib("VmSize:") + 12 * 1024) * 1024;
            const rlimit r{grenze, grenze};
            setrlimit(RLIMIT_AS, &r);
            // An emulator (qemu-user) may not enforce the limit on its guest.
            void* volatile probe = std::malloc(std::size_t{256} << 20);
            if (probe != nullptr) _exit(77);
            listen_und_enden("grenze.txt", 4000000000u, 100000);
        }));
        if (ergebnis(status) == 77) GTEST_SKIP() << "the address-space limit is not enforced here";
        EXPECT_EQ(ergebnis(status), erwartet) << spool_mib << " MiB spool: " << status;
    }
    const auto summen = nur_ganze_bloecke(inhalt("grenze.txt"));
    EXPECT_EQ(summen.size(), 2u);
}
#endif

// Hooks in a child that write a byte to `meldung` each time they act. A file replaced each time
// the listing opens it anew: it tries three times more, then reports the block as not written
// instead of chasing the name for ever. A second ending signal during the first one's clean-up
// (Ctrl-C, then the terminal closing) must not run the clean-up again on top of it. A signal right
// after a failed append has cut its bytes off again adds nothing, and a new file still goes.
void zu_gross_dann_abbruch(const char* name) {
    terminal_oeffnen();
    speichergrenze_setzen(1000);  // the block in several writes
    static const char* datei = name;
    nach_schreiben_setzen([](int nr) { if (nr == 1) zu_gross_ab_jetzt(datei); });
    nach_kuerzen_setzen([] { if (write(meldung, "x", 1) == 1) raise(SIGTERM); });
}
TEST_F(Datei, HakenImKindWirkenSoOftWieErlaubt) {
    struct fall { const char* name; std::uint32_t anzahl; void (*haken)(); long mal; int status; std::optional<std::string> bleibt; };
    const fall faelle[] = {
        {"ersetzt.txt", 10, [] { nach_oeffnen_setzen([](const char* pfad) {
             std::ofstream("ersatz", std::ios::binary) << "ersatz\n";
             std::rename("ersatz", pfad);
             if (write(meldung, "x", 1) != 1) _exit(98);
         }); }, 4, UNVOLLSTAENDIG, "ersatz\n"},
        {"neu.txt", 100000, [] {
             terminal_oeffnen();
             vor_entfernen_setzen([](const char*) { if (write(meldung, "x", 1) == 1) raise(SIGHUP); });
             nach_schreiben_setzen([](int) { raise(SIGINT); });
         }, 1, -1 /* a signal's end */, std::nullopt},
        {"alt.txt", 100000, [] {
             std::ofstream("alt.txt", std::ios::binary) << "alt ohne ende";
             zu_gross_dann_abbruch("alt.txt");
         }, 1, -1, "alt ohne ende"},
        {"frisch.txt", 100000, [] { zu_gross_dann_abbruch("frisch.txt"); }, 1, -1, std::nullopt},
        // The last byte read from the file appended to, not from another one put under its name
        // between the two opens (and back before the append).
        {"zweit.txt", 10, [] {
             std::ofstream("zweit.txt", std::ios::binary) << "alt ohne ende";
             vor_lesend_setzen([](const char* pfad) {
                 std::rename(pfad, "beiseite");
                 std::ofstream(pfad, std::ios::binary) << std::string(64, '\n');  // line ends where the old file has none
                 if (write(meldung, "x", 1) != 1) _exit(98);
             });
             nach_oeffnen_setzen([](const char* pfad) { std::rename("beiseite", pfad); });
         }, 1, GESCHRIEBEN, "alt ohne ende" + zeilen("\n") + BLOCK_6_10},
        // A name that vanishes before each try to open it and appears before each try to make it:
        // three tries, then it is opened as it is.
        {"flackert.txt", 10, [] {
             vor_versuch_setzen([](const char* pfad) {
                 static int versuche = 0;
                 if (++versuche > 20) _exit(97);
                 if (versuche % 2 == 1) std::remove(pfad);
                 else std::ofstream(pfad, std::ios::binary) << "";
                 if (write(meldung, "x", 1) != 1) _exit(98);
             });
         }, 6, GESCHRIEBEN, BLOCK_6_10}};
    for (const fall& f : faelle) {
        int rohr[2];
        ASSERT_EQ(pipe(rohr), 0);
        meldung = rohr[1];
        const int status = warten(nebenher([&f] { f.haken(); listen_und_enden(f.name, 6, f.anzahl); }));
        close(rohr[1]);
        char puffer[16];
        EXPECT_EQ(read(rohr[0], puffer, sizeof puffer), f.mal) << f.name;
        close(rohr[0]);
        EXPECT_EQ(ergebnis(status), f.status) << f.name << ": " << status;
        if (f.bleibt) EXPECT_EQ(inhalt(f.name), *f.bleibt);
        else EXPECT_FALSE(fs::exists(f.name));
    }
}

TEST_F(Datei, FremdeNachbarnBehaltenIhreBytesUndJedeZeileBleibtGanz) {
    // The file ends without a line break, so the listing's first write is the line break alone,
    // the next ones the block's whole lines, each write ending at a line end.
    const nachbar faelle[] = {
        {"Abbruch", [](int nr) { if (nr == 2) raise(SIGINT); }, false, false, 0, -1},
        {"FremdUndZuGross", [](int nr) { if (nr == 1) { fremd_anhaengen(); zu_gross_ab_jetzt(); } }, false, false, 1, 0},
        {"FremdUndAbbruch", [](int nr) { if (nr == 1) fremd_anhaengen(); if (nr == 3) raise(SIGINT); }, false, false, 1, 0},
        {"GestutztUndAbbruch", [](int nr) { if (nr == 1) fs::resize_file("geteilt.txt", 0); if (nr == 3) raise(SIGINT); }, false, false, 0, 0},
        {"FremdZwischenZeilen", [](int nr) { if (nr == 2) fremd_anhaengen(); }, false, false, 1, 0},
        {"NurAnhaengenUndAbbruch", [](int nr) { if (nr == 2) raise(SIGINT); }, true, false, 0, 0},
        {"VerweisUndAbbruch", [](int nr) { if (nr == 1) raise(SIGINT); }, false, true, 0, 0},
    };
    const std::string frueher = BLOCK_6_10 + "von Hand";
    for (const nachbar& f : faelle) {
        SCOPED_TRACE(f.name);
        fs::remove("geteilt.txt");
        if (f.verweis) fs::create_symlink("geteilt.txt", "verweis.txt");
        else std::ofstream("geteilt.txt", std::ios::binary) << frueher;
        if (f.nur_anhaengen && std::system("chattr +a geteilt.txt 2>/dev/null") != 0) continue;
        const int status = warten(nebenher([&f] {
            terminal_oeffnen();  // the handlers that undo a half-made append
            speichergrenze_setzen(1000);
            nach_schreiben_setzen(f.stoerung);
            listen_und_enden(f.verweis ? "verweis.txt" : "geteilt.txt", 4000000000u, 20000);
        }));
        EXPECT_TRUE(!f.nur_anhaengen || std::system("chattr -a geteilt.txt") == 0);
        // Not written, and said whether some of the block stayed.
        EXPECT_TRUE(ergebnis(status) == (f.geschnitten < 0 ? UNVOLLSTAENDIG : TEILWEISE) || (WIFSIGNALED(status) && WTERMSIG(status) == SIGINT)) << status;
        const std::string text = f.verweis ? "" : inhalt("geteilt.txt");
        EXPECT_NE(fs::exists("geteilt.txt"), f.verweis);
        // Own bytes taken back exactly; else nothing grown back, no foreign line lost, none glued.
        if (f.geschnitten < 0 || f.verweis) {
            EXPECT_EQ(text, f.verweis ? "" : frueher);
            fs::remove("verweis.txt");
            continue;
        }
        EXPECT_EQ(text.find('\0'), std::string::npos);
        EXPECT_TRUE(text.ends_with("\n"));
        std::istringstream zeilen(text);
        int fremde = 0, geschnitten = 0;
        for (std::string zeile; std::getline(zeilen, zeile);) {
            fremde += zeile == "fremd";
            const bool zahl = !zeile.empty() && zeile.find_first_not_of("0123456789") == std::string::npos;
            geschnitten += zahl && (zeile.size() > 10 || primtest_einzeln(static_cast<std::uint32_t>(std::stoull(zeile))) != urteil::prim);
        }
        EXPECT_EQ(fremde, f.fremde_zeilen);
        EXPECT_EQ(geschnitten, f.geschnitten);
    }
}
#endif

#ifdef _WIN32
TEST_F(Datei, BesetzteDateiWirdNachFristNichtBeschrieben) {
    std::ofstream("geteilt.txt", std::ios::binary) << BLOCK_6_10;
    // Another listing's handle holding the lock (Windows locks belong to a handle, not a process).
    const HANDLE peer = CreateFileA("geteilt.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(peer, INVALID_HANDLE_VALUE);
    OVERLAPPED ov{};
    ov.Offset = 0xFFFFFFFFu;
    ov.OffsetHigh = 0x7FFFFFFFu;
    ASSERT_TRUE(LockFileEx(peer, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &ov));
    sperrfrist_setzen(300);
    EXPECT_EQ(block_anhaengen("geteilt.txt", 6, 10), dateiergebnis::unvollstaendig);
    UnlockFileEx(peer, 0, 1, 0, &ov);
    EXPECT_EQ(block_anhaengen("geteilt.txt", 6, 10), dateiergebnis::geschrieben);
    sperrfrist_setzen(-1);
    CloseHandle(peer);
    EXPECT_EQ(inhalt("geteilt.txt"), BLOCK_6_10 + BLOCK_6_10);
}
// A crash in the middle of an append, or abort after an exception nobody caught, takes the block
// back as an ending signal does on POSIX, and ends with the crash's own status.
TEST(Absturz, NimmtDenBlockZurueck) {
    // A death test's child runs the test from its start: only the parent prepares the folder.
    const fs::path ordner = fs::temp_directory_path() / "zifferon-absturz";
    if (GTEST_FLAG_GET(internal_run_death_test).empty()) {
        fs::remove_all(ordner);
        fs::create_directory(ordner);
        std::ofstream(ordner / "alt.txt", std::ios::binary) << "alt\n";
    }
    struct fall { const char* name; void (*absturz)(int); int status; };
    for (const fall& f : {fall{"alt.txt", [](int) { RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr); }, static_cast<int>(EXCEPTION_ACCESS_VIOLATION)},
                          fall{"neu.txt", [](int) { std::abort(); }, 3}})
        EXPECT_EXIT((abbruch_einrichten(), nach_schreiben_setzen(f.absturz), block_anhaengen((ordner / f.name).string(), 6, 100000)),
                    ::testing::ExitedWithCode(f.status), "") << f.name;
    EXPECT_TRUE(inhalt(ordner / "alt.txt") == "alt\n") << fs::file_size(ordner / "alt.txt") << " bytes";
    EXPECT_EQ(eintraege(ordner), std::vector<std::string>{"alt.txt"});
    fs::remove_all(ordner);
}
#endif

}  // namespace
