#include "numbers/lister.h"

#include "console/konsole.h"
#include "numbers/datei.h"
#include "numbers/eingabe.h"

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

}  // namespace

bool bereich_eingeben(std::uint32_t& zahl, std::uint32_t& z3) {
    for (;;) {
        schreiben("\n\nBitte Start- und Zaehlwert eingeben: ");
        const gelesen s = lesen_uu(zahl, z3);
        if (s == gelesen::ende) return false;
        if (s != gelesen::ok) {
            verwerfen();
            schreiben(keine_gueltige_zahl);
        } else if (zahl <= 5 || z3 <= 1) {
            schreiben("\n\n\n\t\t\tDer Startwert muss >5 und der Zaehlwert >1 sein !");
        } else if (lauf_ende(zahl, z3) > 4294967296u) {
            schreiben("\n\n\n\t\t\tStartwert + Zaehlwert darf 4294967296 nicht ueberschreiten !");
        } else {
            return true;
        }
    }
}

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
