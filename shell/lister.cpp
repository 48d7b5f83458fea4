#include "shell/lister.h"

#include "console/konsole.h"
#include "listfile/datei.h"

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
