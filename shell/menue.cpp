#include "shell/menue.h"

#include <cstdint>

#include "console/konsole.h"
#include "shell/anleitung.h"
#include "shell/lister.h"
#include "shell/primzahlcheck.h"
#include "shell/teilbarkeit.h"

namespace {

void menue_zeigen() {
    bildschirm_loeschen();
    schreiben("\n\n\t\tZ I F F E R O N  ver.1.4");
    schreiben("\n\n\t\t\t\tvon Edo Varnik");
    schreiben("\n\n1)Teilbarkeit einer Zahl\n2)PrimzahlCheck\n3)PrimzahlLister\n\n4)Anleitung\n\n5)Zifferon beenden");
    schreiben("\n\nIhre Wahl: ");
}

}  // namespace

void menue_schleife() {
    std::int32_t hauptmenue = 1;
    // 0 until a choice is read, so an entry that is no number at first counts as invalid.
    std::int32_t wahl = 0;
    while (hauptmenue == 1 && !eingabe_zu_ende()) {
        menue_zeigen();
        const gelesen s = lesen_d(wahl);
        if (s == gelesen::ende) break;
        if (s == gelesen::zu_gross) wahl = 0;
        verwerfen();
        switch (wahl) {
        case 1: teilbarkeit(); break;
        case 2: primzahlcheck(); break;
        case 3: primzahllister(); break;
        case 4: anleitung(); break;
        case 5: hauptmenue = 0; break;
        default:
            schreiben("\n\n\a\t\tUngueltige Eingabe !");
            taste_warten();
        }
    }
    anzeigen();
}
