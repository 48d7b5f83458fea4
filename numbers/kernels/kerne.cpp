// The dispatch above the kernel levels: one table with a row per level, the CPU test, and the
// entry points the program calls. Each level is whole in its own file (kern_portabel.cpp,
// kern_sse2.cpp, kern_avx2.cpp, kern_avx512.cpp).
#include "numbers/kernels/kerne_intern.h"

#include <algorithm>
#include <atomic>
#include <iterator>

#include "numbers/kernels/wurzel.h"

namespace {

struct kernsatz {
    kernstufe stufe;
    bool gebaut;  // compiled into this program: the compiler took the level's flags
    std::uint32_t (*erster_teiler)(std::uint32_t, std::uint32_t, std::uint32_t);
    std::uint64_t (*teiler_im_block)(std::uint32_t, std::uint32_t, unsigned);
    unsigned (*ohne_teiler)(std::uint32_t*, std::uint32_t*, unsigned, std::uint32_t*);
    unsigned (*teiler_schritte)(std::uint32_t, std::uint32_t, unsigned, std::uint64_t*);
};

// A level this build lacks (another architecture, a compiler without its flags) keeps its row,
// marked, with the portable kernels in it.
#define ZIFFERON_NICHT_GEBAUT(stufe) \
    {stufe, false, erster_teiler_portabel, teiler_im_block_portabel, ohne_teiler_portabel, teiler_schritte_portabel}

// Adding a level (AVX-512 with VBMI2, NEON on ARM64, ...):
//  1. its value in `kernstufe` (kerne.h), in order of preference, and `hoechste_kernstufe` if it is
//     the new highest;
//  2. kern_<level>.cpp with the level whole: erster_teiler_<level>, ohne_teiler_<level> (the
//     transposed kernel, transponiert.h, on the level's register operations) and
//     teiler_schritte_<level> (the stepping, schritte.h, likewise), declared in kerne_intern.h;
//  3. in CMakeLists.txt, the file with its flags behind the probe that the compiler takes them,
//     which defines ZIFFERON_<LEVEL> where it does;
//  4. its row here, in the enum's order (the static_assert below checks it), and its test in
//     `cpu_hat`;
//  5. its row in the kernel tests (tests/kerne_test.cpp) and in the benchmarks' list of levels;
//     where the CPU lacks it, a copy of the library with the level built on SIMDe tests it
//     (tests/kern_avx512_emuliert.cpp shows how).
constexpr kernsatz saetze[] = {
    {kernstufe::portabel, true, erster_teiler_portabel, teiler_im_block_portabel, ohne_teiler_portabel, teiler_schritte_portabel},
#if defined(__x86_64__) || defined(_M_X64)
    {kernstufe::sse2, true, erster_teiler_sse2, teiler_im_block_sse2, ohne_teiler_sse2, teiler_schritte_sse2},
#else
    ZIFFERON_NICHT_GEBAUT(kernstufe::sse2),
#endif
#ifdef ZIFFERON_AVX2
    {kernstufe::avx2, true, erster_teiler_avx2, teiler_im_block_sse2, ohne_teiler_avx2, teiler_schritte_avx2},
#else
    ZIFFERON_NICHT_GEBAUT(kernstufe::avx2),
#endif
#ifdef ZIFFERON_AVX512
    {kernstufe::avx512, true, erster_teiler_avx512, teiler_im_block_sse2, ohne_teiler_avx512, teiler_schritte_avx512},
#else
    ZIFFERON_NICHT_GEBAUT(kernstufe::avx512),
#endif
};

constexpr bool eine_zeile_je_stufe() {
    if (std::size(saetze) != static_cast<std::size_t>(hoechste_kernstufe) + 1) return false;
    for (std::size_t i = 0; i < std::size(saetze); ++i)
        if (saetze[i].stufe != static_cast<kernstufe>(i)) return false;
    return true;
}
static_assert(eine_zeile_je_stufe(), "a row per kernel level, in the order of kernstufe");

bool cpu_hat(kernstufe stufe) {
#if defined(__x86_64__) || defined(_M_X64)
    __builtin_cpu_init();  // may run before the runtime's own initialisation
    switch (stufe) {
    case kernstufe::portabel:
    case kernstufe::sse2: return true;  // part of every x86-64 CPU
    case kernstufe::avx2: return __builtin_cpu_supports("avx2");
    case kernstufe::avx512: return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    }
    return false;
#else
    return stufe == kernstufe::portabel;
#endif
}

// The highest level built that the CPU has.
kernstufe beste_stufe() {
#ifdef ZIFFERON_AVX512_EMULIERT
    return kernstufe::avx512;  // the AVX-512 file built on portable intrinsics, for its tests
#endif
    for (std::size_t i = std::size(saetze); i-- > 1;)
        if (saetze[i].gebaut && cpu_hat(saetze[i].stufe)) return saetze[i].stufe;
    return kernstufe::portabel;
}

// Constant-initialised, and chosen on first use: a static initialiser in another file that calls a
// kernel finds it set, whichever file the linker initialises first. Choosing twice at once (two
// threads' first use) chooses the same.
std::atomic<const kernsatz*> gewaehlt{nullptr};

const kernsatz& aktiv() {
    const kernsatz* s = gewaehlt.load(std::memory_order_acquire);
    if (s == nullptr) {
        s = &saetze[static_cast<std::size_t>(beste_stufe())];
        gewaehlt.store(s, std::memory_order_release);
    }
    return *s;
}

}  // namespace

std::uint32_t erster_teiler(std::uint32_t zahl, std::uint32_t ab, std::uint32_t bis) {
    return aktiv().erster_teiler(zahl, ab, bis);
}

unsigned ohne_teiler(std::uint32_t* zahlen, std::uint32_t* grenzen, unsigned anzahl, std::uint32_t* prim) {
    return aktiv().ohne_teiler(zahlen, grenzen, anzahl, prim);
}

std::uint64_t teiler_im_block(std::uint32_t zahl, std::uint32_t hoch, unsigned breite) {
    return aktiv().teiler_im_block(zahl, hoch, breite);
}

void teiler_in_bloecken(std::uint32_t zahl, std::uint32_t hoch, unsigned bloecke, std::uint64_t* masken) {
    // Every candidate from here up may be stepped to (see teiler_schritte_portabel).
    const std::uint32_t ab = ganzzahlige_wurzel(zahl) + 1;
    for (unsigned b = 0; b < bloecke;) {
        const std::int64_t oben = std::int64_t{hoch} - 64 * std::int64_t{b};
        if (oben <= 0) {
            masken[b++] = 0;
            continue;
        }
        // The whole blocks from here down whose lowest candidate is at least `ab`.
        if (oben - 63 >= ab) {
            const auto ganze = static_cast<unsigned>(std::min<std::int64_t>(bloecke - b, (oben - 63 - ab) / 64 + 1));
            const unsigned getan = aktiv().teiler_schritte(zahl, static_cast<std::uint32_t>(oben), ganze, masken + b);
            b += getan;
            if (getan > 0) continue;
        }
        masken[b] = aktiv().teiler_im_block(zahl, static_cast<std::uint32_t>(oben), oben < 64 ? static_cast<unsigned>(oben) : 64);
        ++b;
    }
}

kernstufe kern_aktiv() { return aktiv().stufe; }

namespace {
std::atomic<std::uint64_t> runden_alle{0}, runden_kurz{0};
}  // namespace

void teiler_runden_zaehlen(unsigned alle, unsigned kurz) {
    runden_alle.fetch_add(alle, std::memory_order_relaxed);
    runden_kurz.fetch_add(kurz, std::memory_order_relaxed);
}

teiler_runden teiler_runden_gezaehlt() {
    return {runden_alle.load(std::memory_order_relaxed), runden_kurz.load(std::memory_order_relaxed)};
}

kernstufe kern_begrenzen(kernstufe hoechstens) {
    const kernstufe beste = beste_stufe();
    gewaehlt.store(&saetze[static_cast<std::size_t>(hoechstens < beste ? hoechstens : beste)], std::memory_order_release);
    return aktiv().stufe;
}
