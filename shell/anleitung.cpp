#include "shell/anleitung.h"

#include <cstdint>

#include "console/konsole.h"

namespace {

constexpr const char* seite1[] = {
    "Allgemein:",
    "\n\n\tDieses Programm arbeitet mit 32-bit interger Werten und",
    "\n\tkann deshalb Zahlen im Bereichvon 0 bis 4294967296  darstellen.",
    "\n\tEs werden unsigned integer als Variablen benutzt, da das ",
    "\n\tPrinzip dieses Programms darauf beruht.",
    "\n\n\n1)Teilbarkeit einer Zahl:",
    "\n\n\tAlle Zahlen durch die, die eingegebene Zahl geteilt werden",
    "\n\tkann, werden ausgegeben.",
    "\n\n\n2)Primzahlcheck:",
    "\n\n\tMan gibt eine Zahl an und bekommt eine Ausgabe,",
    "\n\telche angibt, ob es sich bei der eingegebenen Zahl",
    "\n\tum eine Primzahl handelt oder nicht.",
    "\n\nTaste druecken fuer weiter...",
};

constexpr const char* seite2[] = {
    "\n\n\n3)PrimzahlLister:",
    "\n\n\tBei diesem Programm gibt man zwei Eingabewerte ein,",
    "\n\twelche durch ein Leerzeichen voneinader getrennt eingegeben werden.",
    "\n\tDer erste Wert ist der Startwert\n\t(von dort aus werden aufw\u00e4rts Primzahlen ermittelt",
    "\n\tund der zweite Wert, der Zaehlwert, bestimmt um wieviel\n\tvon dem Startwert aus hochgez\u00e4hlt werden soll",
    "\n\n\tMan nimmt als Beispiel die Eingabe '100 2000',\n\tso werden im Bereich von 100 bis 2100 alle Zahlen \u00fcberpr\u00fcft.",
    "\n\tDie Zahlen, welche Primzahlen sind werden ausgegeben.\n\n\t!!  Bei grossen Zahlen bis ca. 4,2 Milliarden kann die Berechnung !!\n\t!!  etwas Zeit in Anspruch nehmen  !!",
};

}  // namespace

void anleitung() {
    // Scrolls the menu out of sight; the screen is not cleared.
    for (std::uint32_t a = 1; a <= 30; ++a) schreiben("\n");
    for (const char* text : seite1) schreiben(text);
    taste_warten();
    for (const char* text : seite2) schreiben(text);
    taste_warten();
}
