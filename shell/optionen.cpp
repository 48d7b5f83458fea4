#include "shell/optionen.h"

#include <string>
#include <string_view>

#include "console/fehlertext.h"
#include "console/terminal.h"

namespace {

constexpr const char* hilfe =
    "Aufruf: zifferon [-h | --help | -V | --version | --]\n"
    "\n"
    "Zifferon ist ein men\u00fcgef\u00fchrtes Konsolenprogramm f\u00fcr elementare Zahlentheorie\n"
    "auf vorzeichenlosen 32-Bit-Zahlen (0 bis 4294967295): alle Teiler einer Zahl,\n"
    "Primzahltest, Primzahlen eines Bereichs auf dem Bildschirm oder angeh\u00e4ngt an\n"
    "eine Textdatei, Anleitung.\n"
    "\n"
    "Es ist interaktiv: Ohne Argumente erscheint das Men\u00fc, jede Eingabe wird mit der\n"
    "Eingabetaste abgeschlossen, Men\u00fcpunkt 5 beendet das Programm.\n"
    "\n"
    "Optionen:\n"
    "  -h, --help     diese Hilfe zeigen und beenden\n"
    "  -V, --version  die Version zeigen und beenden\n"
    "  --             beendet die Optionen (das Programm nimmt keine weiteren Argumente)\n"
    "\n"
    "Aus einem Skript l\u00e4sst es sich \u00fcber eine Pipe bedienen; ohne steuerndes\n"
    "Terminal wartet es auf keine Taste:\n"
    "  printf '2\\n97\\n5\\n' | setsid zifferon\n"
    "\n"
    "NO_COLOR (nicht leer) schaltet die Farben ab, TERM=dumb alle Steuersequenzen.\n"
    "Mehr in zifferon(1).\n";

}  // namespace

int optionen_auswerten(int argc, char** argv) {
    if (argc <= 1) return -1;
    const std::string_view erstes = argv[1];
    const char* text = nullptr;
    if (erstes == "-h" || erstes == "--help") text = hilfe;
    else if (erstes == "-V" || erstes == "--version") text = "zifferon " ZIFFERON_VERSION "\n";
    // "--" ends the options; as the program takes no operands, nothing may follow it.
    const bool bekannt = text != nullptr || erstes == "--";
    if (argc > 2 || !bekannt) {
        // The first argument that is not understood: a known option's extra argument, or itself.
        const std::string meldung = "zifferon: unbekanntes Argument '" + harmlos(bekannt ? argv[2] : argv[1]) +
                                    "' (siehe 'zifferon --help')\n";
        direkt_ausgeben(2, meldung);
        return 2;
    }
    if (text == nullptr) return -1;
    // A help text that could not be written is no success either.
    return direkt_ausgeben(1, text) ? 0 : 1;
}
