#include <cstdint>
#include <string>
#include <string_view>

#include "console/fehlertext.h"
#include "console/terminal.h"
#include "console/umwandlung.h"
#include "console/woerter.h"
#include "listfile/datei.h"
#include "listfile/fortschritt.h"
#include "numbers/sieb_zeilen.h"
#include "shell/befehle.h"
#include "shell/befehle_intern.h"

const std::string_view hilfe_primzahlen =
    "Aufruf: zifferon primzahlen [--anzahl | --datei NAME] START\n"
    "                           [ANZAHL | --bis ENDE]\n"
    "\n"
    "Gibt die Primzahlen unter START, START+1, ..., START+ANZAHL-1 aus, eine je\n"
    "Zeile, aufsteigend; mit --bis die von START bis einschliesslich ENDE. Ohne\n"
    "ANZAHL und ENDE geht der Bereich bis 4294967295.\n"
    "\n"
    "  --anzahl      nur die Zahl der Primzahlen im Bereich ausgeben\n"
    "  --bis ENDE    der Bereich endet mit ENDE (statt einer ANZAHL)\n"
    "  --datei NAME  den Block des Bereichs an die Datei NAME anhaengen, wie\n"
    "                Menuepunkt 3 es tut (die Primzahlen, eine Zusammenfassung);\n"
    "                ohne Ausgabe\n"
    "\n"
    "Bei --anzahl und --datei zeigt ein Terminal auf der Standardfehlerausgabe den\n"
    "Fortschritt. Status: 0, oder 2 bei einem Fehler.\n";

namespace {

// Each piece's lines written in one go: large writes keep the pipe busy.
bool primzahlen_auflisten(std::uint64_t von, std::uint64_t bis) {
    bool weiter = true;
    sieb_zeilen(von, bis, [&weiter](std::string_view zeilen, std::uint32_t, std::uint64_t) { return weiter = ausgeben(zeilen); });
    return weiter;
}

}  // namespace

int befehl_primzahlen(const std::vector<std::string>& argumente) {
    constexpr std::string_view befehl = "primzahlen";
    argumente_zerlegt z;
    if (!zerlegen(befehl, argumente, {"--anzahl"}, {"--datei", "--bis"}, z)) return 2;
    if (const int status = hilfe_oder_version(befehl, z, hilfe_primzahlen); status >= 0) return status;
    bool zaehlen = false;
    const std::string* datei = nullptr;
    const std::string* ende_text = nullptr;
    for (const auto& [option, wert] : z.optionen) {
        if (option == "--anzahl") zaehlen = true;
        else if (option == "--bis") ende_text = &wert;
        else datei = &wert;
    }
    if (zaehlen && datei != nullptr) return melden(befehl, "--anzahl und --datei schliessen einander aus");
    // "-" names no file here (the list goes to standard output without --datei): refused, rather
    // than a file of that name made.
    if (datei != nullptr && (*datei == "-" || datei->empty()))
        return melden(befehl, "--datei braucht einen Dateinamen; ohne --datei gehen die Primzahlen auf die Standardausgabe");
    if (z.operanden.empty()) return melden(befehl, "der Startwert fehlt (siehe 'zifferon primzahlen --help')");
    if (z.operanden.size() > 2) return unbekannt(befehl, z.operanden[2]);
    if (ende_text != nullptr && z.operanden.size() == 2) return melden(befehl, "ANZAHL und --bis schliessen einander aus");
    std::uint32_t start = 0, anzahl32 = 0, ende = 0;
    if (!zahl_lesen(z.operanden[0], start)) return melden(befehl, keine_zahl(z.operanden[0]));
    if (z.operanden.size() == 2 && !zahl_lesen(z.operanden[1], anzahl32)) return melden(befehl, keine_zahl(z.operanden[1]));
    if (ende_text != nullptr && !zahl_lesen(*ende_text, ende)) return melden(befehl, keine_zahl(*ende_text));
    const std::uint64_t moeglich = (std::uint64_t{1} << 32) - start;
    // An end below the start is an empty run, as seq has it (a script counting down gets none).
    const std::uint64_t anzahl = ende_text != nullptr ? (ende < start ? 0 : std::uint64_t{ende} - start + 1)
                                 : z.operanden.size() == 2 ? anzahl32 : moeglich;
    if (anzahl > moeglich)
        return melden(befehl, "der Bereich geht ueber 4294967295 hinaus; ab " + std::to_string(start) + " ist die Anzahl hoechstens " +
                                  std::to_string(moeglich));
    // Asked at each drawing, so a run sent to the background draws nothing until it is back. A
    // file's run draws while it holds the file's lock: it never waits for the terminal then.
    const fortschritt_anzeige zeigen = datei != nullptr ? fehlerkanal_status_ohne_warten : fehlerkanal_status;
    if (datei != nullptr) {
        int grund = 0;
        const dateiergebnis e = block_anhaengen(*datei, start, anzahl, zeigen, primzahlsuche::sieb, &grund);
        if (e == dateiergebnis::geschrieben) return 0;
        // The name as given, why, and what the file holds now; the dialogue's own text stays its own.
        const std::string name = "Die Datei '" + harmlos(*datei) + "'";
        if (e == dateiergebnis::nicht_geoeffnet) return melden(befehl, name + " kann nicht geoeffnet werden: " + fehlergrund(grund));
        const std::string warum = grund == grund_gesperrt ? ": eine andere Listung haelt sie zu lange gesperrt"
                                  : grund == grund_fremd  ? ": ein anderes Programm hat zugleich in sie geschrieben"
                                  : grund > 0             ? ": " + fehlergrund(grund)
                                                          : "";
        return melden(befehl, name + " wurde nicht vollstaendig geschrieben" + warum +
                                  (e == dateiergebnis::teilweise ? "; was davon geschrieben wurde, bleibt in ihr" : "; sie ist, wie sie war"));
    }
    if (zaehlen) {
        fortschritt f = fortschritt_beginnen(anzahl, zeigen);
        const std::uint32_t pz = sieb_zaehlen(start, start + anzahl, [&f](std::uint64_t geprueft, std::uint32_t gefunden) {
            fortschritt_melden(f, geprueft, gefunden);
        });
        fortschritt_beenden(f);
        zahl_ausgeben(pz, "\n");
        return abschliessen(befehl, 0);
    }
    primzahlen_auflisten(start, start + anzahl);
    return abschliessen(befehl, 0);
}

