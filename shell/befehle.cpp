#include "shell/befehle.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>

#include "console/fehlertext.h"
#include "console/terminal.h"
#include "console/umwandlung.h"
#include "console/woerter.h"
#include "shell/befehle_intern.h"

// Errors are one line on standard error, naming the command.
int melden(std::string_view befehl, std::string_view text) {
    direkt_ausgeben(2, "zifferon " + std::string(befehl) + ": " + std::string(text) + "\n");
    return 2;
}

int unbekannt(std::string_view befehl, std::string_view argument) {
    return melden(befehl, "unbekanntes Argument '" + harmlos(argument) + "' (siehe 'zifferon " + std::string(befehl) +
                              " --help')");
}

std::string keine_zahl(std::string_view wort, std::string_view bereich) {
    // A word from a stream may be endless: what shows of it is bounded.
    const std::string gezeigt = harmlos(wort.substr(0, 40)) + (wort.size() > 40 ? "..." : "");
    return "'" + gezeigt + "' ist keine Zahl von " + std::string(bereich);
}

namespace {

bool ist_option(std::string_view wort) { return wort.size() > 1 && wort[0] == '-' && !(wort[1] >= '0' && wort[1] <= '9'); }

// ---- standard output, gathered and written in large pieces ---------------------------------------

std::string aus;
int ausgabefehler = 0;

constexpr std::size_t ausgabe_stueck = std::size_t{1} << 16;

bool schreiben(std::string_view text) {
    if (!direkt_ausgeben(1, text)) ausgabefehler = errno != 0 ? errno : EIO;
    return ausgabefehler == 0;
}

}  // namespace

bool ausgabe_leeren() {
    if (ausgabefehler != 0) return false;
    if (!aus.empty()) schreiben(aus);
    aus.clear();
    return ausgabefehler == 0;
}

bool ausgeben(std::string_view text) {
    // A large piece goes out as it is, after what was gathered before it: no copy.
    if (text.size() >= ausgabe_stueck) return ausgabe_leeren() && schreiben(text);
    aus += text;
    // A terminal gets each answer as soon as its line is whole, as factor gives them there.
    static const bool zeilenweise = standardausgabe_ist_terminal();
    return (aus.size() < ausgabe_stueck && !(zeilenweise && aus.ends_with('\n'))) || ausgabe_leeren();
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

bool zerlegen(std::string_view befehl, const std::vector<std::string>& argumente,
              const std::vector<std::string_view>& schalter, const std::vector<std::string_view>& mit_wert,
              argumente_zerlegt& z) {
    const auto eines_von = [](const std::vector<std::string_view>& liste, std::string_view a) {
        return std::find(liste.begin(), liste.end(), a) != liste.end();
    };
    const std::string siehe = " (siehe 'zifferon " + std::string(befehl) + " --help')";
    bool nur_operanden = false;
    for (std::size_t i = 2; i < argumente.size(); ++i) {
        const std::string& a = argumente[i];
        // A long option's value may follow it after "=", as GNU tools take it.
        const std::size_t gleich = a.starts_with("--") ? a.find('=') : std::string::npos;
        const std::string name = a.substr(0, gleich);
        if (nur_operanden || !ist_option(a)) {
            z.operanden.push_back(a);
        } else if (a == "--") {
            nur_operanden = true;
        } else if (a == "-h" || a == "--help") {
            z.hilfe = true;
        } else if (a == "-V" || a == "--version") {
            z.version = true;
        } else if (eines_von(schalter, a)) {
            z.optionen.emplace_back(a, "");
        } else if (eines_von(mit_wert, name) && gleich != std::string::npos) {
            z.optionen.emplace_back(name, a.substr(gleich + 1));
        } else if (eines_von(mit_wert, a)) {
            if (i + 1 == argumente.size()) {
                melden(befehl, "zu '" + a + "' fehlt der Wert" + siehe);
                return false;
            }
            z.optionen.emplace_back(a, argumente[++i]);
        } else if (eines_von(schalter, name)) {
            melden(befehl, "'" + name + "' nimmt keinen Wert" + siehe);
            return false;
        } else {
            unbekannt(befehl, a);
            return false;
        }
    }
    return true;
}

int hilfe_oder_version(std::string_view befehl, const argumente_zerlegt& z, std::string_view hilfe) {
    if (!z.hilfe && !z.version) return -1;
    ausgeben(z.hilfe ? hilfe : "zifferon " ZIFFERON_VERSION "\n");
    return abschliessen(befehl, 0);
}

int zahlen_beantworten(const zahlenbefehl& b, const std::vector<std::string>& operanden, const std::function<int()>& erfolg) {
    const std::string bereich = b.null_erlaubt ? "0 bis 4294967295" : "1 bis 4294967295";
    bool fehler = false;
    std::vector<std::uint32_t> zahlen;
    // Room for a batch's numbers taken once: a vector that grows copies, and fresh pages are dear.
    zahlen.reserve(std::size_t{1} << 20);
    // The batch so far, in order; a 0 where it has no answer is reported in its place.
    const auto beantworten = [&] {
        bool weiter = true;
        std::size_t ab = 0;
        for (std::size_t i = 0; i <= zahlen.size() && weiter; ++i) {
            if (i < zahlen.size() && (b.null_erlaubt || zahlen[i] != 0)) continue;
            weiter = (i == ab || b.antworten({zahlen.data() + ab, i - ab})) && ausgabe_leeren();
            if (i < zahlen.size()) {
                melden(b.name, "0 hat unendlich viele Teiler, keine Liste");
                fehler = true;
            }
            ab = i + 1;
        }
        zahlen.clear();
        return weiter && ausgabe_leeren();
    };
    // A word that is no number is reported in its place, and the rest still answered. Longer than
    // any word standard input keeps, it is none, zero-padded or not: one rule for both ways in.
    const auto wort = [&](std::string_view w) {
        std::uint32_t zahl = 0;
        if (w.size() <= laengstes_wort && zahl_lesen(w, zahl)) {
            zahlen.push_back(zahl);
            return true;
        }
        const bool weiter = beantworten();
        melden(b.name, keine_zahl(w, bereich));
        fehler = true;
        return weiter;
    };
    if (!operanden.empty()) {
        // The arguments as words from standard input: each answered or reported in its place.
        for (const std::string& a : operanden)
            if (!wort(a)) break;
        beantworten();
    } else if (!woerter_lesen(wort, beantworten, &zahlen)) {
        const int grund = errno;
        ausgabe_leeren();
        melden(b.name, std::string("Die Eingabe ist fehlgeschlagen: ") + fehlergrund(grund));
        fehler = true;
    }
    return abschliessen(b.name, fehler ? 2 : erfolg());
}

bool ist_befehl(std::string_view wort) { return wort == "prim" || wort == "teiler" || wort == "primzahlen"; }

int befehl_ausfuehren(const std::vector<std::string>& argumente) {
    // A signal ends a command at once; only a file being appended to is put back as it was.
    abbruch_einrichten();
    const std::string_view befehl = argumente[1];
    try {
        return befehl == "primzahlen" ? befehl_primzahlen(argumente) : befehl == "prim" ? befehl_prim(argumente) : befehl_teiler(argumente);
    } catch (const std::bad_alloc&) {
        // What was answered stays answered; then one German line, as for every other failure.
        ausgabe_leeren();
        return melden(befehl, "Der Speicher reicht nicht aus");
    }
}
