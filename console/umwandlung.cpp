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

std::string_view zahl_als_text(std::uint64_t zahl, char (&platz)[20]) {
    char* ende = platz + sizeof platz;
    char* p = ende;
    do {
        *--p = static_cast<char>('0' + zahl % 10);
        zahl /= 10;
    } while (zahl != 0);
    return {p, static_cast<std::size_t>(ende - p)};
}
