#include "shell/optionen.h"

#include <cerrno>
#include <string>
#include <string_view>

#include "console/fehlertext.h"
#include "console/terminal.h"
#include "shell/befehle.h"

const std::string_view hilfe_zifferon =
    "Aufruf: zifferon [-h | --help | -V | --version | --]\n"
    "       zifferon prim [-n | -q] [ZAHL...]\n"
    "       zifferon teiler [ZAHL...]\n"
    "       zifferon primzahlen [--anzahl | --datei NAME] START\n"
    "                           [ANZAHL | --bis ENDE]\n"
    "\n"
    "Zifferon ist ein menuegefuehrtes Konsolenprogramm fuer elementare Zahlentheorie\n"
    "auf vorzeichenlosen 32-Bit-Zahlen (0 bis 4294967295): alle Teiler einer Zahl,\n"
    "Primzahltest, Primzahlen eines Bereichs auf dem Bildschirm oder angehaengt an\n"
    "eine Textdatei, Anleitung.\n"
    "\n"
    "Ohne Argumente erscheint das Menue: jede Eingabe wird mit der Eingabetaste\n"
    "abgeschlossen, Menuepunkt 5 beendet das Programm, und eine Eingabe am Menue,\n"
    "die keine Zahl ist, waehlt noch einmal, was zuletzt gewaehlt war.\n"
    "\n"
    "Befehle fuer Skripte und Pipelines (Antworten auf der Standardausgabe,\n"
    "Meldungen auf der Standardfehlerausgabe; kein Menue, keine Farben, keine\n"
    "Taste):\n"
    "  prim        ob jede ZAHL eine Primzahl ist (Status 0: alle, 1: nicht alle)\n"
    "  teiler      alle Teiler jeder ZAHL, absteigend\n"
    "  primzahlen  die Primzahlen eines Bereichs, eine je Zeile\n"
    "Ohne ZAHL lesen prim und teiler die Zahlen von der Standardeingabe. Status 2\n"
    "bei einem Fehler. Mehr zu einem Befehl: 'zifferon BEFEHL --help'.\n"
    "\n"
    "Optionen (nur eine wird genommen):\n"
    "  -h, --help     diese Hilfe zeigen und beenden\n"
    "  -V, --version  die Version zeigen und beenden\n"
    "  --             beendet die Optionen (das Menue nimmt keine Argumente)\n"
    "\n"
    "NO_COLOR (nicht leer) schaltet die Farben ab, TERM=dumb alle Steuersequenzen.\n"
    "Mehr in zifferon(1).\n";

int optionen_auswerten(int argc, char** argv) {
    if (argc <= 1) return -1;
    if (ist_befehl(argv[1])) return befehl_ausfuehren(argumente_utf8(argc, argv));
    const std::string_view erstes = argv[1];
    std::string_view text;
    if (erstes == "-h" || erstes == "--help") text = hilfe_zifferon;
    else if (erstes == "-V" || erstes == "--version") text = "zifferon " ZIFFERON_VERSION "\n";
    // "--" ends the options; as the program takes no operands, nothing may follow it.
    const bool bekannt = !text.empty() || erstes == "--";
    if (argc > 2 || !bekannt) {
        // The first argument that is not understood: a known option's extra argument, or itself.
        // Named as typed: on Windows the UTF-16 command line, not argv's code page.
        const std::string meldung = "zifferon: unbekanntes Argument '" + harmlos(argumente_utf8(argc, argv)[bekannt ? 2 : 1]) +
                                    "' (siehe 'zifferon --help')\n";
        direkt_ausgeben(2, meldung);
        return 2;
    }
    if (text.empty()) return -1;
    // A help text that could not be written is no success either, and said so, as an answer is;
    // a reader that has gone is not worth a word.
    if (direkt_ausgeben(1, text)) return 0;
    const int grund = errno != 0 ? errno : EIO;
    if (grund != EPIPE) direkt_ausgeben(2, std::string("zifferon: Die Ausgabe ist fehlgeschlagen: ") + fehlergrund(grund) + "\n");
    return 1;
}
