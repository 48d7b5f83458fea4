#include "shell/befehle.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>

#include "console/fehlertext.h"
#include "console/terminal.h"
#include "console/umwandlung.h"
#include "listfile/datei.h"
#include "numbers/lauf.h"
#include "numbers/primzahl.h"
#include "numbers/teiler.h"
#include "numbers/verteilt.h"

namespace {

constexpr std::string_view hilfe_prim =
    "Aufruf: zifferon prim [ZAHL...]\n"
    "\n"
    "Gibt f\u00fcr jede ZAHL (0 bis 4294967295) eine Zeile aus: \"ZAHL ist eine Primzahl\" oder\n"
    "\"ZAHL ist keine Primzahl\". Ohne ZAHL liest es die Zahlen von der Standardeingabe,\n"
    "getrennt durch Leerzeichen oder Zeilenenden, und antwortet, sobald sie kommen.\n"
    "\n"
    "Status: 0, wenn jede Zahl eine Primzahl ist; 1, wenn mindestens eine keine ist; 2 bei\n"
    "einem Fehler.\n";

constexpr std::string_view hilfe_teiler =
    "Aufruf: zifferon teiler [ZAHL...]\n"
    "\n"
    "Gibt f\u00fcr jede ZAHL (1 bis 4294967295) eine Zeile aus: \"ZAHL: d1 d2 ... 1\", alle Teiler\n"
    "absteigend, gefunden durch Probieren jedes Kandidaten. Ohne ZAHL liest es die Zahlen von\n"
    "der Standardeingabe, getrennt durch Leerzeichen oder Zeilenenden.\n"
    "\n"
    "Status: 0, oder 2 bei einem Fehler (auch f\u00fcr 0, die unendlich viele Teiler hat).\n";

constexpr std::string_view hilfe_primzahlen =
    "Aufruf: zifferon primzahlen [--anzahl | --datei NAME] START [ANZAHL]\n"
    "\n"
    "Gibt die Primzahlen unter START, START+1, ..., START+ANZAHL-1 aus, eine je Zeile,\n"
    "aufsteigend. Ohne ANZAHL geht der Bereich bis 4294967295.\n"
    "\n"
    "  --anzahl      nur die Zahl der Primzahlen im Bereich ausgeben\n"
    "  --datei NAME  den Block des Bereichs an die Datei NAME anh\u00e4ngen, wie Men\u00fcpunkt 3\n"
    "                es tut (die Primzahlen, eine Zusammenfassung); ohne Ausgabe\n"
    "\n"
    "Bei --anzahl und --datei zeigt ein Terminal auf der Standardfehlerausgabe den Fortschritt.\n"
    "Status: 0, oder 2 bei einem Fehler.\n";

// Errors are one line on standard error, naming the command.
int melden(std::string_view befehl, std::string_view text) {
    direkt_ausgeben(2, "zifferon " + std::string(befehl) + ": " + std::string(text) + "\n");
    return 2;
}

int unbekannt(std::string_view befehl, std::string_view argument) {
    return melden(befehl, "unbekanntes Argument '" + harmlos(argument) + "' (siehe 'zifferon " + std::string(befehl) +
                              " --help')");
}

std::string keine_zahl(std::string_view wort, std::string_view bereich = "0 bis 4294967295") {
    // A word from a stream may be endless: what shows of it is bounded.
    const std::string gezeigt = harmlos(wort.substr(0, 40)) + (wort.size() > 40 ? "..." : "");
    return "'" + gezeigt + "' ist keine Zahl von " + std::string(bereich);
}

// What is wrong with a word that prim or teiler cannot take.
std::string falsche_zahl(std::string_view wort, bool prim) {
    std::uint32_t zahl = 0;
    if (!prim && zahl_lesen(wort, zahl)) return "0 hat unendlich viele Teiler, keine Liste";
    return keine_zahl(wort, prim ? "0 bis 4294967295" : "1 bis 4294967295");
}

bool ist_option(std::string_view wort) { return wort.size() > 1 && wort[0] == '-' && !(wort[1] >= '0' && wort[1] <= '9'); }

// ---- standard output, gathered and written in large pieces ---------------------------------------

std::string aus;
int ausgabefehler = 0;

bool ausgabe_leeren() {
    if (ausgabefehler != 0) return false;
    if (!aus.empty() && !direkt_ausgeben(1, aus)) ausgabefehler = errno != 0 ? errno : EIO;
    aus.clear();
    return ausgabefehler == 0;
}

bool ausgeben(std::string_view text) {
    aus += text;
    return aus.size() < (std::size_t{1} << 16) || ausgabe_leeren();
}

bool zahl_ausgeben(std::uint64_t zahl, std::string_view danach) {
    char platz[20];
    aus += zahl_als_text(zahl, platz);
    return ausgeben(danach);
}

// The status once everything is out: a reader that has gone ends us quietly, a failed write is
// reported, as tools in a pipeline do.
int abschliessen(std::string_view befehl, int status) {
    if (ausgabe_leeren()) return status;
    if (ausgabefehler == EPIPE) {
        leser_weg_beenden();
        return 2;
    }
    return melden(befehl, std::string("Die Ausgabe ist fehlgeschlagen: ") + fehlergrund(ausgabefehler));
}

// ---- standard input's words -----------------------------------------------------------------------

// With `zahlen`, plain numbers go there straight (zahlen_zerlegen), the other words to `wort`.
bool woerter_lesen(const std::function<bool(std::string_view)>& wort, const std::function<bool()>& gelesen,
                   std::vector<std::uint32_t>* zahlen = nullptr) {
    wortvorrat vorrat;
    std::string stueck(std::size_t{1} << 20, '\0');
    // What is there at once is taken in one batch (a file, a fast pipe) of up to a few MiB; what
    // comes slowly (a user typing) is answered read by read.
    for (std::size_t im_stapel = 0;;) {
        const long long n = standardeingabe_lesen(stueck.data(), stueck.size());
        if (n < 0) return false;
        const std::string_view text{stueck.data(), static_cast<std::size_t>(n)};
        if (!(zahlen != nullptr ? zahlen_zerlegen(vorrat, text, n == 0, *zahlen, wort) : woerter_zerlegen(vorrat, text, n == 0, wort)))
            return true;
        im_stapel += static_cast<std::size_t>(n);
        if (n > 0 && im_stapel < (std::size_t{4} << 20) && standardeingabe_bereit()) continue;
        if (!gelesen() || n == 0) return true;
        im_stapel = 0;
    }
}

// ---- the commands --------------------------------------------------------------------------------

// Operands, with -h/--help and "--" taken out; false after reporting an option not understood.
// `mit_wert`: options of the command that take the next argument, and those that take none.
struct argumente_zerlegt {
    std::vector<std::string> operanden;
    std::vector<std::pair<std::string, std::string>> optionen;
    bool hilfe = false;
};

bool zerlegen(std::string_view befehl, const std::vector<std::string>& argumente,
              const std::vector<std::string_view>& schalter, const std::vector<std::string_view>& mit_wert,
              argumente_zerlegt& z) {
    bool nur_operanden = false;
    for (std::size_t i = 2; i < argumente.size(); ++i) {
        const std::string& a = argumente[i];
        if (nur_operanden || !ist_option(a)) {
            z.operanden.push_back(a);
        } else if (a == "--") {
            nur_operanden = true;
        } else if (a == "-h" || a == "--help") {
            z.hilfe = true;
        } else if (std::find(schalter.begin(), schalter.end(), a) != schalter.end()) {
            z.optionen.emplace_back(a, "");
        } else if (std::find(mit_wert.begin(), mit_wert.end(), a) != mit_wert.end()) {
            if (i + 1 == argumente.size()) {
                melden(befehl, "zu '" + a + "' fehlt der Wert (siehe 'zifferon " + std::string(befehl) + " --help')");
                return false;
            }
            z.optionen.emplace_back(a, argumente[++i]);
        } else {
            unbekannt(befehl, a);
            return false;
        }
    }
    return true;
}

// The verdicts of `zahlen`, in order, tested in batches on every CPU, each batch's lines written
// by the worker that tested it, so that the one writing thread only copies them out. False once
// output failed.
constexpr std::size_t urteil_laengste_zeile = 30;  // "4294967295 ist keine Primzahl\n"
constexpr unsigned urteil_bloecke = 2 + pruefen_portion * urteil_laengste_zeile / 8;

bool urteile_ausgeben(const std::vector<std::uint32_t>& zahlen, bool& alle_prim) {
    static constexpr std::string_view ja = " ist eine Primzahl\n", nein = " ist keine Primzahl\n";
    static_assert(10 + nein.size() == urteil_laengste_zeile);
    bool weiter = true;
    // A batch's slot: its text's length, whether every number was prime, then the text.
    verteilt(
        (zahlen.size() + pruefen_portion - 1) / pruefen_portion, urteil_bloecke,
        [&zahlen](std::uint64_t i, std::uint64_t* platz) {
            const std::size_t ab = i * pruefen_portion;
            const auto anzahl = static_cast<unsigned>(std::min<std::size_t>(pruefen_portion, zahlen.size() - ab));
            std::uint64_t masken[pruefen_portion / 64];
            primzahlen_pruefen(zahlen.data() + ab, anzahl, masken);
            char* const text = reinterpret_cast<char*>(platz + 2);
            char* p = text;
            bool alle = true;
            for (unsigned k = 0; k < anzahl; ++k) {
                const bool prim = (masken[k / 64] >> (k % 64) & 1) != 0;
                alle = alle && prim;
                char ziffern[20];
                for (const char c : zahl_als_text(zahlen[ab + k], ziffern)) *p++ = c;
                // Copies of a length known here, which cost no call.
                if (prim) std::memcpy(p, ja.data(), ja.size()), p += ja.size();
                else std::memcpy(p, nein.data(), nein.size()), p += nein.size();
            }
            platz[0] = static_cast<std::uint64_t>(p - text);
            platz[1] = alle ? 1 : 0;
        },
        [&](std::uint64_t, const std::uint64_t* platz) {
            alle_prim = alle_prim && platz[1] != 0;
            return weiter = ausgeben({reinterpret_cast<const char*>(platz + 2), static_cast<std::size_t>(platz[0])});
        });
    return weiter;
}

// Every divisor, from the number down to 1, by the every-candidate trial. False once output failed.
bool teiler_ausgeben(std::uint32_t zahl) {
    bool weiter = zahl_ausgeben(zahl, ":");
    if (weiter) teiler_absteigend(zahl, [&weiter](std::uint32_t t) { return weiter = ausgeben(" ") && zahl_ausgeben(t, t == 1 ? "\n" : ""); });
    return weiter;
}

// prim and teiler: the numbers from the command line, or standard input's words as they come.
int zahlen_befehl(std::string_view befehl, const std::vector<std::string>& argumente) {
    const bool prim = befehl == "prim";
    argumente_zerlegt z;
    if (!zerlegen(befehl, argumente, {}, {}, z)) return 2;
    if (z.hilfe) return direkt_ausgeben(1, prim ? hilfe_prim : hilfe_teiler) ? 0 : 2;
    bool alle_prim = true;
    bool fehler = false;
    std::vector<std::uint32_t> zahlen;
    // Room for a batch's numbers taken once: a vector that grows copies, and fresh pages are dear.
    if (prim) zahlen.reserve(std::size_t{1} << 20);
    // Each number as it comes, in batches where many come at once; a word that is no number is
    // reported in its place, and the rest still answered.
    const auto wort = [&](std::string_view w) {
        std::uint32_t zahl = 0;
        if (zahl_lesen(w, zahl) && (prim || zahl != 0)) {
            if (prim) zahlen.push_back(zahl);
            return prim || teiler_ausgeben(zahl);
        }
        const bool weiter = (!prim || urteile_ausgeben(zahlen, alle_prim)) && ausgabe_leeren();
        zahlen.clear();
        melden(befehl, falsche_zahl(w, prim));
        fehler = true;
        return weiter;
    };
    const auto gelesen = [&] {
        const bool weiter = (!prim || urteile_ausgeben(zahlen, alle_prim)) && ausgabe_leeren();
        zahlen.clear();
        return weiter;
    };
    if (!z.operanden.empty()) {
        // Every argument checked before the first answer: nothing half-written for a mistyped one.
        std::uint32_t zahl = 0;
        for (const std::string& a : z.operanden)
            if (!zahl_lesen(a, zahl) || (!prim && zahl == 0)) return melden(befehl, falsche_zahl(a, prim));
        for (const std::string& a : z.operanden)
            if (!wort(a)) break;
        gelesen();
    } else if (!woerter_lesen(wort, gelesen, prim ? &zahlen : nullptr)) {
        melden(befehl, std::string("Die Eingabe ist fehlgeschlagen: ") + fehlergrund(errno));
        fehler = true;
    }
    return abschliessen(befehl, fehler ? 2 : alle_prim ? 0 : 1);
}

// The progress of a long count or file on standard error, where that is a terminal: redrawn in
// place, padded over what it showed before, so it needs no escape sequences.
void fortschritt_auf_fehlerkanal(std::string_view zeile) {
    static std::size_t gezeigt = 0;
    const unsigned breite = fehlerkanal_breite();
    if (breite == 0) return;
    zeile = zeile.substr(0, std::min<std::size_t>(zeile.size(), breite - 1));
    std::string text(1, '\r');
    text += zeile;
    if (gezeigt > zeile.size()) text.append(gezeigt - zeile.size(), ' ');
    if (zeile.empty()) text += '\r';
    gezeigt = zeile.size();
    direkt_ausgeben(2, text);
}

int primzahlen(const std::vector<std::string>& argumente) {
    constexpr std::string_view befehl = "primzahlen";
    argumente_zerlegt z;
    if (!zerlegen(befehl, argumente, {"--anzahl"}, {"--datei"}, z)) return 2;
    if (z.hilfe) return direkt_ausgeben(1, hilfe_primzahlen) ? 0 : 2;
    bool zaehlen = false;
    const std::string* datei = nullptr;
    for (const auto& [option, wert] : z.optionen) {
        if (option == "--anzahl") zaehlen = true;
        else datei = &wert;
    }
    if (zaehlen && datei != nullptr) return melden(befehl, "--anzahl und --datei schliessen einander aus");
    if (z.operanden.empty()) return melden(befehl, "der Startwert fehlt (siehe 'zifferon primzahlen --help')");
    if (z.operanden.size() > 2) return unbekannt(befehl, z.operanden[2]);
    std::uint32_t start = 0, anzahl32 = 0;
    if (!zahl_lesen(z.operanden[0], start)) return melden(befehl, keine_zahl(z.operanden[0]));
    if (z.operanden.size() == 2 && !zahl_lesen(z.operanden[1], anzahl32)) return melden(befehl, keine_zahl(z.operanden[1]));
    const std::uint64_t moeglich = (std::uint64_t{1} << 32) - start;
    const std::uint64_t anzahl = z.operanden.size() == 2 ? anzahl32 : moeglich;
    if (anzahl > moeglich)
        return melden(befehl, "der Bereich geht \u00fcber 4294967295 hinaus; ab " + std::to_string(start) + " ist die Anzahl h\u00f6chstens " +
                                  std::to_string(moeglich));
    const fortschritt_anzeige zeigen = fehlerkanal_breite() > 0 ? fortschritt_auf_fehlerkanal : nullptr;
    if (datei != nullptr) {
        const dateiergebnis e = block_anhaengen(*datei, start, anzahl, zeigen);
        if (e == dateiergebnis::geschrieben) return 0;
        return melden(befehl, "Die Datei " + harmlos(*datei) +
                                  (e == dateiergebnis::nicht_geoeffnet ? " kann nicht geoeffnet werden !"
                                                                       : " wurde nicht vollstaendig geschrieben !"));
    }
    if (zaehlen) {
        fortschritt f = fortschritt_beginnen(anzahl, zeigen);
        const std::uint32_t pz = lauf_ab_null(start, anzahl, [](std::uint32_t) { return true; },
                                              [&f](std::uint64_t geprueft, std::uint32_t gefunden) { fortschritt_melden(f, geprueft, gefunden); });
        fortschritt_beenden(f);
        zahl_ausgeben(pz, "\n");
        return abschliessen(befehl, 0);
    }
    lauf_ab_null(start, anzahl, [](std::uint32_t p) { return zahl_ausgeben(p, "\n"); });
    return abschliessen(befehl, 0);
}

}  // namespace

namespace {

// A plain number at `ab`: one to ten decimal digits whose value fits 32 bits. Returns where its
// digits end (ab where there is none), the value in `wert`; a digit run of eleven or more stops
// at the eleventh, so it is never taken for a number.
std::size_t schlichte_zahl(std::string_view text, std::size_t ab, std::uint32_t& wert) {
    std::uint64_t w = 0;
    std::size_t i = ab;
    for (unsigned ziffer; i < text.size() && i - ab < 11 && (ziffer = static_cast<unsigned char>(text[i]) - unsigned{'0'}) <= 9; ++i)
        w = w * 10 + ziffer;
    if (i - ab > 10 || w > 0xFFFFFFFFu) return ab;
    wert = static_cast<std::uint32_t>(w);
    return i;
}

}  // namespace

bool zahl_lesen(std::string_view wort, std::uint32_t& zahl) {
    // Plain digits, the usual case from a pipe, at once; anything else as the dialogue reads it.
    if (std::uint32_t wert = 0; !wort.empty() && schlichte_zahl(wort, 0, wert) == wort.size()) return zahl = wert, true;
    if (wort.empty() || wort[0] == '-') return false;
    const umgewandelt u = umwandeln(wort, zahlart::u);
    if (u.status != gelesen::ok || u.laenge != wort.size()) return false;
    zahl = u.wert;
    return true;
}

bool woerter_zerlegen(wortvorrat& v, std::string_view text, bool am_ende, const std::function<bool(std::string_view)>& wort) {
    for (std::size_t i = 0; i <= text.size();) {
        std::size_t ende = i;
        while (ende < text.size() && !leerzeichen(static_cast<unsigned char>(text[ende]))) ++ende;
        if (v.angefangen.empty() && ende - i <= laengstes_wort && (ende < text.size() || am_ende)) {
            // Whole in this read: handed on where it is.
            if (ende > i && !wort(text.substr(i, ende - i))) return false;
            i = ende + 1;
            continue;
        }
        const std::size_t platz = laengstes_wort - std::min(laengstes_wort, v.angefangen.size());
        v.abgeschnitten = v.abgeschnitten || ende - i > platz;
        v.angefangen.append(text.substr(i, std::min(ende - i, platz)));
        if (ende == text.size() && !am_ende) return true;  // the word may go on in the next read
        if (!v.angefangen.empty() && !wort(v.abgeschnitten ? v.angefangen + "..." : v.angefangen)) return false;
        v.angefangen.clear();
        v.abgeschnitten = false;
        i = ende + 1;
    }
    return true;
}

bool zahlen_zerlegen(wortvorrat& v, std::string_view text, bool am_ende, std::vector<std::uint32_t>& zahlen,
                     const std::function<bool(std::string_view)>& wort) {
    std::size_t i = 0;
    // A word begun in an earlier read is ended the long way first.
    if (!v.angefangen.empty()) {
        while (i < text.size() && !leerzeichen(static_cast<unsigned char>(text[i]))) ++i;
        if (!woerter_zerlegen(v, text.substr(0, std::min(i + 1, text.size())), am_ende || i < text.size(), wort)) return false;
        ++i;
    }
    while (i < text.size()) {
        if (leerzeichen(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        // One pass over the digits, then a blank or line end.
        const std::size_t anfang = i;
        std::uint32_t wert = 0;
        i = schlichte_zahl(text, anfang, wert);
        if (i > anfang && i < text.size() && leerzeichen(static_cast<unsigned char>(text[i]))) {
            zahlen.push_back(wert);
            ++i;
            continue;
        }
        // Any other word the long way, in its place.
        while (i < text.size() && !leerzeichen(static_cast<unsigned char>(text[i]))) ++i;
        if (!woerter_zerlegen(v, text.substr(anfang, std::min(i + 1, text.size()) - anfang), am_ende || i < text.size(), wort)) return false;
        ++i;
    }
    return true;
}

bool ist_befehl(std::string_view wort) { return wort == "prim" || wort == "teiler" || wort == "primzahlen"; }

int befehl_ausfuehren(const std::vector<std::string>& argumente) {
    // A signal ends a command at once; only a file being appended to is put back as it was.
    abbruch_einrichten();
    const std::string_view befehl = argumente[1];
    return befehl == "primzahlen" ? primzahlen(argumente) : zahlen_befehl(befehl, argumente);
}
