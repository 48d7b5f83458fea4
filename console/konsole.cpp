#include "console/konsole.h"

#include <chrono>

namespace {

using uhr = std::chrono::steady_clock;

// ---- state of the console -------------------------------------------------------------------

struct konsole_zustand {
    geraet* g = nullptr;
    std::string zeile;       // the line last taken from standard input
    std::size_t pos = 0;     // how much of it the reads have used
    std::size_t frueher = 0; // bytes of the lines before it
    bool ende = false;       // input has ended or the screen has gone; sticky
    std::string ausgabe;     // written but not yet shown
    uhr::time_point gezeigt; // when the output was last shown
};

konsole_zustand k;

constexpr std::size_t puffergrenze = 1 << 16;
constexpr auto zeitnah = std::chrono::milliseconds(100);

// ---- input ----------------------------------------------------------------------------------

// Skips white space, taking new lines while the current one is used up. False at end of input.
bool bis_zum_wert() {
    for (;;) {
        while (k.pos < k.zeile.size() && leerzeichen(k.zeile[k.pos])) ++k.pos;
        if (k.pos < k.zeile.size()) return true;
        anzeigen();
        k.frueher += k.zeile.size();
        if (k.ende || !k.g->zeile_lesen(k.zeile)) {
            k.ende = true;
            k.zeile.clear();
            k.pos = 0;
            return false;
        }
        k.pos = 0;
    }
}

gelesen zahl_lesen(zahlart art, std::uint32_t& wert) {
    if (!bis_zum_wert()) return gelesen::ende;
    const umgewandelt u = umwandeln(std::string_view(k.zeile).substr(k.pos), art);
    k.pos += u.laenge;
    if (u.status == gelesen::ok) wert = u.wert;
    return u.status;
}

}  // namespace

void konsole_einsetzen(geraet& g) {
    k = konsole_zustand{};
    k.g = &g;
    k.gezeigt = uhr::now();
}

// ---- screen ---------------------------------------------------------------------------------

void farben_setzen() {
    anzeigen();
    k.g->farben_an();
}

void bildschirm_loeschen() {
    anzeigen();
    k.g->loeschen();
}

// ---- output ---------------------------------------------------------------------------------

void schreiben(std::string_view text) {
    k.ausgabe.append(text);
    if (k.ausgabe.size() >= puffergrenze) anzeigen();
}

void schreiben_zahl(std::uint64_t zahl) {
    char platz[20];
    schreiben(zahl_als_text(zahl, platz));
}

void anzeigen() {
    k.gezeigt = uhr::now();
    if (k.ausgabe.empty()) return;
    if (!k.g->ausgeben(k.ausgabe)) k.ende = true;
    k.ausgabe.clear();
}

void anzeigen_zeitnah() {
    if (uhr::now() - k.gezeigt >= zeitnah) anzeigen();
}

// ---- reading --------------------------------------------------------------------------------

gelesen lesen_d(std::int32_t& wert) {
    std::uint32_t roh = 0;
    const gelesen s = zahl_lesen(zahlart::d, roh);
    if (s == gelesen::ok) wert = static_cast<std::int32_t>(roh);
    return s;
}

gelesen lesen_u(std::uint32_t& wert) { return zahl_lesen(zahlart::u, wert); }

gelesen lesen_i(std::int32_t& wert) {
    std::uint32_t roh = 0;
    const gelesen s = zahl_lesen(zahlart::i, roh);
    if (s == gelesen::ok) wert = static_cast<std::int32_t>(roh);
    return s;
}

gelesen lesen_uu(std::uint32_t& erster, std::uint32_t& zweiter) {
    const gelesen s = zahl_lesen(zahlart::u, erster);
    return s == gelesen::ok ? zahl_lesen(zahlart::u, zweiter) : s;
}

gelesen lesen_s(std::string& wort, std::size_t hoechstens) {
    if (!bis_zum_wert()) return gelesen::ende;
    const std::size_t anfang = k.pos;
    while (k.pos < k.zeile.size() && !leerzeichen(k.zeile[k.pos])) ++k.pos;
    if (k.pos - anfang > hoechstens) return gelesen::zu_gross;
    wort.assign(k.zeile, anfang, k.pos - anfang);
    return gelesen::ok;
}

void verwerfen() { k.pos = k.zeile.size(); }

void taste_warten() {
    anzeigen();
    if (!k.ende) k.g->taste();
}

bool eingabe_zu_ende() { return k.ende; }

std::size_t eingabe_verbraucht() { return k.frueher + k.pos; }
