#include "shell/lister.h"

#include <string>
#include <string_view>

#include "console/fehlertext.h"
#include "console/konsole.h"
#include "listfile/datei.h"
#include "numbers/lauf.h"
#include "shell/eingabe.h"

namespace {

void bildschirmausgabe() {
    std::uint32_t zahl = 0;
    std::uint32_t z3 = 0;
    if (!bereich_eingeben(zahl, z3)) return;
    const std::uint32_t pz = lauf(zahl, z3, [](std::uint32_t primzahl) {
        schreiben("\n\n");
        schreiben_zahl(primzahl);
        schreiben(" ist eine Primzahl");
        anzeigen_zeitnah();
        return !eingabe_zu_ende();
    });
    schreiben("\n\nIn dem Zahlenintervall von ");
    schreiben_zahl(zahl);
    schreiben(" bis ");
    schreiben_zahl(lauf_ende(zahl, z3));
    schreiben(" gibt es ");
    schreiben_zahl(pz);
    schreiben(" Primzahlen");
    taste_warten();
}

// The longest name a user may type; ".txt" is added to it. Its message says the number.
constexpr std::size_t laengster_name = 75;
constexpr std::string_view zu_langer_name = "\n\n\n\t\t\tDer Name darf hoechstens 75 Zeichen lang sein !";
constexpr bool nennt(std::string_view text, std::size_t zahl) {
    char wort[24] = {};
    std::size_t ab = sizeof wort - 1;
    wort[--ab] = ' ';
    for (; zahl > 0; zahl /= 10) wort[--ab] = static_cast<char>('0' + zahl % 10);
    wort[--ab] = ' ';
    return text.find(std::string_view(wort + ab, sizeof wort - 1 - ab)) != std::string_view::npos;
}
static_assert(nennt(zu_langer_name, laengster_name));

// Name and range entry, then the block; back to the menu at once on success.
void dateiausgabe() {
    std::string string;
    for (;;) {
        schreiben("\n\nNamen fuer Datei eingeben: ");
        const gelesen s = lesen_s(string, laengster_name);
        if (s == gelesen::ende) return;
        if (s == gelesen::ok) break;
        verwerfen();
        schreiben(zu_langer_name);
    }
    string += ".txt";

    std::uint32_t zahl = 0;
    std::uint32_t z3 = 0;
    if (!bereich_eingeben(zahl, z3)) return;
    const dateiergebnis e = block_anhaengen(string, zahl, z3, status_zeigen);
    if (e == dateiergebnis::geschrieben) return;
    schreiben("\n\n\n\t\t\tDie Datei ");
    schreiben(harmlos(string));
    schreiben(e == dateiergebnis::nicht_geoeffnet ? " kann nicht geoeffnet werden !"
                                                   : " wurde nicht vollstaendig geschrieben !");
    taste_warten();
}

}  // namespace

void primzahllister() {
    for (;;) {
        schreiben("\n\n1)Auf Bildschirm ausgeben\n2)In Datei schreiben\n\nWahl: ");
        std::int32_t idatei = 0;
        const gelesen s = lesen_i(idatei);
        if (s == gelesen::ende) return;
        if (s == gelesen::ok && idatei == 1) return bildschirmausgabe();
        if (s == gelesen::ok && idatei == 2) return dateiausgabe();
        if (s != gelesen::ok) verwerfen();
        schreiben("\n\nUngueltige Eingabe ");
        taste_warten();
    }
}
