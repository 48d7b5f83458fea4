// Fuzz target: the value conversions over arbitrary lines, checked against the C library's
// strtoll; the line reader's reads over arbitrary input; the commands' numbers and their words
// from standard input cut into reads at arbitrary places; the divisors of the number a line reads as;
// a message's view of any text.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "console/fehlertext.h"
#include "console/konsole.h"
#include "console/umwandlung.h"
#include "console/woerter.h"
#include "numbers/faktoren.h"
#include "tests/skript.h"

namespace {

void pruefen(bool bedingung, const char* was) {
    if (!bedingung) {
        std::fprintf(stderr, "verletzt: %s\n", was);
        std::abort();
    }
}

// strtoll skips white space itself, so only texts that start elsewhere are compared.
void vergleichen(const std::string& text, zahlart art) {
    if (text.empty() || leerzeichen(text[0])) return;
    const umgewandelt u = umwandeln(text, art);
    char* ende = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &ende, art == zahlart::i ? 0 : 10);
    const auto laenge = static_cast<std::size_t>(ende - text.c_str());
    if (laenge == 0) {
        pruefen(u.status == gelesen::keine_zahl && u.laenge == 0, "keine Zahl");
        return;
    }
    pruefen(u.laenge == laenge, "Laenge wie strtoll");
    const bool passt = art == zahlart::u ? errno == 0 && v >= -4294967295LL && v <= 4294967295LL
                                         : errno == 0 && v >= INT32_MIN && v <= INT32_MAX;
    pruefen(u.status == (passt ? gelesen::ok : gelesen::zu_gross), "Bereich wie strtoll");
    if (passt) pruefen(u.wert == static_cast<std::uint32_t>(v), "Wert wie strtoll");
}

// Reads in an order the data picks, discarding after every failure as the dialogues do.
void lesen(const std::string& eingabe) {
    skript s(eingabe);
    konsole_einsetzen(s);
    std::size_t runde = 0;
    for (;; ++runde) {
        pruefen(runde <= eingabe.size() + 1, "jede Lesung verbraucht Eingabe");
        const std::size_t vorher = eingabe_verbraucht();
        std::int32_t d = 0;
        std::uint32_t a = 0, b = 0;
        std::string wort;
        gelesen g;
        switch (runde % 5) {
        case 0: g = lesen_d(d); break;
        case 1: g = lesen_u(a); break;
        case 2: g = lesen_i(d); break;
        case 3: g = lesen_uu(a, b); break;
        default: g = lesen_s(wort, 75); pruefen(g != gelesen::ok || !wort.empty(), "Wort nicht leer");
        }
        if (g == gelesen::ende) break;
        if (g != gelesen::ok) verwerfen();
        pruefen(eingabe_verbraucht() > vorher, "Fortschritt");
        pruefen(eingabe_verbraucht() <= eingabe.size(), "nicht mehr als die Eingabe");
    }
    pruefen(eingabe_zu_ende(), "Ende erkannt");
}

// A command's number: a + at most, then decimal digits only, in 32 bits; as strtoull reads it.
void befehlszahl(const std::string& wort) {
    std::uint32_t zahl = 0;
    const bool gelesen = zahl_lesen(wort, zahl);
    const std::size_t ziffern = wort.find_first_not_of("0123456789", !wort.empty() && wort[0] == '+' ? 1 : 0);
    const bool nur_ziffern = !wort.empty() && wort != "+" && ziffern == std::string::npos;
    errno = 0;
    const unsigned long long v = nur_ziffern ? std::strtoull(wort.c_str(), nullptr, 10) : 0;
    pruefen(gelesen == (nur_ziffern && errno == 0 && v <= 4294967295ULL), "Zahl wie strtoull");
    if (gelesen) pruefen(zahl == v, "Wert wie strtoull");
}

// The words of a stream cut into reads where the data says: the same as split whole.
void woerter(const std::string& text, std::size_t schnitt) {
    std::vector<std::string> ganz, gestueckelt;
    wortvorrat v;
    const auto sammeln = [](std::vector<std::string>& in) {
        return [&in](std::string_view w) { return in.emplace_back(w), true; };
    };
    woerter_zerlegen(v, text, true, sammeln(ganz));
    wortvorrat w;
    for (std::size_t ab = 0; ab < text.size(); ab += schnitt) woerter_zerlegen(w, std::string_view(text).substr(ab, schnitt), false, sammeln(gestueckelt));
    woerter_zerlegen(w, "", true, sammeln(gestueckelt));
    pruefen(ganz == gestueckelt, "Woerter unabhaengig von den Lesungen");
    // prim's quick way: the same words in the same order, a plain number as its value.
    const auto zahl_oder_wort = [](const std::string& w) {
        const bool schlicht = !w.empty() && w.size() <= 10 && w.find_first_not_of("0123456789") == std::string::npos &&
                              std::stoull(w) <= 4294967295ULL;
        return schlicht ? "#" + std::to_string(std::stoull(w)) : w;
    };
    std::vector<std::string> erwartet, schnell;
    for (const std::string& wort : ganz) erwartet.push_back(zahl_oder_wort(wort));
    std::vector<std::uint32_t> zahlen;
    const auto zahlen_nehmen = [&] {
        for (std::uint32_t z : zahlen) schnell.push_back("#" + std::to_string(z));
        zahlen.clear();
    };
    const auto langsam = [&](std::string_view w) { return zahlen_nehmen(), schnell.push_back(zahl_oder_wort(std::string(w))), true; };
    wortvorrat s;
    for (std::size_t ab = 0; ab < text.size(); ab += schnitt) zahlen_zerlegen(s, std::string_view(text).substr(ab, schnitt), false, zahlen, langsam);
    zahlen_zerlegen(s, "", true, zahlen, langsam);
    zahlen_nehmen();
    pruefen(erwartet == schnell, "Zahlen auf dem schnellen Weg wie Woerter");
    for (const std::string& wort : ganz) {
        pruefen(!wort.empty() && wort.size() <= laengstes_wort + 3, "Wort begrenzt");
        befehlszahl(wort);
    }
}

// The divisors `teiler` builds from a number's factorization: descending from the number to 1,
// each a divisor, and as many as the pairs d, n / d below the root give.
void teilerliste(std::string_view text) {
    std::uint32_t n = 0;
    if (!zahl_lesen(text, n) || n == 0) return;
    std::uint32_t liste[teiler_hoechstens];
    const unsigned anzahl = teiler_aus_faktoren(n, liste);
    unsigned erwartet_anzahl = 0;
    for (std::uint64_t d = 1; d * d <= n; ++d)
        if (n % d == 0) erwartet_anzahl += d * d == n ? 1 : 2;
    pruefen(anzahl == erwartet_anzahl && liste[0] == n && liste[anzahl - 1] == 1, "so viele Teiler, von n bis 1");
    for (unsigned k = 0; k < anzahl; ++k) pruefen(n % liste[k] == 0 && (k == 0 || liste[k] < liste[k - 1]), "Teiler, absteigend");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* daten, std::size_t groesse) {
    const std::string text(reinterpret_cast<const char*>(daten), groesse);
    const std::string zeile = text.substr(0, text.find('\0'));
    for (zahlart art : {zahlart::d, zahlart::u, zahlart::i}) vergleichen(zeile, art);
    lesen(text);
    woerter(text, groesse > 0 ? 1 + daten[0] % 17 : 1);
    teilerliste(zeile);
    // What a message shows of a word holds nothing it would still change: no control is left.
    const std::string gezeigt = harmlos(text);
    const auto steuerzeichen = [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; };
    pruefen(harmlos(gezeigt) == gezeigt && std::none_of(gezeigt.begin(), gezeigt.end(), steuerzeichen), "harmlos");
    return 0;
}
