#include "console/woerter.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include "console/terminal.h"
#include "console/umwandlung.h"

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

bool woerter_lesen(const std::function<bool(std::string_view)>& wort, const std::function<bool()>& gelesen,
                   std::vector<std::uint32_t>* zahlen) {
    // A byte order mark, as editors on Windows start a file with, is no part of the first word.
    // A writer may send it in pieces: the first reads are held back while they could still be one.
    constexpr std::string_view marke = "\xEF\xBB\xBF";
    bool am_anfang = true;
    std::size_t zurueck = 0;  // the bytes held back, at the buffer's start
    wortvorrat vorrat;
    // Not cleared: that would touch a megabyte of fresh pages, a third of the time a few numbers
    // take; a read touches only the pages it fills.
    constexpr std::size_t stueck_groesse = std::size_t{1} << 20;
    const auto stueck = std::make_unique_for_overwrite<char[]>(stueck_groesse);
    const auto zerlegen = [&](std::string_view text, bool am_ende) {
        return zahlen != nullptr ? zahlen_zerlegen(vorrat, text, am_ende, *zahlen, wort) : woerter_zerlegen(vorrat, text, am_ende, wort);
    };
    for (std::size_t im_stapel = 0;;) {
        const long long n = standardeingabe_lesen(stueck.get() + zurueck, stueck_groesse - zurueck);
        std::string_view text{stueck.get(), zurueck + static_cast<std::size_t>(std::max(n, 0LL))};
        if (am_anfang) {
            if (n > 0 && text.size() < marke.size() && marke.starts_with(text)) {
                zurueck = text.size();
                continue;
            }
            if (text.starts_with(marke)) text.remove_prefix(marke.size());
            am_anfang = false;
            zurueck = 0;
        }
        if (n < 0) {
            // What was read before stays answered, as at the end of input; then the failure.
            const int grund = errno;
            if (zerlegen(text, true)) gelesen();
            errno = grund;
            return false;
        }
        if (!zerlegen(text, n == 0)) return true;
        im_stapel += static_cast<std::size_t>(n);
        if (n > 0 && im_stapel < (std::size_t{4} << 20) && standardeingabe_bereit()) continue;
        if (!gelesen() || n == 0) return true;
        im_stapel = 0;
    }
}
