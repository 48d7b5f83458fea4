#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "console/umwandlung.h"
#include "numbers/primzahl.h"
#include "numbers/sieb.h"
#include "numbers/verteilt.h"
#include "shell/befehle.h"
#include "shell/befehle_intern.h"

const std::string_view hilfe_prim =
    "Aufruf: zifferon prim [-n | -q] [ZAHL...]\n"
    "\n"
    "Gibt fuer jede ZAHL (0 bis 4294967295) eine Zeile aus: \"ZAHL ist eine Primzahl\"\n"
    "oder \"ZAHL ist keine Primzahl\". Ohne ZAHL liest es die Zahlen von der\n"
    "Standardeingabe, getrennt durch Leerzeichen oder Zeilenenden, und antwortet,\n"
    "sobald sie kommen. Ein Wort, das keine Zahl ist, wird gemeldet; die uebrigen\n"
    "werden beantwortet.\n"
    "\n"
    "  -n, --nur    nur die Primzahlen ausgeben, eine je Zeile\n"
    "  -q, --still  nichts ausgeben; nur der Status antwortet\n"
    "\n"
    "Status: 0, wenn jede Zahl eine Primzahl ist, mit -n wie bei grep, wenn\n"
    "mindestens eine ausgegeben wurde; sonst 1; 2 bei einem Fehler.\n";

namespace {

// What prim writes for its numbers: the verdict lines, only the primes, or nothing.
enum class urteilsart { zeilen, nur_primzahlen, still };

// The verdicts of `zahlen`, in order, tested in batches on every CPU, each batch's lines written
// by the worker that tested it, so that the one writing thread only copies them out. False once
// output failed.
constexpr std::size_t urteil_laengste_zeile = 30;  // "4294967295 ist keine Primzahl\n"

// A portion's slot: its lines, whether every number was prime and whether one was. The text is
// room for a portion's lines at their longest, taken once and never cleared (a few numbers would
// otherwise pay for 30 fresh pages); its first `laenge` bytes count.
struct urteile_platz {
    std::unique_ptr<char[]> text;
    std::size_t laenge = 0;
    bool alle = true, eine = false;
};

bool urteile_ausgeben(std::span<const std::uint32_t> zahlen, urteilsart art, bool& alle_prim, bool& eine_prim) {
    static constexpr std::string_view ja = " ist eine Primzahl\n", nein = " ist keine Primzahl\n";
    static_assert(10 + nein.size() == urteil_laengste_zeile);
    bool weiter = true;
    // Many numbers close together (as from seq): their span is sieved once and each looked up,
    // at a fraction of what a test per number costs near 2^32.
    const auto [kleinste, groesste] = std::minmax_element(zahlen.begin(), zahlen.end());
    const bool dicht = zahlen.size() >= 1024 && *groesste - *kleinste < 64 * zahlen.size();
    const siebfenster fenster = dicht ? sieb_fenster(*kleinste, std::uint64_t{*groesste} + 1) : siebfenster{};
    verteilt_in<urteile_platz>(
        (zahlen.size() + pruefen_portion - 1) / pruefen_portion,
        [&zahlen, art, dicht, &fenster](std::uint64_t i, urteile_platz& platz) {
            const std::size_t ab = i * pruefen_portion;
            const auto anzahl = static_cast<unsigned>(std::min<std::size_t>(pruefen_portion, zahlen.size() - ab));
            std::uint64_t masken[pruefen_portion / 64] = {};
            if (!dicht) primzahlen_pruefen(zahlen.data() + ab, anzahl, masken);
            else
                for (unsigned k = 0; k < anzahl; ++k)
                    masken[k / 64] |= std::uint64_t{sieb_fenster_prim(fenster, zahlen[ab + k])} << (k % 64);
            if (!platz.text) platz.text = std::make_unique_for_overwrite<char[]>(pruefen_portion * urteil_laengste_zeile);
            char* const text = platz.text.get();
            char* p = text;
            bool alle = true, eine = false;
            for (unsigned k = 0; k < anzahl; ++k) {
                const bool prim = (masken[k / 64] >> (k % 64) & 1) != 0;
                alle = alle && prim;
                eine = eine || prim;
                if (art == urteilsart::still || (art == urteilsart::nur_primzahlen && !prim)) continue;
                p = zahl_hinschreiben(p, zahlen[ab + k]);
                // Copies of a length known here, which cost no call.
                if (art == urteilsart::nur_primzahlen) *p++ = '\n';
                else if (prim) std::memcpy(p, ja.data(), ja.size()), p += ja.size();
                else std::memcpy(p, nein.data(), nein.size()), p += nein.size();
            }
            platz.laenge = static_cast<std::size_t>(p - text);
            platz.alle = alle;
            platz.eine = eine;
        },
        [&](std::uint64_t, const urteile_platz& platz) {
            alle_prim = alle_prim && platz.alle;
            eine_prim = eine_prim || platz.eine;
            return weiter = ausgeben({platz.text.get(), platz.laenge});
        });
    return weiter;
}

}  // namespace

int befehl_prim(const std::vector<std::string>& argumente) {
    argumente_zerlegt z;
    if (!zerlegen("prim", argumente, {"-n", "--nur", "-q", "--still"}, {}, z)) return 2;
    if (const int status = hilfe_oder_version("prim", z, hilfe_prim); status >= 0) return status;
    urteilsart art = urteilsart::zeilen;
    for (const auto& [option, wert] : z.optionen) {
        const urteilsart diese = option == "-n" || option == "--nur" ? urteilsart::nur_primzahlen : urteilsart::still;
        if (art != urteilsart::zeilen && art != diese) return melden("prim", "-n und -q schliessen einander aus");
        art = diese;
    }
    // The verdicts answer whether every number is prime; the filter, as grep does, whether it
    // let anything through, so a pipe that finds primes among others succeeds.
    bool alle_prim = true, eine_prim = false;
    return zahlen_beantworten({"prim", true, [&](std::span<const std::uint32_t> zahlen) { return urteile_ausgeben(zahlen, art, alle_prim, eine_prim); }},
                              z.operanden, [&] { return (art == urteilsart::nur_primzahlen ? eine_prim : alle_prim) ? 0 : 1; });
}
