// Number conversions of the line reader: "%d", "%u" and "%i" over the text of one line.
#pragma once

#include <cstddef>
#include <cstdint>
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

// `text` starts where the number should start (white space already skipped).
// Digits beyond the range are consumed with the number but never wrapped into a value.
umgewandelt umwandeln(std::string_view text, zahlart art);

constexpr bool leerzeichen(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Decimal text of `zahl`, without sign, leading zeros or spaces, kept in `platz`.
std::string_view zahl_als_text(std::uint64_t zahl, char (&platz)[20]);
