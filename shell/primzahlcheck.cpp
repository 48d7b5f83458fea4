#include "shell/primzahlcheck.h"

#include "console/konsole.h"
#include "numbers/primzahl.h"
#include "shell/eingabe.h"

// 1, 2 and 5 have fixed answers: the test misjudges them.
void primzahlcheck() {
    std::uint32_t zahl = 0;
    if (!zahl_eingeben(zahl)) return;
    if (zahl == 1) {
        schreiben("\n 1 ist zwar nur durch 1 und sich selbst teilbar, aber trotzdem keine Primzahl...");
        taste_warten();
    } else if (zahl == 2 || zahl == 5) {
        schreiben(zahl == 2 ? "\n\n 2 ist eine Primzahl" : "\n\n 5 ist eine Primzahl");
        taste_warten();
    } else if (primtest(zahl) == urteil::prim) {
        schreiben("\n");
        schreiben_zahl(zahl);
        schreiben(" ist eine Primzahl");
        taste_warten();
        taste_warten();
    } else {
        schreiben("\n\n");
        schreiben_zahl(zahl);
        schreiben(" ist keine Primzahl");
        taste_warten();
    }
}
