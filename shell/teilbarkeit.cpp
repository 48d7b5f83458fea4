#include "shell/teilbarkeit.h"

#include "console/konsole.h"
#include "numbers/teiler.h"
#include "shell/eingabe.h"

void teilbarkeit() {
    std::uint32_t zahl = 0;
    if (!zahl_eingeben(zahl)) return;
    teiler_absteigend(zahl, [](std::uint32_t i) {
        schreiben("\n\ndie zahl  ist durch ");
        schreiben_zahl(i);
        schreiben(" teilbar");
        // Near the top of the range the next divisor may be seconds away.
        anzeigen();
        // Nobody reads any more: the rest of the listing would be wasted.
        return !eingabe_zu_ende();
    });
    taste_warten();
}
