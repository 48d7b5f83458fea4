#include "console/umwandlung.h"

namespace {

int ziffernwert(char c, unsigned basis) {
    int w = -1;
    if (c >= '0' && c <= '9') w = c - '0';
    else if (c >= 'a' && c <= 'f') w = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') w = c - 'A' + 10;
    return w >= 0 && static_cast<unsigned>(w) < basis ? w : -1;
}

// "%i" picks its base from the prefix; a 0x without a hex digit behind it is just the digit 0.
unsigned basis_lesen(std::string_view text, std::size_t& p, zahlart art) {
    if (art != zahlart::i || p >= text.size() || text[p] != '0') return 10;
    if (p + 2 < text.size() && (text[p + 1] == 'x' || text[p + 1] == 'X') &&
        ziffernwert(text[p + 2], 16) >= 0) {
        p += 2;
        return 16;
    }
    return 8;
}

}  // namespace

umgewandelt umwandeln(std::string_view text, zahlart art) {
    std::size_t p = 0;
    bool minus = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) minus = text[p++] == '-';
    const unsigned basis = basis_lesen(text, p, art);

    // The largest magnitude the target holds, for this sign.
    const std::uint64_t grenze = art == zahlart::u ? 0xFFFFFFFFu : (minus ? 0x80000000u : 0x7FFFFFFFu);
    std::uint64_t betrag = 0;
    bool ueberlauf = false;
    const std::size_t ziffern_ab = p;
    for (int w; p < text.size() && (w = ziffernwert(text[p], basis)) >= 0; ++p) {
        betrag = betrag * basis + static_cast<unsigned>(w);
        if (betrag > grenze) {
            ueberlauf = true;
            betrag = grenze;  // keep consuming digits without growing
        }
    }
    if (p == ziffern_ab) return {gelesen::keine_zahl, 0, 0};
    if (ueberlauf) return {gelesen::zu_gross, 0, p};
    const auto wert = static_cast<std::uint32_t>(minus ? 0 - betrag : betrag);
    return {gelesen::ok, wert, p};
}

std::string_view zahl_als_text(std::uint64_t zahl, char (&platz)[20]) {
    char* ende = platz + sizeof platz;
    char* p = ende;
    do {
        *--p = static_cast<char>('0' + zahl % 10);
        zahl /= 10;
    } while (zahl != 0);
    return {p, static_cast<std::size_t>(ende - p)};
}
