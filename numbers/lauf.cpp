#include "numbers/lauf.h"

#include <algorithm>

#include "console/konsole.h"
#include "numbers/eingabe.h"

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

void lauf_stueck_pruefen(std::uint32_t zahl, std::uint32_t z3, std::uint64_t i, std::uint64_t* masken) {
    const std::uint64_t ab = i * lauf_stueck;
    const auto anzahl = static_cast<std::uint32_t>(ab < z3 ? std::min<std::uint64_t>(lauf_stueck, z3 - ab) : 0);
    primzahlen_im_lauf(static_cast<std::uint32_t>(zahl + ab), anzahl, masken);
    // The blocks past the run's end, which primzahlen_im_lauf leaves alone.
    for (unsigned b = (anzahl + 63) / 64; b < lauf_bloecke; ++b) masken[b] = 0;
}
