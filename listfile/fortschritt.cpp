#include "listfile/fortschritt.h"

#include <cstdlib>


namespace {

using uhr = std::chrono::steady_clock;

constexpr auto standard_erst_nach = std::chrono::milliseconds(500);
constexpr auto alle = std::chrono::milliseconds(250);

// How long a run goes before the line appears: the tests set it through ZIFFERON_FORTSCHRITT_MS,
// so that they need no long runs.
uhr::duration erst_nach() {
    const char* ms = std::getenv("ZIFFERON_FORTSCHRITT_MS");
    if (ms == nullptr || *ms < '0' || *ms > '9') return standard_erst_nach;
    return std::chrono::milliseconds(std::strtol(ms, nullptr, 10));
}

}  // namespace

std::string fortschritt_text(std::uint64_t geprueft, std::uint64_t gesamt, std::uint64_t primzahlen, uhr::duration bisher) {
    const std::uint64_t prozent = gesamt == 0 ? 100 : geprueft * 100 / gesamt;
    std::string text = std::to_string(prozent) + " % geprueft, " + std::to_string(primzahlen) + " Primzahlen gefunden";
    if (geprueft == 0 || geprueft >= gesamt) return text;
    const auto rest = std::chrono::duration_cast<std::chrono::seconds>(bisher * static_cast<double>(gesamt - geprueft) /
                                                                        static_cast<double>(geprueft)).count() + 1;
    text += ", noch etwa ";
    if (rest >= 3600) text += std::to_string(rest / 3600) + " h " + std::to_string(rest % 3600 / 60) + " min";
    else if (rest >= 60) text += std::to_string(rest / 60) + " min " + std::to_string(rest % 60) + " s";
    else text += std::to_string(rest) + " s";
    return text;
}

fortschritt fortschritt_beginnen(std::uint64_t gesamt, fortschritt_anzeige anzeige) {
    fortschritt f;
    f.anzeige = anzeige;
    f.gesamt = gesamt;
    f.anfang = uhr::now();
    f.zuletzt = f.anfang + erst_nach() - alle;
    return f;
}

void fortschritt_melden(fortschritt& f, std::uint64_t geprueft, std::uint64_t primzahlen) {
    const auto jetzt = uhr::now();
    if (f.anzeige == nullptr || jetzt - f.zuletzt < alle) return;
    f.zuletzt = jetzt;
    f.gezeigt = true;
    f.anzeige(fortschritt_text(geprueft, f.gesamt, primzahlen, jetzt - f.anfang));
}

void fortschritt_beenden(fortschritt& f) {
    if (f.gezeigt) f.anzeige("");
    f.gezeigt = false;
}
