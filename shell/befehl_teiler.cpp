#include <algorithm>
#include <cstdint>
#include <span>
#include <string>

#include "console/umwandlung.h"
#include "numbers/faktoren.h"
#include "numbers/verteilt.h"
#include "shell/befehle.h"
#include "shell/befehle_intern.h"

const std::string_view hilfe_teiler =
    "Aufruf: zifferon teiler [ZAHL...]\n"
    "\n"
    "Gibt fuer jede ZAHL (1 bis 4294967295) eine Zeile aus: \"ZAHL: d1 d2 ... 1\",\n"
    "alle Teiler absteigend, gebildet aus der Zerlegung in Primfaktoren. Ohne ZAHL\n"
    "liest es die Zahlen von der Standardeingabe, getrennt durch Leerzeichen oder\n"
    "Zeilenenden. Ein Wort, das keine Zahl ist, wird gemeldet; die uebrigen werden\n"
    "beantwortet.\n"
    "\n"
    "Status: 0, oder 2 bei einem Fehler (auch fuer 0, die unendlich viele Teiler\n"
    "hat).\n";

namespace {

// A batch's lines are built by the worker that factors its numbers; the one writing thread only
// copies them out, whole lines at a time. Batches of 256: a few thousand numbers near 2^32 spread
// over every core, while a handful are one batch, answered on the calling thread with no thread
// started.
constexpr std::size_t teiler_portion = 256;

// A batch's lines: the text only ever grows, so its bytes are cleared once, not for every line.
struct teilerzeilen {
    std::string text;
    std::size_t laenge = 0;
};

bool teilerlisten_ausgeben(std::span<const std::uint32_t> zahlen) {
    // Numbers below 2^20 factored by lookups in a table where a batch has enough of them to pay for
    // making it (0.5-1 ms), and is mostly such numbers: 1 .. 10^6 on one core in 0.125 s, not
    // 0.157, but a quarter of a batch shuffled among larger numbers took 4% longer with the table,
    // the two ways taking turns. The table is made here, before any worker reads it.
    const auto kleine = static_cast<std::size_t>(std::count_if(zahlen.begin(), zahlen.end(), [](std::uint32_t z) { return z < kleine_zahlen; }));
    const kleinste_faktoren* kleinste = kleine >= 16384 && kleine >= zahlen.size() / 8 * 7 ? &kleinste_faktoren_tabelle() : nullptr;
    bool weiter = true;
    verteilt_in<teilerzeilen>(
        (zahlen.size() + teiler_portion - 1) / teiler_portion,
        [&zahlen, kleinste](std::uint64_t i, teilerzeilen& zeilen) {
            zeilen.laenge = 0;
            const std::size_t ab = i * teiler_portion;
            std::uint32_t teiler[teiler_hoechstens];
            for (std::size_t k = ab; k < std::min(zahlen.size(), ab + teiler_portion); ++k) {
                const unsigned n = kleinste != nullptr && zahlen[k] < kleine_zahlen ? teiler_nachgeschlagen(zahlen[k], teiler, *kleinste)
                                                                                  : teiler_aus_faktoren(zahlen[k], teiler);
                // Room for the line at its longest, written in place.
                const std::size_t hoechstens = zeilen.laenge + 11 * (n + 1) + 2;
                if (zeilen.text.size() < hoechstens) zeilen.text.resize(std::max(hoechstens, 2 * zeilen.text.size()));
                char* p = zahl_hinschreiben(zeilen.text.data() + zeilen.laenge, zahlen[k]);
                *p++ = ':';
                for (unsigned d = 0; d < n; ++d) {
                    *p++ = ' ';
                    p = zahl_hinschreiben(p, teiler[d]);
                }
                *p++ = '\n';
                zeilen.laenge = static_cast<std::size_t>(p - zeilen.text.data());
            }
        },
        [&weiter](std::uint64_t, const teilerzeilen& zeilen) { return weiter = ausgeben({zeilen.text.data(), zeilen.laenge}); });
    return weiter;
}

}  // namespace

int befehl_teiler(const std::vector<std::string>& argumente) {
    argumente_zerlegt z;
    if (!zerlegen("teiler", argumente, {}, {}, z)) return 2;
    if (const int status = hilfe_oder_version("teiler", z, hilfe_teiler); status >= 0) return status;
    return zahlen_beantworten({"teiler", false, teilerlisten_ausgeben}, z.operanden, [] { return 0; });
}
