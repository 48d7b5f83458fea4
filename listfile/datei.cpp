#include "listfile/datei.h"

#include <cerrno>
#include <new>

#include "listfile/anhang.h"
#include "listfile/fortschritt.h"
#include "numbers/lauf.h"
#include "numbers/sieb.h"

namespace {

void anhaengen_zahl(spool& block, std::uint64_t zahl) {
    char platz[20];
    spool_anhaengen(block, zahl_als_text(zahl, platz));
}

}  // namespace

dateiergebnis block_anhaengen(const std::string& name, std::uint32_t zahl, std::uint64_t z3, fortschritt_anzeige zeigen,
                              primzahlsuche art, int* grund) {
    // Opened before the run, so a name that cannot be used is reported before the work.
    ziel zeiger;
    if (!ziel_oeffnen(zeiger, name)) {
        if (grund != nullptr) *grund = errno;
        return dateiergebnis::nicht_geoeffnet;
    }
    spool block;
    fortschritt f = fortschritt_beginnen(z3, zeigen);
    try {
        const auto zeile = [&block](std::uint32_t primzahl) { return spool_zeile(block, primzahl); };
        const auto stand = [&f](std::uint64_t geprueft, std::uint32_t gefunden) { fortschritt_melden(f, geprueft, gefunden); };
        const std::uint32_t pz = art == primzahlsuche::sieb ? sieb_lauf(zahl, std::uint64_t{zahl} + z3, zeile, stand)
                                                            : lauf_ab_null(zahl, z3, zeile, stand);
        fortschritt_beenden(f);
        spool_anhaengen(block, "\nIm Zahlenintervall zwischen ");
        anhaengen_zahl(block, zahl);
        spool_anhaengen(block, " bis ");
        anhaengen_zahl(block, std::uint64_t{zahl} + z3);
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
