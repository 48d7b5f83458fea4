#include "shell/eingabe.h"

#include "console/konsole.h"
#include "numbers/lauf.h"

bool zahl_eingeben(std::uint32_t& zahl) {
    for (;;) {
        schreiben("\n\nBitte Zahl eingeben: ");
        const gelesen s = lesen_u(zahl);
        if (s == gelesen::ende) return false;
        if (s != gelesen::ok) {
            verwerfen();
            schreiben(keine_gueltige_zahl);
        } else if (zahl == 0) {
            schreiben("\n\n\n\t\t\tDie Zahl muss groesser als 0 sein !");
        } else {
            return true;
        }
    }
}

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
