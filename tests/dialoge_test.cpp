// Whole dialogues of the real program, one table run three ways: the Linux binary in a
// pseudo-terminal and through pipes, and the Windows build, zifferon.exe, through pipes under wine
// (CR LF aside, the same text and the same list file). The Windows runs need the Windows build and
// wine: `.ci/run` sets ZIFFERON_WINE=1 after building it with `cmake --workflow --preset windows`.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "tests/pty.h"
#include "tests/umgebung.h"

namespace {

// A key press at a key wait: in a terminal a key is typed; through pipes there is no keyboard and
// a wait returns at once.
constexpr char TASTE = '\1';

struct dialog {
    const char* name;
    std::vector<std::string> argumente;
    std::string eingabe;                // typed lines, with a TASTE for each key wait
    std::vector<std::string> erwartet;  // what the output shows, in this order
    int status;                         // the exit status
    std::string datei;                  // liste.txt afterwards; empty: none was made
};

std::ostream& operator<<(std::ostream& os, const dialog& d) { return os << d.name; }

const std::string BLOCK = "7\n11\n13\n\nIm Zahlenintervall zwischen 6 bis 16 gibt es 3 Primzahlen\n\n";

const dialog dialoge[] = {
    {"Primzahl", {}, "2\n97\n\1\1" "5\n", {"Bitte Zahl eingeben: ", "97 ist eine Primzahl", "Ihre Wahl: "}, 0, ""},
    {"KeinePrimzahl", {}, "2\n91\n\1" "5\n", {"91 ist keine Primzahl"}, 0, ""},
    {"Teiler", {}, "1\n12\n\1" "5\n",
     {"die zahl  ist durch 12 teilbar", "durch 6 teilbar", "durch 4 teilbar", "durch 3 teilbar",
      "durch 2 teilbar", "durch 1 teilbar"}, 0, ""},
    {"ListeAufDemBildschirm", {}, "3\n1\n6 10\n\1" "5\n",
     {"7 ist eine Primzahl", "11 ist eine Primzahl", "13 ist eine Primzahl",
      "In dem Zahlenintervall von 6 bis 16 gibt es 3 Primzahlen"}, 0, ""},
    {"ListeInDatei", {}, "3\n2\nliste\n6 10\n5\n", {"Namen fuer Datei eingeben: ", "Bitte Start- und Zaehlwert eingeben: ", "Ihre Wahl: "}, 0, BLOCK},
    {"Anleitung", {}, "4\n\1\1" "5\n", {"Taste druecken fuer weiter...", "aufw\xC3\xA4rts", "etwas Zeit in Anspruch nehmen  !!"}, 0, ""},
    {"UngueltigeWahl", {}, "9\n\1" "5\n", {"\a\t\tUngueltige Eingabe !", "Ihre Wahl: "}, 0, ""},
    {"EndeDerEingabe", {}, "2\n", {"Bitte Zahl eingeben: "}, 0, ""},
    {"Hilfe", {"--help"}, "", {"Aufruf: zifferon"}, 0, ""},
    {"Version", {"-V"}, "", {"zifferon 1.4\n"}, 0, ""},
    {"Unbekannt", {"--bogus"}, "", {}, 2, ""},
};

// Every expected piece, in order.
std::string fehlendes(const std::string& ausgabe, const std::vector<std::string>& erwartet) {
    std::size_t ab = 0;
    for (const std::string& teil : erwartet) {
        const std::size_t da = ausgabe.find(teil, ab);
        if (da == std::string::npos) return teil;
        ab = da + teil.size();
    }
    return "";
}

std::string ohne_cr(std::string text) {
    std::erase(text, '\r');
    return text;
}

std::string inhalt(const std::filesystem::path& datei) {
    std::ifstream f(datei, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// The Windows build started through the script that runs it under wine in the tests' prefix.
std::vector<std::string> wine_befehl(const std::vector<std::string>& argumente) {
    std::vector<std::string> befehl{std::string(ZIFFERON_QUELLEN) + "/cmake/wine-zifferon"};
    befehl.insert(befehl.end(), argumente.begin(), argumente.end());
    return befehl;
}

bool mit_wine() {
    const char* an = std::getenv("ZIFFERON_WINE");
    return an != nullptr && std::string(an) == "1";
}

enum class weg { terminal, rohre, wine };

class Dialog : public ::testing::TestWithParam<dialog> {
protected:
    void SetUp() override {
        char muster[] = "/tmp/zifferon-dialog-XXXXXX";
        ASSERT_NE(mkdtemp(muster), nullptr);
        ordner = muster;
    }
    void TearDown() override { std::filesystem::remove_all(ordner); }

    // Runs the row and checks what it showed, how it ended and the list file; `crlf`: the file's
    // lines end in CR LF.
    void pruefen(weg w) {
        const dialog& d = GetParam();
        std::string ausgabe;
        int status = -1;
        if (w == weg::terminal) {
            std::vector<std::string> befehl{ZIFFERON_BINARY};
            befehl.insert(befehl.end(), d.argumente.begin(), d.argumente.end());
            sitzung s = starten_mit(befehl, ordner.c_str());
            std::string tasten = d.eingabe;
            for (char& c : tasten)
                if (c == TASTE) c = 'x';
            tippen(s, tasten + "\x04");  // and the end of input, where the dialogue has not ended
            status = ende_abwarten(s);
            ausgabe = s.ausgabe;
            schliessen(s);
        } else {
            std::string eingabe = d.eingabe;
            std::erase(eingabe, TASTE);
            auto [aus, st] = durch_rohre(w == weg::wine ? wine_befehl(d.argumente) : [&] {
                std::vector<std::string> b{ZIFFERON_BINARY};
                b.insert(b.end(), d.argumente.begin(), d.argumente.end());
                return b;
            }(), eingabe, ordner.c_str());
            ausgabe = w == weg::wine ? ohne_cr(aus) : aus;
            status = st;
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == d.status) << status;
        EXPECT_EQ(fehlendes(ausgabe, d.erwartet), "") << ausgabe;
        const auto liste = std::filesystem::path(ordner) / "liste.txt";
        if (d.datei.empty()) {
            EXPECT_FALSE(std::filesystem::exists(liste));
        } else {
            const std::string text = inhalt(liste);
            EXPECT_EQ(w == weg::wine ? ohne_cr(text) : text, d.datei);
            // Windows programs expect CR LF: every line ends so there.
            if (w == weg::wine) {
                EXPECT_EQ(text.size(), d.datei.size() + std::count(d.datei.begin(), d.datei.end(), '\n'));
            }
        }
    }

    std::string ordner;
};

TEST_P(Dialog, ImTerminal) { pruefen(weg::terminal); }
TEST_P(Dialog, DurchRohre) { pruefen(weg::rohre); }
TEST_P(Dialog, WindowsDurchRohre) {
    if (!mit_wine()) GTEST_SKIP() << "ZIFFERON_WINE=1 with the Windows build";
    pruefen(weg::wine);
}

INSTANTIATE_TEST_SUITE_P(Tabelle, Dialog, ::testing::ValuesIn(dialoge),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- what wine's console can show: zifferon.exe in a pseudo-terminal ---------------------------

// After the last visible character the console's screen was blanked: the cursor sent home and the
// lines erased, as "cls" shows under wine.
bool zuletzt_geloescht(const std::string& ausgabe) {
    std::size_t sichtbar = 0;
    for (std::size_t i = 0; i < ausgabe.size(); ++i) {
        if (ausgabe[i] == '\x1b') {
            while (++i < ausgabe.size() && !(ausgabe[i] >= '@' && ausgabe[i] <= '~' && ausgabe[i] != '[')) {
            }
        } else if (ausgabe[i] != ' ' && ausgabe[i] != '\n') {
            sichtbar = i;
        }
    }
    const std::string rest = ausgabe.substr(sichtbar + 1);
    std::size_t geloescht = 0;
    for (std::size_t p = 0; (p = rest.find("\x1b[K", p)) != std::string::npos; ++p) ++geloescht;
    return rest.find("\x1b[H") != std::string::npos && geloescht >= 20;
}

struct konsolenfall {
    const char* name;
    std::string vorher;    // typed first
    std::string warten;    // shown before the rest is typed
    std::string dann;
    int status;            // 58: STATUS_CONTROL_C_EXIT (0xC000013A) as wine passes it on
};

TEST(WindowsKonsole, BeendenUndStrgCRaeumenAufMitDemRichtigenStatus) {
    if (!mit_wine()) GTEST_SKIP() << "ZIFFERON_WINE=1 with the Windows build";
    setenv("ZIFFERON_FORTSCHRITT_MS", "0", 1);  // the progress line at once
    for (const konsolenfall& f : {konsolenfall{"Beenden", "5\r", "", "", 0},
                                  konsolenfall{"StrgCAmMenue", "", "", "\x03", 58},
                                  konsolenfall{"StrgCBeiTaste", "2\r97\r", "97 ist eine Primzahl", "\x03", 58},
                                  // Its progress line shows in the console too.
                                  konsolenfall{"StrgCBeiDerDatei", "3\r2\rliste\r4000000000 200000000\r", "% geprueft", "\x03", 58}}) {
        SCOPED_TRACE(f.name);
        char muster[] = "/tmp/zifferon-konsole-XXXXXX";
        ASSERT_NE(mkdtemp(muster), nullptr);
        sitzung s = starten_mit(wine_befehl({}), muster);
        ASSERT_TRUE(lesen_bis(s, "Ihre Wahl: ", 0, 30000)) << s.ausgabe;
        ASSERT_TRUE(warten_bis_roh(s, 30000));  // wine's console has the terminal in its own mode
        tippen(s, f.vorher);
        if (!f.warten.empty()) {
            ASSERT_TRUE(lesen_bis(s, f.warten, 0, 30000));
        }
        tippen(s, f.dann);
        const int status = ende_abwarten(s, 30000);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == f.status) << status;
        EXPECT_TRUE(zuletzt_geloescht(s.ausgabe)) << s.ausgabe.substr(s.ausgabe.size() > 300 ? s.ausgabe.size() - 300 : 0);
        // A file the interrupted listing made is gone again.
        EXPECT_TRUE(std::filesystem::is_empty(muster));
        schliessen(s);
        std::filesystem::remove_all(muster);
    }
    unsetenv("ZIFFERON_FORTSCHRITT_MS");
}

}  // namespace
