#include "listfile/spool.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "listfile/anhang_system.h"

namespace {

// A block of up to a few MiB stays in memory; a run over a billion numbers may produce gigabytes.
constexpr std::size_t standard_speicher = std::size_t{4} << 20;

std::size_t speichergrenze = standard_speicher;
std::unique_ptr<char[]> frei;  // a spool's memory from an earlier listing, `speichergrenze` bytes
int voll_bei = 0;              // test hook: the write to TMPDIR's spool that finds it full
int auslagerungen = 0;

bool ganz_schreiben(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        const long long w = sys::schreiben(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

// The spool file's bytes, in pieces. It is read once: each piece handed on is given back, so a
// block of gigabytes is not held twice while it is copied, and the pages it frees are the ones
// the copy fills next.
template <class Nimm>
bool ausgelagert_lesen(int fd, Nimm&& nimm) {
    if (!sys::zurueckspulen(fd)) return false;
    std::string stueck(1 << 20, '\0');
    // Given back 32 MiB at a time: each time is a transaction of the file system's journal.
    constexpr long long freigabe = 32 << 20;
    for (long long gelesen = 0, frei = 0;;) {
        const long long n = sys::lesen(fd, stueck.data(), stueck.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!nimm(stueck.data(), static_cast<std::size_t>(n))) return false;
        gelesen += n;
        if (gelesen - frei >= freigabe) {
            sys::freigeben(fd, frei, gelesen - frei);
            frei = gelesen;
        }
    }
}

// Where TMPDIR cannot take the spool (missing, read-only, full), it goes on in the system's
// directory, with what it already holds.
bool spool_umziehen(spool& s) {
    bool ordner_gleich = false;
    if (s.im_system) return false;
    const int neu = sys::spooldatei(true, ordner_gleich);
    if (neu < 0) return false;
    const bool kopiert = s.fd < 0 || ausgelagert_lesen(s.fd, [neu](const char* p, std::size_t n) {
                             return ganz_schreiben(neu, p, n);
                         });
    if (s.fd >= 0) sys::schliessen(s.fd);
    s.fd = neu;
    s.im_system = true;
    return kopiert;
}

bool spool_auslagern(spool& s) {
    if (s.fd < 0) {
        bool ordner_gleich = false;
        s.fd = sys::spooldatei(false, ordner_gleich);
        s.im_system = ordner_gleich;
        if (s.fd < 0 && !spool_umziehen(s)) return false;
    }
    // Test hook: half of this write lands, then TMPDIR is full.
    bool voll = !s.im_system && voll_bei > 0 && ++auslagerungen == voll_bei;
    if (voll) ganz_schreiben(s.fd, s.speicher.get(), s.laenge / 2);
    while (std::exchange(voll, false) || !ganz_schreiben(s.fd, s.speicher.get(), s.laenge)) {
        // A part may have gone to the full file: the move copies only what was counted.
        if (!sys::kuerzen(s.fd, static_cast<long long>(s.ausgelagert)) || !spool_umziehen(s)) return false;
    }
    s.ausgelagert += s.laenge;
    return true;
}

}  // namespace

bool spool_anhaengen(spool& s, std::string_view text) {
    if (s.fehler) return false;
    if (!s.speicher) {
        // Pages are only taken as they are written; growing by copying cost more than the run.
        s.platz = speichergrenze;
        s.speicher = frei ? std::move(frei) : std::make_unique_for_overwrite<char[]>(s.platz);
    }
    s.zeilen += static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n'));
    while (!text.empty()) {
        const std::size_t passt = std::min(text.size(), s.platz - s.laenge);
        std::memcpy(s.speicher.get() + s.laenge, text.data(), passt);
        s.laenge += passt;
        text.remove_prefix(passt);
        if (s.laenge < s.platz) break;
        // Full: the block goes on in the temporary file.
        s.fehler = !spool_auslagern(s);
        s.laenge = 0;
        if (s.fehler) return false;
    }
    return true;
}

bool spool_durchgehen(spool& s, const std::function<bool(const char*, std::size_t)>& nimm) try {
    // A line cut by the end of a read waits here for its rest.
    std::string rest;
    const auto zeilenweise = [&rest, &nimm](const char* p, std::size_t n) {
        const char* ende = static_cast<const char*>(std::memchr(p, '\n', n));
        if (ende == nullptr) {
            rest.append(p, n);
            return true;
        }
        if (!rest.empty()) {
            rest.append(p, static_cast<std::size_t>(ende + 1 - p));
            n -= static_cast<std::size_t>(ende + 1 - p);
            p = ende + 1;
            if (!nimm(rest.data(), rest.size())) return false;
            rest.clear();
        }
        std::size_t ganz = n;
        while (ganz > 0 && p[ganz - 1] != '\n') --ganz;
        if (ganz > 0 && !nimm(p, ganz)) return false;
        rest.assign(p + ganz, n - ganz);
        return true;
    };
    if (s.vorweg && !s.vorweg(nimm)) return false;
    if (s.fd >= 0 && !ausgelagert_lesen(s.fd, zeilenweise)) return false;
    if (!zeilenweise(s.speicher.get(), s.laenge)) return false;
    return rest.empty() || nimm(rest.data(), rest.size());
} catch (const std::bad_alloc&) {
    // Under the lock, halfway through: a failure like a failed write, taken back by the caller.
    errno = ENOMEM;
    return false;
}

void spool_freigeben(spool& s) {
    if (s.fd >= 0) sys::schliessen(s.fd);
    s.fd = -1;
    // Kept for the next listing: its pages are then already there.
    if (s.speicher && s.platz == speichergrenze) frei = std::move(s.speicher);
    s.speicher.reset();
    s.laenge = s.platz = 0;
    s.ausgelagert = s.zeilen = 0;
    s.im_system = false;
    s.vorweg = nullptr;
    s.vorweg_bytes = s.vorweg_zeilen = 0;
}

void speichergrenze_setzen(std::size_t bytes) {
    speichergrenze = bytes == 0 ? standard_speicher : bytes;
    frei.reset();
}

void tmpdir_voll_bei(int schreibvorgang) {
    voll_bei = schreibvorgang;
    auslagerungen = 0;
}
