// Number conversions of the line reader: "%d", "%u" and "%i" over the text of one line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

enum class gelesen {
    ok,          // a value was read
    keine_zahl,  // the text does not begin with a number
    zu_gross,    // a number beyond the range of the target
    ende,        // standard input has ended
};

enum class zahlart {
    d,  // signed decimal
    u,  // unsigned decimal; a minus wraps modulo 2^32
    i,  // signed, base from the prefix: 0x hexadecimal, 0 octal, else decimal
};

struct umgewandelt {
    gelesen status;
    std::uint32_t wert;   // the bit pattern; signed kinds cast it back
    std::size_t laenge;   // bytes taken from the text; 0 unless a number was found
};

constexpr bool leerzeichen(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr int ziffernwert(int c, unsigned basis) {
    int w = -1;
    if (c >= '0' && c <= '9') w = c - '0';
    else if (c >= 'a' && c <= 'f') w = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') w = c - 'A' + 10;
    return w >= 0 && static_cast<unsigned>(w) < basis ? w : -1;
}

// The conversion over a stream of characters: `q.zeichen(n)` is the character n places ahead (-1
// past the end), `q.nehmen(n)` uses up n of them. It looks at most three characters ahead and uses
// digits as it goes, so a number of any length streams past in constant memory. Digits beyond the
// range are consumed with the number but never wrapped into a value.
template <class Quelle>
umgewandelt umwandeln_aus(Quelle& q, zahlart art) {
    std::size_t p = 0;  // sign and prefix, taken only if digits follow
    bool minus = false;
    if (const int c = q.zeichen(0); c == '+' || c == '-') {
        minus = c == '-';
        p = 1;
    }
    // "%i" picks its base from the prefix; a 0x without a hex digit behind it is just the digit 0.
    unsigned basis = 10;
    if (art == zahlart::i && q.zeichen(p) == '0') {
        const int x = q.zeichen(p + 1);
        if ((x == 'x' || x == 'X') && ziffernwert(q.zeichen(p + 2), 16) >= 0) {
            basis = 16;
            p += 2;
        } else {
            basis = 8;
        }
    }
    if (ziffernwert(q.zeichen(p), basis) < 0) return {gelesen::keine_zahl, 0, 0};
    q.nehmen(p);

    // The largest magnitude the target holds, for this sign.
    const std::uint64_t grenze = art == zahlart::u ? 0xFFFFFFFFu : (minus ? 0x80000000u : 0x7FFFFFFFu);
    std::uint64_t betrag = 0;
    bool ueberlauf = false;
    std::size_t laenge = p;
    for (int w; (w = ziffernwert(q.zeichen(0), basis)) >= 0; ++laenge) {
        q.nehmen(1);
        betrag = betrag * basis + static_cast<unsigned>(w);
        if (betrag > grenze) {
            ueberlauf = true;
            betrag = grenze;  // keep consuming digits without growing
        }
    }
    if (ueberlauf) return {gelesen::zu_gross, 0, laenge};
    const auto wert = static_cast<std::uint32_t>(minus ? 0 - betrag : betrag);
    return {gelesen::ok, wert, laenge};
}

// `text` starts where the number should start (white space already skipped).
umgewandelt umwandeln(std::string_view text, zahlart art);

// Decimal text of `zahl`, without sign, leading zeros or spaces, kept in `platz`.
std::string_view zahl_als_text(std::uint64_t zahl, char (&platz)[20]);

// 0000 to 9999, four digits each.
inline constexpr auto vierstellig = [] {
    std::array<char, 4 * 10000> t{};
    for (unsigned i = 0; i < 10000; ++i)
        for (unsigned stelle = 0, teiler = 1000; stelle < 4; ++stelle, teiler /= 10)
            t[4 * i + stelle] = static_cast<char>('0' + i / teiler % 10);
    return t;
}();

// A number below 10000 without leading zeros: its four table digits copied, the end moved past
// the ones that count.
inline char* bis_vier_stellen(char* ziel, std::uint32_t zahl) {
    const unsigned stellen = zahl < 10 ? 1 : zahl < 100 ? 2 : zahl < 1000 ? 3 : 4;
    std::memcpy(ziel, &vierstellig[4 * zahl + 4 - stellen], 4);
    return ziel + stellen;
}

// The same written at `ziel`, for long lists of answers: returns the end. Four digits at a time
// from the table; it may write up to 10 bytes whatever the number's length, so `ziel` needs room
// for 10.
inline char* zahl_hinschreiben(char* ziel, std::uint32_t zahl) {
    if (zahl < 10000) return bis_vier_stellen(ziel, zahl);
    if (zahl < 100000000) {
        ziel = bis_vier_stellen(ziel, zahl / 10000);
        std::memcpy(ziel, &vierstellig[4 * (zahl % 10000)], 4);
        return ziel + 4;
    }
    ziel = bis_vier_stellen(ziel, zahl / 100000000);
    std::memcpy(ziel, &vierstellig[4 * (zahl / 10000 % 10000)], 4);
    std::memcpy(ziel + 4, &vierstellig[4 * (zahl % 10000)], 4);
    return ziel + 8;
}

// For a long run of numbers close together (the primes of a range): the digits above the last
// four are mostly the number before's, and are copied rather than worked out again.
struct zahlenschreiber {
    std::uint32_t oben = ~std::uint32_t{0};  // the last number's digits above its last four
    char oben_text[8] = {};
    unsigned oben_laenge = 0;
};

// As above, with the same room. Inline: a run writes hundreds of millions of them.
inline char* zahl_hinschreiben(zahlenschreiber& z, char* ziel, std::uint32_t zahl) {
    const std::uint32_t oben = zahl / 10000;
    if (oben == 0) return zahl_hinschreiben(ziel, zahl);
    if (oben != z.oben) {
        z.oben = oben;
        z.oben_laenge = static_cast<unsigned>(zahl_hinschreiben(z.oben_text, oben) - z.oben_text);
    }
    // At most six digits above, so the whole copy and the four below stay within ten bytes.
    std::memcpy(ziel, z.oben_text, sizeof z.oben_text);
    ziel += z.oben_laenge;
    std::memcpy(ziel, &vierstellig[4 * (zahl % 10000)], 4);
    return ziel + 4;
}
