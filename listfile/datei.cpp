#include "listfile/datei.h"

#include <new>

#include "console/fehlertext.h"
#include "console/konsole.h"
#include "listfile/anhang.h"
#include "listfile/fortschritt.h"
#include "numbers/lauf.h"

namespace {

void anhaengen_zahl(spool& block, std::uint64_t zahl) {
    char platz[20];
    spool_anhaengen(block, zahl_als_text(zahl, platz));
}

}  // namespace

dateiergebnis block_anhaengen(const std::string& name, std::uint32_t zahl, std::uint32_t z3, bool zeigen) {
    // Opened before the run, so a name that cannot be used is reported before the work.
    ziel zeiger;
    if (!ziel_oeffnen(zeiger, name)) return dateiergebnis::nicht_geoeffnet;
    spool block;
    fortschritt f = fortschritt_beginnen(z3);
    try {
        const std::uint32_t pz = lauf(
            zahl, z3, [&block](std::uint32_t primzahl) { return spool_zeile(block, primzahl); },
            [&f, zeigen](std::uint64_t geprueft, std::uint32_t gefunden) {
                if (zeigen) fortschritt_melden(f, geprueft, gefunden);
            });
        fortschritt_beenden(f);
        spool_anhaengen(block, "\nIm Zahlenintervall zwischen ");
        anhaengen_zahl(block, zahl);
        spool_anhaengen(block, " bis ");
        anhaengen_zahl(block, lauf_ende(zahl, z3));
        spool_anhaengen(block, " gibt es ");
        anhaengen_zahl(block, pz);
        spool_anhaengen(block, " Primzahlen\n\n");
    } catch (const std::bad_alloc&) {
        // No memory for the spool or the run (a limit on the address space): reported like any
        // other failure, the file as it was. The append itself allocates nothing that can throw.
        fortschritt_beenden(f);
        ziel_aufgeben(zeiger, block);
        return dateiergebnis::unvollstaendig;
    }
    return ziel_anhaengen(zeiger, block) ? dateiergebnis::geschrieben : dateiergebnis::unvollstaendig;
}

void dateiausgabe() {
    std::string string;
    for (;;) {
        schreiben("\n\nNamen fuer Datei eingeben: ");
        const gelesen s = lesen_s(string, laengster_name);
        if (s == gelesen::ende) return;
        if (s == gelesen::ok) break;
        verwerfen();
        schreiben("\n\n\n\t\t\tDer Name darf hoechstens 75 Zeichen lang sein !");
    }
    string += ".txt";

    std::uint32_t zahl = 0;
    std::uint32_t z3 = 0;
    if (!bereich_eingeben(zahl, z3)) return;
    const dateiergebnis e = block_anhaengen(string, zahl, z3, true);
    if (e == dateiergebnis::geschrieben) return;
    schreiben("\n\n\n\t\t\tDie Datei ");
    schreiben(harmlos(string));
    schreiben(e == dateiergebnis::nicht_geoeffnet ? " kann nicht geoeffnet werden !"
                                                   : " wurde nicht vollstaendig geschrieben !");
    taste_warten();
}
