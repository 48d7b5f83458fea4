#include "tests/skript.h"

#include "console/konsole.h"
#include "shell/menue.h"

skript::skript(std::string_view eingabe, bool bildschirm) : rest(eingabe), ist_bildschirm(bildschirm) {}

// One line per call, as a terminal in line mode hands it over, echoed into the transcript.
bool skript::zeile_lesen(std::string& zeile) {
    if (rest.empty()) return false;
    const auto umbruch = rest.find('\n');
    const std::size_t laenge = umbruch == std::string::npos ? rest.size() : umbruch + 1;
    zeile = rest.substr(0, laenge);
    rest.erase(0, laenge);
    protokoll += zeile;
    return true;
}

bool skript::ausgeben(std::string_view bytes) {
    if (++schreibvorgaenge > kaputt_nach) ausgabe_kaputt = true;
    if (ausgabe_kaputt) return false;
    protokoll += bytes;
    return true;
}

void skript::taste() {
    ++tasten;
    protokoll += TASTE;
}

void skript::farben_an() {
    if (ist_bildschirm) protokoll += sequenz::farben;
}

void skript::loeschen() {
    if (ist_bildschirm) protokoll += sequenz::loeschen;
}

std::string dialog(void (*werkzeug)(), std::string_view eingabe, bool bildschirm) {
    skript s(eingabe, bildschirm);
    konsole_einsetzen(s);
    werkzeug();
    anzeigen();
    return s.protokoll;
}

std::string programm(std::string_view eingabe, bool bildschirm) {
    return dialog(
        [] {
            farben_setzen();
            menue_schleife();
        },
        eingabe, bildschirm);
}

std::string menue_bild() {
    return std::string(sequenz::loeschen) +
           "\n\n\t\tZ I F F E R O N  ver.1.4"
           "\n\n\t\t\t\tvon Edo Varnik"
           "\n\n1)Teilbarkeit einer Zahl\n2)PrimzahlCheck\n3)PrimzahlLister\n\n4)Anleitung\n\n5)Zifferon beenden"
           "\n\nIhre Wahl: ";
}
