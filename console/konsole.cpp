#include "console/konsole.h"

#include <chrono>
#include <utility>

namespace {

using uhr = std::chrono::steady_clock;

// ---- state of the console -------------------------------------------------------------------

struct konsole_zustand {
    geraet* g = nullptr;
    std::string zeile;        // what is at hand of the current line: all of it, or of a long one a piece
    std::size_t pos = 0;      // how much of it the reads have used
    std::size_t frueher = 0;  // bytes of input before `zeile`
    bool zeile_ganz = true;   // `zeile` reaches the end of its line (its break, or the end of input)
    bool vorbei = false;      // the device has no more input
    bool ende = false;        // input is needed but has ended, or the screen has gone; sticky
    bool kaputt = false;      // output has failed for good; nothing more is tried
    std::string ausgabe;      // written but not yet shown
    uhr::time_point gezeigt;  // when the output was last shown
};

konsole_zustand konsolenzustand;

constexpr std::size_t puffergrenze = 1 << 16;
constexpr auto zeitnah = std::chrono::milliseconds(100);

// ---- input ----------------------------------------------------------------------------------

// The next piece of input from the device, after what was used of the current one is dropped; so
// however long a line is, only a piece of it is ever held.
void dazuholen() {
    anzeigen();
    konsolenzustand.frueher += konsolenzustand.pos;
    konsolenzustand.zeile.erase(0, konsolenzustand.pos);
    konsolenzustand.pos = 0;
    std::string stueck;
    if (konsolenzustand.vorbei || konsolenzustand.ende || !konsolenzustand.g->zeile_lesen(stueck)) {
        konsolenzustand.vorbei = true;
        konsolenzustand.zeile_ganz = true;
        return;
    }
    konsolenzustand.zeile += stueck;
    konsolenzustand.zeile_ganz = !stueck.empty() && stueck.back() == '\n';
}

// The character `n` places ahead in the current line, -1 past its end.
int zeichen(std::size_t n) {
    while (konsolenzustand.pos + n >= konsolenzustand.zeile.size() && !konsolenzustand.zeile_ganz) dazuholen();
    return konsolenzustand.pos + n < konsolenzustand.zeile.size() ? static_cast<unsigned char>(konsolenzustand.zeile[konsolenzustand.pos + n]) : -1;
}

struct konsole_quelle {
    int zeichen(std::size_t n) const { return ::zeichen(n); }
    void nehmen(std::size_t n) const { konsolenzustand.pos += n; }
};

// Skips white space, taking new lines while the current one is used up. False at end of input.
bool bis_zum_wert() {
    for (;;) {
        int c;
        while ((c = zeichen(0)) >= 0 && leerzeichen(c)) ++konsolenzustand.pos;
        if (c >= 0) return true;
        konsolenzustand.pos = konsolenzustand.zeile.size();
        if (!konsolenzustand.ende) dazuholen();
        if (konsolenzustand.ende || konsolenzustand.zeile.empty()) {
            konsolenzustand.ende = true;
            return false;
        }
    }
}

gelesen zahl_lesen(zahlart art, std::uint32_t& wert) {
    if (!bis_zum_wert()) return gelesen::ende;
    konsole_quelle q;
    const umgewandelt u = umwandeln_aus(q, art);
    if (u.status == gelesen::ok) wert = u.wert;
    return u.status;
}

}  // namespace

void konsole_einsetzen(geraet& g) {
    konsolenzustand = konsole_zustand{};
    konsolenzustand.g = &g;
    konsolenzustand.gezeigt = uhr::now();
}

// ---- screen ---------------------------------------------------------------------------------

void farben_setzen() {
    anzeigen();
    konsolenzustand.g->farben_an();
}

void bildschirm_loeschen() {
    anzeigen();
    konsolenzustand.g->loeschen();
}

// ---- output ---------------------------------------------------------------------------------

void schreiben(std::string_view text) {
    konsolenzustand.ausgabe.append(text);
    if (konsolenzustand.ausgabe.size() >= puffergrenze) anzeigen();
}

void schreiben_zahl(std::uint64_t zahl) {
    char platz[20];
    schreiben(zahl_als_text(zahl, platz));
}

void anzeigen() {
    konsolenzustand.gezeigt = uhr::now();
    if (konsolenzustand.ausgabe.empty()) return;
    if (!konsolenzustand.kaputt && !konsolenzustand.g->ausgeben(konsolenzustand.ausgabe)) konsolenzustand.kaputt = konsolenzustand.ende = true;
    konsolenzustand.ausgabe.clear();
}

void status_zeigen(std::string_view zeile) {
    anzeigen();
    if (!konsolenzustand.kaputt) konsolenzustand.g->status(zeile);
}

void anzeigen_zeitnah() {
    if (uhr::now() - konsolenzustand.gezeigt >= zeitnah) anzeigen();
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
    // Counted in characters (UTF-8), and the bytes bounded too, whatever they are.
    std::string gelesen_wort;
    std::size_t zeichenzahl = 0;
    bool zu_lang = false;
    for (int c; (c = zeichen(0)) >= 0 && !leerzeichen(c); ++konsolenzustand.pos) {
        if ((c & 0xC0) != 0x80) ++zeichenzahl;
        zu_lang = zu_lang || zeichenzahl > hoechstens || gelesen_wort.size() >= 4 * hoechstens;
        if (!zu_lang) gelesen_wort.push_back(static_cast<char>(c));
    }
    if (zu_lang) return gelesen::zu_gross;
    wort = std::move(gelesen_wort);
    return gelesen::ok;
}

void verwerfen() {
    while (!konsolenzustand.zeile_ganz) {
        konsolenzustand.pos = konsolenzustand.zeile.size();
        dazuholen();
    }
    konsolenzustand.pos = konsolenzustand.zeile.size();
}

void taste_warten() {
    anzeigen();
    if (!konsolenzustand.ende) konsolenzustand.g->taste();
}

bool eingabe_zu_ende() { return konsolenzustand.ende; }

std::size_t eingabe_verbraucht() { return konsolenzustand.frueher + konsolenzustand.pos; }
