// Splitting raw standard input into the pieces the console takes one at a time: a whole line with
// its break, or of a very long line a piece, so that memory stays bounded however long lines are.
// Every byte is looked at once: linear time.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>

inline constexpr std::size_t stueckgroesse = std::size_t{1} << 16;

struct zeilenvorrat {
    std::string daten;
    std::size_t anfang = 0;   // the first byte not yet handed out
    std::size_t gesucht = 0;  // no line break lies before this position
    bool zu_ende = false;     // standard input has ended
};

// The next piece into `stueck`. False when none is ready yet (more input must be read first), or
// at the end of input when nothing is left.
inline bool stueck_nehmen(zeilenvorrat& v, std::string& stueck) {
    const std::size_t umbruch = v.daten.find('\n', std::max(v.gesucht, v.anfang));
    const std::size_t da = v.daten.size() - v.anfang;
    std::size_t laenge = 0;
    if (umbruch != std::string::npos) laenge = std::min(umbruch + 1 - v.anfang, stueckgroesse);
    else if (da >= stueckgroesse) laenge = stueckgroesse;
    else if (v.zu_ende) laenge = da;
    v.gesucht = umbruch == std::string::npos ? v.daten.size() : umbruch;
    if (laenge == 0) return false;
    stueck.assign(v.daten, v.anfang, laenge);
    v.anfang += laenge;
    return true;
}

// Adds bytes just read, first dropping what was handed out (less than a piece is left then).
inline void nachfuellen(zeilenvorrat& v, const char* p, std::size_t n) {
    v.daten.erase(0, v.anfang);
    v.gesucht -= std::min(v.gesucht, v.anfang);
    v.anfang = 0;
    v.daten.append(p, n);
}
