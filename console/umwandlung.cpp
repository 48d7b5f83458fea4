#include "console/umwandlung.h"

namespace {

struct text_quelle {
    std::string_view text;
    int zeichen(std::size_t n) const { return n < text.size() ? static_cast<unsigned char>(text[n]) : -1; }
    void nehmen(std::size_t n) { text.remove_prefix(n); }
};

}  // namespace

umgewandelt umwandeln(std::string_view text, zahlart art) {
    text_quelle q{text};
    return umwandeln_aus(q, art);
}

namespace {

// Two digits per division: a command's answers are mostly this.
constexpr char paare[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

}  // namespace

std::string_view zahl_als_text(std::uint64_t zahl, char (&platz)[20]) {
    char* ende = platz + sizeof platz;
    char* p = ende;
    while (zahl >= 100) {
        const auto paar = static_cast<unsigned>(zahl % 100) * 2;
        zahl /= 100;
        *--p = paare[paar + 1];
        *--p = paare[paar];
    }
    if (zahl >= 10) {
        *--p = paare[zahl * 2 + 1];
        *--p = paare[zahl * 2];
    } else {
        *--p = static_cast<char>('0' + zahl);
    }
    return {p, static_cast<std::size_t>(ende - p)};
}
