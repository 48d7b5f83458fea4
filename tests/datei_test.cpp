// The prime list file against real files in a temporary directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "console/konsole.h"
#include "numbers/datei.h"
#include "numbers/lister.h"
#include "tests/skript.h"

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
    std::ofstream("liste.txt", std::ios::binary) << "alt\nohne Zeilenende";
    programm("3\n2 liste 6 10\n5\n");
    EXPECT_EQ(inhalt("liste.txt"), "alt\nohne Zeilenende" + BLOCK_6_10);
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

TEST_F(Datei, EndeDerEingabeSchreibtNichts) {
    EXPECT_EQ(dialog(primzahllister, "2\n"), WAHL + "2\n" + NAME);
    EXPECT_EQ(dialog(primzahllister, "2 liste\n6\n"), WAHL + "2 liste\n" + NAME + BEREICH + "6\n");
    EXPECT_TRUE(eintraege(ordner).empty());
}

// ---- files that cannot be opened or written -------------------------------------------------

std::string nicht_geoeffnet(const std::string& name) {
    return "\n\n\n\t\t\tDie Datei " + name + " kann nicht geoeffnet werden !" + T;
}

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
              WAHL + "2 " + name + " 6 10\n" + NAME + BEREICH + nicht_geoeffnet(name + ".txt"));
    EXPECT_TRUE(eintraege(ordner).empty());
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
#endif

}  // namespace
