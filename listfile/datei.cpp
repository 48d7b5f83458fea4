#include "listfile/datei.h"

#include <cerrno>
#include <functional>
#include <new>
#include <string_view>

#include "listfile/anhang.h"
#include "listfile/fortschritt.h"
#include "numbers/lauf.h"
#include "numbers/sieb_zeilen.h"

namespace {

// The sieve's primes are counted now and written only as the block is appended, sieved again:
// that costs less than the spool's copy of gigabytes. The progress line follows the writing, the
// long part. A second sieving that disagrees with the first fails the append, which then leaves
// the file as it was.
std::uint32_t sieb_vormerken(spool& block, std::uint64_t von, std::uint64_t bis, fortschritt& f) {
    const siebumfang umfang = sieb_umfang(von, bis, [](std::uint64_t, std::uint32_t) {});
    block.vorweg_bytes = umfang.bytes;
    block.vorweg_zeilen = umfang.primzahlen;
    block.vorweg = [von, bis, umfang, &f](const std::function<bool(const char*, std::size_t)>& nimm) {
        bool weiter = true;
        std::uint64_t bytes = 0;
        std::uint32_t gefunden = 0;
        const std::uint32_t n = sieb_zeilen(von, bis, [&](std::string_view zeilen, std::uint32_t primzahlen, std::uint64_t geprueft) {
            bytes += zeilen.size();
            weiter = zeilen.empty() || nimm(zeilen.data(), zeilen.size());
            fortschritt_melden(f, geprueft, gefunden += primzahlen);
            return weiter;
        });
        return weiter && n == umfang.primzahlen && bytes == umfang.bytes;
    };
    return umfang.primzahlen;
}

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
        const std::uint32_t pz = art == primzahlsuche::sieb ? sieb_vormerken(block, zahl, std::uint64_t{zahl} + z3, f)
                                                            : lauf_ab_null(zahl, z3, zeile, stand);
        if (art != primzahlsuche::sieb) fortschritt_beenden(f);
        spool_anhaengen(block, "\nIm Zahlenintervall zwischen ");
        anhaengen_zahl(block, zahl);
        spool_anhaengen(block, " bis ");
        anhaengen_zahl(block, std::uint64_t{zahl} + z3);
        spool_anhaengen(block, " gibt es ");
        anhaengen_zahl(block, pz);
        spool_anhaengen(block, " Primzahlen\n\n");
    } catch (const std::bad_alloc&) {
        // No memory for the spool or the run (a limit on the address space): reported like any
        // other failure, the file as it was. The append catches its own, the second sieving's.
        fortschritt_beenden(f);
        ziel_aufgeben(zeiger, block);
        if (grund != nullptr) *grund = ENOMEM;
        return dateiergebnis::unvollstaendig;
    }
    const bool geschrieben = ziel_anhaengen(zeiger, block);
    fortschritt_beenden(f);
    if (geschrieben) return dateiergebnis::geschrieben;
    if (grund != nullptr) *grund = zeiger.grund;
    return zeiger.teil_geblieben ? dateiergebnis::teilweise : dateiergebnis::unvollstaendig;
}
