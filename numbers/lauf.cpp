#include "numbers/lauf.h"

#include <algorithm>

#include "numbers/primzahl.h"

void lauf_stueck_pruefen(std::uint32_t zahl, std::uint32_t z3, std::uint64_t i, std::uint64_t* masken) {
    const std::uint64_t ab = i * lauf_stueck;
    const auto anzahl = static_cast<std::uint32_t>(ab < z3 ? std::min<std::uint64_t>(lauf_stueck, z3 - ab) : 0);
    primzahlen_im_lauf(static_cast<std::uint32_t>(zahl + ab), anzahl, masken);
    // The blocks past the run's end, which primzahlen_im_lauf leaves alone.
    for (unsigned b = (anzahl + 63) / 64; b < lauf_bloecke; ++b) masken[b] = 0;
}
