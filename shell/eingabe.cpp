#include "numbers/eingabe.h"

#include "console/konsole.h"

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
