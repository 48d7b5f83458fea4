#include "numbers/sieb_zeilen.h"

#include <bit>
#include <memory>
#include <string>

#include "console/umwandlung.h"
#include "numbers/verteilt.h"

namespace {

constexpr unsigned zeilen_faeden = 8;

// A worker's piece of lines: the masks it sieves, then their primes as text. The masks are not
// cleared here, as sieving writes them whole: a short run would pay for four slots of fresh pages.
struct zeilenplatz {
    std::unique_ptr<std::uint64_t[]> masken = std::make_unique_for_overwrite<std::uint64_t[]>(sieb_bloecke);
    std::string text;  // as long as the longest piece so far: only its first `laenge` bytes count
    std::size_t laenge = 0;
    std::uint32_t anzahl = 0;
};

}  // namespace

std::uint32_t sieb_zeilen(std::uint64_t von, std::uint64_t bis,
                          const std::function<bool(std::string_view, std::uint32_t, std::uint64_t)>& nimm) {
    std::uint32_t pz = 0;
    std::string klein;
    for (const std::uint32_t p : rad_primzahlen)
        if (p >= von && p < bis) {
            klein += static_cast<char>('0' + p);
            klein += '\n';
            ++pz;
        }
    if (!klein.empty() && !nimm(klein, pz, 0)) return pz;
    if (von >= bis) return pz;
    const std::uint64_t erstes = von / sieb_stueck;
    // The lines are written where the piece was sieved: on one thread, writing them took longer
    // than sieving on all. A slot holds a piece's lines, up to 8 MB, so the threads are capped:
    // on 2 cores a thread makes a piece in about 4 ms and the one that writes them out takes 1 to
    // 3 ms for it, so beyond eight they would only wait, holding their slots.
    verteilt_in<zeilenplatz>(
        (bis - 1) / sieb_stueck - erstes + 1,
        [&](std::uint64_t i, zeilenplatz& platz) {
            const std::uint64_t k = erstes + i;
            sieb_stueck_sieben(k, von, bis, platz.masken.get());
            platz.anzahl = sieb_anzahl(platz.masken.get());
            if (platz.text.size() < 11 * std::size_t{platz.anzahl}) platz.text.resize(11 * std::size_t{platz.anzahl});
            char* p = platz.text.data();
            zahlenschreiber schreiber;
            for (unsigned w = 0; w < sieb_bloecke; ++w)
                for (std::uint64_t prim = platz.masken[w]; prim != 0; prim &= prim - 1) {
                    p = zahl_hinschreiben(schreiber, p, static_cast<std::uint32_t>(sieb_zahl(k, w, static_cast<unsigned>(std::countr_zero(prim)))));
                    *p++ = '\n';
                }
            platz.laenge = static_cast<std::size_t>(p - platz.text.data());
        },
        [&](std::uint64_t i, const zeilenplatz& platz) {
            pz += platz.anzahl;
            return nimm({platz.text.data(), platz.laenge}, platz.anzahl, std::min((erstes + i + 1) * sieb_stueck, bis) - von);
        },
        zeilen_faeden);
    return pz;
}

namespace {

// Of piece k's `alle` primes, how many lie below x.
std::uint32_t unter(std::uint64_t k, const std::uint64_t* masken, std::uint32_t alle, std::uint64_t x) {
    const std::uint64_t anfang = k * sieb_stueck;
    if (x <= anfang) return 0;
    if (x >= anfang + sieb_stueck) return alle;
    const std::uint64_t byte = (x - anfang) / 30, rest = (x - anfang) % 30;
    std::uint32_t n = 0;
    for (std::uint64_t w = 0; w < byte / 8; ++w) n += static_cast<std::uint32_t>(std::popcount(masken[w]));
    std::uint64_t davor = (std::uint64_t{1} << (byte % 8 * 8)) - 1;
    for (unsigned t = 0; t < 8; ++t)
        if (rad_reste[t] < rest) davor |= std::uint64_t{1} << (byte % 8 * 8 + t);
    return n + static_cast<std::uint32_t>(std::popcount(masken[byte / 8] & davor));
}

}  // namespace

siebumfang sieb_umfang(std::uint64_t von, std::uint64_t bis, const std::function<void(std::uint64_t, std::uint32_t)>& stand) {
    siebumfang u;
    for (const std::uint32_t klein : rad_primzahlen)
        if (klein >= von && klein < bis) ++u.primzahlen, u.bytes += 2;
    sieb_verteilt(von, bis, [&](std::uint64_t k, const std::uint64_t* masken) {
        // A line is 11 bytes, one less for each power of ten from 10 to 10^9 above its prime.
        const std::uint32_t n = sieb_anzahl(masken);
        u.primzahlen += n;
        u.bytes += 11 * std::uint64_t{n};
        for (std::uint64_t zehner = 10; zehner <= 1'000'000'000; zehner *= 10) u.bytes -= unter(k, masken, n, zehner);
        stand(std::min((k + 1) * sieb_stueck, bis) - von, u.primzahlen);
        return true;
    });
    return u;
}

std::uint32_t sieb_zaehlen(std::uint64_t von, std::uint64_t bis, const std::function<void(std::uint64_t, std::uint32_t)>& stand) {
    return sieb_umfang(von, bis, stand).primzahlen;
}
