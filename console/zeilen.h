// Splitting raw standard input into the lines the line reader takes one at a time.
#pragma once

#include <string>

// Moves the next line, with its line break, from `vorrat` into `zeile`; at the end of input also a
// last line without one. False when no line is complete yet (or nothing is left at the end).
inline bool zeile_nehmen(std::string& vorrat, bool eingabe_zu_ende, std::string& zeile) {
    const auto umbruch = vorrat.find('\n');
    if (umbruch == std::string::npos && (!eingabe_zu_ende || vorrat.empty())) return false;
    const std::size_t laenge = umbruch == std::string::npos ? vorrat.size() : umbruch + 1;
    zeile.assign(vorrat, 0, laenge);
    vorrat.erase(0, laenge);
    return true;
}
